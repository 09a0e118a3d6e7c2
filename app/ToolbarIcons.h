// The pictures of the main window: the nine 16 x 16 toolbar images of imlToolbarIcons (drawn on
// light grey 0xC0C0C0, which is transparent), the program icon, the source window's icon and
// the splash window's logo. The toolbar and source window images are drawn in code; the program
// icon and logo are resources/kelto.svg, rendered to the PNGs compiled in from resources/kelto.qrc.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <utility>
#include <vector>

namespace ToolbarIcons {

// The image list in its order: "New", "Find", "Open", "Save", "Print", "Cut", "Copy", "Paste",
// "Properties"; each 16 x 16 with its light grey made transparent.
std::vector<std::pair<QString, QPixmap>> ImageList();
// One image of the list by key; a null pixmap for an unknown key.
QPixmap Image(const QString& key);

QIcon ProgramIcon();
QIcon DocumentIcon();
QPixmap Logo(int size);

} // namespace ToolbarIcons
