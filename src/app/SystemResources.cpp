#include "SystemResources.h"

#include <QFile>
#include <QFontDatabase>

bool RegisterTypeface(const QString& file)
{
    return QFile::exists(file) && QFontDatabase::addApplicationFont(file) >= 0;
}
