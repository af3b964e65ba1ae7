// File-name helpers and file and folder tests.
// '/' is the path delimiter; '\' is accepted as one too when taking names
// apart, so names written the framework's way still split correctly.
#pragma once

#include <string>
#include <string_view>

inline constexpr char PathDelim = '/';
inline constexpr char DriveDelim = ':';

// "dir/sub/file.txt": path "dir/sub/", name "file.txt", extension ".txt".
// The extension is taken only from the name part ("a.b/c" has none).
std::string ExtractFilePath(std::string_view fileName);
std::string ExtractFileDir(std::string_view fileName);  // without the trailing delimiter
std::string ExtractFileName(std::string_view fileName);
std::string ExtractFileExt(std::string_view fileName);
std::string ChangeFileExt(std::string_view fileName, std::string_view extension);
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);
bool IsPathDelimiter(std::string_view s, size_t index) noexcept;

// FileExists is true for an existing file that is not a folder (links are
// followed); DirectoryExists for an existing folder.
bool FileExists(std::string_view fileName);
bool DirectoryExists(std::string_view path);

// The system's error texts (SysErrorMessage) live with the operating-system
// layer in OSError.h.
