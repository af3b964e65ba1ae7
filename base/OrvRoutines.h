// The frame's free routines: entry-point stand-ins for a vendor library that
// lacks a function, list and text helpers, buffer release and version reading.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Stands in for any entry point the loaded vendor library does not export, so
// that calling it fails with a clear message instead of jumping to nothing.
// Raises EOrvaneException "Function not supported by this version of the
// Database Interface library.", code 0.
extern "C" [[noreturn]] void OrvDummyProc();
// The same shape; raises nothing and returns 0. Only an entry point without
// arguments can be replaced by it.
extern "C" int OrvDummyProcNoExcept();

// Stores the address into the target, or the fallback (possibly null) when the
// address is null.
void OrvInternalAssignProcAddress(void*& target, void* address, void* fallback);
template <class F>
void OrvInternalAssignProcAddress(F*& target, void* address, void* fallback) {
  void* p = nullptr;
  OrvInternalAssignProcAddress(p, address, fallback);
  target = reinterpret_cast<F*>(p);
}

// The next name of a ";"-separated list, starting at the 1-based position,
// trimmed of blanks and control characters; the position moves past the ";"
// (or to length + 1 at the end). A position below 1 starts at 1.
std::string OrvExtractFieldName(const std::string& list, int& position);
// Appends the value, preceded by the separator when the text was not empty.
void OrvConcateField(std::string& text, const std::string& separator, const std::string& value);
// As OrvConcateField, but an empty value leaves the text unchanged.
void OrvConcateEmptyField(std::string& text, const std::string& separator,
                          const std::string& value);

// Allocates a zero-filled block of size bytes (null for 0). Raises
// EOrvaneException for a negative size or when the memory is not there.
void* OrvAllocMem(int size);
// Frees a block from OrvAllocMem (size bytes) and nulls the pointer; nothing
// happens when it is already null, so releasing twice is harmless.
void OrvDisposeMem(void*& block, int size);
template <class T>
void OrvDisposeMem(T*& block, int size) {
  void* p = block;
  OrvDisposeMem(p, size);
  block = nullptr;
}

// Owns a block from OrvAllocMem until it is released or handed over, so that a
// temporary buffer is freed on every path.
struct TOrvaneMemRelease {
  void operator()(void* block) const noexcept;
};
using TOrvaneMemBlock = std::unique_ptr<char, TOrvaneMemRelease>;
inline TOrvaneMemBlock OrvAllocBlock(int size) {
  return TOrvaneMemBlock(static_cast<char*>(OrvAllocMem(size)));
}

// The file name without its extension ("C:\data\sales.db" -> "C:\data\sales");
// a "." that comes before the last "\" or ":" is not an extension.
std::string OrvExtractFilePrefix(const std::string& fileName);

// Reads the product version of a file from its version resource. False, with
// the outputs untouched, when the file has none or it cannot be read.
bool OrvGetProductVersion(const std::string& fileName, uint16_t& major, uint16_t& minor,
                          uint16_t& release, uint16_t& build);
