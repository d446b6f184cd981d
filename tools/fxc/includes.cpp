#include "includes.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

constexpr int MaxDepth = 16;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The quoted name of an #include line; "" when the line is not one. Throws for a directive
// that names no file.
std::string IncludedName(const std::string& line, const SourceLoc& at)
{
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (line.compare(i, 1, "#") != 0) return "";
    const SourceLoc directive{at.line, int(i) + 1};
    ++i;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (line.compare(i, 7, "include") != 0) return "";
    i += 7;
    while (i < line.size() && IsBlank(line[i])) ++i;
    const size_t close = i < line.size() && line[i] == '"' ? line.find('"', i + 1) : std::string::npos;
    size_t end = close == std::string::npos ? close : close + 1;
    while (end < line.size() && IsBlank(line[end])) ++end;
    const bool rest = end != std::string::npos && end < line.size() && line.compare(end, 2, "//") != 0;
    if (close == std::string::npos || close == i + 1 || rest)
        throw CompileError{directive, "expected a file name in quotes after #include"};
    return line.substr(i + 1, close - i - 1);
}

struct Expander {
    ExpandedSource& out;
    std::vector<std::string> open;  // the files being expanded, outermost first

    void AddLine(const std::string& text, const std::string& file, int line, bool newline)
    {
        out.text += text;
        if (newline) out.text += '\n';
        out.origin.push_back({file, line});
    }

    // The outermost file's last line keeps its (missing) line end, so that end-of-file errors
    // point where they always did.
    void Expand(const std::string& text, const std::string& file)
    {
        open.push_back(fs::path(file).lexically_normal().generic_string());
        size_t start = 0;
        for (int line = 1; start <= text.size(); ++line) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            const std::string content = text.substr(start, end - start);
            start = end + 1;
            // The directive's line stays, blank, so errors can point at it.
            const std::string name = IncludedName(content, {int(out.origin.size()) + 1, 1});
            AddLine(name.empty() ? content : "", file, line, end < text.size() || open.size() > 1);
            if (!name.empty()) Include(name, file, int(content.find('#')) + 1);
        }
        open.pop_back();
    }

    void Include(const std::string& name, const std::string& from, int column)
    {
        const SourceLoc at{int(out.origin.size()), column};
        const std::string path = (fs::path(from).parent_path() / name).generic_string();
        for (const std::string& f : open)
            if (f == fs::path(path).lexically_normal().generic_string())
                throw CompileError{at, "'" + name + "' includes itself"};
        if (open.size() >= MaxDepth) throw CompileError{at, "includes nested too deeply at '" + name + "'"};
        std::error_code ec;
        std::ifstream in(path, std::ios::binary);
        if (!in || fs::is_directory(path, ec)) throw CompileError{at, "cannot open include file '" + name + "' (looked for " + path + ")"};
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Expand(text.empty() || text.back() != '\n' ? text : text.substr(0, text.size() - 1), path);
    }
};

}  // namespace

void ExpandIncludes(const std::string& text, const std::string& fileName, ExpandedSource& out)
{
    out = {};
    Expander{out, {}}.Expand(text, fileName);
}

SourceLine OriginOf(const ExpandedSource& source, int line)
{
    if (source.origin.empty()) return {"", line};
    if (line < 1) return source.origin.front();
    if (size_t(line) <= source.origin.size()) return source.origin[size_t(line) - 1];
    SourceLine last = source.origin.back();
    last.line += line - int(source.origin.size());
    return last;
}
