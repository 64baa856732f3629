#pragma once

#include <QString>

#include <exception>
#include <functional>

namespace vt {

/** The application title: the caption of every error report. */
QString ApplicationTitle();

/** Shows a modal critical message box; tests replace it. */
using MessageBoxFunction = std::function<void(const QString& caption, const QString& text)>;
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);

/** The top-level error report: the innermost non-empty message, with a full
 *  stop added unless it ends in one of " !\"#$%&'()*+,-.", in a message box
 *  captioned with the application title. Returns when the box is closed. */
void ShowException(const std::exception_ptr& error);

/** Releases any mouse grab and reports the error with ShowException; the
 *  reporter that the start-up installs for the error guard. */
void ReportToUser(const std::exception_ptr& error);

} // namespace vt
