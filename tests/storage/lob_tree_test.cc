// The LOB reader over synthetic trees: node kinds, link order, value lengths,
// damage, bounds on the walk, and the output forms.
#include <gtest/gtest.h>

#include "storage/lob.h"
#include "storage/page_header.h"
#include "support/lob_writer.h"

namespace pagewright {
namespace {

using support::Bytes;
using support::DataNode;
using support::FakeLobPages;
using support::InternalNode;
using support::LargeRootNode;
using support::LobChild;
using support::LobStore;
using support::RawNode;
using support::SmallRootNode;
using support::TextPointer;

Bytes B(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A value of `length` bytes that shows where each byte came from.
Bytes Pattern(size_t length) {
  Bytes value(length);
  for (size_t index = 0; index < length; ++index) value[index] = static_cast<uint8_t>('a' + (index * 7 + index / 26) % 26);
  return value;
}

struct Fixture {
  LobStore store;
  FakeLobPages pages;
  EngineState state;

  LobRequest Request() {
    pages = FakeLobPages(store.pages());
    pages.SetState(&state);
    return LobRequest(pages);
  }
  std::string ReadRoot(const LobChild& root, LobRequest request) {
    return ReadTextPointerValue(ByteView(TextPointer(root.page, root.slot)), request);
  }
  std::string ReadRoot(const LobChild& root) { return ReadRoot(root, Request()); }
};

TEST(LobTree, SmallRootTextHexAndNarrowing) {
  struct Case {
    const char* name;
    Bytes data;
    bool asHex;
    std::string expected;
  };
  const Case cases[] = {
      {"text", B("hello"), false, "hello"},
      {"hex", B("hello"), true, "68656C6C6F"},
      {"exactly half zero: UTF-16 with 8-bit characters", Bytes{'h', 0, 'i', 0}, false, "hi"},
      {"hex is never narrowed", Bytes{'h', 0, 'i', 0}, true, "68006900"},
      {"fewer zeros: 8-bit text as stored", Bytes{0x61, 0x62, 0x63, 0}, false, std::string("abc\0", 4)},
      {"code page 1252", Bytes{0x63, 0x61, 0x66, 0xE9, 0x80}, false, "caf\xC3\xA9\xE2\x82\xAC"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    Fixture fixture;
    LobChild root = fixture.store.Add(SmallRootNode(1, test.data));
    LobRequest request = fixture.Request();
    request.asHex = test.asHex;
    EXPECT_EQ(fixture.ReadRoot(root, request), test.expected);
  }
}

TEST(LobTree, LargeRootConcatenatesInLinkOrder) {
  Fixture fixture;
  // Stored out of order: the links, not the slots, give the order.
  LobChild third = fixture.store.Add(DataNode(2, B("ccc")));
  LobChild first = fixture.store.Add(DataNode(2, B("aaaa")));
  LobChild second = fixture.store.Add(DataNode(2, B("bb")));
  first.endOffset = 4;
  second.endOffset = 6;
  third.endOffset = 9;
  for (uint16_t rootType : {uint16_t{5}, uint16_t{4}, uint16_t{6}}) {
    SCOPED_TRACE(rootType);
    LobChild root = fixture.store.Add(LargeRootNode(2, 0, {first, second, third}, rootType));
    EXPECT_EQ(fixture.ReadRoot(root), "aaaabbccc");
  }
}

// The first field of a root link is the cumulative end of the child's data.
// Under a root of level 1 the children are Internal nodes whose own records
// are short; the value is as long as the last link says, not the sum of the
// children's record lengths.
TEST(LobTree, ValueLengthIsTheLastLinksEndOffset) {
  struct Case {
    const char* name;
    size_t length;
    size_t fragmentSize;
    bool withInternal;
  };
  const Case cases[] = {
      {"fragments under the root", 20000, 8040, false},
      {"internal nodes under the root", 65071, 8080, true},
      {"many small fragments under internal nodes", 3000, 100, true},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    Fixture fixture;
    Bytes value = Pattern(test.length);
    LobChild root = fixture.store.StoreValue(value, 7, test.withInternal, test.fragmentSize);
    EXPECT_EQ(fixture.ReadRoot(root), Text(value));
    LobRequest request = fixture.Request();
    request.asHex = true;
    EXPECT_EQ(fixture.ReadRoot(root, request).size(), 2 * test.length);
  }
}

TEST(LobTree, DataPastTheRootsLengthIsCut) {
  Fixture fixture;
  LobChild fragment = fixture.store.Add(DataNode(3, B("abcdefgh")));
  fragment.endOffset = 5;
  LobChild root = fixture.store.Add(LargeRootNode(3, 0, {fragment}));
  EXPECT_EQ(fixture.ReadRoot(root), "abcde");
  LobRequest request = fixture.Request();
  request.asHex = true;
  EXPECT_EQ(fixture.ReadRoot(root, request), "6162636465");
}

TEST(LobTree, InternalNodesAtTheRoot) {
  Fixture fixture;
  std::vector<LobChild> fragments = fixture.store.StoreFragments(B("0123456789"), 4, 3);
  LobChild internal = fixture.store.Add(InternalNode(4, 0, fragments));
  EXPECT_EQ(fixture.ReadRoot(internal), "0123456789");
}

TEST(LobTree, EmptyAndUnknownValues) {
  struct Case {
    const char* name;
    Bytes node;
  };
  const Case cases[] = {
      {"node type 7", RawNode(5, 7, B("some bytes here"))},
      {"node type 8 (no node)", RawNode(5, 8, Bytes(70, 0))},
      {"small root of length 0", SmallRootNode(5, {})},
      {"small root of negative length", support::SmallRootNodeWithLength(5, -3, B("abc"))},
      {"small root longer than a page", support::SmallRootNodeWithLength(5, 9000, B("abc"))},
      {"node shorter than its header", Bytes{1, 2, 3, 4, 5}},
      {"large root without links", LargeRootNode(5, 0, {})},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    Fixture fixture;
    LobChild root = fixture.store.Add(test.node);
    // An empty value stays empty: no placeholder blank is made up.
    EXPECT_EQ(fixture.ReadRoot(root), "");
  }
}

TEST(LobTree, DamagedLinksContributeNothingAndTheRestIsAssembled) {
  Fixture fixture;
  LobChild first = fixture.store.Add(DataNode(6, B("head-")));
  LobChild last = fixture.store.Add(DataNode(6, B("-tail")));
  LobChild missingPage{0, PageId{1, 9999}, 0};
  LobChild slotOutOfRange{0, first.page, 40};
  LobChild negativeSlot{0, first.page, -1};
  LobChild noFile{0, PageId{0, 100}, 0};
  std::vector<LobChild> links = {first, missingPage, slotOutOfRange, negativeSlot, noFile, last};
  for (auto& link : links) link.endOffset = 10;
  LobChild root = fixture.store.Add(LargeRootNode(6, 0, links));
  EXPECT_EQ(fixture.ReadRoot(root), "head--tail");
}

TEST(LobTree, ShortNodesAreReadOnlyAsFarAsTheyGo) {
  Fixture fixture;
  // A small root claiming 60 bytes of which the node holds 64 - 16 = 48:
  // the padding is data, nothing past the node is read.
  Bytes node = support::SmallRootNodeWithLength(8, 60, B("abc"));
  node.resize(64);
  LobChild root = fixture.store.Add(node);
  EXPECT_EQ(fixture.ReadRoot(root, [&] {
              LobRequest request = fixture.Request();
              request.asHex = true;
              return request;
            }()).size(),
            2 * 48u);
  // A data node given a larger length than it holds.
  Bytes data = DataNode(8, B("xyz"));
  EXPECT_EQ(ReadLobNode(ByteView(data), 5000, LobRequest()), "xyz");
  // A root whose link count runs past the node takes the links present.
  Bytes fragment = DataNode(8, B("ok"));
  LobChild child = fixture.store.Add(fragment);
  child.endOffset = 2;
  Bytes large = LargeRootNode(8, 0, {child});
  large[12] = 200;  // link count
  large.resize(32);
  LobChild bigRoot = fixture.store.Add(large);
  EXPECT_EQ(fixture.ReadRoot(bigRoot), "ok");
}

// Links back to a node on the path would loop; the depth and node budgets
// bound trees that do not loop but never end.
TEST(LobTree, WalksAreBounded) {
  {
    SCOPED_TRACE("internal node linking to itself and to data");
    Fixture fixture;
    LobChild data = fixture.store.Add(DataNode(9, B("data")));
    // The internal node will be slot 1 of the same page.
    LobChild self{0, data.page, 1};
    LobChild internal = fixture.store.Add(InternalNode(9, 0, {data, self, data}));
    ASSERT_EQ(internal.slot, 1);
    EXPECT_EQ(fixture.ReadRoot(internal), "datadata");
  }
  {
    SCOPED_TRACE("cycle through two internal nodes back to the root");
    Fixture fixture;
    LobChild data = fixture.store.Add(DataNode(9, B("x")));
    LobChild rootLink{1, data.page, 2};
    LobChild inner = fixture.store.Add(InternalNode(9, 0, {data, rootLink}));
    inner.endOffset = 1;
    LobChild root = fixture.store.Add(LargeRootNode(9, 1, {inner}));
    ASSERT_EQ(root.slot, 2);
    EXPECT_EQ(fixture.ReadRoot(root), "x");
  }
  {
    SCOPED_TRACE("a chain deeper than the depth bound");
    Fixture fixture;
    LobChild next = fixture.store.Add(DataNode(9, B("deep")));
    for (int level = 0; level < 40; ++level) next = fixture.store.Add(InternalNode(9, 0, {next}));
    EXPECT_EQ(fixture.ReadRoot(next), "");
    EXPECT_LE(fixture.pages.reads(), size_t(kMaxLobTreeDepth) + 2);
    LobRequest request = fixture.Request();
    request.maxDepth = 64;
    EXPECT_EQ(fixture.ReadRoot(next, request), "deep");
  }
  {
    SCOPED_TRACE("a fan-out that would visit millions of nodes");
    Fixture fixture;
    LobChild data = fixture.store.Add(DataNode(9, B("z")));
    LobChild lower = fixture.store.Add(InternalNode(9, 0, std::vector<LobChild>(400, data)));
    LobChild upper = fixture.store.Add(InternalNode(9, 1, std::vector<LobChild>(400, lower)));
    LobChild top = fixture.store.Add(InternalNode(9, 2, std::vector<LobChild>(400, upper)));
    LobRequest request = fixture.Request();
    request.maxNodes = 5000;
    std::string value = fixture.ReadRoot(top, request);
    EXPECT_LE(fixture.pages.reads(), 5001u);
    EXPECT_GT(value.size(), 4000u);
    EXPECT_EQ(value.find_first_not_of('z'), std::string::npos);
  }
}

TEST(LobTree, StopRequestEndsTheWalk) {
  Fixture fixture;
  LobChild root = fixture.store.StoreValue(Pattern(50000), 10);
  LobRequest request = fixture.Request();
  fixture.state.cancelFlag = true;
  EXPECT_EQ(fixture.ReadRoot(root, request), "");
  EXPECT_EQ(fixture.pages.reads(), 1u);
}

TEST(LobTree, CollectHandsOverFragmentsInLinkOrder) {
  Fixture fixture;
  Bytes value = Pattern(20000);
  LobChild root = fixture.store.StoreValue(value, 11, true, 8040, 5, 2);
  std::vector<LobFragment> sink;
  LobRequest request = fixture.Request();
  request.collect = true;
  request.byteSink = &sink;
  EXPECT_EQ(fixture.ReadRoot(root, request), "");
  ASSERT_EQ(sink.size(), 3u);
  Bytes joined;
  for (const auto& fragment : sink) {
    EXPECT_EQ(fragment.length, static_cast<int32_t>(fragment.bytes.size()));
    joined.insert(joined.end(), fragment.bytes.begin(), fragment.bytes.end());
  }
  EXPECT_EQ(joined, value);
  EXPECT_EQ(sink[0].length, 8040);
  EXPECT_EQ(sink[2].length, 20000 - 2 * 8040);
}

TEST(LobTree, Utf16Values) {
  struct Case {
    const char* name;
    std::string utf8;
    size_t fragmentSize;
  };
  const Case cases[] = {
      {"8-bit characters", "Notes on caf\xC3\xA9 life", 8040},
      {"Cyrillic", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xBC\xD0\xB8\xD1\x80", 8040},
      // 6-byte fragments split the 4-byte surrogate pair between two of them.
      {"a surrogate pair across fragments", "ab\xF0\x9F\x98\x80" "cd", 6},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    Fixture fixture;
    Bytes stored = support::Utf16Le(test.utf8);
    std::vector<LobChild> fragments = fixture.store.StoreFragments(stored, 12, test.fragmentSize);
    LobChild root = fixture.store.Add(LargeRootNode(12, 0, fragments));
    LobRequest request = fixture.Request();
    request.narrow = true;
    EXPECT_EQ(fixture.ReadRoot(root, request), test.utf8);
  }
}

TEST(LobTree, TypeHeaderIsSkippedAndNamesTheForm) {
  struct Case {
    const char* name;
    Bytes value;
    std::string expected;
  };
  Bytes header = {167, 0, 0, 0, 0, 0, 0, 0};
  auto with = [](uint8_t typeId, const Bytes& payload) {
    Bytes value = {typeId, 1, 2, 3, 4, 5, 6, 7};
    value.insert(value.end(), payload.begin(), payload.end());
    return value;
  };
  const Case cases[] = {
      {"varbinary: hexadecimal", with(165, {0xDE, 0xAD}), "DEAD"},
      {"binary: hexadecimal", with(173, {0x01}), "01"},
      {"varchar: text", with(167, B("abc")), "abc"},
      {"nvarchar: UTF-16 text", with(231, support::Utf16Le("hi")), "hi"},
      {"header only", header, ""},
      {"shorter than the header", Bytes{165, 1, 2}, ""},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    Fixture fixture;
    LobChild root = fixture.store.Add(SmallRootNode(13, test.value));
    LobRequest request = fixture.Request();
    request.hasTypeHeader = true;
    EXPECT_EQ(fixture.ReadRoot(root, request), test.expected);
  }
}

TEST(LobTree, ComplexColumnEntries) {
  Fixture fixture;
  Bytes value = Pattern(12000);
  std::vector<LobChild> entries = fixture.store.StoreFragments(value, 14, 8000);
  ASSERT_EQ(entries.size(), 2u);
  std::vector<LobChild> withGaps = {entries[0], LobChild{0, entries[1].page, entries[1].slot}, entries[1]};
  Bytes column = support::ComplexPointer(4, withGaps);
  LobRequest request = fixture.Request();
  // The zero-size entry is skipped, so the second fragment comes once.
  EXPECT_EQ(ReadComplexValue(ByteView(column), request), Text(value));
  // A file number above 1000 is read as file 1.
  Bytes farFile = support::ComplexPointer(2, {LobChild{8000, PageId{2000, entries[0].page.pageNo}, entries[0].slot}});
  EXPECT_EQ(ReadComplexValue(ByteView(farFile), request), Text(Bytes(value.begin(), value.begin() + 8000)));
  // An entry cut short by the column's end is not read.
  Bytes cut = support::ComplexPointer(2, {entries[0]});
  cut.resize(cut.size() - 1);
  EXPECT_EQ(ReadComplexValue(ByteView(cut), request), "");
}

TEST(LobTree, TextPointerRefusals) {
  Fixture fixture;
  LobChild root = fixture.store.Add(SmallRootNode(15, B("hello")));
  LobRequest request = fixture.Request();
  Bytes pointer = TextPointer(root.page, root.slot);
  EXPECT_EQ(ReadTextPointerValue(ByteView(pointer), request), "hello");
  Bytes shortPointer(pointer.begin(), pointer.begin() + 15);
  EXPECT_EQ(ReadTextPointerValue(ByteView(shortPointer), request), "");
  EXPECT_EQ(ReadTextPointerValue(ByteView(TextPointer(root.page, -1)), request), "");
  EXPECT_EQ(ReadTextPointerValue(ByteView(TextPointer(root.page, 1)), request), "");
  EXPECT_EQ(ReadTextPointerValue(ByteView(TextPointer(PageId{1, 5}, 0)), request), "");
  EXPECT_EQ(ReadTextPointerValue(ByteView(pointer), LobRequest()), "");
}


// A text pointer names its root by slot and by blob id (its first 8 bytes).
// Deleting a row frees its LOB records' slots; the records keep their bytes
// until the space is reused, and a freed slot may be given to another value.
// One text page (1:169), the pointer always names slot 0 with blob id A.
TEST(LobTree, TextPointerRootIsTheRecordWithItsBlobId) {
  constexpr uint64_t kA = 0x0BCD0000;
  constexpr uint64_t kB = 0x0FA20000;
  const PageId kPage{1, 169};
  struct Placed {
    Bytes node;
    int slot;  // -1: in no slot (freed)
  };
  struct Case {
    const char* name;
    std::vector<Placed> records;
    std::string live;     // read for a live row
    std::string deleted;  // read for a deleted row
  };
  const Bytes other = SmallRootNode(kB, B("Other"));
  const Case cases[] = {
      {"the slot holds the root", {{SmallRootNode(kA, B("Rose Wine")), 0}}, "Rose Wine", "Rose Wine"},
      {"slot freed, root bytes intact", {{SmallRootNode(kA, B("Rose Wine")), -1}}, "Rose Wine", "Rose Wine"},
      {"slot reused by another value, old root intact",
       {{SmallRootNode(kA, B("Rose Wine")), -1}, {other, 0}}, "Rose Wine", "Rose Wine"},
      {"slot reused, old root overwritten", {{other, 0}}, "Other", ""},
      {"slot freed, nothing left", {}, "", ""},
      {"two roots carry the blob id: cannot be told",
       {{SmallRootNode(kA, B("Rose Wine")), -1}, {SmallRootNode(kA, B("Rosso")), -1}, {other, 0}}, "Other", ""},
      {"a data fragment with the blob id is no root", {{DataNode(kA, B("Rose Wine")), -1}, {other, 0}}, "Other", ""},
      {"a child slot reused by another value",
       {{LargeRootNode(kA, 0, {LobChild{4, kPage, 1}, LobChild{6, kPage, 2}}), 0},
        {DataNode(kA, B("aaaa")), 1},
        {DataNode(kB, B("zz")), 2}},
       "aaaazz", "aaaa"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    support::PageImage page(page_type::kText, kPage);
    std::vector<uint16_t> slotOffsets(1, 0);
    size_t offset = kPageHeaderSize;
    for (const Placed& placed : test.records) {
      Bytes record = support::LobRecord(placed.node);
      ASSERT_TRUE(page.PlaceRecord(offset, record));
      if (placed.slot >= 0) {
        if (slotOffsets.size() <= static_cast<size_t>(placed.slot)) slotOffsets.resize(placed.slot + 1, 0);
        slotOffsets[placed.slot] = static_cast<uint16_t>(offset);
      }
      offset += record.size();
    }
    for (uint16_t slotOffset : slotOffsets) page.AddSlot(slotOffset);
    page.SetFreeData(static_cast<uint16_t>(offset));
    FakeLobPages pages;
    pages.Put(page);
    const Bytes pointer = TextPointer(kPage, 0, kA);
    LobRequest request(pages);
    EXPECT_EQ(ReadTextPointerValue(ByteView(pointer), request), test.live);
    request.fromDeletedRow = true;
    EXPECT_EQ(ReadTextPointerValue(ByteView(pointer), request), test.deleted);
  }
}

}  // namespace
}  // namespace pagewright
