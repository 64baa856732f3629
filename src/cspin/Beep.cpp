#include "cspin/Beep.h"

#include <QApplication>

#include <utility>

namespace vt {

namespace {
std::function<void()>& BeepFunction()
{
    static std::function<void()> beep;
    return beep;
}
} // namespace

void Beep()
{
    if (BeepFunction())
        BeepFunction()();
    else
        QApplication::beep();
}

std::function<void()> SetBeepFunction(std::function<void()> beep)
{
    return std::exchange(BeepFunction(), std::move(beep));
}

} // namespace vt
