// The launcher's splitting of a command line, against the shell it imitates. For any text:
// the words it gives, each quoted for sh and joined, split back into the same words. For any
// text that asks the shell for nothing but words (no expansion, redirection, second command or
// comment: none of $ ` ; & | < > ( ) # ~ or a line break), /bin/sh finds exactly the same
// words, or a syntax error where the splitting refuses an open quote.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

#include "ShellChild.h"
#include "platform/Launcher.h"

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

// Prints the number of its arguments on a line, then each followed by a NUL.
const QByteArray WordsOfTheShell = "set -f\n"
                                   "p() { printf '%s\\n' \"$#\"; for w do printf '%s\\0' \"$w\"; "
                                   "done; }\n"
                                   "p ";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 2048)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QStringList> words = Launcher::SplitCommandLine(text);

    if (words) {
        QByteArray requoted;
        for (const QString& word : *words)
            requoted += Launcher::ShellQuoted(word.toUtf8()) + ' ';
        Check(Launcher::SplitCommandLine(QString::fromUtf8(requoted)) == words);
    }

    for (const QChar c : text)
        if (QStringView(u"$`;&|<>()#~\n").contains(c) || c.isNull())
            return 0;
    const QByteArray script = WordsOfTheShell + text.toUtf8();
    const ShellResult run =
        RunShell({"-c", std::string(script.constData(), std::size_t(script.size()))}, "/",
                 {"PATH=/nonexistent"});
    if (!words) {
        Check(run.exited && run.status != 0 && !run.err.empty());
        return 0;
    }
    Check(run.exited && run.status == 0 && run.err.empty());
    const std::size_t line = run.out.find('\n');
    Check(line != std::string::npos);
    Check(run.out.substr(0, line) == std::to_string(words->size()));
    std::size_t at = line + 1;
    for (const QString& word : *words) {
        const std::size_t end = run.out.find('\0', at);
        Check(end != std::string::npos);
        Check(QString::fromUtf8(run.out.data() + at, qsizetype(end - at)) == word);
        at = end + 1;
    }
    Check(at == run.out.size());
    return 0;
}
