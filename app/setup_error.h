// Errors that a step lets out travel as this exception, carrying the text that the
// error box shows.
#pragma once

#include <stdexcept>
#include <string>

namespace sorvane {

class SetupError : public std::runtime_error {
  public:
    explicit SetupError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace sorvane
