// Reading the leading number of a text, the way the Basic run-time's Val reads it.
#pragma once

#include <string>

namespace tervane {

// Blanks, tabs and line feeds are skipped wherever they stand. "&H" and "&O"
// introduce hexadecimal and octal digits, read as a positive value. Otherwise
// the number is an optional sign, digits, optionally a period and further
// digits, and optionally an exponent (E or D in either case, an optional sign,
// digits). Reading stops at the first character that does not fit; a text
// without digits gives 0. Only the period separates decimals, whatever the
// locale. A value beyond the range of a double gives an infinity.
double ReadNumber(const std::string& text);

}  // namespace tervane
