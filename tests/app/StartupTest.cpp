// Runs the editor's start with a window that cannot be made: the failure is
// reported in the error box and the run ends with status 0 without a loop.
#include "app/Startup.h"
#include "app/ShowException.h"
#include "text/Error.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontInfo>

#include <cstdio>

using namespace vt;

int main(int argc, char** argv)
{
    QStringList shown;
    SetMessageBoxFunction([&](const QString& caption, const QString& text) { shown << caption << text; });
    int failures = 0;
    int checks = 0;
    const auto expect = [&](bool ok, const char* what) {
        ++checks;
        if (!ok) {
            std::fprintf(stderr, "FAIL: %s\n", what);
            ++failures;
        }
    };

    // The toolkit's dialogs follow the system's language.
    qputenv("LC_ALL", "ru_RU.UTF-8");
    bool tahoma = false;
    QString lookIn;
    const int status = RunEditor(argc, argv, [&]() -> std::unique_ptr<QWidget> {
        tahoma = QFontInfo(QFont(QStringLiteral("Tahoma"))).family() == QStringLiteral("Tahoma");
        lookIn = QCoreApplication::translate("QFileDialog", "Look in:");
        throw Error(u"Window cannot be created");
    });
    expect(status == 0, "status 0 after a failed start");
    expect(tahoma, "the window is made with Tahoma registered (Debian package fonts-wine)");
#ifndef _WIN32
    // Windows takes the language from the user's settings, not from the
    // environment: there the translations beside the program are checked by
    // the system resources test with a given language.
    expect(lookIn == QStringLiteral("Перейти к:"),
           "the toolkit speaks the system's language (Debian package qt6-translations-l10n)");
#endif
    expect(shown == QStringList(
                        {QStringLiteral("Редактор вопросов"), QStringLiteral("Window cannot be created.")}),
           "the start failure is reported with its message");

    shown.clear();
    const int second = RunEditor(argc, argv, []() -> std::unique_ptr<QWidget> { throw 7; });
    expect(second == 0, "status 0 after a failure without a message");
    expect(shown == QStringList({QStringLiteral("Редактор вопросов"), QString()}),
           "a failure without a message shows an empty text");

    std::printf("%d passed, %d failed\n", checks - failures, failures);
    return failures == 0 ? 0 : 1;
}
