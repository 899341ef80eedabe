// The leading-number reader.
#include "platform/number_text.h"

#include <cstddef>
#include <cstdlib>

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

double ReadRadix(Cursor& cursor, int radix) {
  double value = 0;
  while (!cursor.AtEnd() && DigitValue(cursor.Peek()) < radix) {
    value = value * radix + DigitValue(cursor.Peek());
    cursor.Next();
  }
  return value;
}

// Collects the decimal lexeme in a plain form and converts it once, so the
// result is the correctly rounded double of the digits read.
double ReadDecimal(Cursor& cursor) {
  std::string lexeme;
  if (cursor.Peek() == '+' || cursor.Peek() == '-') {
    lexeme += cursor.Peek();
    cursor.Next();
  }
  bool anyDigit = false;
  while (IsDigit(cursor.Peek())) {
    lexeme += cursor.Peek();
    anyDigit = true;
    cursor.Next();
  }
  if (cursor.Peek() == '.') {
    lexeme += '.';
    cursor.Next();
    while (IsDigit(cursor.Peek())) {
      lexeme += cursor.Peek();
      anyDigit = true;
      cursor.Next();
    }
  }
  if (!anyDigit) return 0;
  const char e = cursor.Peek();
  if (e == 'E' || e == 'e' || e == 'D' || e == 'd') {
    std::string exponent = "e";
    cursor.Next();
    if (cursor.Peek() == '+' || cursor.Peek() == '-') {
      exponent += cursor.Peek();
      cursor.Next();
    }
    bool anyExponentDigit = false;
    while (IsDigit(cursor.Peek())) {
      exponent += cursor.Peek();
      anyExponentDigit = true;
      cursor.Next();
    }
    if (anyExponentDigit) lexeme += exponent;
  }
  return std::strtod(lexeme.c_str(), nullptr);
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
