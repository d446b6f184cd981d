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

std::string Owner(const EffectShader& shader, bool vertex)
{
    std::string owner = !shader.parameter.empty() ? "parameter " + shader.parameter + " "
                        : !shader.technique.empty() ? "technique " + shader.technique + " pass " + shader.pass + " "
                                                    : "";
    return owner + (vertex ? "vertex" : "pixel") + " shader";
}

std::string Plural(size_t n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

struct Tally {
    size_t checked = 0, unchecked = 0, violations = 0;
};

// One shader's lines of the report; false when its words cannot be read as a shader.
bool ReportShader(const std::string& owner, const ShaderCheck& check, Tally& tally, std::string& report)
{
    if (!check.malformed.empty()) {
        report += owner + ": error: " + check.malformed + "\n";
        return false;
    }
    if (!check.checked) report += owner + ": " + check.model + " is not checked\n";
    for (const ShaderViolation& v : check.violations)
        report += owner + ": instruction " + std::to_string(v.instruction) + ": " + v.rule + "\n";
    (check.checked ? tally.checked : tally.unchecked)++;
    tally.violations += check.violations.size();
    return true;
}

// A state that names a parameter's shader, or picks one from a shader array, is judged by what
// that parameter holds: its shaders are checked as the parameter's own. The note for the report;
// empty when the name leads to no shader parameter, which leaves the state not checked.
std::string ResolveNamed(const EffectShader& state, const std::vector<EffectShader>& shaders)
{
    for (const EffectShader& p : shaders) {
        if (p.parameter.empty()) continue;
        if (state.holds == ShaderHolds::Reference && p.parameter == state.names)
            return "is " + p.parameter + (p.holds == ShaderHolds::Bytecode ? ", checked as that parameter" : ", an empty shader");
        if (state.holds == ShaderHolds::Selector && p.parameter.rfind(state.names + "[", 0) == 0)
            return "picked from " + state.names + " by an expression; its shaders are checked as that parameter";
    }
    return "";
}

// A slot that holds no bytecode: a null shader is no violation; a named one is resolved.
void ReportUnchecked(const std::string& owner, const EffectShader& shader, const std::vector<EffectShader>& shaders,
                     Tally& tally, std::string& report)
{
    if (shader.holds == ShaderHolds::Nothing) {
        report += owner + ": empty, no shader\n";
        return;
    }
    const std::string resolved = ResolveNamed(shader, shaders);
    if (!resolved.empty()) {
        report += owner + ": " + resolved + "\n";
        return;
    }
    const std::string names = shader.names.empty() ? "nothing" : shader.names;
    report += owner + ": names " + names + ", no shader parameter; not checked\n";
    tally.unchecked++;
}

CheckOutcome Refuse(const std::string& name, const std::string& why, std::string& report)
{
    report = name + ": error: " + why + "\n";
    return Unreadable;
}

}  // namespace

CheckOutcome CheckShaderBytes(const std::vector<uint8_t>& bytes, const std::string& name, std::string& report)
{
    uint32_t tag = 0;
    if (bytes.size() >= 4) std::memcpy(&tag, bytes.data(), 4);
    const bool effect = tag == CompiledEffectTag;
    std::vector<EffectShader> shaders;
    if (!ListEffectShaders(bytes.data(), bytes.size(), shaders)) {
        if (effect) return Refuse(name, "the effect's tables run past the end of the file or outside its data", report);
        shaders.push_back({"", "", "", bytes.data(), bytes.size(), false, {}, ""});  // a bare token stream
    }
    report.clear();
    Tally tally;
    for (const EffectShader& shader : shaders) {
        if (shader.holds != ShaderHolds::Bytecode) {
            ReportUnchecked(name + ": " + Owner(shader, shader.vertex), shader, shaders, tally, report);
            continue;
        }
        std::vector<uint32_t> tokens(shader.size / 4);
        if (!tokens.empty()) std::memcpy(tokens.data(), shader.data, tokens.size() * 4);
        const ShaderCheck check = ValidateShader(tokens.data(), tokens.size());
        if (!effect && check.model.empty()) return Refuse(name, "neither a compiled effect nor a shader token stream", report);
        if (!ReportShader(name + ": " + Owner(shader, check.vertex), check, tally, report)) return Unreadable;
    }
    report += name + ": " + Plural(tally.checked, "shader") + " checked" +
              (tally.unchecked ? ", " + std::to_string(tally.unchecked) + " not checked" : "") + ", " +
              (tally.violations ? Plural(tally.violations, "violation") : "all conform") + "\n";
    return tally.violations ? RuleBroken : AllConform;
}

CheckOutcome CheckShaderFiles(const std::vector<std::string>& paths)
{
    CheckOutcome worst = AllConform;
    for (const std::string& path : paths) {
        std::ifstream in(path, std::ios::binary);
        std::string report;
        CheckOutcome outcome = Refuse(path, "cannot read the file", report);
        if (in) {
            const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            outcome = CheckShaderBytes(bytes, path, report);
        }
        std::fputs(report.c_str(), stdout);
        worst = std::max(worst, outcome);
    }
    return worst;
}
