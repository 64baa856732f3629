#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    (void)argc;
    QWidget w;
    w.show();
    app.exec();
    return 0;
}
