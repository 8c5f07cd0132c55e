// The product's replacements for parts of the C++ runtime that a GUI setup never
// needs but that would otherwise be linked in whole.
//
// The runtime's verbose terminate handler prints the type of an uncaught exception to
// the standard error stream, which a GUI program does not have, and brings a symbol
// demangler and a printf engine with it. An uncaught exception ends the program
// either way.
//
// The runtime raises its standard exceptions for faults of the library's use (a string
// longer than memory, a bad index); their types carry a second, reference-counted
// string implementation. Here they are raised as one light type with the same text:
// the setup catches every exception by its base class, never by these types.
#include <cstdarg>
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::abort();
}

}  // namespace __gnu_cxx

namespace {

class LibraryFault : public std::exception {
  public:
    explicit LibraryFault(const char* what) : what_(what ? what : "library fault") {}
    const char* what() const noexcept override { return what_; }

  private:
    const char* what_;
};

}  // namespace

namespace std {

void __throw_bad_exception() {
    throw bad_exception();
}
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_bad_cast() {
    throw bad_cast();
}
void __throw_bad_typeid() {
    throw bad_typeid();
}
void __throw_logic_error(const char* what) {
    throw LibraryFault(what);
}
void __throw_domain_error(const char* what) {
    throw LibraryFault(what);
}
void __throw_invalid_argument(const char* what) {
    throw LibraryFault(what);
}
void __throw_length_error(const char* what) {
    throw LibraryFault(what);
}
void __throw_out_of_range(const char* what) {
    throw LibraryFault(what);
}
void __throw_out_of_range_fmt(const char* what, ...) {
    throw LibraryFault(what);
}
void __throw_runtime_error(const char* what) {
    throw LibraryFault(what);
}
void __throw_range_error(const char* what) {
    throw LibraryFault(what);
}
void __throw_overflow_error(const char* what) {
    throw LibraryFault(what);
}
void __throw_underflow_error(const char* what) {
    throw LibraryFault(what);
}

}  // namespace std
