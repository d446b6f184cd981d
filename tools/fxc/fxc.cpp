#include "fxc.h"

#include "parser.h"
#include "shaders.h"
#include "writer.h"

#include <exception>

CompileResult CompileEffectSource(const std::string& text, const std::string& fileName)
{
    CompileResult result;
    try {
        Effect effect = ParseEffect(text);
        AssembleShaders(effect);
        result.binary = WriteEffectBinary(effect);
        result.ok = true;
    } catch (const CompileError& e) {
        result.error = fileName + "(" + std::to_string(e.loc.line) + "," + std::to_string(e.loc.col) +
                       "): error: " + e.message;
    } catch (const std::exception& e) {
        result.error = fileName + "(1,1): error: internal failure: " + e.what();
    }
    return result;
}
