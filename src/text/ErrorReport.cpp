#include "text/ErrorReport.h"

#include <utility>

namespace vt {

namespace {
ErrorReporter& Reporter()
{
    static ErrorReporter reporter;
    return reporter;
}
} // namespace

ErrorReporter SetErrorReporter(ErrorReporter reporter)
{
    return std::exchange(Reporter(), std::move(reporter));
}

void ReportError(std::exception_ptr error) noexcept
{
    try {
        if (Reporter())
            Reporter()(std::move(error));
    } catch (...) {
    }
}

} // namespace vt
