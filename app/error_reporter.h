// The one process-wide handler for errors that no step catches.
#pragma once

#include <exception>
#include <string>

#include "platform/os.h"

namespace sorvane {

class ErrorReporter {
  public:
    explicit ErrorReporter(Os& os) : os_(os) {}

    // Interactive runs show the error box; silent runs show nothing.
    void SetSilent(bool silent) { silent_ = silent; }
    void SetOwner(WindowHandle owner) { owner_ = owner; }

    // Reports one error; never throws.
    void Report(std::exception_ptr error) noexcept;

    int reported() const { return reported_; }
    const std::string& last_message() const { return last_message_; }
    std::uint32_t last_code() const { return last_code_; }  // the system's, 0 when none

    // The text the box shows for an error; |code| receives the system's error code
    // that it carries, if any.
    static std::string Describe(std::exception_ptr error, std::uint32_t* code = nullptr);

  private:
    Os& os_;
    bool silent_ = false;
    WindowHandle owner_ = 0;
    int reported_ = 0;
    std::string last_message_;
    std::uint32_t last_code_ = 0;
};

}  // namespace sorvane
