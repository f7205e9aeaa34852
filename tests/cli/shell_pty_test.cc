// pagewright shell on a pseudo-terminal, as a user at a terminal meets it:
// the scan, then open a table, next, prev, open a view, and Ctrl-C during a
// long load answered on the terminal.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/catalog_writer.h"
#include "support/record_writer.h"
#include "support/run_program.h"
#include "support/table_writer.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace pagewright {
namespace {

using support::Bytes;
using support::CatalogGeneration;
using support::CatalogWriter;
using support::ColumnSpec;
using support::TableSpec;

// The program on the slave side of a pseudo-terminal; the test types on the
// master side and reads what the terminal shows.
class PtySession {
 public:
  ~PtySession() {
    if (child_ > 0) {
      ::kill(child_, SIGKILL);
      ::waitpid(child_, nullptr, 0);
    }
    if (master_ >= 0) ::close(master_);
  }

  bool Start(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    struct winsize size {};
    size.ws_row = 50;
    size.ws_col = 200;
    child_ = ::forkpty(&master_, nullptr, nullptr, &size);
    if (child_ < 0) return false;
    if (child_ == 0) {
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    return true;
  }

  void Send(const std::string& text) {
    ASSERT_EQ(::write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  // Reads until one of `needles` shows in the output after the mark;
  // returns its index, or -1 on timeout or the end of the output.
  int ReadUntilAny(const std::vector<std::string>& needles, int timeoutMs = 60000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const std::string seen = Since();
      for (size_t index = 0; index < needles.size(); ++index)
        if (seen.find(needles[index]) != std::string::npos) return static_cast<int>(index);
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
      if (left <= 0) return -1;
      struct pollfd poller {
        master_, POLLIN, 0
      };
      if (::poll(&poller, 1, static_cast<int>(std::min<long long>(left, 1000))) <= 0) continue;
      char buffer[65536];
      ssize_t got = ::read(master_, buffer, sizeof buffer);
      if (got <= 0) return -1;
      raw_.append(buffer, static_cast<size_t>(got));
    }
  }
  bool ReadUntil(const std::string& needle) { return ReadUntilAny({needle}) == 0; }

  // What the terminal showed since the last mark: line ends as "\n", the
  // row counter's redraw sequences removed.
  std::string Since() const {
    std::string text;
    for (size_t index = mark_; index < raw_.size(); ++index) {
      const char c = raw_[index];
      if (c == '\r') continue;
      if (c == '\033' && index + 2 < raw_.size() && raw_[index + 1] == '[') {
        index += 2;  // ESC [ K and ESC [ A
        continue;
      }
      text.push_back(c);
    }
    return text;
  }
  void Mark() { mark_ = raw_.size(); }

  // Waits for the end of the program; its exit code, -1 when it did not exit.
  int Wait() {
    // Drain what is left so that the program is not held by a full terminal.
    ReadUntilAny({"\x01never\x01"}, 2000);
    int status = 0;
    if (::waitpid(child_, &status, 0) != child_) return -1;
    child_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t child_ = -1;
  int master_ = -1;
  std::string raw_;
  size_t mark_ = 0;
};

ColumnSpec Column(const std::string& name, uint8_t type, int16_t length) {
  ColumnSpec column;
  column.name = name;
  column.systemTypeId = type;
  column.length = length;
  column.nullable = true;
  return column;
}

constexpr int kWideColumns = 1000;

// Orders (id, note) with 2500 rows, a view with its text, and Wide: 1000
// rows of 1000 tinyint columns, whose first screen takes a while.
std::string WriteDatabase(const support::TempDir& dir) {
  CatalogWriter writer(CatalogGeneration::kSql2008);
  const int32_t orders = writer.AddTable(
      TableSpec{"Orders", {Column("id", support::sql_type::kInt, 4), Column("note", support::sql_type::kVarChar, 20)}});
  TableSpec wideSpec{"Wide", {}};
  for (int column = 0; column < kWideColumns; ++column)
    wideSpec.columns.push_back(Column("c" + std::to_string(column), support::sql_type::kTinyInt, 1));
  const int32_t wide = writer.AddTable(wideSpec);
  const int32_t view = writer.AddObject("OrderIds", "V ");
  support::AddModuleText(writer, view, "CREATE VIEW OrderIds AS SELECT id FROM Orders");

  std::vector<Bytes> orderRows;
  for (int n = 1; n <= 2500; ++n) {
    support::FixedVarRecord record;
    support::AppendU32(record.fixed, static_cast<uint32_t>(n));
    const std::string note = "n" + std::to_string(n);
    record.columnCount = 2;
    record.varColumns = {{Bytes(note.begin(), note.end())}};
    orderRows.push_back(record.Build());
  }
  std::vector<Bytes> wideRows;
  for (int n = 1; n <= 1000; ++n) {
    support::FixedVarRecord record;
    for (int column = 0; column < kWideColumns; ++column)
      record.fixed.push_back(static_cast<uint8_t>((n + column) % 200));
    record.columnCount = kWideColumns;
    wideRows.push_back(record.Build());
  }
  support::FileImage image = writer.BuildFile(support::BootPageSpec{});
  for (const support::PageImage& page : support::TableDataPages(writer, orders, orderRows, 400)) image.PutPage(page);
  for (const support::PageImage& page : support::TableDataPages(writer, wide, wideRows, 500)) image.PutPage(page);
  const std::string path = dir.File("shop.mdf");
  EXPECT_TRUE(image.WriteTo(path));
  return path;
}

TEST(ShellOnATerminal, OpenPageOpenAViewAndStopALongLoad) {
  support::TempDir dir;
  const std::string path = WriteDatabase(dir);
  PtySession shell;
  ASSERT_TRUE(shell.Start({support::BinaryDir() + "/pagewright", "shell", "--log-dir", dir.path(), path}));
  ASSERT_TRUE(shell.ReadUntil("pagewright> ")) << shell.Since();
  EXPECT_NE(shell.Since().find("Scanning completed for selected mdf file.\n"), std::string::npos) << shell.Since();

  const std::string snapshot = dir.File("shop.MDBVLT");
  struct Step {
    std::string command;
    std::vector<std::string> shown;  // in this order
  } steps[] = {
      {"open Orders",
       {"Please wait while Orders folder is scanning.", "0 rows to 1000\nOrders[1000]\nScanning process completed.\n",
        "id\tnote\n1\tn1\n2\tn2\n", "1000\tn1000\nPage1 - [1000](1-1000) Records  [next]\n"}},
      {"next",
       {"1000 rows to 2000\n", "id\tnote\n1001\tn1001\n",
        "2000\tn2000\nPage2 - [1000](1001-2000) Records  [prev]  [next]\n"}},
      {"prev", {"0 rows to 1000\n", "id\tnote\n1\tn1\n", "Page1 - [1000](1-1000) Records  [next]\n"}},
      {"open Views/OrderIds",
       {"Please wait while OrderIds folder is scanning.", "OrderIds[0]\nScanning process completed.\n",
        "CREATE VIEW OrderIds AS SELECT id FROM Orders\n"}},
      {"save-snapshot " + snapshot,
       {"Saving Snapshot..Please wait....\n", "Snapshot Saved successfully in path " + snapshot + "\n"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.command);
    shell.Mark();
    shell.Send(step.command + "\n");
    ASSERT_TRUE(shell.ReadUntil(step.shown.back())) << shell.Since();
    ASSERT_TRUE(shell.ReadUntil("pagewright> ")) << shell.Since();
    const std::string seen = shell.Since();
    size_t at = 0;
    for (const std::string& text : step.shown) {
      const size_t found = seen.find(text, at);
      ASSERT_NE(found, std::string::npos) << "missing in order: " << text << "\n" << seen;
      at = found + text.size();
    }
  }

  // Ctrl-C while Wide loads: the question on the terminal, answered yes,
  // stops the load with the rows read so far and the closing lines. A load
  // that ends before the interrupt arrives is tried again.
  bool asked = false;
  for (int attempt = 0; attempt < 5 && !asked; ++attempt) {
    shell.Mark();
    shell.Send("open Wide\n");
    ASSERT_TRUE(shell.ReadUntil("Please wait while Wide folder is scanning.")) << shell.Since();
    shell.Send("\x03");
    const int outcome = shell.ReadUntilAny({"Are you sure to stop the running process? [y/n] ", "pagewright> "});
    ASSERT_NE(outcome, -1) << shell.Since();
    if (outcome == 1) continue;
    asked = true;
    shell.Mark();
    shell.Send("y\n");
    ASSERT_TRUE(shell.ReadUntil("pagewright> ")) << shell.Since();
    const std::string seen = shell.Since();
    const size_t closing = seen.find("Wide[");
    ASSERT_NE(closing, std::string::npos) << seen;
    const int rows = std::stoi(seen.substr(closing + 5));
    EXPECT_LT(rows, 1000);
    EXPECT_NE(seen.find("]\nScanning process completed.\n", closing), std::string::npos) << seen;
    EXPECT_EQ(seen.find("[next]"), std::string::npos);  // a stopped screen leaves no next one
  }
  EXPECT_TRUE(asked) << "every load of Wide ended before the interrupt";

  // The session goes on after the stop, and ends with quit.
  shell.Mark();
  shell.Send("open Orders\n");
  ASSERT_TRUE(shell.ReadUntil("Orders[1000]")) << shell.Since();
  ASSERT_TRUE(shell.ReadUntil("pagewright> "));
  shell.Send("quit\n");
  EXPECT_EQ(shell.Wait(), 0);

  // The snapshot the session saved serves a later command.
  const support::ProgramResult rows =
      support::RunPagewright({"rows", "--snapshot", snapshot, "--screen", "3", path, "Orders"});
  EXPECT_EQ(rows.exitCode, 0) << rows.err;
  EXPECT_NE(rows.out.find("\n2500\tn2500\n"), std::string::npos);
}

}  // namespace
}  // namespace pagewright
