// Errors that a step lets out travel as this exception, carrying the text that the
// error box shows.
#pragma once

#include <exception>
#include <string>

namespace sorvane {

// Holds its text itself rather than deriving from std::runtime_error, whose
// reference-counted string would add a second string implementation to the product.
class SetupError : public std::exception {
  public:
    explicit SetupError(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    std::string message_;
};

}  // namespace sorvane
