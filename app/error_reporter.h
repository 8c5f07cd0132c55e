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

    // The text the box shows for an error.
    static std::string Describe(std::exception_ptr error);

  private:
    Os& os_;
    bool silent_ = false;
    WindowHandle owner_ = 0;
    int reported_ = 0;
    std::string last_message_;
};

}  // namespace sorvane
