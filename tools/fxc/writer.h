// Writes an assembled Effect as an fx_2_0 effect binary, the form D3DXCreateEffectFromFile loads
// without compiling anything.
#pragma once

#include "fx_model.h"

#include <cstdint>
#include <vector>

std::vector<uint8_t> WriteEffectBinary(const Effect& effect);
