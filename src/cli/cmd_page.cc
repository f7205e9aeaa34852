// pagewright page FILE F:P: one page, decoded — header fields, slot offsets
// and, for each slot, the record's type and lengths; --hex adds a dump.
//
// The page is shown as the readers see it: torn bits restored. F:P addresses
// the block by position (as the page maps do); page 0 can be shown.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/json.h"
#include "cli/open_for_info.h"
#include "cli/options.h"
#include "storage/page.h"
#include "storage/record.h"

namespace pagewright::cli {

namespace {

constexpr const char* kPageHelp =
    "Usage: pagewright page [OPTIONS] FILE F:P\n"
    "\n"
    "Shows one page of a data file: the decoded header, the slot array and, for each\n"
    "slot, the record's type and lengths. F is the file id (1 = the primary file),\n"
    "P the page's position in that file. Torn-page bits are shown restored.\n"
    "\n"
    "  --hex    add a hex dump of the 8192 bytes\n"
    "  --json   one object with the same facts (\"hex\" holds the bytes as hex digits)\n"
    "\n"
    "Exit codes: 0 success, 1 usage error, 2 the file cannot be opened or is not a\n"
    "valid data file, 3 no such page in the file.\n"
    "\n";

const char* RecordTypeName(int type) {
  static const char* const kNames[] = {"primary",  "forwarded",   "forwarding stub", "index",
                                       "lob",      "ghost index", "ghost data",      "ghost version"};
  return type >= 0 && type < 8 ? kNames[type] : "?";
}

// What one slot's record bytes say about themselves, read only through the
// page view and never past its end.
struct RecordSummary {
  bool inRange = false;  // the slot offset lies in the record area
  uint8_t status = 0;
  int recordType = 0;
  bool compressed = false;
  bool hasNullBitmap = false;
  bool hasVariableColumns = false;
  int fixedLength = 0;    // fixedEnd - 4
  int columnCount = -1;   // -1: not read (index record, compressed, out of range)
  int nullBitmapLength = 0;
  int varCount = 0;
  int length = -1;        // bytes from the record start to its end, -1 unknown
};

RecordSummary Summarize(ByteView page, uint16_t offset) {
  using namespace record_layout;
  RecordSummary s;
  if (offset < kFirstRecordOffset || offset >= kPageSize) return s;
  ByteView record = page.from(offset);
  s.inRange = true;
  s.status = record.u8_or(kStatusA);
  s.recordType = (s.status & kTypeMask) >> kTypeShift;
  s.compressed = s.status & kCompressedBit;
  s.hasNullBitmap = s.status & kNullBitmapBit;
  s.hasVariableColumns = s.status & kVariableColumnsBit;
  if (s.compressed) return s;
  if (s.recordType == record_type::kForwardingStub) {
    s.length = static_cast<int>(kStubLength);
    return s;
  }
  auto fixedEnd = record.u16_at(kFixedEnd);
  if (!fixedEnd) return s;
  s.fixedLength = static_cast<int>(*fixedEnd) - static_cast<int>(kFixedData);
  auto columnCount = record.i16_at(*fixedEnd);
  if (!columnCount) return s;
  s.columnCount = *columnCount;
  size_t position = static_cast<size_t>(*fixedEnd) + 2;
  if (s.columnCount <= 0 || s.columnCount >= kMaxColumnCount) {
    s.length = static_cast<int>(position);
    return s;
  }
  if (s.hasNullBitmap) {
    s.nullBitmapLength = (s.columnCount + 7) / 8;
    position += static_cast<size_t>(s.nullBitmapLength);
  }
  if (s.hasVariableColumns) {
    // Without fixed data or a null bitmap the count word is absent and every
    // column is variable.
    if (s.fixedLength > 0 || s.hasNullBitmap) {
      auto varCount = record.u16_at(position);
      if (!varCount) return s;
      s.varCount = *varCount;
      position += 2;
    } else {
      s.varCount = s.columnCount;
    }
    size_t end = position + 2 * static_cast<size_t>(s.varCount);
    if (s.varCount > 0 && s.varCount < kMaxColumnCount) {
      auto lastEnd = record.u16_at(position + 2 * (static_cast<size_t>(s.varCount) - 1));
      if (lastEnd) end = *lastEnd & kOffsetMask;
    }
    position = end;
  }
  s.length = position <= record.size() ? static_cast<int>(position) : -1;
  return s;
}

std::string Hex(uint64_t value, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%0*" PRIX64, digits, value);
  return text;
}

std::string PageIdText(PageId id) { return std::to_string(id.fileId) + ":" + std::to_string(id.pageNo); }

bool ParsePageAddress(const std::string& text, PageId& id) {
  size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  int64_t fileId = 0, pageNo = 0;
  if (!ParseInteger(text.substr(0, colon), fileId) || !ParseInteger(text.substr(colon + 1), pageNo)) return false;
  if (fileId < INT16_MIN || fileId > INT16_MAX || pageNo < INT32_MIN || pageNo > INT32_MAX) return false;
  id = PageId{static_cast<int16_t>(fileId), static_cast<int32_t>(pageNo)};
  return true;
}

void PrintHexDump(ByteView bytes) {
  for (size_t line = 0; line < bytes.size(); line += 16) {
    std::printf("%08zx ", line);
    std::string text;
    for (size_t index = 0; index < 16; ++index) {
      if (index == 8) std::printf(" ");
      if (line + index < bytes.size()) {
        uint8_t byte = bytes[line + index];
        std::printf(" %02x", byte);
        text += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
      } else {
        std::printf("   ");
      }
    }
    std::printf("  |%s|\n", text.c_str());
  }
}

int RunPage(const std::vector<std::string>& args) {
  ParsedCommand command;
  std::string error;
  if (!ParseCommandLine(args, {{"--hex", false}}, command, error)) {
    PrintError("page: " + error + " (see pagewright page --help)");
    return kExitUsage;
  }
  if (command.help) {
    std::fputs(kPageHelp, stdout);
    std::fputs(CommonOptionsHelp().c_str(), stdout);
    return kExitOk;
  }
  PageId id;
  if (command.positional.size() != 2) {
    PrintError("page: expects FILE and F:P (see pagewright page --help)");
    return kExitUsage;
  }
  if (!ParsePageAddress(command.positional[1], id)) {
    PrintError("page: \"" + command.positional[1] + "\" is not a page address F:P, e.g. 1:9");
    return kExitUsage;
  }
  EngineState state;
  if (!PrepareEngineState(command.common, state, error)) {
    PrintError("page: " + error);
    return kExitUsage;
  }
  const std::string& path = command.positional[0];
  OpenOutcome opened = OpenForInfo(path, state);
  if (!opened.file) {
    PrintError(opened.error);
    return kExitCannotOpen;
  }
  DatabaseFile& file = *opened.file;
  int64_t byteOffset = file.baseOffset + static_cast<int64_t>(id.pageNo) * static_cast<int64_t>(kPageSize);
  // The reader accepts the block just past the last whole page (its missing
  // part reads as zeros); a page with no byte in the file is not shown.
  bool pastTheEnd = id.fileId == 1 && byteOffset >= file.fileLength;
  auto buffer = pastTheEnd ? nullptr : file.ReadPage(id, /*allowPageZero=*/true);
  if (!buffer) {
    if (id.fileId != 1)
      PrintError(path + ": page " + PageIdText(id) + ": file " + std::to_string(id.fileId) +
                 " is not open (only the primary file, 1, is read by this command)");
    else
      PrintError(path + ": page " + PageIdText(id) + " does not exist: the file holds pages 0 to " +
                 std::to_string(file.pageCount - 1));
    return kExitNoSuchObject;
  }
  RecordPage page(std::move(buffer), &file);
  const CPage_Header& h = *page.header;
  ByteView bytes = page.bytes();
  const bool hex = command.Has("--hex");

  std::vector<RecordSummary> summaries;
  for (uint16_t offset : page.slots) summaries.push_back(Summarize(bytes, offset));

  if (command.common.json) {
    JsonObject header;
    header.Add("headerVersion", h.headerVersion)
        .Add("type", h.type)
        .Add("typeFlagBits", static_cast<int>(h.typeFlagBits))
        .Add("level", static_cast<int>(h.level))
        .Add("flagBits", static_cast<int>(h.flagBits))
        .Add("indexId", static_cast<int>(h.indexId))
        .Add("prevPage", PageIdText(h.prevPage))
        .Add("minLen", static_cast<int>(h.minLen))
        .Add("nextPage", PageIdText(h.nextPage))
        .Add("slotCount", static_cast<int>(h.slotCount))
        .Add("objectId", static_cast<int64_t>(h.objectId))
        .Add("freeCount", static_cast<int>(h.freeCount))
        .Add("freeData", static_cast<int>(h.freeData))
        .Add("pageId", PageIdText(h.pageId))
        .Add("reservedCount", static_cast<int>(h.reservedCount))
        .Add("lsn", h.lsnText)
        .Add("xactReserved", static_cast<int>(h.xactReserved))
        .Add("xdesId", h.xdesText)
        .Add("ghostRecordCount", static_cast<int>(h.ghostRecordCount))
        .Add("tornBits", static_cast<int64_t>(h.tornBits));
    std::string slots = "[";
    for (size_t slot = 0; slot < page.slots.size(); ++slot) {
      const RecordSummary& s = summaries[slot];
      JsonObject entry;
      entry.Add("slot", static_cast<int64_t>(slot)).Add("offset", static_cast<int>(page.slots[slot]));
      if (s.inRange) {
        entry.Add("status", static_cast<int>(s.status))
            .Add("recordType", s.recordType)
            .Add("typeName", RecordTypeName(s.recordType))
            .Add("compressed", s.compressed)
            .Add("fixedLength", s.fixedLength)
            .Add("columnCount", s.columnCount)
            .Add("nullBitmapLength", s.nullBitmapLength)
            .Add("varCount", s.varCount)
            .Add("length", s.length);
      }
      slots += (slot ? "," : "") + entry.str();
    }
    slots += "]";
    JsonObject out;
    out.Add("page", PageIdText(id))
        .Add("byteOffset", byteOffset)
        .AddRaw("header", header.str())
        .Add("plausible", h.IsPlausible())
        .AddRaw("slots", slots);
    if (hex) {
      std::string digits;
      char pair[3];
      for (size_t index = 0; index < bytes.size(); ++index) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[index]);
        digits += pair;
      }
      out.Add("hex", digits);
    }
    std::printf("%s\n", out.str().c_str());
    return kExitOk;
  }

  std::printf("Page %s of %s (byte offset %lld)\n", PageIdText(id).c_str(), path.c_str(),
              static_cast<long long>(byteOffset));
  std::printf("  headerVersion     %u\n", static_cast<unsigned>(h.headerVersion));
  std::printf("  type              %d\n", h.type);
  std::printf("  typeFlagBits      %s\n", Hex(h.typeFlagBits, 2).c_str());
  std::printf("  level             %u\n", static_cast<unsigned>(h.level));
  std::printf("  flagBits          %s\n", Hex(h.flagBits, 4).c_str());
  std::printf("  indexId           %u\n", static_cast<unsigned>(h.indexId));
  std::printf("  prevPage          %s\n", PageIdText(h.prevPage).c_str());
  std::printf("  minLen            %u\n", static_cast<unsigned>(h.minLen));
  std::printf("  nextPage          %s\n", PageIdText(h.nextPage).c_str());
  std::printf("  slotCount         %d\n", static_cast<int>(h.slotCount));
  std::printf("  objectId          %d\n", h.objectId);
  std::printf("  freeCount         %d\n", static_cast<int>(h.freeCount));
  std::printf("  freeData          %u\n", static_cast<unsigned>(h.freeData));
  std::printf("  pageId            %s\n", PageIdText(h.pageId).c_str());
  std::printf("  reservedCount     %u\n", static_cast<unsigned>(h.reservedCount));
  std::printf("  lsn               %s\n", h.lsnText.c_str());
  std::printf("  xactReserved      %u\n", static_cast<unsigned>(h.xactReserved));
  std::printf("  xdesId            %s\n", h.xdesText.c_str());
  std::printf("  ghostRecordCount  %d\n", static_cast<int>(h.ghostRecordCount));
  std::printf("  tornBits          %s\n", Hex(h.tornBits, 8).c_str());
  std::printf("  plausible         %s\n", h.IsPlausible() ? "yes" : "no");
  if (page.slots.empty()) {
    std::printf("Slots: none%s\n",
                h.slotCount <= 0 || h.slotCount >= page_layout::kMaxSlotCount ? " (slot count out of range)" : "");
  } else {
    std::printf("Slots: %zu\n", page.slots.size());
    std::printf("  %5s %6s  %-16s %6s %7s %6s %7s %6s\n", "slot", "offset", "type", "status", "fixed", "cols",
                "varcols", "length");
    for (size_t slot = 0; slot < page.slots.size(); ++slot) {
      const RecordSummary& s = summaries[slot];
      if (!s.inRange) {
        std::printf("  %5zu %6u  (offset outside the record area)\n", slot, static_cast<unsigned>(page.slots[slot]));
        continue;
      }
      std::string type = std::to_string(s.recordType) + " " + RecordTypeName(s.recordType);
      if (s.compressed) type += " (compressed)";
      std::printf("  %5zu %6u  %-16s %6s %7d %6d %7d %6d\n", slot, static_cast<unsigned>(page.slots[slot]),
                  type.c_str(), Hex(s.status, 2).c_str(), s.fixedLength, s.columnCount, s.varCount, s.length);
    }
  }
  if (hex) PrintHexDump(bytes);
  return kExitOk;
}

const CommandRegistrar kPage({"page", "page FILE F:P", "one page: header, slots, records; --hex dump", 20, RunPage});

}  // namespace
}  // namespace pagewright::cli
