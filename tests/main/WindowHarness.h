#pragma once

#include "main/TF.h"
#include "text/Error.h"
#include "text/ErrorReport.h"

#include <QApplication>
#include <QList>
#include <QTest>

#include <memory>
#include <string>

using namespace vt;

/** A main window whose error reports are recorded instead of shown. */
class WindowHarness
{
public:
    WindowHarness()
    {
        m_previous = SetErrorReporter([this](std::exception_ptr e) { errors << InnermostMessage(e); });
        window = std::make_unique<TF>();
    }
    ~WindowHarness()
    {
        window.reset();
        SetErrorReporter(m_previous);
    }

    /** Shows the window and makes it the active one; false if it never became active. */
    bool ShowActive()
    {
        window->show();
        QApplication::setActiveWindow(window.get());
        return QTest::qWaitForWindowActive(window.get());
    }

    std::unique_ptr<TF> window;
    QList<std::u16string> errors;

private:
    ErrorReporter m_previous;
};
