// Helpers for the operating-system tests: temporary folders that clean up,
// whole-file reads and writes, and an environment variable set for a scope.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace ostest {

// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the scope.
class TTempDir {
public:
  TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvos-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    FPath = std::filesystem::canonical(pattern).string();
  }
  ~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::string& Path() const { return FPath; }
  std::string operator/(const std::string& name) const { return FPath + "/" + name; }

private:
  std::string FPath;
};

inline std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file);
}

// Sets (or, with nullopt, removes) an environment variable until the end of
// the scope.
class TScopedEnv {
public:
  TScopedEnv(const char* name, const std::optional<std::string>& value) : FName(name) {
    if (const char* old = std::getenv(name)) FOld = old;
    if (value) ::setenv(name, value->c_str(), 1);
    else ::unsetenv(name);
  }
  ~TScopedEnv() {
    if (FOld) ::setenv(FName, FOld->c_str(), 1);
    else ::unsetenv(FName);
  }
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
  const char* FName;
  std::optional<std::string> FOld;
};

// Runs in another folder and comes back, independent of the code under test.
class TScopedChdir {
public:
  explicit TScopedChdir(const std::string& dir) : FOld(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~TScopedChdir() {
    std::error_code ignored;
    std::filesystem::current_path(FOld, ignored);
  }
  TScopedChdir(const TScopedChdir&) = delete;
  TScopedChdir& operator=(const TScopedChdir&) = delete;

private:
  std::filesystem::path FOld;
};

}  // namespace ostest
