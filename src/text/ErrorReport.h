#pragma once

#include <exception>
#include <functional>

namespace vt {

/** The process-wide error report. Every entry point that the window toolkit
 *  calls into our code runs through Guard, so no exception ever travels
 *  through toolkit code: it is caught here and handed to the reporter. */
using ErrorReporter = std::function<void(std::exception_ptr)>;

/** Installs the reporter and returns the previous one. */
ErrorReporter SetErrorReporter(ErrorReporter reporter);

/** Hands the error to the installed reporter; without one, it is dropped. A
 *  reporter that throws has its own error dropped. */
void ReportError(std::exception_ptr error) noexcept;

/** Runs f; an exception that leaves it is reported and swallowed.
 *  Returns false when f failed. */
template <class F>
bool Guard(F&& f) noexcept
{
    try {
        f();
        return true;
    } catch (...) {
        ReportError(std::current_exception());
        return false;
    }
}

} // namespace vt
