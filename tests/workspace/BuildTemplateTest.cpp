// The Linux build templates Kelto ships (docs/examples: the source release's and ioquake3's),
// each run as Kelto runs it in a tree laid out as the game's, with the stand-in q3lcc and q3asm
// of tests/workspace/data/qvmtools on PATH: what is compiled comes from the module's .q3asm
// list alone, and a build that fails leaves no .qvm and ends with the failing tool's exit code.
// sh runs the Linux templates: WindowsBuild.* runs a Windows template with cmd instead.
#include <QtGlobal>

#ifndef Q_OS_WIN
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "workspace/BuildScript.h"
#include "workspace/CompilerMessages.h"

namespace {

constexpr const char* Tools = KELTO_WORKSPACE_TEST_DATA "/qvmtools";

// One module's shipped template in a scratch tree of its own.
class TemplateTree {
public:
    // set: the templates' folder under docs/examples ("linux", "ioq3/linux"); shared: the
    // folder of q_math.c and q_shared.c in that tree.
    TemplateTree(const QString& set, const QString& shared, const BuildModule& module)
        : module(module), shared(shared), src(dir.filePath(QStringLiteral("code"))),
          paths(BuildScript::PathsFor(src, module, PathStyle::Style::Posix)) {
        const QString examples = QStringLiteral(KELTO_EXAMPLES_DIR "/%1/%2").arg(set, module.name);
        QDir().mkpath(paths.moduleDirectory + QStringLiteral("/vm"));
        for (const QString& name : QDir(examples).entryList(QDir::Files))
            QFile::copy(examples + u'/' + name, paths.moduleDirectory + u'/' + name);
        // A source for each name the list compiles, where the game's tree keeps it; the
        // assembly files it names as they are.
        const QStringList words =
            QString::fromLatin1(Read(List()))
                .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (words[i] == QStringLiteral("-o")) {
                ++i;
            } else if (words[i].contains(u'/')) {
                Write(paths.moduleDirectory + QStringLiteral("/vm/") + words[i] + ".asm", "");
            } else {
                entries << words[i];
                Write(paths.moduleDirectory + u'/' + Source(words[i]).mid(3), "int x;\n");
            }
        }
    }

    // Where the template is expected to find a name's source, seen from vm/.
    QString Source(const QString& name) const {
        QString folder = module.name;
        if (name.startsWith(QStringLiteral("bg_")))
            folder = QStringLiteral("game");
        else if (name.startsWith(QStringLiteral("q_")))
            folder = shared;
        return (folder == module.name ? QStringLiteral("..") : "../../" + folder) + u'/' + name +
               ".c";
    }
    QString List() const { return paths.moduleDirectory + u'/' + module.name + ".q3asm"; }
    QString Vm(const QString& file) const { return paths.moduleDirectory + "/vm/" + file; }

    // Runs the template as Kelto does; the exit code, or -1 when it did not end.
    int Build(const QString& path = QString::fromLatin1(Tools) + ":/usr/bin:/bin") {
        Write(paths.scriptPath,
              BuildScript::Compose(src, module, Read(paths.templatePath), PathStyle::Style::Posix));
        QProcess sh;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PATH"), path);
        sh.setProcessEnvironment(environment);
        sh.setProcessChannelMode(QProcess::MergedChannels);
        sh.start(QStringLiteral("/bin/sh"), {paths.scriptPath});
        const bool ended = sh.waitForFinished(60000);
        output = QString::fromLocal8Bit(sh.readAll());
        return ended && sh.exitStatus() == QProcess::NormalExit ? sh.exitCode() : -1;
    }

    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void Write(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Append)) << path.toStdString();
        file.write(bytes);
    }

    BuildModule module;
    QString shared;
    QTemporaryDir dir;
    QString src;
    BuildScript::Paths paths;
    QStringList entries; // the names the list compiles, in its order
    QString output;
};

struct Shipped {
    QString set;
    QString shared;
    QString qvm[3]; // by BuildModules' order
};
const Shipped Sets[] = {
    {"linux", "game", {"cgame.qvm", "qagame.qvm", "ui.qvm"}},
    {"ioq3/linux", "qcommon", {"cgame.qvm", "qagame.qvm", "ui.qvm"}},
};

TEST(BuildTemplates, EveryShippedLinuxTemplateBuildsWhatItsListNamesAndLeavesNoQvmWhenItFails) {
    for (const Shipped& shipped : Sets) {
        for (std::size_t m = 0; m < BuildModules.size(); ++m) {
            SCOPED_TRACE((shipped.set + u'/' + BuildModules[m].name).toStdString());
            TemplateTree tree(shipped.set, shipped.shared, BuildModules[m]);
            const QString qvm = tree.Vm(shipped.qvm[m]);

            // The list alone says what is compiled, from where, and in what order; a name
            // added to it is built with the rest.
            tree.entries << QStringLiteral("zz_added");
            TemplateTree::Write(tree.List(), "\nzz_added\n");
            TemplateTree::Write(tree.paths.moduleDirectory + "/zz_added.c", "int added;\n");
            ASSERT_EQ(tree.Build(), 0) << tree.output.toStdString();
            QStringList compiled;
            for (const QByteArray& line : TemplateTree::Read(tree.Vm("compiled.log")).split('\n'))
                if (!line.isEmpty())
                    compiled << QString::fromLatin1(line.split(' ').last());
            QStringList expected;
            for (const QString& name : tree.entries)
                expected << tree.Source(name);
            EXPECT_EQ(compiled, expected);
            EXPECT_TRUE(TemplateTree::Read(qvm).endsWith("zz_added\n"));

            // A file that does not compile: exit code 1, q3lcc's message, and the old .qvm gone.
            TemplateTree::Write(tree.paths.moduleDirectory + "/zz_added.c", "syntax error here\n");
            EXPECT_EQ(tree.Build(), 1);
            EXPECT_TRUE(tree.output.contains("../zz_added.c:1: syntax error"));
            EXPECT_FALSE(QFile::exists(qvm));

            // q3lcc not on PATH: 127, which Kelto answers by showing PATH.
            QFile::remove(tree.paths.moduleDirectory + "/zz_added.c");
            EXPECT_EQ(tree.Build(QStringLiteral("/usr/bin:/bin")), 127);
            EXPECT_FALSE(QFile::exists(qvm));

            // A listed name without a source: a message that opens the list at that name.
            EXPECT_EQ(tree.Build(), 1);
            const auto message = CompilerMessages::Parse(tree.output.trimmed().split(u'\n').last());
            ASSERT_TRUE(message) << tree.output.toStdString();
            EXPECT_EQ(message->file, "../" + BuildModules[m].name + ".q3asm");
            const QList<QByteArray> listLines = TemplateTree::Read(tree.List()).split('\n');
            ASSERT_GT(message->line, 0);
            EXPECT_EQ(listLines.value(message->line - 1), "zz_added");

            // q3asm's errors end with exit code 0; the template's own check fails the build.
            TemplateTree::Write(tree.paths.moduleDirectory + "/zz_added.c", "int added;\n");
            // (The assembly files the lists name by a path are the module folder's own.)
            for (const QString& asmFile : QDir(tree.paths.moduleDirectory).entryList({"*.asm"}))
                QFile::remove(tree.paths.moduleDirectory + u'/' + asmFile);
            EXPECT_EQ(tree.Build(), 1);
            EXPECT_TRUE(tree.output.contains("was not written")) << tree.output.toStdString();
            EXPECT_FALSE(QFile::exists(qvm));
        }
    }
}

} // namespace
#endif
