// A common dialog filter ("Description|pattern") as the Qt file dialog takes it. The user sees
// the description alone, as on Windows; the patterns do the matching, mapped where Linux names
// files differently: "*.*" is every file (Linux names need no dot), "*.exe" is every file with
// the executable bit (Linux programs have no extension).
#pragma once

#include <QString>

struct DialogFilter {
    QString nameFilter;           // "Description (patterns)", for QFileDialog::setNameFilter
    bool executablesOnly = false; // list only executable files (and folders, to move through)
};

DialogFilter TranslateFilter(const QString& filter);
