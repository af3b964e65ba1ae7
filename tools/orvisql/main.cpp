// orvisql [options] [SCRIPT]: interactive SQL on a database through the
// driver's session and statements. Exit status: 0 when everything ran, 1
// when the connection failed, a statement failed under --bail, or a script
// met errors, 2 for bad options.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "AsaSession.h"
#include "Commands.h"
#include "Interrupt.h"
#include "LineSource.h"
#include "Options.h"
#include "OrvException.h"
#include "Pager.h"
#include "Shell.h"
#include "StatementReader.h"

namespace {

using namespace orvisql;

// A failure's text: the driver's message, with its code when the message
// does not carry it already.
std::string FailureText(const std::exception& e) {
  std::string text = e.what();
  if (auto* d = dynamic_cast<const EOrvaneException*>(&e)) {
    const std::string code = std::to_string(d->ErrorCode);
    if (d->ErrorCode != 0 && text.find(code) == std::string::npos) text += " (code " + code + ")";
  }
  return text;
}

int Run(const TOptions& options) {
  int scriptFd = STDIN_FILENO;
  if (!options.Script.empty()) {
    scriptFd = open(options.Script.c_str(), O_RDONLY | O_CLOEXEC);
    if (scriptFd < 0) {
      std::fprintf(stderr, "orvisql: cannot read the script %s: %s\n", options.Script.c_str(), std::strerror(errno));
      return 2;
    }
  }
  const bool interactive = options.Script.empty() && isatty(STDIN_FILENO);
  const std::string where = !options.Script.empty() ? options.Script + ":" : interactive ? "" : "line ";

  if (!options.Database.empty() && options.ServerType != "client") {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(options.Database, ec)) {
      std::fprintf(stderr, "orvisql: no database file %s (tools/orvinit FILE creates one)\n",
                   options.Database.c_str());
      if (scriptFd != STDIN_FILENO) close(scriptFd);
      return 1;
    }
  }

  TAsaSession session(nullptr);
  ApplyOptions(options, session);
  session.SetWantExceptions(true);
  session.SetAutoCommit(true);
  int status = 0;
  {
    TPager pager(interactive);
    TInterruptWatcher watcher(session, interactive);
    TShell shell(session, pager, watcher);
    try {
      TInterruptWatcher::TRequest request(watcher);
      session.SetConnected(true);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "orvisql: cannot connect: %s\n", FailureText(e).c_str());
      if (scriptFd != STDIN_FILENO) close(scriptFd);
      return 1;
    }
    if (interactive)
      pager.Write("connected to " + EngineName(session) + " as " + session.LoginUser() +
                  "; \\help lists the commands, \\quit leaves\n");

    std::string history;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
      history = std::string(home) + "/.orvisql_history";
    std::unique_ptr<TLineSource> input =
        interactive ? NewEditorSource(history) : NewPlainSource(scriptFd, scriptFd != STDIN_FILENO);

    TStatementReader reader;
    int errors = 0;
    bool quit = false;
    auto runItem = [&](const TInputItem& item) {
      try {
        if (item.Kind == TInputItem::Command) {
          if (RunCommand(shell, item.Text) == TCommandResult::Quit) quit = true;
        } else {
          shell.RunStatement(item.Text);
        }
        return;
      } catch (const EUsage& e) {
        std::fprintf(stderr, "%s%serror: %s\n", where.c_str(), where.empty() ? "" : (std::to_string(item.Line) + ": ").c_str(), e.what());
      } catch (const std::exception& e) {
        std::fprintf(stderr, "%s%serror: %s\n", where.c_str(), where.empty() ? "" : (std::to_string(item.Line) + ": ").c_str(), FailureText(e).c_str());
      }
      std::fflush(stderr);
      ++errors;
      if (options.Bail) {
        status = 1;
        quit = true;
      }
    };
    while (!quit) {
      std::string line;
      TLineSource::TResult r = input->Read(reader.Pending() ? "   ...> " : "orvisql> ", line);
      if (r == TLineSource::Interrupted) {
        reader.Discard();
        continue;
      }
      if (r == TLineSource::EndOfInput) {
        for (const TInputItem& item : reader.Finish()) {
          if (quit) break;
          runItem(item);
        }
        break;
      }
      if (!line.empty()) input->Remember(line);
      for (const TInputItem& item : reader.AddLine(line)) {
        if (quit) break;
        runItem(item);
      }
    }
    if (interactive && !quit) pager.Write("\n");
    if (errors > 0 && !interactive) status = 1;
  }
  try {
    session.SetConnected(false);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvisql: while disconnecting: %s\n", FailureText(e).c_str());
    if (status == 0) status = 1;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  std::optional<TOptions> options = ParseOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "orvisql: %s (orvisql --help lists the options)\n", error.c_str());
    return 2;
  }
  if (options->Help) {
    std::fputs(UsageText(), stdout);
    return 0;
  }
  return Run(*options);
}
