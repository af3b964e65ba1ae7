// orvinit [-u USER] [-p PASSWORD] FILE: creates a new, empty database file
// with one user (default DBA / sql); an existing file is refused.
#include "DatabaseFile.h"
#include "Error.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  std::string user = "DBA", password = "sql", file;
  for (int i = 1; i < argc; ++i) {
    if ((!std::strcmp(argv[i], "-u") || !std::strcmp(argv[i], "-p")) && i + 1 < argc) {
      (argv[i][1] == 'u' ? user : password) = argv[i + 1];
      ++i;
    } else if (argv[i][0] == '-' || !file.empty()) {
      std::fprintf(stderr, "usage: orvinit [-u USER] [-p PASSWORD] FILE\n");
      return 2;
    } else {
      file = argv[i];
    }
  }
  if (file.empty()) {
    std::fprintf(stderr, "usage: orvinit [-u USER] [-p PASSWORD] FILE\n");
    return 2;
  }
  try {
    orvesql::CreateDatabaseFile(file, user, password);
  } catch (const orvesql::EsqlError& e) {
    std::fprintf(stderr, "orvinit: %s\n", e.what());
    return 1;
  }
  std::printf("created %s with user %s\n", file.c_str(), user.c_str());
  return 0;
}
