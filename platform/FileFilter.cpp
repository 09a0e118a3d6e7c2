// Filter translation.
#include "platform/FileFilter.h"

#include <QStringList>

DialogFilter TranslateFilter(const QString& filter) {
    // Every caller gives one pair; a filter without a bar is its own description.
    const QStringList parts = filter.split(u'|');
    const QString description = parts.value(0).trimmed();
    const QString patternText = parts.size() > 1 ? parts[1] : parts[0];

    DialogFilter result;
    QStringList patterns;
    for (QString pattern : patternText.split(u';', Qt::SkipEmptyParts)) {
        pattern = pattern.trimmed();
        if (pattern == u"*.*") {
            pattern = QStringLiteral("*");
#ifndef Q_OS_WIN
        } else if (pattern.compare(u"*.exe", Qt::CaseInsensitive) == 0) {
            pattern = QStringLiteral("*");
            result.executablesOnly = true;
#endif
        }
        if (!pattern.isEmpty() && !patterns.contains(pattern))
            patterns.append(pattern);
    }
    if (patterns.isEmpty())
        patterns.append(QStringLiteral("*"));
    // The dialog hides the parenthesised patterns at the end, leaving the description.
    result.nameFilter = description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    return result;
}
