#include "support/run_program.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace pagewright::support {

namespace {
std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void AppendUtf8(std::string& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}
}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
  ProgramResult result;
  TempDir dir;
  std::string outPath = dir.File("out"), errPath = dir.File("err");
  pid_t child = ::fork();
  if (child < 0) return result;
  if (child == 0) {
    int in = ::open("/dev/null", O_RDONLY);
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) ::_exit(127);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return result;
  }
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.out = ReadAll(outPath);
  result.err = ReadAll(errPath);
  return result;
}

ProgramResult RunPagewright(const std::vector<std::string>& args) {
  return RunProgram(BinaryDir() + "/pagewright", args);
}

bool JsonMember(const std::string& json, const std::string& key, std::string& value) {
  std::string needle = "\"" + key + "\":";
  size_t at = json.find(needle);
  if (at == std::string::npos) return false;
  at += needle.size();
  value.clear();
  if (at >= json.size()) return false;
  if (json[at] != '"') {
    size_t end = json.find_first_of(",}", at);
    value = json.substr(at, end == std::string::npos ? std::string::npos : end - at);
    return true;
  }
  for (++at; at < json.size(); ++at) {
    char c = json[at];
    if (c == '"') return true;
    if (c != '\\') {
      value += c;
      continue;
    }
    if (++at >= json.size()) return false;
    switch (json[at]) {
      case 'n': value += '\n'; break;
      case 't': value += '\t'; break;
      case 'r': value += '\r'; break;
      case 'b': value += '\b'; break;
      case 'f': value += '\f'; break;
      case 'u': {
        if (at + 4 >= json.size()) return false;
        uint32_t unit = static_cast<uint32_t>(std::stoul(json.substr(at + 1, 4), nullptr, 16));
        at += 4;
        AppendUtf8(value, unit);
        break;
      }
      default: value += json[at];
    }
  }
  return false;
}

}  // namespace pagewright::support
