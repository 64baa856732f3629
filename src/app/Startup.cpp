#include "app/Startup.h"

#include "app/AppIcon.h"
#include "app/ShowException.h"
#include "app/SystemResources.h"
#include "main/TF.h"
#include "text/ErrorReport.h"

#include <QApplication>

#include <memory>

namespace vt {

namespace {

/** Backstop: no exception may travel through the toolkit's event dispatch.
 *  Our own handlers are guarded; this catches whatever slips past them. */
class Application : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            ReportError(std::current_exception());
            return false;
        }
    }
};

} // namespace

int RunEditor(int argc, char** argv, const WindowFactory& makeWindow)
{
    // The editor takes no arguments: the toolkit sees only the program name.
    int toolkitArgc = argc > 0 ? 1 : 0;
    char* toolkitArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    Application app(toolkitArgc, toolkitArgv);
    QApplication::setQuitOnLastWindowClosed(true);
    RegisterTypeface();
    LoadToolkitTranslations();
    QApplication::setWindowIcon(AppIcon());
    QGuiApplication::setDesktopFileName(QString::fromLatin1(DesktopFileId));
    SetErrorReporter(ReportToUser);

    std::unique_ptr<QWidget> window;
    try {
        window = makeWindow ? makeWindow() : std::make_unique<TF>();
        window->show();
    } catch (...) {
        ShowException(std::current_exception());
        return 0;
    }
    QApplication::exec();
    return 0;
}

} // namespace vt
