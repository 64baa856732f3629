#pragma once

#include <QIcon>

namespace vt {

/** The id under which the desktop knows the editor: the name of its desktop
 *  entry (without ".desktop"), of its icon in the icon theme and of its
 *  AppStream metainfo. Pass it to QGuiApplication::setDesktopFileName so the
 *  window is matched with its menu entry and icon. */
inline constexpr char DesktopFileId[] = "org.vertalina.Editor";

/** The square sizes, in pixels, in which the application icon is drawn. */
inline constexpr int AppIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

/** The application icon with one image for each of AppIconSizes, read from
 *  the resources compiled into the program. Give it to
 *  QApplication::setWindowIcon; the window's caption bar and its task bar
 *  entry show it. Needs a QGuiApplication to exist; throws nothing. */
QIcon AppIcon();

} // namespace vt
