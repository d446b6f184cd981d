// Reads effect source text into an Effect: parameter declarations with their registers and
// sampler states, and technique/pass blocks with their states and asm shader blocks.
#pragma once

#include "fx_model.h"

#include <string>

// Throws CompileError for malformed text. Shaders are not assembled here.
Effect ParseEffect(const std::string& text);
