// pagewright shell FILE: an interactive session over one scanned file. The
// scan runs as `scan` runs it; then each command line is what the desktop
// user would click: `open` is a click on a tree label, `next` and `prev` the
// paging buttons, `save-snapshot` Save Snapshot.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "catalog/snapshot_commands.h"
#include "cli/command.h"
#include "cli/console_host.h"
#include "cli/console_session.h"
#include "cli/options.h"
#include "workflow/application.h"
#include "workflow/scan_workflow.h"

namespace pagewright::cli {

namespace {

constexpr const char* kShellHelp =
    "Usage: pagewright shell [OPTIONS] FILE\n"
    "\n"
    "Scans FILE as `pagewright scan` does (output lines on stdout, the activity log\n"
    "in --log-dir), then reads commands, one per line, from stdin:\n"
    "\n"
    "  tree                 the object tree as an indented outline\n"
    "  open PATH-OR-NAME    what a click on that tree item does: a table's first\n"
    "                       screen of rows, a module's definition, a key's statement.\n"
    "                       NAME is an item label (the first in tree order); PATH is\n"
    "                       labels joined by '/', from the root or below it\n"
    "                       (Tables/User Tables/Orders)\n"
    "  next, prev           the next or previous screen of the table shown\n"
    "  save-snapshot FILE   write the scan's page maps to the snapshot file FILE\n"
    "  help                 these commands\n"
    "  quit                 end the session (also the end of input)\n"
    "\n"
    "After each command the record view is printed: a table as tab-separated lines\n"
    "with a header and the page caption (\"  [prev]\", \"  [next]\" when those screens\n"
    "exist), a definition or statement as its text. Ctrl-C during a load asks\n"
    "\"Are you sure to stop the running process?\"; when stdin is not a terminal the\n"
    "question is answered by --answer.\n"
    "\n"
    "  --answer yes|no   answer to questions when stdin is not a terminal (default yes)\n"
    "\n"
    "Exit codes: 0 the session ended, 1 usage error, 2 the file cannot be opened or is\n"
    "not a valid data file, 4 the snapshot given with --snapshot cannot be read.\n"
    "\n";

constexpr const char* kCommandsHelp = "tree | open PATH-OR-NAME | next | prev | save-snapshot FILE | help | quit\n";

std::vector<std::string> SplitPath(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, '/'))
    if (!part.empty()) parts.push_back(part);
  return parts;
}

// The first item labelled `label`, in display order.
int32_t FindByLabel(const ObjectTree& tree, const std::string& label) {
  std::vector<int32_t> pending(tree.TopLevel().rbegin(), tree.TopLevel().rend());
  while (!pending.empty()) {
    const int32_t id = pending.back();
    pending.pop_back();
    const TreeItem& item = tree.Item(id);
    if (item.label == label) return id;
    pending.insert(pending.end(), item.children.rbegin(), item.children.rend());
  }
  return kNoTreeItem;
}

// An item by its label, else by a path from the root or from below it.
int32_t FindItem(const ScanWorkflow& workflow, const std::string& target) {
  const ObjectTree& tree = workflow.tree;
  if (int32_t item = FindByLabel(tree, target); item != kNoTreeItem) return item;
  std::vector<std::string> path = SplitPath(target);
  if (path.empty()) return kNoTreeItem;
  if (int32_t item = tree.FindPath(path); item != kNoTreeItem) return item;
  path.insert(path.begin(), tree.Item(workflow.categories.root).label);
  return tree.FindPath(path);
}

class SnapshotLines final : public SnapshotCommandHost {
 public:
  explicit SnapshotLines(CVeltorTessalyApp& app) : app_(app) {}
  void AppendOutputOnly(std::string_view line) override { app_.AppendOutputOnly(line); }
  void InformationBox(std::string_view text) override {
    if (app_.host()) app_.host()->ShowMessage(text, MessageKind::kInformation);
  }

 private:
  CVeltorTessalyApp& app_;
};

void SaveSnapshot(ScanWorkflow& workflow, CVeltorTessalyApp& app, bool advanced, const std::string& out) {
  if (workflow.Busy()) {
    workflow.host().ShowMessage(scan_text::kWaitForRunning, MessageKind::kInformation);
    return;
  }
  const std::string& dataPath = SnapshotSaveDataPath(app.fromSnapshot, app.snapshotDataFilePath, workflow.scanPath);
  std::error_code ignored;
  std::string recorded = std::filesystem::absolute(dataPath, ignored).lexically_normal().string();
  if (recorded.empty()) recorded = dataPath;
  const SnapshotHeader header = SnapshotHeaderFromState(recorded, advanced, app.engine);
  std::atomic<bool> running{false};
  SnapshotLines lines(app);
  app.processRunning = 1;
  std::string why;
  SaveSnapshotCommand(running, workflow.context.file.get(), header, out, lines, &why);
  app.processRunning = 0;
  if (!why.empty()) PrintError(why);
}

int RunShell(const std::vector<std::string>& args) {
  ParsedCommand command;
  std::string error;
  if (!ParseCommandLine(args, {{"--answer", true}}, command, error)) {
    PrintError("shell: " + error + " (see pagewright shell --help)");
    return kExitUsage;
  }
  if (command.help) {
    std::fputs(kShellHelp, stdout);
    std::fputs(CommonOptionsHelp().c_str(), stdout);
    return kExitOk;
  }
  if (command.positional.size() != 1) {
    PrintError("shell: expects one FILE (see pagewright shell --help)");
    return kExitUsage;
  }
  if (command.common.json) {
    PrintError("shell: --json is not available for shell");
    return kExitUsage;
  }
  MessageAnswer answer = MessageAnswer::kYes;
  if (!ParseAnswerOption(command, answer, error)) {
    PrintError("shell: " + error);
    return kExitUsage;
  }
  CVeltorTessalyApp app;
  if (!PrepareEngineState(command.common, app.engine, error)) {
    PrintError("shell: " + error);
    return kExitUsage;
  }
  app.activityLog.SetProblemSink([](const std::string& message) { PrintError(message); });

  ConsoleHost host(stdout, stderr, answer);
  ScanWorkflow workflow(app, host);
  InterruptCatcher interrupts;
  if (!StartScan(workflow, app, command.common, command.positional[0], error)) {
    PrintError(error);
    return kExitSnapshot;
  }
  WaitForOperation(workflow, interrupts);
  host.Finish();
  if (workflow.lastScanResult() != 1) {
    if (std::string why = workflow.snapshotFailure(); !why.empty()) {
      PrintError(why);
      return kExitSnapshot;
    }
    return kExitCannotOpen;
  }
  // From here on the status text is the record view's.
  host.SetStatusEcho(false);

  const bool interactive = ::isatty(STDIN_FILENO) == 1;
  std::string line;
  for (;;) {
    if (interactive) {
      std::fputs("pagewright> ", stdout);
      std::fflush(stdout);
    }
    if (!ReadInputLine(STDIN_FILENO, line)) {
      // Ctrl-C at the prompt cancels the line; the end of input ends the
      // session.
      if (interrupts.TakeInterrupt()) {
        std::fputs("\n", stdout);
        continue;
      }
      break;
    }
    interrupts.TakeInterrupt();
    const size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos) continue;
    const size_t end = line.find_last_not_of(" \t\r");
    const std::string text = line.substr(start, end - start + 1);
    const size_t blank = text.find(' ');
    const std::string verb = text.substr(0, blank);
    const std::string rest =
        blank == std::string::npos ? std::string() : text.substr(text.find_first_not_of(' ', blank));

    if (verb == "quit" || verb == "exit") break;
    if (verb == "help") {
      std::fputs(kCommandsHelp, stdout);
    } else if (verb == "tree") {
      std::fputs(workflow.tree.Outline().c_str(), stdout);
    } else if (verb == "open") {
      const int32_t item = rest.empty() ? kNoTreeItem : FindItem(workflow, rest);
      if (item == kNoTreeItem) {
        PrintError("shell: no tree item \"" + rest + "\"");
        continue;
      }
      if (!workflow.StartTableLoad(item)) continue;
      WaitForOperation(workflow, interrupts);
      host.PrintRecordView(stdout);
    } else if (verb == "next" || verb == "prev") {
      if (!workflow.StartPageLoad(verb == "next")) continue;
      WaitForOperation(workflow, interrupts);
      host.PrintRecordView(stdout);
    } else if (verb == "save-snapshot") {
      if (rest.empty()) {
        PrintError("shell: save-snapshot expects a FILE");
        continue;
      }
      SaveSnapshot(workflow, app, command.common.advanced, rest);
    } else {
      PrintError("shell: unknown command \"" + verb + "\" (help lists the commands)");
    }
    std::fflush(stdout);
  }
  host.Finish();
  return kExitOk;
}

const CommandRegistrar kShell({"shell", "shell FILE", "interactive session: open tree items, page through tables", 35,
                               RunShell});

}  // namespace
}  // namespace pagewright::cli
