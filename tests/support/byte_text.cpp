// Hexadecimal and escaped byte text.
#include "support/byte_text.h"

namespace tervane {
namespace test {
namespace {

std::string HexDigits(std::uint32_t value, int minimumDigits, const char* digitSet) {
  std::string digits;
  do {
    digits.insert(digits.begin(), digitSet[value % 16]);
    value /= 16;
  } while (value != 0 || static_cast<int>(digits.size()) < minimumDigits);
  return digits;
}

}  // namespace

std::string HexText(std::uint32_t value) { return "0x" + HexDigits(value, 1, "0123456789abcdef"); }

std::string EscapeBytes(const std::string& bytes, Blanks blanks) {
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == ' ') {
      text += blanks == Blanks::Kept ? " " : "\\s";
    } else if (byte == '\\') {
      text += "\\\\";
    } else if (byte > ' ' && byte < 0x7F && byte != '#') {
      text += c;
    } else {
      text += "\\x" + HexDigits(byte, 2, "0123456789ABCDEF");
    }
  }
  return text;
}

}  // namespace test
}  // namespace tervane
