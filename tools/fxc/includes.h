// `#include "name"` lines of an effect source, replaced by the named file's text before anything
// else reads the source, inside asm blocks and outside. The name is resolved relative to the
// folder of the file that holds the line. We expand includes ourselves rather than through the
// assembler's preprocessor because the latter's line numbers stop matching the file after an
// include; here every line of the result remembers the file and line it came from.
#pragma once

#include "fx_model.h"

#include <string>
#include <vector>

struct SourceLine {
    std::string file;
    int line = 1;
};

struct ExpandedSource {
    std::string text;
    std::vector<SourceLine> origin;  // origin[i]: where line i + 1 of text came from
};

// Fills `out` line by line; an include that is malformed, cannot be read or includes itself
// throws CompileError at the directive's line of `out`, with what was expanded so far kept.
void ExpandIncludes(const std::string& text, const std::string& fileName, ExpandedSource& out);

// Where a line of the expanded text came from; lines past the end count on from the last one.
SourceLine OriginOf(const ExpandedSource& source, int line);
