// Memory the processor may execute: blocks mapped readable, writable and
// executable, for code written at run time (callback entries).
#pragma once

#include <cstddef>

// Maps `size` bytes (rounded up to whole system pages), zero-filled, readable,
// writable and executable. Returns null and records the system error
// (GetLastOSError) when the system refuses.
void* AllocateExecutableMemory(size_t size) noexcept;

// Gives the system back the physical pages of a block (its contents read as
// zero afterwards) while the addresses stay reserved. False, with the system
// error recorded, when that fails.
bool DecommitExecutableMemory(void* block, size_t size) noexcept;

// Unmaps a block from AllocateExecutableMemory. A null block is ignored.
// False, with the system error recorded, when that fails.
bool ReleaseExecutableMemory(void* block, size_t size) noexcept;
