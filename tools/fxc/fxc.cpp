#include "fxc.h"

#include "includes.h"
#include "parser.h"
#include "shaders.h"
#include "writer.h"

#include <exception>

CompileResult CompileEffectSource(const std::string& text, const std::string& fileName)
{
    CompileResult result;
    ExpandedSource source;
    try {
        ExpandIncludes(text, fileName, source);
        Effect effect = ParseEffect(source.text);
        AssembleShaders(effect);
        result.binary = WriteEffectBinary(effect);
        result.ok = true;
    } catch (const CompileError& e) {
        const SourceLine at = OriginOf(source, e.loc.line);
        result.error = (at.file.empty() ? fileName : at.file) + "(" + std::to_string(at.line) + "," +
                       std::to_string(e.loc.col) + "): error: " + e.message;
    } catch (const std::exception& e) {
        result.error = fileName + "(1,1): error: internal failure: " + e.what();
    }
    return result;
}
