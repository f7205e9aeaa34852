#include "cli/command.h"

#include <algorithm>
#include <cstdio>

namespace pagewright::cli {

namespace {
// A function-local table: registrars in other files run during static
// initialisation, in no fixed order.
std::vector<CommandInfo>& Registry() {
  static std::vector<CommandInfo> commands;
  return commands;
}
}  // namespace

void RegisterCommand(CommandInfo info) { Registry().push_back(std::move(info)); }

std::vector<CommandInfo> Commands() {
  std::vector<CommandInfo> sorted = Registry();
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const CommandInfo& a, const CommandInfo& b) { return a.order < b.order; });
  return sorted;
}

const CommandInfo* FindCommand(const std::string& name) {
  for (const CommandInfo& info : Registry())
    if (info.name == name) return &info;
  return nullptr;
}

void PrintError(const std::string& message) { std::fprintf(stderr, "pagewright: %s\n", message.c_str()); }

}  // namespace pagewright::cli
