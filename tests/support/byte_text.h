// Hexadecimal numbers and escaped bytes as the stand-ins and the test driver write them.
#pragma once

#include <cstdint>
#include <string>

namespace tervane {
namespace test {

// "0x" and lower-case digits without leading zeros: 0x0, 0x10c4, 0xffffffff.
std::string HexText(std::uint32_t value);

// Bytes as one word that reads back to the same bytes: printable ASCII as it
// is, a blank as \s, a backslash as \\, every other byte (# too) as \xHH
// with upper-case digits.
// With blanks kept, a blank stays a blank, for text meant to be read on one line.
enum class Blanks { Escaped, Kept };
std::string EscapeBytes(const std::string& bytes, Blanks blanks = Blanks::Escaped);

}  // namespace test
}  // namespace tervane
