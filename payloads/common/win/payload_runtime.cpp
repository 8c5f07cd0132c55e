// The pieces of the C++ runtime that the payloads use, without exceptions: allocation on
// the process heap and the library's error reports ending the program. Linked as an
// object, so that these win over the library's own, which would bring in the whole
// unwinder and its tables.
#include <windows.h>

#include <cstddef>
#include <new>

#include "payloads/common/win/runtime_failure.h"

namespace sorvane::payloads {

void RuntimeFailure() {
    ExitProcess(static_cast<UINT>(kRuntimeFailureExitCode));
}

}  // namespace sorvane::payloads

namespace {

void* Allocate(std::size_t size) {
    void* p = HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1);
    if (p == nullptr) sorvane::payloads::RuntimeFailure();
    return p;
}

void Release(void* p) {
    if (p != nullptr) HeapFree(GetProcessHeap(), 0, p);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

namespace std {

void __throw_bad_alloc() { sorvane::payloads::RuntimeFailure(); }
void __throw_bad_array_new_length() { sorvane::payloads::RuntimeFailure(); }
void __throw_length_error(const char*) { sorvane::payloads::RuntimeFailure(); }
void __throw_logic_error(const char*) { sorvane::payloads::RuntimeFailure(); }
void __throw_out_of_range(const char*) { sorvane::payloads::RuntimeFailure(); }
void __throw_out_of_range_fmt(const char*, ...) { sorvane::payloads::RuntimeFailure(); }
void __throw_invalid_argument(const char*) { sorvane::payloads::RuntimeFailure(); }
void __throw_bad_function_call() { sorvane::payloads::RuntimeFailure(); }

}  // namespace std

// No console to print a terminate message to, and no demangler wanted in the file.
namespace __gnu_cxx {

void __verbose_terminate_handler() { sorvane::payloads::RuntimeFailure(); }

}  // namespace __gnu_cxx
