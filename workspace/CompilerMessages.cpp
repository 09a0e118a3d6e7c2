#include "workspace/CompilerMessages.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace CompilerMessages {

namespace {

// gcc and clang: FILE:LINE:COL: severity: text
const QRegularExpression
    GccStyle(QStringLiteral(R"(^(.+?):(\d+):(\d+): (fatal error|error|warning|note): (.*)$)"));
// q3cpp: "cpp: " and the include chain, innermost first ("FILE:LINE FILE:LINE text").
const QRegularExpression CppStyle(QStringLiteral(R"(^cpp: (.+?):(\d+) (.*)$)"));
const QRegularExpression CppChainPlace(QStringLiteral(R"(^\S+:\d+ )"));
// lcc and q3lcc: FILE:LINE: text, FILE possibly preceded by the first file's name and ": ".
const QRegularExpression LccStyle(QStringLiteral(R"(^(.+?):(\d+): (.+)$)"));
// The shells' own errors: dash "FILE: LINE: text", bash "FILE: line LINE: text".
const QRegularExpression ShellStyle(QStringLiteral(R"(^(.+?): (?:line )?(\d+): (.+)$)"));
// q3asm's CodeError: "NAME:LINE text", NAME without spaces.
const QRegularExpression AsmStyle(QStringLiteral(R"(^(\S+):(\d+) (.+)$)"));
const QRegularExpression AsmBanner(QStringLiteral(R"(^\*+ ERROR \*+$)"));

const QRegularExpression MakeDirectory(
    QStringLiteral(R"(^\S+(?:\[\d+\])?: (Entering|Leaving) directory [`'"](.*)['"]$)"));
const QRegularExpression TracedCd(QStringLiteral(R"(^\++ cd (.+)$)"));

// What q3cpp reports as a warning (its error() is told so, but its output does not say it).
// "#error directive" is left out: the author asked for an error.
const QStringList CppWarnings = {
    QStringLiteral("#line specifies number out of range"),
    QStringLiteral("Bad digit in number"),
    QStringLiteral("Bad token"),
    QStringLiteral("Character constant taken as not signed"),
    QStringLiteral("EOF inside comment"),
    QStringLiteral("Lexical botch in cpp"),
    QStringLiteral("Multibyte character constant undefined"),
    QStringLiteral("No newline at end of file"),
    QStringLiteral("Syntax error in #endif"),
    QStringLiteral("Syntax error in #if/#endif"),
    QStringLiteral("Undefined escape in character constant"),
    QStringLiteral("Unknown preprocessor control"),
    QStringLiteral("Wide char constant value undefined"),
};

// A name that can be a file: not a make target ("*** [all"), not blank.
bool PlausibleFile(const QString& file) {
    return !file.trimmed().isEmpty() && !file.startsWith(u'*') && !file.startsWith(u'[') &&
           !file.startsWith(u' ');
}

// Splits a leading "error: ", "warning: " or "note: " off the text.
Severity TakeSeverity(QString& text, Severity otherwise) {
    static const std::pair<QString, Severity> prefixes[] = {
        {QStringLiteral("fatal error: "), Severity::Error},
        {QStringLiteral("error: "), Severity::Error},
        {QStringLiteral("warning: "), Severity::Warning},
        {QStringLiteral("note: "), Severity::Note},
    };
    for (const auto& [prefix, severity] : prefixes) {
        if (text.startsWith(prefix)) {
            text = text.mid(prefix.size());
            return severity;
        }
    }
    return otherwise;
}

std::optional<Message> Located(QString file, const QString& line, int column, Severity severity,
                               QString text) {
    const int number = line.toInt();
    if (number <= 0 || !PlausibleFile(file) || text.trimmed().isEmpty())
        return std::nullopt;
    return Message{std::move(file), number, column, severity, std::move(text)};
}

} // namespace

std::optional<Message> Parse(const QString& line) {
    QString text = line;
    if (text.endsWith(u'\r'))
        text.chop(1);
    if (text.isEmpty())
        return std::nullopt;

    if (const auto m = GccStyle.match(text); m.hasMatch()) {
        const QString kind = m.captured(4);
        const Severity severity = kind == u"warning" ? Severity::Warning
                                  : kind == u"note"  ? Severity::Note
                                                     : Severity::Error;
        return Located(m.captured(1), m.captured(2), m.captured(3).toInt(), severity,
                       m.captured(5));
    }
    if (const auto m = CppStyle.match(text); m.hasMatch()) {
        QString rest = m.captured(3);
        for (auto place = CppChainPlace.match(rest); place.hasMatch();
             place = CppChainPlace.match(rest))
            rest = rest.mid(place.capturedLength());
        Severity severity = Severity::Error;
        for (const QString& warning : CppWarnings)
            if (rest.startsWith(warning))
                severity = Severity::Warning;
        return Located(m.captured(1), m.captured(2), 0, severity, rest);
    }
    if (const auto m = LccStyle.match(text); m.hasMatch()) {
        QString file = m.captured(1);
        // "first.c: included.h:LINE: ..." names the included file's line.
        if (const qsizetype split = file.lastIndexOf(QStringLiteral(": ")); split >= 0)
            file = file.mid(split + 2);
        QString rest = m.captured(3);
        const Severity severity = TakeSeverity(rest, Severity::Error);
        if (auto message = Located(file, m.captured(2), 0, severity, rest))
            return message;
    }
    if (const auto m = ShellStyle.match(text); m.hasMatch())
        return Located(m.captured(1), m.captured(2), 0, Severity::Error, m.captured(3));
    if (const auto m = AsmStyle.match(text); m.hasMatch()) {
        // A name of digits alone is more likely a time of day than an assembler file.
        static const QRegularExpression digits(QStringLiteral(R"(^[\d:]+$)"));
        if (!digits.match(m.captured(1)).hasMatch())
            return Located(m.captured(1), m.captured(2), 0, Severity::Error, m.captured(3));
    }
    if (AsmBanner.match(text).hasMatch())
        return Message{QString(), 0, 0, Severity::Error, text};
    return std::nullopt;
}

std::optional<DirectoryChange> DirectoryChangeIn(const QString& line) {
    QString text = line;
    if (text.endsWith(u'\r'))
        text.chop(1);
    if (const auto m = MakeDirectory.match(text); m.hasMatch()) {
        const auto kind = m.captured(1) == u"Entering" ? DirectoryChange::Kind::Enter
                                                       : DirectoryChange::Kind::Leave;
        return DirectoryChange{kind, m.captured(2)};
    }
    if (const auto m = TracedCd.match(text); m.hasMatch()) {
        QString directory = m.captured(1).trimmed();
        // sh -x quotes a word that needs it: 'my dir'.
        if (directory.size() >= 2 && directory.startsWith(u'\'') && directory.endsWith(u'\''))
            directory = directory.mid(1, directory.size() - 2);
        if (directory.isEmpty() || directory.contains(u'$'))
            return std::nullopt;
        return DirectoryChange{DirectoryChange::Kind::ChangeTo, directory};
    }
    return std::nullopt;
}

DirectoryTrail::DirectoryTrail(QString startDirectory) {
    places.push_back({std::move(startDirectory), 0});
}

void DirectoryTrail::Take(const QString& line) {
    const auto change = DirectoryChangeIn(line);
    if (!change)
        return;
    const QString named = QDir::fromNativeSeparators(change->directory);
    const QString& here = places.front().directory;
    const QString directory = QDir::cleanPath(
        here.isEmpty() || QDir::isAbsolutePath(named) ? named : here + u'/' + named);
    std::erase_if(places,
                  [&directory](const Place& place) { return place.directory == directory; });
    if (change->kind == DirectoryChange::Kind::Leave) {
        // Still a place the build has been in, but no longer the current one.
        places.push_back({directory, ++clock});
    } else {
        places.insert(places.begin(), {directory, ++clock});
    }
    if (places.size() > MostDirectories) {
        places.erase(
            std::min_element(places.begin(), places.end(),
                             [](const Place& a, const Place& b) { return a.touched < b.touched; }));
    }
    shared.reset();
}

std::shared_ptr<const QStringList> DirectoryTrail::Shared() const {
    if (!shared) {
        QStringList directories;
        directories.reserve(qsizetype(places.size()));
        for (const Place& place : places)
            directories.append(place.directory);
        shared = std::make_shared<const QStringList>(std::move(directories));
    }
    return shared;
}

QStringList SearchDirectories(const QStringList& trail, const QString& moduleDirectory,
                              const QStringList& subdirectories, const QString& sourceDirectory) {
    QStringList result;
    const auto add = [&result](const QString& directory) {
        if (!directory.isEmpty() && !result.contains(directory))
            result.append(directory);
    };
    for (const QString& directory : trail)
        add(directory);
    add(moduleDirectory);
    for (const QString& name : subdirectories)
        add(QDir(moduleDirectory).filePath(name));
    add(sourceDirectory);
    return result;
}

QString Locate(const QString& file, const QStringList& directories,
               const std::function<bool(const QString&)>& isFile) {
    const QString name = QDir::fromNativeSeparators(file);
    if (name.isEmpty())
        return {};
    QStringList names{name};
    if (QFileInfo(name).suffix().isEmpty())
        names.append(name + QStringLiteral(".asm")); // q3asm names its files without it
    // The path as the system resolves it decides, as it did for the compiler; the tidy form
    // (no "vm/..") is handed back when it names a file too, which it may not do through a
    // linked directory.
    const auto found = [&isFile](const QString& path) -> QString {
        if (!isFile(path))
            return {};
        const QString clean = QDir::cleanPath(path);
        return isFile(clean) ? clean : path;
    };
    for (const QString& candidate : names) {
        if (QDir::isAbsolutePath(candidate)) {
            if (const QString path = found(candidate); !path.isEmpty())
                return path;
            continue;
        }
        for (const QString& directory : directories) {
            if (const QString path = found(directory + u'/' + candidate); !path.isEmpty())
                return path;
        }
    }
    return {};
}

} // namespace CompilerMessages
