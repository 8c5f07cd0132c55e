#include "app/error_reporter.h"

#include <new>

#include "platform/setup_error.h"

namespace sorvane {

std::string ErrorReporter::Describe(std::exception_ptr error, std::uint32_t* code) {
    if (code) *code = 0;
    try {
        if (error) std::rethrow_exception(error);
        return "Unknown error.";
    } catch (const SetupError& e) {
        if (code) *code = e.code();
        return e.what();
    } catch (const std::bad_alloc&) {
        return "Out of memory.";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error.";
    }
}

void ErrorReporter::Report(std::exception_ptr error) noexcept {
    try {
        ++reported_;
        last_message_ = Describe(error, &last_code_);
        if (!silent_) os_.MessageBox(owner_, last_message_, "Error", kMbOk | kMbIconError);
    } catch (...) {
        // Nothing more can be done for an error whose report fails.
    }
}

}  // namespace sorvane
