#include "app/AppIcon.h"

#include <QString>

// The resource object sits in a static library, where nothing else refers to
// it; this pulls it into the program and registers it. Q_INIT_RESOURCE must be
// used outside any namespace.
static void InitIconResources()
{
    Q_INIT_RESOURCE(vertalina_icons);
}

namespace vt {

QIcon AppIcon()
{
    static const bool registered = (InitIconResources(), true);
    (void)registered;

    QIcon icon;
    for (int size : AppIconSizes)
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace vt
