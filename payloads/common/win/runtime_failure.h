// The payloads are built without C++ exceptions: where the runtime cannot go on (memory
// exhausted, a string longer than it can hold), the program ends at once with the exit
// code it names here, the code its own failure path gives.
#pragma once

namespace sorvane::payloads {

// Defined by each program that uses the lean runtime.
extern const int kRuntimeFailureExitCode;

[[noreturn]] void RuntimeFailure();

}  // namespace sorvane::payloads
