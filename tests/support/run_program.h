// Runs a program of the build (the console program, the sample writer) as a
// child process and collects what it printed and how it ended.
#pragma once

#include <string>
#include <vector>

namespace pagewright::support {

struct ProgramResult {
  int exitCode = -1;  // -1: did not start or did not exit normally
  std::string out;
  std::string err;
};

// Runs `program` with `args`, stdin from /dev/null, and waits for it.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args);
// The console program of this build (BinaryDir() + "/pagewright").
ProgramResult RunPagewright(const std::vector<std::string>& args);

// The value of member `key` of a flat JSON object line: the text of a string
// (escapes decoded) or the literal of a number/bool; nothing when absent.
bool JsonMember(const std::string& json, const std::string& key, std::string& value);

}  // namespace pagewright::support
