#pragma once

#include <functional>

namespace vt {

/** Sounds the default system beep through the installed beep function. */
void Beep();

/** Installs the function that Beep calls and returns the previous one; an
 *  empty function restores the default, QApplication::beep(). */
std::function<void()> SetBeepFunction(std::function<void()> beep);

} // namespace vt
