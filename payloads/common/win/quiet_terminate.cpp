// The programs have no console to print a terminate message to; replacing the
// verbose handler keeps the demangler (a quarter of each file) out of the link.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::abort();
}

}  // namespace __gnu_cxx
