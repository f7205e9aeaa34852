// pagewright: the console front end. Subcommands register themselves
// (cli/command.h); this file only dispatches.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command.h"

namespace {

void PrintUsage(FILE* out) {
  std::fputs(
      "Usage: pagewright COMMAND [OPTIONS] ...\n"
      "\n"
      "Reads SQL Server data files (.mdf, .ndf) directly, read-only.\n"
      "\n"
      "Commands:\n",
      out);
  for (const auto& command : pagewright::cli::Commands())
    std::fprintf(out, "  %-24s %s\n", command.synopsis.c_str(), command.summary.c_str());
  std::fputs(
      "\n"
      "pagewright COMMAND --help shows the options of a command.\n"
      "Exit codes: 0 success, 1 usage error, 2 the data file cannot be opened or is not\n"
      "a valid data file, 3 the named object does not exist, 4 the snapshot cannot be\n"
      "read or written, 130 stopped by the user.\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pagewright::cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const std::string& name = args[0];
  if (name == "--help" || name == "-h" || name == "help") {
    if (name == "help" && args.size() > 1) {
      if (const CommandInfo* command = FindCommand(args[1])) return command->run({"--help"});
    }
    PrintUsage(stdout);
    return kExitOk;
  }
  const CommandInfo* command = FindCommand(name);
  if (!command) {
    PrintError("unknown command \"" + name + "\" (see pagewright --help)");
    return kExitUsage;
  }
  try {
    return command->run(std::vector<std::string>(args.begin() + 1, args.end()));
  } catch (const std::bad_alloc&) {
    PrintError("out of memory");
    return kExitCannotOpen;
  }
}
