// Subcommands of the console program. Each lives in its own cmd_*.cc and
// registers itself with a CommandRegistrar, so adding one touches no shared
// file; main() dispatches by name and lists them in `order`.
#pragma once

#include <string>
#include <vector>

namespace pagewright::cli {

// Exit codes of every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitCannotOpen = 2;  // cannot be opened, or not a valid data file
inline constexpr int kExitNoSuchObject = 3;
inline constexpr int kExitSnapshot = 4;
inline constexpr int kExitStopped = 130;

using CommandFunction = int (*)(const std::vector<std::string>& args);

struct CommandInfo {
  std::string name;     // "info"
  std::string synopsis; // "info FILE"
  std::string summary;  // one line for the command list
  int order = 0;        // position in the command list
  CommandFunction run = nullptr;  // gets the arguments after the name
};

void RegisterCommand(CommandInfo info);
// Every registered command, in list order.
std::vector<CommandInfo> Commands();
const CommandInfo* FindCommand(const std::string& name);

struct CommandRegistrar {
  explicit CommandRegistrar(CommandInfo info) { RegisterCommand(std::move(info)); }
};

// "pagewright: " + message on stderr, with a line end.
void PrintError(const std::string& message);

}  // namespace pagewright::cli
