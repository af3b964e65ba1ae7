// Loading a shared library at run time, looking up its symbols and releasing
// it again, with the loader's failure text kept as the thread's last OS error.
#pragma once

#include <cstdint>
#include <string>

// A loaded library; 0 means none. An integer like the system's module
// handles, so that "0 when none" and handle comparisons read naturally.
using HMODULE = std::uintptr_t;

// Loads the library (binding all its symbols now, keeping them out of the
// global scope) and returns its handle, or 0 with the last OS error set
// (OS_ERROR_LIBRARY_LOAD with the loader's text; EINVAL for an empty name).
// A name with a '/' is loaded as that path. A bare name is first looked for
// with FindLibrary, so that, as with the system's own loading, a library in
// the executable's folder or in the current folder is found; when the search
// finds nothing the loader's own lookup (its cache, the run paths) decides.
// Loading a library that is loaded already returns the same handle and
// needs one more FreeLibrary.
HMODULE LoadLibrary(const std::string& fileName);

// Gives back one load of the library. False (last OS error set) for a handle
// that LoadLibrary did not return or that has been released as often as it
// was loaded, instead of handing the loader a dangling handle.
bool FreeLibrary(HMODULE module);

// The address of an exported symbol, or nullptr with the last OS error set
// (OS_ERROR_SYMBOL_NOT_FOUND with the loader's text; EINVAL for a handle that
// is not loaded or an empty name).
void* GetProcAddress(HMODULE module, const std::string& name);
