// The leading-number reader.
#include "platform/number_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "platform/decimal_to_double.h"

namespace tervane {

namespace {

bool IsSkipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// Walks the text with the skipped characters taken out.
class Cursor {
 public:
  explicit Cursor(const std::string& text) : text_(text) { Skip(); }
  char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  bool AtEnd() const { return pos_ >= text_.size(); }
  void Next() {
    ++pos_;
    Skip();
  }

 private:
  void Skip() {
    while (pos_ < text_.size() && IsSkipped(text_[pos_])) ++pos_;
  }
  const std::string& text_;
  std::size_t pos_ = 0;
};

// An exponent's value, saturated: beyond this any digits give infinity or zero.
constexpr std::int64_t kExponentLimit = 999999999;

// The exponent part (E or D in either case, an optional sign, digits); 0
// when there is none, or when the letter is followed by no digits.
std::int64_t ReadExponent(Cursor& cursor) {
  const char e = cursor.Peek();
  if (e != 'E' && e != 'e' && e != 'D' && e != 'd') return 0;
  cursor.Next();
  bool negative = false;
  if (cursor.Peek() == '+' || cursor.Peek() == '-') {
    negative = cursor.Peek() == '-';
    cursor.Next();
  }
  std::int64_t value = 0;
  while (IsDigit(cursor.Peek())) {
    value = std::min(value * 10 + (cursor.Peek() - '0'), kExponentLimit);
    cursor.Next();
  }
  return negative ? -value : value;
}

double ReadRadix(Cursor& cursor, int radix) {
  double value = 0;
  while (!cursor.AtEnd() && DigitValue(cursor.Peek()) < radix) {
    value = value * radix + DigitValue(cursor.Peek());
    cursor.Next();
  }
  return value;
}

// Collects the digits and converts them once, with DecimalToDouble rather than
// the C run-time's strtod, whose rounding differs between Windows versions: the
// result is the correctly rounded double of the digits read.
double ReadDecimal(Cursor& cursor) {
  bool negative = false;
  if (cursor.Peek() == '+' || cursor.Peek() == '-') {
    negative = cursor.Peek() == '-';
    cursor.Next();
  }
  std::string digits;
  std::int64_t exponent = 0;  // of the last digit read; fraction digits count down
  while (IsDigit(cursor.Peek())) {
    digits += cursor.Peek();
    cursor.Next();
  }
  if (cursor.Peek() == '.') {
    cursor.Next();
    while (IsDigit(cursor.Peek())) {
      digits += cursor.Peek();
      --exponent;
      cursor.Next();
    }
  }
  if (digits.empty()) return 0;
  exponent += ReadExponent(cursor);
  const double magnitude = DecimalToDouble(
      digits, static_cast<std::int32_t>(std::clamp(exponent, -kExponentLimit, kExponentLimit)));
  return negative ? -magnitude : magnitude;
}

}  // namespace

double ReadNumber(const std::string& text) {
  Cursor cursor(text);
  if (cursor.Peek() == '&') {
    cursor.Next();
    const char radix = cursor.Peek();
    if (radix == 'H' || radix == 'h') {
      cursor.Next();
      return ReadRadix(cursor, 16);
    }
    if (radix == 'O' || radix == 'o') {
      cursor.Next();
      return ReadRadix(cursor, 8);
    }
    return 0;
  }
  return ReadDecimal(cursor);
}

}  // namespace tervane
