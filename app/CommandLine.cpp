// Parsing the command line with Qt's parser, in the mode where a word after a single dash is
// one option, as Qt's own options (-style fusion) are written. File names keep their bytes.
#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>
#include <cstdio>
#include <optional>

#include "app/Version.h"
#include "platform/TextFile.h"

#ifndef Q_OS_WIN
#include <cerrno>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
#include <windows.h>

#include <shellapi.h> // after windows.h, whose types it uses
#endif

namespace {

const QString ProgramName = QStringLiteral("kelto");
const QString UsageLine = QStringLiteral("Usage: kelto [options] [FILE...]\n");

// Options of every Qt program, read by the application object itself.
void AcceptQtOptions(QCommandLineParser& parser) {
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
          "qwindowicon", "qwindowtitle", "session", "display", "geometry", "style", "stylesheet"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// A file: URL's file, its bytes kept (%FF and raw bytes alike): nothing when it names a file
// on another computer. file:/p, file:///p and file://localhost/p are local.
std::optional<QString> LocalFile(const QString& url, QString& host) {
    QString rest = url.mid(5); // after "file:"
    if (const qsizetype end = rest.indexOf(QRegularExpression(QStringLiteral("[?#]"))); end >= 0)
        rest.truncate(end); // a query or a fragment is no part of the path
    host.clear();
    QString authority;
    if (rest.startsWith(QLatin1String("//"))) {
        const qsizetype slash = rest.indexOf(u'/', 2);
        authority = rest.mid(2, slash < 0 ? -1 : slash - 2);
        host = TextFile::FromBytes(QByteArray::fromPercentEncoding(TextFile::ToBytes(authority)));
        rest = slash < 0 ? QStringLiteral("/") : rest.mid(slash);
#ifndef Q_OS_WIN
        if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
            return std::nullopt;
#endif
    }
#ifdef Q_OS_WIN
    // file://server/share/a.c is a network path; file:///C:/a.c a drive's.
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        rest.prepend(QStringLiteral("//") + authority);
    else if (rest.size() > 2 && rest[0] == u'/' && rest[2] == u':')
        rest.remove(0, 1);
#endif
    return TextFile::FromBytes(QByteArray::fromPercentEncoding(TextFile::ToBytes(rest)));
}

// The argument's absolute, clean path. On Linux worked out as text: Qt's file classes would
// spell a name that is not UTF-8 otherwise. On Windows as the file dialogs give paths: a path
// from the root is on the current drive, with backslashes.
QString AbsolutePath(const QString& name, const QString& currentDirectory) {
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(currentDirectory).absoluteFilePath(name)));
#else
    return QDir::cleanPath(QDir::isAbsolutePath(name) ? name : currentDirectory + u'/' + name);
#endif
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments, const QString& currentDirectory) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Kelto, a small IDE for Quake III Arena mod authors.\n"
                       "Each FILE opens in a source window; a .kws file opens as the workspace.\n"
                       "When Kelto already runs on this display, it takes the files and comes\n"
                       "to the front."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
    AcceptQtOptions(parser);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A source file to open, or a workspace (.kws)."),
                                 QStringLiteral("[FILE...]"));

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::Fail;
        result.text = ProgramName + QStringLiteral(": ") + parser.errorText() + QLatin1Char('\n') +
                      UsageLine + QStringLiteral("Try 'kelto --help' for more information.\n");
        return result;
    }
    if (parser.isSet(help)) {
        // The parser names the program after the application object, which does not exist yet.
        QString text = parser.helpText();
        text.replace(0, text.indexOf(QLatin1Char('\n')) + 1, UsageLine);
        result.action = CommandLine::Action::PrintHelp;
        result.text = text;
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::PrintVersion;
        result.text = QStringLiteral("Kelto %1\n").arg(QLatin1String(KeltoVersion));
        return result;
    }
    for (const QString& argument : parser.positionalArguments()) {
        if (argument.isEmpty()) // names no file (a launcher's empty field code)
            continue;
        QString name = argument;
        if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            QString host;
            const std::optional<QString> local = LocalFile(argument, host);
            if (!local) {
                result.action = CommandLine::Action::Fail;
                result.files.clear();
                result.text = ProgramName +
                              QStringLiteral(": %1: not a file on this computer (it is on \"%2\"); "
                                             "Kelto opens local files only\n")
                                  .arg(argument, host);
                return result;
            }
            name = *local;
        }
        result.files.append(AbsolutePath(name, currentDirectory));
    }
    return result;
}

QStringList ArgumentsOf(int argc, char** argv) {
    QStringList arguments;
#ifdef Q_OS_WIN
    // argv holds the ANSI code page's idea of the names, '?' for a character it lacks; the
    // command line itself is UTF-16, split as every Windows program splits it.
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    int count = 0;
    if (wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments.append(QString::fromWCharArray(words[i]));
        LocalFree(words);
    }
#else
    for (int i = 0; i < argc; ++i)
        arguments.append(TextFile::DecodeName(argv[i]));
#endif
    return arguments;
}

QString CurrentDirectory() {
#ifdef Q_OS_WIN
    return QDir::currentPath();
#else
    // QDir::currentPath would spell a folder name that is not UTF-8 otherwise.
    QByteArray buffer(4096, Qt::Uninitialized);
    while (!::getcwd(buffer.data(), static_cast<size_t>(buffer.size()))) {
        if (errno != ERANGE)
            return QDir::currentPath();
        buffer.resize(buffer.size() * 2);
    }
    return TextFile::DecodeName(QByteArray(buffer.constData()));
#endif
}

int PrintCommandLine(const CommandLine& commandLine) {
    const bool failed = commandLine.action == CommandLine::Action::Fail;
#ifdef Q_OS_WIN
    // A windowed program has no console of its own: the text goes to the console it was started
    // from, else to wherever the standard handle leads (a file, a pipe), as UTF-8.
    const DWORD which = failed ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    HANDLE handle = GetStdHandle(which);
    if (!handle || handle == INVALID_HANDLE_VALUE) {
        AttachConsole(ATTACH_PARENT_PROCESS);
        handle = GetStdHandle(which);
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring text = commandLine.text.toStdWString();
        WriteConsoleW(handle, text.c_str(), DWORD(text.size()), &written, nullptr);
    } else {
        const QByteArray text = commandLine.text.toUtf8();
        WriteFile(handle, text.constData(), DWORD(text.size()), &written, nullptr);
    }
#else
    std::FILE* stream = failed ? stderr : stdout;
    std::fputs(commandLine.text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
#endif
    return failed ? 1 : 0;
}

bool IsWorkspaceFile(const QString& path) {
    return path.endsWith(QLatin1String(".kws"), Qt::CaseInsensitive);
}
