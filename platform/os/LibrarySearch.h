// Finding a shared library file the way a program's loader would, before it is
// loaded: which folder holds it, so that the caller can work from that folder.
#pragma once

#include <string>
#include <vector>

// Looks for fileName and, when it is found, sets foundFolder to the folder
// holding it, with a trailing '/'; foundFolder is left alone otherwise.
//  - explicitFolder not empty: only explicitFolder/fileName is tried, and
//    foundFolder is explicitFolder as given plus the '/'.
//  - fileName an absolute path: only that file is tried.
//  - otherwise the folders of LibrarySearchFolders() are tried in order.
// Only regular files (or links to them) count. Not found: false, last OS
// error ENOENT (EINVAL for an empty file name).
bool FindLibrary(const std::string& fileName, const std::string& explicitFolder,
                 std::string& foundFolder);

// The search order, each folder absolute and once: the executable's folder,
// the current folder, the folders of LD_LIBRARY_PATH, the folders listed in
// the loader's configuration (/etc/ld.so.conf and the files it includes),
// then the loader's built-in folders (the multiarch ones, /lib64, /lib,
// /usr/lib64, /usr/lib).
std::vector<std::string> LibrarySearchFolders();

// The folder of the running executable, with a trailing '/'; empty when the
// system does not tell it.
std::string ExecutableFolder();

// The folders a loader configuration file names, following its include lines
// (globs; relative ones against the including file's folder); comments,
// hwcap lines and relative entries are skipped. Missing files add nothing.
std::vector<std::string> LoaderConfigFolders(const std::string& configFile);

// The names under which a library file may be found here: the name as given,
// and for a name in the other platform's form ("dblib6.dll", as form files
// written elsewhere hold) also this platform's form ("libdblib6.so"). A folder
// part stays as it is; only the file's own name changes form.
std::vector<std::string> PlatformLibraryNames(const std::string& fileName);
