#pragma once

#include "cspin/Beep.h"
#include "text/Error.h"
#include "text/ErrorReport.h"
#include "text/Utf.h"

#include <QString>

#include <exception>
#include <functional>
#include <string>
#include <vector>

using namespace vt;

// Counts beeps instead of sounding them while it lives.
class BeepCounter
{
public:
    BeepCounter() : m_previous(SetBeepFunction([this] { ++count; })) {}
    ~BeepCounter() { SetBeepFunction(m_previous); }
    BeepCounter(const BeepCounter&) = delete;
    BeepCounter& operator=(const BeepCounter&) = delete;

    int count = 0;

private:
    std::function<void()> m_previous;
};

// Records the messages of reported errors while it lives.
class ReportRecorder
{
public:
    ReportRecorder()
        : m_previous(SetErrorReporter([this](std::exception_ptr e) { messages.push_back(MessageOf(e)); }))
    {
    }
    ~ReportRecorder() { SetErrorReporter(m_previous); }
    ReportRecorder(const ReportRecorder&) = delete;
    ReportRecorder& operator=(const ReportRecorder&) = delete;

    std::vector<std::u16string> messages;

private:
    ErrorReporter m_previous;
};

inline QString Q(const std::u16string& s)
{
    return QString::fromStdU16String(s);
}
