#pragma once

#include <QWidget>

#include <functional>
#include <memory>

namespace vt {

class TF;

/** Makes the main window; tests put in one that fails. */
using WindowFactory = std::function<std::unique_ptr<QWidget>()>;

/** The whole run of the editor: builds the application and the main window,
 *  runs the event loop until the window is closed. Reads nothing of the
 *  command line but the program name, and always returns 0. An error that
 *  escapes the start is reported and the loop is not run. */
int RunEditor(int argc, char** argv, const WindowFactory& makeWindow = {});

} // namespace vt
