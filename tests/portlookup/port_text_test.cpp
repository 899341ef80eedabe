// ConvertToString, hexadecimal IDs and the port-name decoding.
#include "portlookup/port_text.h"

#include <gtest/gtest.h>

#include "lookup_fixture.h"

namespace tervane {
namespace {

TEST(ConvertToString, TakesExactlyTheCountedBytes) {
  ByteArray bytes(4);
  bytes.at(0) = 'A';
  bytes.at(1) = 0;
  bytes.at(2) = 0xE9;
  bytes.at(3) = 'z';
  EXPECT_EQ(ConvertToString(bytes, 4), std::string("A\0\xE9z", 4));
  EXPECT_EQ(ConvertToString(bytes, 1), "A");
  EXPECT_EQ(ConvertToString(bytes, 0), "");
  EXPECT_EQ(ConvertToString(bytes, -7), "");
}

TEST(ConvertToString, CountBeyondTheArrayOrMostNegativeRaises) {
  ByteArray bytes(4);
  EXPECT_EQ(ErrorOf([&] { ConvertToString(bytes, 5); }), ErrorCode::SubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { ConvertToString(bytes, INT32_MAX); }), ErrorCode::SubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { ConvertToString(bytes, INT32_MIN); }), ErrorCode::Overflow);
}

TEST(Hex, NoLeadingZerosAndNegativesAsEightDigits) {
  EXPECT_EQ(HexLower(0x10C4), "10c4");
  EXPECT_EQ(HexUpper(0x823E), "823E");
  EXPECT_EQ(HexLower(255), "ff");
  EXPECT_EQ(HexUpper(0xABC), "ABC");
  EXPECT_EQ(HexLower(0), "0");
  EXPECT_EQ(HexUpper(-1), "FFFFFFFF");
  EXPECT_EQ(HexLower(INT32_MIN), "80000000");
}

ByteArray BufferWith(const std::string& bytes) {
  ByteArray buffer(kValueBufferSize);
  for (std::size_t i = 0; i < bytes.size(); ++i) buffer.at(static_cast<std::int32_t>(i)) = bytes[i];
  return buffer;
}

TEST(DecodePortNameInPlace, PortNames) {
  const struct {
    std::string stored;  // as the query stored it, terminating zero included where given
    int port;
  } cases[] = {
      {std::string("COM5\0", 5), 5},
      {std::string("COM12\0", 6), 12},
      {std::string("COM256\0", 7), 256},
      {std::string("LPT1\0", 5), 1},
      {std::string("COM\0", 4), 0},
      {"", 0},
      {std::string("\0", 1), 0},
      {"COM5", 0},
      {"COM12", 1},
      {std::string("COM7X\0", 6), 7},
      {std::string("COM1 2\0", 7), 12},
      {std::string("COM2.5\0", 7), 2},
      {std::string("COM3.5\0", 7), 4},
      {std::string("\x01\x02\x03\x04", 4), 0},
      {std::string("COM-5\0", 6), 0},
      {std::string("COM32767\0", 9), 32767},
      {std::string("COM1E2\0", 7), 100},
  };
  for (const auto& c : cases) {
    ByteArray buffer = BufferWith(c.stored);
    EXPECT_EQ(DecodePortNameInPlace(buffer, static_cast<std::int32_t>(c.stored.size())), c.port)
        << '"' << c.stored << '"';
    EXPECT_EQ(buffer.at(0), '0');
    EXPECT_EQ(buffer.at(2), '0');
  }
}

TEST(DecodePortNameInPlace, OutOfRangeNumbersOverflow) {
  for (const std::string& stored :
       {std::string("COM40000\0", 9), std::string("COM32768\0", 9), std::string("COM1E9\0", 7)}) {
    ByteArray buffer = BufferWith(stored);
    EXPECT_EQ(
        ErrorOf([&] { DecodePortNameInPlace(buffer, static_cast<std::int32_t>(stored.size())); }),
        ErrorCode::Overflow);
  }
}

}  // namespace
}  // namespace tervane
