#include "platform/LiteralText.h"

namespace LiteralText {

QString WindowTitle(const QString& text) {
    // Every run of placeholders becomes one twice as long: an even run is shown halved, so
    // as written (runs cannot overlap: "[*]" begins and ends with different characters).
    QString title = text;
    title.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    return title;
}

QString MenuText(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return shown;
}

} // namespace LiteralText
