#include "app/error_reporter.h"

#include <new>

namespace sorvane {

std::string ErrorReporter::Describe(std::exception_ptr error) {
    try {
        if (error) std::rethrow_exception(error);
        return "Unknown error.";
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
        last_message_ = Describe(error);
        if (!silent_) os_.MessageBox(owner_, last_message_, "Error", kMbOk | kMbIconError);
    } catch (...) {
        // Nothing more can be done for an error whose report fails.
    }
}

}  // namespace sorvane
