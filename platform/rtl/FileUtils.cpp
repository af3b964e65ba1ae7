// File-name helpers and file and folder tests.
#include "FileUtils.h"

#include <sys/stat.h>

namespace {

bool IsDelim(char c) { return c == '/' || c == '\\'; }

// Index just after the last path delimiter (0 when there is none).
size_t NameStart(std::string_view f) {
  for (size_t i = f.size(); i > 0; --i)
    if (IsDelim(f[i - 1])) return i;
  return 0;
}

bool Stat(std::string_view name, struct stat& st) {
  if (name.empty()) return false;
  std::string path(name);
  if (path.find('\0') != std::string::npos) return false;
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string ExtractFilePath(std::string_view fileName) {
  return std::string(fileName.substr(0, NameStart(fileName)));
}

std::string ExtractFileDir(std::string_view fileName) {
  size_t start = NameStart(fileName);
  // The root keeps its delimiter: the folder of "/x" is "/".
  if (start > 1) --start;
  return std::string(fileName.substr(0, start));
}

std::string ExtractFileName(std::string_view fileName) {
  return std::string(fileName.substr(NameStart(fileName)));
}

std::string ExtractFileExt(std::string_view fileName) {
  std::string_view name = fileName.substr(NameStart(fileName));
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string ChangeFileExt(std::string_view fileName, std::string_view extension) {
  size_t start = NameStart(fileName);
  size_t dot = fileName.substr(start).rfind('.');
  size_t end = dot == std::string_view::npos ? fileName.size() : start + dot;
  return std::string(fileName.substr(0, end)) + std::string(extension);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string r(path);
  if (r.empty() || !IsDelim(r.back())) r.push_back(PathDelim);
  return r;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::string r(path);
  if (r.size() > 1 && IsDelim(r.back())) r.pop_back();
  return r;
}

bool IsPathDelimiter(std::string_view s, size_t index) noexcept {
  return index < s.size() && IsDelim(s[index]);
}

bool FileExists(std::string_view fileName) {
  struct stat st;
  return Stat(fileName, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
  struct stat st;
  return Stat(path, st) && S_ISDIR(st.st_mode);
}
