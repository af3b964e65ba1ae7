// Command-line options of orvisql and their mapping onto TAsaSession.
#include "Options.h"

#include <cstring>
#include <filesystem>
#include <vector>

#include "AsaSession.h"
#include "LibrarySearch.h"

namespace orvisql {

namespace fs = std::filesystem;

const char* UsageText() {
  return "usage: orvisql [options] [SCRIPT]\n"
         "  --database FILE       the database file\n"
         "  --user NAME           user name (default DBA)\n"
         "  --password TEXT       password (default sql)\n"
         "  --engine NAME         engine name (default: the database file's name)\n"
         "  --server-type TYPE    client, server (default) or workgroup\n"
         "  --library FILE        the Embedded SQL library (a name or a path)\n"
         "  -c \"key=value;...\"    further connection parameters\n"
         "  --bail                stop at the first error with exit status 1\n"
         "  --help                this text\n"
         "Without SCRIPT, statements are read from standard input; end a statement\n"
         "with ';' at the end of a line or with a line 'go'. \\help lists the commands.\n";
}

std::optional<TOptions> ParseOptions(int argc, char** argv, std::string& error) {
  // --name=value is the same as --name value.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    size_t eq = a.find('=');
    if (a.compare(0, 2, "--") == 0 && eq != std::string::npos) {
      args.push_back(a.substr(0, eq));
      args.push_back(a.substr(eq + 1));
    } else {
      args.push_back(a);
    }
  }
  TOptions o;
  const struct {
    const char* name;
    std::string TOptions::*field;
  } valued[] = {{"--database", &TOptions::Database},   {"--user", &TOptions::User},
                {"--password", &TOptions::Password},   {"--engine", &TOptions::Engine},
                {"--server-type", &TOptions::ServerType}, {"--library", &TOptions::Library},
                {"-c", &TOptions::ClientParams}};
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool known = false;
    for (const auto& v : valued) {
      if (a != v.name) continue;
      if (i + 1 >= args.size()) {
        error = "option " + a + " needs a value";
        return std::nullopt;
      }
      o.*v.field = args[++i];
      known = true;
    }
    if (known) continue;
    if (a == "--bail") {
      o.Bail = true;
    } else if (a == "--help" || a == "-h") {
      o.Help = true;
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option " + a;
      return std::nullopt;
    } else if (!o.Script.empty()) {
      error = "only one script can be given (" + o.Script + ", " + a + ")";
      return std::nullopt;
    } else {
      o.Script = a;
    }
  }
  if (o.ServerType != "client" && o.ServerType != "server" && o.ServerType != "workgroup") {
    error = "--server-type must be client, server or workgroup, not '" + o.ServerType + "'";
    return std::nullopt;
  }
  if (!o.Database.empty()) {
    // The driver works from the library's folder while it connects, so a
    // relative name would be read against the wrong folder.
    std::error_code ec;
    fs::path p = fs::absolute(o.Database, ec);
    if (!ec) o.Database = p.lexically_normal().string();
  }
  return o;
}

void ApplyOptions(const TOptions& o, TAsaSession& session) {
  session.SetLoginDatabase(o.Database);
  session.SetLoginUser(o.User);
  session.SetLoginPassword(o.Password);
  session.SetLoginEngineName(o.Engine);
  session.SetClientParams(o.ClientParams);
  session.SetServerType(o.ServerType == "client" ? stClient : o.ServerType == "workgroup" ? stWorkgroup : stServer);
  std::string file = o.Library.empty() ? session.LibraryFile() : o.Library;
  if (file.find('/') != std::string::npos) {
    std::error_code ec;
    fs::path p = fs::absolute(file, ec);
    session.SetLibraryPath(p.parent_path().string());
    session.SetLibraryFile(p.filename().string());
    return;
  }
  session.SetLibraryFile(file);
  // A build keeps its libraries in lib/ beside the programs' bin/.
  std::string beside = ExecutableFolder();
  if (!beside.empty()) {
    fs::path lib = fs::path(beside) / ".." / "lib";
    std::error_code ec;
    if (fs::is_regular_file(lib / file, ec)) session.SetLibraryPath(fs::weakly_canonical(lib, ec).string());
  }
}

std::string EngineName(const TAsaSession& session) {
  if (!session.LoginEngineName().empty()) return session.LoginEngineName();
  std::string name = fs::path(session.LoginDatabase()).stem().string();
  if (!name.empty()) return name;
  // Otherwise whatever the connection parameters name.
  const std::string& params = session.ClientParams();
  for (const char* key : {"eng=", "enginename=", "servername="}) {
    size_t at = params.find(key);
    if (at != std::string::npos) {
      std::string v = params.substr(at + std::strlen(key));
      return v.substr(0, v.find(';'));
    }
  }
  return {};
}

}  // namespace orvisql
