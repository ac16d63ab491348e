// The program's own terminate handler. The C++ runtime's default one would print the
// pending exception's type name, demangled, to a console that this GUI program does not
// have, and then abort. Defining it here ends the program the same way and keeps the
// runtime's name demangler (about 37 KB) out of the program file.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
