// A plain terminate handler in place of libstdc++'s verbose one, which drags in the name demangler.
#include <exception>

#include <cstdlib>

// Every event catches its errors, so terminate is never reached in normal
// running; if it were, a console message would reach no one in a GUI program.
// tervane.exe's abort shows its internal error (app/win32/run_time_failures.cpp).
// The name is libstdc++'s own, which this definition replaces at link time;
// written qualified, it compiles only while <exception> declares it.
void __gnu_cxx::__verbose_terminate_handler() { std::abort(); }
