// Assembling module definitions from the module-values list: UTF-16 and
// 8-bit chunks, repeated chunks, exact id matching, computed columns.
#include <gtest/gtest.h>

#include "catalog/module_definitions.h"
#include "storage/engine_state.h"

namespace pagewright {
namespace {

ModuleValue Value(const std::string& id, const std::string& sub, const std::string& hex) { return {id, sub, hex}; }

TEST(ModuleDefinitions, ChunksJoinInStorageOrder) {
  EngineState state;
  const std::vector<ModuleValue> values = {
      Value("12", "0", "0x435245415445"),              // "CREATE" 8-bit
      Value("012", "0", "0x5858"),                     // another id text
      Value("12", "0", "0x2056494557"),                // " VIEW"
      Value("7", "0", "0x43005200"),                   // "CR" UTF-16
      Value("7", "0", "0x45004100"),                   // "EA" UTF-16
      Value("9", "0", "0x41"), Value("9", "0", "0x41"),  // a one-chunk text stored twice
      Value("9", "0", "0x"),                           // nothing to decode
      Value("5", "0", "0xE9"),                         // code page 1252
  };
  EXPECT_EQ(GetModuleDefinition(values, "12", state), "CREATE VIEW");
  EXPECT_EQ(GetModuleDefinition(values, "012", state), "XX");
  EXPECT_EQ(GetModuleDefinition(values, "7", state), "CREA");
  EXPECT_EQ(GetModuleDefinition(values, "9", state), "A");
  EXPECT_EQ(GetModuleDefinition(values, "5", state), "\xC3\xA9");
  EXPECT_EQ(GetModuleDefinition(values, "99", state), "");
}

TEST(ModuleDefinitions, RepeatedWideChunksAreKept) {
  // Only 8-bit chunks that repeat the whole text are dropped.
  EngineState state;
  const std::vector<ModuleValue> values = {Value("3", "0", "0x41004200"), Value("3", "0", "0x41004200")};
  EXPECT_EQ(GetModuleDefinition(values, "3", state), "ABAB");
}

TEST(ModuleDefinitions, ComputedColumnIsTheValueOfTheTableAndColumnId) {
  EngineState state;
  const std::vector<ModuleValue> values = {Value("40", "0", "0x5858"), Value("40", "3", "0x285B615D2B315D29"),
                                           Value("40", "3", "0x5959"), Value("41", "2", "0x5A5A")};
  EXPECT_EQ(ComputedColumnDefinition(values, 40, 3, state), "([a]+1])");
  EXPECT_EQ(ComputedColumnDefinition(values, 40, 2, state), "");
  EXPECT_EQ(ComputedColumnDefinition(values, 41, 2, state), "ZZ");
}

}  // namespace
}  // namespace pagewright
