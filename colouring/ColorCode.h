// The colouring engine's three colour values: decimal text of red + 256*green + 65536*blue.
// Empty until the main window's load step calls Set(); never changed afterwards.
#pragma once

#include <QString>

struct ColorCode {
    QString PlainColor;
    QString DirectiveColor;
    QString CommentColor;

    void Set() {
        PlainColor = QStringLiteral("0");
        DirectiveColor = QString::number(16711680); // blue
        CommentColor = QString::number(32768);      // green (palette entry 2)
    }
};
