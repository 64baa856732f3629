#pragma once

#include <functional>

/** Sounds the default system beep through the installed beep function. */
void Beep();

/** Installs the function that Beep calls and returns the previous one; an
 *  empty function restores the default, QApplication::beep(). */
std::function<void()> SetBeepFunction(std::function<void()> beep);
