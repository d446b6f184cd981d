// fxc --validate: the shaders inside compiled effects (fx_2_0) and bare shader token streams,
// checked against the runtime's rules (validate.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Exit codes, the worst of all files counting.
enum CheckOutcome { AllConform = 0, RuleBroken = 1, Unreadable = 2 };

// One file's bytes into `report`: a line per violation, "NAME: technique T pass P vertex shader:
// instruction N: rule", then a summary line; or, for bytes that cannot be read, a last line
// "NAME...: error: why".
CheckOutcome CheckShaderBytes(const std::vector<uint8_t>& bytes, const std::string& name, std::string& report);

// Prints each file's report on the standard output.
CheckOutcome CheckShaderFiles(const std::vector<std::string>& paths);
