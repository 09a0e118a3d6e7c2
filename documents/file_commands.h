// The two caption tests of the file commands, shared with the source window's save prompt.
#pragma once

#include <QString>

// Untitled: the caption's first six characters are exactly "Source" (case-sensitive).
inline bool IsUntitled(const QString& caption) {
    return caption.startsWith(QLatin1String("Source"), Qt::CaseSensitive);
}

// Coloured as C source: the caption ends with exactly ".c" or ".h" (A.C or a.cpp do not).
inline bool PassesColourTest(const QString& caption) {
    return caption.endsWith(QLatin1String(".c"), Qt::CaseSensitive) ||
           caption.endsWith(QLatin1String(".h"), Qt::CaseSensitive);
}
