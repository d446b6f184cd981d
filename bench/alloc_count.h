// Counts the heap allocations made by this program's own code: a replaced global
// operator new and the C runtime's malloc, calloc and realloc patched in the import table.
#pragma once

// Patches the import table; false when a function was not found there.
bool InstallAllocationCounter();
// Allocations since the start of the process.
unsigned long long AllocationCount();
