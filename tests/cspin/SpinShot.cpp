// Renders a spin edit showing 4 with its buttons, enlarged four times with
// nearest-neighbour scaling, into the PNG file named on the command line.
#include "cspin/TCSpinEdit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>

#include <cstdio>

using namespace vt;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: spin_shot OUTPUT.png\n");
        return 2;
    }
    QWidget window;
    window.resize(61, 42);
    auto* spin = new TCSpinEdit(&window);
    spin->SetMaxValue(5);
    spin->SetMinValue(1);
    spin->SetValue(4);
    spin->setGeometry(10, 10, 41, 22);
    window.show();
    const QImage image = window.grab().toImage();
    const bool saved =
        image.scaled(image.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation).save(argv[1]);
    return saved ? 0 : 1;
}
