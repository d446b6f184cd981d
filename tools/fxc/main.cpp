// fxc: compiles one effect source into an fx_2_0 effect binary, or checks compiled shaders.
// usage: fxc input.fx output.fx     exit 0 = written, 1 = source error, 2 = usage or file error
//        fxc --validate file...     exit 0 = all conform, 1 = a rule broken, 2 = a file unreadable
#include "check_files.h"
#include "fxc.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

int main(int argc, char** argv)
{
    const bool validate = argc > 2 && std::string(argv[1]) == "--validate";
    if (validate) return CheckShaderFiles({argv + 2, argv + argc});
    if (argc != 3) {
        std::fprintf(stderr, "usage: fxc input.fx output.fx | fxc --validate compiled.fx...\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: error: cannot read the file\n", argv[1]);
        return 2;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CompileResult result = CompileEffectSource(text, argv[1]);
    // A failed build must not leave an older binary behind that looks up to date.
    std::remove(argv[2]);
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", result.error.c_str());
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(result.binary.data()), static_cast<std::streamsize>(result.binary.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: error: cannot write the file\n", argv[2]);
        std::remove(argv[2]);
        return 2;
    }
    return 0;
}
