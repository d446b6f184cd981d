#include "check_files.h"

#include "content/effect_check.h"
#include "validate.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

const uint32_t CompiledEffectTag = 0xFEFF0901;

std::string Owner(const EffectShader& shader, const ShaderCheck& check)
{
    std::string owner = !shader.parameter.empty() ? "parameter " + shader.parameter + " "
                        : !shader.technique.empty() ? "technique " + shader.technique + " pass " + shader.pass + " "
                                                    : "";
    return owner + (check.vertex ? "vertex" : "pixel") + " shader";
}

std::string Plural(size_t n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

}  // namespace

CheckOutcome CheckShaderBytes(const std::vector<uint8_t>& bytes, const std::string& name, std::string& report)
{
    uint32_t tag = 0;
    if (bytes.size() >= 4) std::memcpy(&tag, bytes.data(), 4);
    std::vector<EffectShader> shaders;
    if (!ListEffectShaders(bytes.data(), bytes.size(), shaders)) {
        if (tag == CompiledEffectTag) {
            report = name + ": error: the effect's tables run past the end of the file\n";
            return Unreadable;
        }
        shaders.push_back({"", "", "", bytes.data(), bytes.size()});  // a bare token stream
    }
    size_t violations = 0, unchecked = 0;
    for (const EffectShader& shader : shaders) {
        std::vector<uint32_t> tokens(shader.size / 4);
        if (!tokens.empty()) std::memcpy(tokens.data(), shader.data, tokens.size() * 4);
        const ShaderCheck check = ValidateShader(tokens.data(), tokens.size());
        const std::string owner = name + ": " + Owner(shader, check);
        if (check.malformed == "no shader version token" && tag != CompiledEffectTag) {
            report = name + ": error: neither a compiled effect nor a shader token stream\n";
            return Unreadable;
        }
        if (!check.malformed.empty()) {
            report += owner + ": error: " + check.malformed + "\n";
            return Unreadable;
        }
        if (!check.checked) report += owner + ": " + check.model + " is not checked\n";
        for (const ShaderViolation& v : check.violations)
            report += owner + ": instruction " + std::to_string(v.instruction) + ": " + v.rule + "\n";
        violations += check.violations.size();
        unchecked += check.checked ? 0 : 1;
    }
    report += name + ": " + Plural(shaders.size() - unchecked, "shader") + " checked" +
              (unchecked ? ", " + std::to_string(unchecked) + " not checked" : "") + ", " +
              (violations ? Plural(violations, "violation") : "all conform") + "\n";
    return violations ? RuleBroken : AllConform;
}

CheckOutcome CheckShaderFiles(const std::vector<std::string>& paths)
{
    CheckOutcome worst = AllConform;
    for (const std::string& path : paths) {
        std::ifstream in(path, std::ios::binary);
        std::string report = path + ": error: cannot read the file\n";
        CheckOutcome outcome = Unreadable;
        if (in) {
            const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            report.clear();
            outcome = CheckShaderBytes(bytes, path, report);
        }
        std::fputs(report.c_str(), stdout);
        worst = std::max(worst, outcome);
    }
    return worst;
}
