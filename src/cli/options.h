// The command line of every subcommand: the common options of the console
// contract, options of the subcommand itself, and positional arguments.
//
// Common options: --advanced, --show-deleted, --show-advanced-deleted,
// --collation auto|NAME, --ansi-codepage N, --snapshot FILE, --log-dir DIR,
// --json, and --help / -h. Values go as "--name value" or "--name=value";
// "--" ends the options.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "storage/engine_state.h"

namespace pagewright::cli {

struct CommonOptions {
  bool advanced = false;
  bool showDeleted = false;
  bool showAdvancedDeleted = false;
  std::string collation = "auto";  // "auto", a collation name, or an id
  int32_t ansiCodePage = 1252;
  std::string snapshotPath;
  std::string logDir;
  bool json = false;
  // The common options that appeared on the command line ("--collation", ...),
  // so a default can be told from a choice.
  std::set<std::string> given;

  bool Given(const std::string& name) const { return given.count(name) != 0; }
};

// An option of one subcommand ("--hex", "--screen").
struct OptionSpec {
  std::string name;
  bool takesValue = false;
};

struct ParsedCommand {
  CommonOptions common;
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;  // subcommand options given; "" for switches
  bool help = false;

  bool Has(const std::string& name) const { return options.count(name) != 0; }
  std::string Value(const std::string& name) const {
    auto found = options.find(name);
    return found == options.end() ? std::string() : found->second;
  }
};

// Parses `args` (the words after the subcommand). False, with `error` set to
// a sentence for the user, on an unknown option, a missing value or a bad
// number.
bool ParseCommandLine(const std::vector<std::string>& args, const std::vector<OptionSpec>& extra,
                      ParsedCommand& out, std::string& error);

// The common text about the common options, for --help.
std::string CommonOptionsHelp();

// Applies the options to an engine state: deleted-record flags, the 8-bit
// default code page, the collation table from beside the executable and the
// collation choice. False with `error` set when --collation names a
// collation that the table does not hold.
bool PrepareEngineState(const CommonOptions& options, EngineState& state, std::string& error);

// Parses a decimal integer that fills the whole text; false otherwise.
bool ParseInteger(const std::string& text, int64_t& value);

}  // namespace pagewright::cli
