// libstdc++'s throw helpers for the shipped program, without the string and stdexcept code theirs
// bring.
//
// libstdc++ raises its own errors (a string too long, an index out of range,
// no memory) through the helpers declared in <bits/functexcept.h>. Its
// definitions live in one object that also brings the copy-on-write string,
// every stdexcept class and std::random_device: more than the whole program
// besides. These definitions take their place at link time. Each is written
// with its qualified name, so it compiles only while libstdc++ still declares
// that helper; tests/e2e/check-link-map fails if libstdc++'s own object
// is linked all the same.
#include <bits/functexcept.h>

#include <cstdarg>
#include <exception>
#include <new>

namespace {

// An error libstdc++ found, with the text it gave: always a literal.
class LibraryError final : public std::exception {
 public:
  explicit LibraryError(const char* what) noexcept : what_(what) {}
  const char* what() const noexcept override { return what_; }

 private:
  const char* what_;
};

}  // namespace

void std::__throw_bad_alloc() { throw std::bad_alloc(); }

void std::__throw_bad_array_new_length() { throw std::bad_array_new_length(); }

void std::__throw_logic_error(const char* what) { throw LibraryError(what); }

void std::__throw_length_error(const char* what) { throw LibraryError(what); }

// The format names the failing member first ("%s: __pos (which is %zu) > ..."):
// that name is the text, the numbers are left out.
void std::__throw_out_of_range_fmt(const char* format, ...) {
  const char* what = format;
  if (format[0] == '%' && format[1] == 's') {
    std::va_list arguments;
    va_start(arguments, format);
    what = va_arg(arguments, const char*);
    va_end(arguments);
  }
  throw LibraryError(what);
}
