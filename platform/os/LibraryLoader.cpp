// Library loading over the dynamic loader, with a record of the handles it
// gave out so that a stale or foreign handle is refused instead of used.
#include "LibraryLoader.h"

#include "LibrarySearch.h"
#include "OSError.h"

#include <cerrno>
#include <dlfcn.h>

#include <map>
#include <mutex>

namespace {

// Handles from dlopen with how many loads of each are outstanding.
struct TLoadedLibraries {
  std::mutex Lock;
  std::map<HMODULE, int> Loads;
};

TLoadedLibraries& Loaded() {
  static TLoadedLibraries libraries;
  return libraries;
}

// dlerror's text belongs to the thread and the next loader call replaces it:
// it is taken right after the failing call.
std::string LoaderText() {
  const char* text = ::dlerror();
  return text != nullptr ? text : std::string();
}

}  // namespace

HMODULE LoadLibrary(const std::string& fileName) {
  if (fileName.empty()) {
    // dlopen(nullptr) would hand out the program itself.
    SetLastOSError(EINVAL);
    return 0;
  }
  std::string path = fileName;
  if (fileName.find('/') == std::string::npos) {
    std::string folder;
    const int before = GetLastOSError();
    if (FindLibrary(fileName, std::string(), folder)) path = folder + fileName;
    else SetLastOSError(before);  // not finding it here is not the failure
  }
  // The loader runs the library's constructors, which may load libraries in
  // turn: the record is locked only around its own update.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::string text = LoaderText();
    SetLastOSError(OS_ERROR_LIBRARY_LOAD, text.empty() ? fileName + ": cannot be loaded" : text);
    return 0;
  }
  const auto module = reinterpret_cast<HMODULE>(handle);
  auto& loaded = Loaded();
  std::lock_guard<std::mutex> hold(loaded.Lock);
  ++loaded.Loads[module];
  return module;
}

bool FreeLibrary(HMODULE module) {
  {
    auto& loaded = Loaded();
    std::lock_guard<std::mutex> hold(loaded.Lock);
    const auto entry = loaded.Loads.find(module);
    if (entry == loaded.Loads.end()) {
      SetLastOSError(EINVAL);
      return false;
    }
    if (--entry->second == 0) loaded.Loads.erase(entry);
  }
  // Outside the lock: the library's destructors may release libraries too.
  if (::dlclose(reinterpret_cast<void*>(module)) != 0) {
    SetLastOSError(OS_ERROR_LIBRARY_LOAD, LoaderText());
    return false;
  }
  return true;
}

void* GetProcAddress(HMODULE module, const std::string& name) {
  // Handle 0 would ask dlsym for the global scope. The lock keeps another
  // thread from releasing the library during the lookup.
  auto& loaded = Loaded();
  std::lock_guard<std::mutex> hold(loaded.Lock);
  if (module == 0 || name.empty() || loaded.Loads.count(module) == 0) {
    SetLastOSError(EINVAL);
    return nullptr;
  }
  ::dlerror();
  void* address = ::dlsym(reinterpret_cast<void*>(module), name.c_str());
  if (address == nullptr) {
    std::string text = LoaderText();
    SetLastOSError(OS_ERROR_SYMBOL_NOT_FOUND,
                   text.empty() ? name + ": symbol has no address" : text);
  }
  return address;
}
