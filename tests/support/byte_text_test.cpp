// The stand-ins' hexadecimal and byte escapes.
#include "support/byte_text.h"

#include <gtest/gtest.h>

namespace tervane {
namespace test {
namespace {

TEST(ByteText, HexWithoutLeadingZeros) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0, "0x0"}, {1, "0x1"}, {0x10C4, "0x10c4"}, {0x1000, "0x1000"}, {0xFFFFFFFFu, "0xffffffff"}};
  for (const auto& c : cases) EXPECT_EQ(HexText(c.first), c.second);
}

TEST(ByteText, EscapesAllButPrintableAscii) {
  const std::pair<std::string, const char*> cases[] = {
      {"VYX 0042", "VYX\\s0042"},
      {"a\\b#c", "a\\\\b\\x23c"},
      {std::string("\0\x1F\x7F\x80\xFF", 5), "\\x00\\x1F\\x7F\\x80\\xFF"},
      {"~!", "~!"}};
  for (const auto& c : cases) EXPECT_EQ(EscapeBytes(c.first), c.second);
}

TEST(ByteText, KeptBlanksStayBlanks) {
  EXPECT_EQ(EscapeBytes("COM Port: 3\n", Blanks::Kept), "COM Port: 3\\x0A");
}

}  // namespace
}  // namespace test
}  // namespace tervane
