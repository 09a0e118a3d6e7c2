// Command-line splitting and quoting, and the choice of what a typed command line starts.
#include "platform/Launcher.h"

#include <algorithm>
#include <string_view>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace Launcher {

namespace {

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

} // namespace

std::optional<QStringList> SplitCommandLine(const QString& text) {
    QStringList words;
    QString word;
    bool inWord = false; // a word has begun, even an empty quoted one
    enum { Plain, Single, Double } state = Plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (state) {
        case Plain:
            if (IsBlank(c)) {
                if (inWord)
                    words.append(word);
                word.clear();
                inWord = false;
            } else if (c == u'\'') {
                state = Single;
                inWord = true;
            } else if (c == u'"') {
                state = Double;
                inWord = true;
            } else if (c == u'\\' && i + 1 < text.size()) {
                ++i;
                if (text[i] != u'\n') { // backslash-newline joins lines
                    word += text[i];
                    inWord = true;
                }
            } else {
                word += c;
                inWord = true;
            }
            break;
        case Single:
            if (c == u'\'')
                state = Plain;
            else
                word += c;
            break;
        case Double:
            if (c == u'"') {
                state = Plain;
            } else if (c == u'\\' && i + 1 < text.size() &&
                       QStringView(u"$`\"\\\n").contains(text[i + 1])) {
                ++i;
                if (text[i] != u'\n')
                    word += text[i];
            } else {
                word += c;
            }
            break;
        }
    }
    if (state != Plain)
        return std::nullopt;
    if (inWord)
        words.append(word);
    return words;
}

QByteArray ShellQuoted(const QByteArray& word) {
    QByteArray quoted = word;
    quoted.replace('\'', "'\\''");
    return '\'' + quoted + '\'';
}

QByteArray BatchQuoted(const QByteArray& word) {
    constexpr std::string_view special = "&|<>^()%";
    if (std::none_of(word.begin(), word.end(),
                     [&](char c) { return special.find(c) != std::string_view::npos; }))
        return word;
    QByteArray quoted = word;
    quoted.replace('%', "%%");
    return '"' + quoted + '"';
}

QByteArray BatchBytes(const QString& text) {
#ifdef Q_OS_WIN
    const std::wstring wide = text.toStdWString();
    const int size = WideCharToMultiByte(CP_OEMCP, 0, wide.data(), int(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    QByteArray bytes(size, '\0');
    WideCharToMultiByte(CP_OEMCP, 0, wide.data(), int(wide.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
#else
    return text.toLocal8Bit();
#endif
}

std::optional<ProgramStart>
ProgramForCommandLine(const QString& commandLine,
                      const std::function<bool(const QString&)>& isExecutableFile, QString& error) {
    if (isExecutableFile(commandLine))
        return ProgramStart{commandLine, {}};
    // Blanks around a whole path are a slip of the keyboard, not arguments.
    if (const QString whole = commandLine.trimmed();
        whole != commandLine && !whole.isEmpty() && isExecutableFile(whole))
        return ProgramStart{whole, {}};

    const std::optional<QStringList> words = SplitCommandLine(commandLine);
    if (!words) {
        error = QStringLiteral("The command line has a quote that is not closed");
        return std::nullopt;
    }
    if (words->isEmpty()) {
        error = QStringLiteral("The command line is empty");
        return std::nullopt;
    }
    if (!isExecutableFile(words->first())) {
        // An unquoted path with blanks followed by arguments: the shortest leading run of
        // words, joined by the text's own blanks, that names an executable file.
        const QString text = commandLine.trimmed();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!IsBlank(text[i]) || (i > 0 && IsBlank(text[i - 1])))
                continue;
            const QString head = text.left(i);
            if (head.contains(u'"') || head.contains(u'\'') || head.contains(u'\\'))
                break;
            if (isExecutableFile(head)) {
                const std::optional<QStringList> rest = SplitCommandLine(text.mid(i));
                if (rest)
                    return ProgramStart{head, *rest};
                break;
            }
        }
    }
    return ProgramStart{words->first(), words->mid(1)};
}

} // namespace Launcher
