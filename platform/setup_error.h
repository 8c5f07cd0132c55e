// Errors that a step lets out travel as this exception, carrying the text that the
// error box shows.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace sorvane {

// Holds its text itself rather than deriving from std::runtime_error, whose
// reference-counted string would add a second string implementation to the product.
// |code| is the system's error code where a failed call gave one: it must be taken
// where the call failed, as unwinding may clear the thread's last error.
class SetupError : public std::exception {
  public:
    explicit SetupError(std::string message, std::uint32_t code = 0)
        : message_(std::move(message)), code_(code) {}
    const char* what() const noexcept override { return message_.c_str(); }
    std::uint32_t code() const { return code_; }

  private:
    std::string message_;
    std::uint32_t code_;
};

}  // namespace sorvane
