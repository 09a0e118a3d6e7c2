// The out-of-date rule of ModuleFiles.h over the files on disk. Paths are worked with in Qt's
// form (forward slashes) and compared cleaned, so a header reached twice is read once.
#include "workspace/ModuleFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include "workspace/BuildScript.h"

namespace {

QString QtPath(const QString& path) {
    return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

QString ModuleFolder(const QString& sourceDir, const BuildModule& module) {
    return QtPath(BuildScript::PathsFor(sourceDir, module).moduleDirectory);
}

QString ListPath(const QString& sourceDir, const BuildModule& module) {
    return ModuleFolder(sourceDir, module) + u'/' + module.name + QStringLiteral(".q3asm");
}

// The lines of the module's list, without blanks; empty when it has none.
QStringList ListLines(const QString& sourceDir, const BuildModule& module) {
    QFile file(ListPath(sourceDir, module));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromLocal8Bit(raw).trimmed();
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

// Where a plain name of the list, or an included header, may be: the module's folder first,
// then the other modules' folders and qcommon.
QStringList SearchFolders(const QString& sourceDir, const BuildModule& module) {
    const QString root = QtPath(sourceDir);
    QStringList folders{ModuleFolder(sourceDir, module)};
    for (const BuildModule& other : BuildModules)
        if (other.name != module.name)
            folders << ModuleFolder(sourceDir, other);
    folders << root + QStringLiteral("/qcommon");
    return folders;
}

QString FirstFile(const QStringList& candidates) {
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(candidate);
    return {};
}

// The names a source includes in double quotes.
QStringList IncludedNames(const QString& path) {
    static const QRegularExpression include(
        QStringLiteral("^[ \\t]*#[ \\t]*include[ \\t]*\"([^\"\\r\\n]+)\""),
        QRegularExpression::MultilineOption);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLatin1(file.readAll());
    QStringList names;
    for (auto match = include.globalMatch(text); match.hasNext();)
        names << match.next().captured(1).replace(u'\\', u'/');
    return names;
}

} // namespace

namespace ModuleFiles {

QString QvmName(const QString& sourceDir, const BuildModule& module) {
    for (const QString& line : ListLines(sourceDir, module)) {
        if (!line.startsWith(QStringLiteral("-o")))
            continue;
        QString name = line.mid(2).trimmed();
        name.remove(u'"');
        name = name.replace(u'\\', u'/').section(u'/', -1);
        if (name.endsWith(QStringLiteral(".qvm"), Qt::CaseInsensitive))
            name.chop(4);
        if (!name.isEmpty())
            return name;
    }
    return module.name == QStringLiteral("game") ? QStringLiteral("qagame") : module.name;
}

QString QvmPath(const QString& sourceDir, const BuildModule& module) {
    return ModuleFolder(sourceDir, module) + QStringLiteral("/vm/") + QvmName(sourceDir, module) +
           QStringLiteral(".qvm");
}

QStringList Inputs(const QString& sourceDir, const BuildModule& module, QStringList* missing) {
    const QString folder = ModuleFolder(sourceDir, module);
    const QStringList searched = SearchFolders(sourceDir, module);
    QStringList inputs;
    QSet<QString> seen;
    auto add = [&](const QString& path) {
        if (!path.isEmpty() && !seen.contains(path)) {
            seen.insert(path);
            inputs << path;
        }
    };
    add(QtPath(BuildScript::PathsFor(sourceDir, module).templatePath));

    const QStringList lines = ListLines(sourceDir, module);
    if (lines.isEmpty()) {
        for (const QString& name :
             QDir(folder).entryList({QStringLiteral("*.c")}, QDir::Files, QDir::Name))
            add(folder + u'/' + name);
    } else {
        add(ListPath(sourceDir, module));
        for (const QString& line : lines) {
            if (line.startsWith(u'-'))
                continue; // -o and the other options
            // Lists written for Windows use backslashes.
            const QString entry = QString(line).replace(u'\\', u'/');
            QStringList candidates;
            if (entry.contains(u'/')) {
                const QString base = folder + QStringLiteral("/vm/") + entry;
                candidates << base + QStringLiteral(".asm") << base + QStringLiteral(".c");
            } else {
                for (const QString& place : searched)
                    candidates << place + u'/' + entry + QStringLiteral(".c");
            }
            const QString found = FirstFile(candidates);
            if (found.isEmpty() && missing)
                *missing << entry;
            add(found);
        }
    }

    // The headers, followed through the headers they include.
    for (qsizetype next = 1; next < inputs.size(); ++next) {
        const QString including = inputs[next]; // a copy: add() grows the list
        if (including.endsWith(QStringLiteral(".q3asm")) ||
            including.endsWith(QStringLiteral(".asm")))
            continue;
        const QString beside = QFileInfo(including).path();
        for (const QString& name : IncludedNames(including)) {
            QStringList candidates{beside + u'/' + name};
            for (const QString& place : searched)
                candidates << place + u'/' + name;
            add(FirstFile(candidates));
        }
    }
    return inputs;
}

QString WhyOutOfDate(const QString& sourceDir, const BuildModule& module) {
    const QString qvm = QvmPath(sourceDir, module);
    const QString qvmName = QStringLiteral("vm/") + QFileInfo(qvm).fileName();
    const QFileInfo built(qvm);
    if (!built.isFile())
        return qvmName + QStringLiteral(" has not been built");
    QStringList missing;
    const QStringList inputs = Inputs(sourceDir, module, &missing);
    if (!missing.isEmpty())
        return QStringLiteral("%1.q3asm names %2, which was not found")
            .arg(module.name, missing.first());
    const QDateTime builtAt = built.lastModified();
    const QDir root(QtPath(sourceDir));
    for (const QString& input : inputs) {
        if (QFileInfo(input).lastModified() > builtAt)
            return QStringLiteral("%1 changed after %2 was built")
                .arg(QDir::toNativeSeparators(root.relativeFilePath(input)), qvmName);
    }
    return {};
}

} // namespace ModuleFiles
