// The search for a library file: explicit folder, else the executable's
// folder, the current folder, LD_LIBRARY_PATH and the loader's folders.
#include "LibrarySearch.h"

#include "CurrentDir.h"
#include "OSError.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#ifndef ORV_LIBRARY_ARCHITECTURE
#define ORV_LIBRARY_ARCHITECTURE ""
#endif

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string WithoutSlash(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string TrimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

void AddFolder(std::vector<std::string>& folders, const std::string& folder) {
  if (folder.empty() || folder.front() != '/') return;
  std::string entry = WithSlash(WithoutSlash(folder));
  if (std::find(folders.begin(), folders.end(), entry) == folders.end()) folders.push_back(entry);
}

// Include loops in a hand-edited configuration end here.
constexpr int kMaxIncludeDepth = 8;

void ReadLoaderConfig(const std::string& file, std::vector<std::string>& folders, int depth) {
  if (depth > kMaxIncludeDepth) return;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    line = TrimBlanks(line);
    if (line.empty()) continue;
    if (line.rfind("include", 0) == 0 && line.size() > 7 && (line[7] == ' ' || line[7] == '\t')) {
      std::string pattern = TrimBlanks(line.substr(8));
      if (pattern.empty()) continue;
      if (pattern.front() != '/') pattern = FolderOf(file) + pattern;
      glob_t found{};
      if (::glob(pattern.c_str(), 0, nullptr, &found) == 0) {
        std::vector<std::string> files(found.gl_pathv, found.gl_pathv + found.gl_pathc);
        ::globfree(&found);
        for (const auto& included : files) ReadLoaderConfig(included, folders, depth + 1);
      } else {
        ::globfree(&found);
      }
      continue;
    }
    if (line.rfind("hwcap", 0) == 0) continue;
    // The old form "folder=type" names a folder too.
    if (const auto equals = line.find('='); equals != std::string::npos) line.erase(equals);
    AddFolder(folders, TrimBlanks(line));
  }
}

}  // namespace

std::string ExecutableFolder() {
  std::string buffer(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
  buffer.resize(static_cast<std::size_t>(length));
  return FolderOf(buffer);
}

std::vector<std::string> LoaderConfigFolders(const std::string& configFile) {
  std::vector<std::string> folders;
  ReadLoaderConfig(configFile, folders, 0);
  return folders;
}

std::vector<std::string> LibrarySearchFolders() {
  std::vector<std::string> folders;
  AddFolder(folders, ExecutableFolder());
  AddFolder(folders, GetCurrentDir());
  if (const char* path = std::getenv("LD_LIBRARY_PATH")) {
    // The loader accepts ':' and ';' between folders. An empty entry means the
    // current folder for the loader; it is already in the list.
    std::string list = path;
    std::size_t start = 0;
    while (start <= list.size()) {
      const auto stop = list.find_first_of(":;", start);
      const auto end = stop == std::string::npos ? list.size() : stop;
      AddFolder(folders, list.substr(start, end - start));
      start = end + 1;
    }
  }
  for (const auto& folder : LoaderConfigFolders("/etc/ld.so.conf")) AddFolder(folders, folder);
  const std::string arch = ORV_LIBRARY_ARCHITECTURE;
  if (!arch.empty()) {
    AddFolder(folders, "/lib/" + arch);
    AddFolder(folders, "/usr/lib/" + arch);
  }
  for (const char* folder : {"/lib64", "/lib", "/usr/lib64", "/usr/lib"}) AddFolder(folders, folder);
  return folders;
}

bool FindLibrary(const std::string& fileName, const std::string& explicitFolder,
                 std::string& foundFolder) {
  if (fileName.empty()) {
    SetLastOSError(EINVAL);
    return false;
  }
  if (!explicitFolder.empty()) {
    const std::string folder = WithSlash(explicitFolder);
    if (IsRegularFile(folder + fileName)) {
      foundFolder = folder;
      return true;
    }
  } else if (fileName.front() == '/') {
    if (IsRegularFile(fileName)) {
      foundFolder = FolderOf(fileName);
      return true;
    }
  } else {
    for (const auto& folder : LibrarySearchFolders()) {
      const std::string path = folder + fileName;
      if (IsRegularFile(path)) {
        // A name with a folder part ("sub/lib.so") is found in that subfolder.
        foundFolder = FolderOf(path);
        return true;
      }
    }
  }
  SetLastOSError(ENOENT);
  return false;
}

std::vector<std::string> PlatformLibraryNames(const std::string& fileName) {
  std::vector<std::string> names{fileName};
  const std::string suffix = ".dll";
  if (fileName.size() <= suffix.size()) return names;
  std::string ext = fileName.substr(fileName.size() - suffix.size());
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext != suffix) return names;
  const std::string stem = fileName.substr(0, fileName.size() - suffix.size());
  const size_t slash = stem.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? std::string() : stem.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? stem : stem.substr(slash + 1);
  if (!name.empty()) names.push_back(folder + "lib" + name + ".so");
  return names;
}
