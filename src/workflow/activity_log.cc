#include "workflow/activity_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>


namespace pagewright {

namespace {

constexpr int kSeparatorAsterisks = 80;

// The next code point of UTF-8 `text` at `index` (advanced); U+FFFD for a
// malformed sequence, which consumes one byte.
char32_t NextCodePoint(std::string_view text, size_t& index) {
  unsigned char lead = static_cast<unsigned char>(text[index]);
  if (lead < 0x80) {
    ++index;
    return lead;
  }
  int length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
  if (length == 0 || index + length > text.size()) {
    ++index;
    return 0xFFFD;
  }
  char32_t value = lead & (0x7F >> length);
  for (int step = 1; step < length; ++step) {
    unsigned char next = static_cast<unsigned char>(text[index + step]);
    if ((next & 0xC0) != 0x80) {
      ++index;
      return 0xFFFD;
    }
    value = (value << 6) | (next & 0x3F);
  }
  // Overlong forms and surrogates are not text.
  static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kMinimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++index;
    return 0xFFFD;
  }
  index += length;
  return value;
}

void AppendUnit(std::string& out, char16_t unit) {
  out.push_back(static_cast<char>(unit & 0xFF));
  out.push_back(static_cast<char>(unit >> 8));
}

}  // namespace

std::string ActivityLogFileName(const std::optional<std::tm>& localTime) {
  int day = 0, month = 0, year = 0, hour = -1, minute = -1, second = -1;
  if (localTime) {
    day = localTime->tm_mday;
    month = localTime->tm_mon + 1;
    year = localTime->tm_year + 1900;
    hour = localTime->tm_hour;
    minute = localTime->tm_min;
    second = localTime->tm_sec;
  }
  char stamp[96];
  std::snprintf(stamp, sizeof stamp, "%d-%d-%d-%d-%d-%d", day, month, year, hour, minute, second);
  return std::string(kLogFilePrefix) + stamp + ".txt";
}

std::string Utf16LeBytes(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  size_t index = 0;
  while (index < text.size()) {
    char32_t codePoint = NextCodePoint(text, index);
    if (codePoint >= 0x10000) {
      codePoint -= 0x10000;
      AppendUnit(out, static_cast<char16_t>(0xD800 + (codePoint >> 10)));
      AppendUnit(out, static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    } else {
      AppendUnit(out, static_cast<char16_t>(codePoint));
    }
  }
  return out;
}

ActivityLog::ActivityLog() {
  problemSink_ = [](const std::string& message) { std::fprintf(stderr, "pagewright: %s\n", message.c_str()); };
}

ActivityLog::~ActivityLog() { Close(); }

void ActivityLog::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

std::string ActivityLog::Open(const std::string& folder) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  std::optional<std::tm> localTime;
  if (now != static_cast<std::time_t>(-1) && localtime_r(&now, &local)) localTime = local;
  return Open(folder, localTime);
}

std::string ActivityLog::Open(const std::string& folder, const std::optional<std::tm>& localTime) {
  Close();
  path_ = folder + ActivityLogFileName(localTime);
  // Create it only when it is not there, so that a second scan in the same
  // second appends to the first one's file without a second mark.
  bool created = true;
  int descriptor = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (descriptor < 0 && errno == EEXIST) {
    created = false;
    descriptor = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
  }
  if (descriptor < 0) {
    Fail("cannot create");
    return path_;
  }
  if (!created && ::lseek(descriptor, 0, SEEK_END) < 0) {
    ::close(descriptor);
    Fail("cannot append to");
    return path_;
  }
  file_ = ::fdopen(descriptor, created ? "w+" : "a+");
  if (!file_) {
    ::close(descriptor);
    Fail("cannot create");
    return path_;
  }
  std::string head;
  if (created) head = "\xFF\xFE";
  std::string separator = "\r\n" + std::string(kSeparatorAsterisks, '*') + "\r\n";
  head += Utf16LeBytes(separator);
  WriteBytes(head);
  return path_;
}

void ActivityLog::WriteLine(std::string_view text) {
  if (!file_) return;
  std::string bytes = Utf16LeBytes(text);
  bytes += Utf16LeBytes("\r\n");
  WriteBytes(bytes);
}

void ActivityLog::WriteBytes(const std::string& bytes) {
  if (!file_) return;
  // Flushed per line: the log is the record of what happened, also when the
  // program ends without closing it.
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() || std::fflush(file_) != 0) {
    Fail("cannot write");
    Close();
  }
}

void ActivityLog::Fail(const std::string& what) {
  int error = errno;
  if (problemSink_)
    problemSink_("activity log: " + what + " " + path_ + ": " + std::strerror(error) +
                 "; lines go to the output only");
}

}  // namespace pagewright
