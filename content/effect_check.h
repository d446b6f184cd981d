// D3DX reads a compiled effect by trusting every count and offset in it: a file cut short
// makes it read past its buffer and the process dies. The loader checks the tables first.
#pragma once
#include <cstddef>

// True when the bytes are not a compiled effect (D3DX judges those itself) or when every
// table of the compiled effect lies within them and its offsets point into its data blob.
bool EffectBytesSafeToLoad(const unsigned char* data, size_t size);
// The same for a file; a file that cannot be read is left to D3DX, which reports it.
bool EffectFileSafeToLoad(const char* path);
