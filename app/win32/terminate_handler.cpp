// A plain terminate handler in place of libstdc++'s verbose one, which drags in the name demangler.
#include <cstdlib>

// Every event catches its errors, so terminate is never reached in normal
// running; if it were, a console message would reach no one in a GUI program.
namespace __gnu_cxx {
// The name is libstdc++'s own, which this definition replaces at link time.
void __verbose_terminate_handler() { std::abort(); }  // NOLINT(bugprone-reserved-identifier)
}  // namespace __gnu_cxx
