#include "app/ShowException.h"

#include "main/QtText.h"
#include "text/Error.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace vt {

namespace {

void CriticalBox(const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

MessageBoxFunction& BoxFunction()
{
    static MessageBoxFunction function = CriticalBox;
    return function;
}

} // namespace

QString ApplicationTitle()
{
    return QStringLiteral("Редактор вопросов");
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function)
{
    return std::exchange(BoxFunction(), std::move(function));
}

void ShowException(const std::exception_ptr& error)
{
    const QString text = ToQ(WithFullStop(InnermostMessage(error)));
    BoxFunction()(ApplicationTitle(), text);
}

void ReportToUser(const std::exception_ptr& error)
{
    // A control that holds the pointer would otherwise keep it while the box is up.
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    ShowException(error);
}

} // namespace vt
