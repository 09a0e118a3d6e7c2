// The three Build commands: one routine, a row per module (BuildModules). Each writes the build
// script and runs it in the module's build output window (frmBuild). Build All runs the three in
// turn (BuildChain). Also opening a message's file at its line, and F4.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QShortcut>
#include <QTreeView>

#include "app/Program.h"
#include "app/frmMain.h"
#include "documents/file_commands.h"
#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "platform/RuntimeError.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "workspace/BuildChain.h"
#include "workspace/BuildScript.h"
#include "workspace/frmBuild.h"

void frmMain::mnuBuildcgameQVM_Click() {
    Build(BuildModules[0]);
}
void frmMain::mnuBuildgameQVM_Click() {
    Build(BuildModules[1]);
}
void frmMain::mnuBuilduiQVM_Click() {
    Build(BuildModules[2]);
}

void frmMain::mnuBuildAll_Click() {
    if (SourceDir.isEmpty()) {
        program.services.MsgBox(this, QStringLiteral("You need to have a Workspace Loaded"),
                                MsgButtons::OK, MsgIcon::None, program.App.Title);
        return;
    }
    // game first: cgame and ui share its bg_*.c and q_*.c, whose errors show there first.
    BuildInTurn({BuildModules[1], BuildModules[0], BuildModules[2]}, nullptr);
}

void frmMain::BuildInTurn(std::vector<BuildModule> modules, std::function<void()> then) {
    if (Chain)
        delete Chain.data();
    Chain = new BuildChain(*this, std::move(modules), std::move(then));
    Chain->Start();
}

frmBuild* frmMain::Build(const BuildModule& module) {
    Services& services = program.services;
    const QString& title = program.App.Title;
    if (SourceDir.isEmpty()) {
        services.MsgBox(this, QStringLiteral("You need to have a Workspace Loaded"), MsgButtons::OK,
                        MsgIcon::None, title);
        return nullptr;
    }
    auto report = [&](const QString& what, const QString& path, const QString& reason) {
        services.MsgBox(
            this, QStringLiteral("%1\n%2\n\n%3").arg(what, QDir::toNativeSeparators(path), reason),
            MsgButtons::OK, MsgIcon::Exclamation, title);
    };
    std::size_t slot = 0;
    while (slot + 1 < BuildModules.size() && BuildModules[slot].name != module.name)
        ++slot;
    QPointer<frmBuild>& window = BuildWindows[slot];
    if (window && window->IsRunning()) {
        // Once the build has ended (or its window has gone) there is nothing to stop: the
        // question goes and the build starts as if it had not been asked.
        MsgWithdrawal ended(MsgAnswer::Yes);
        connect(window, &frmBuild::Finished, &ended, &MsgWithdrawal::Withdraw);
        connect(window, &QObject::destroyed, &ended, &MsgWithdrawal::Withdraw);
        const MsgAnswer answer = services.MsgBoxUntil(
            this,
            QStringLiteral("The %1 build is still running.\n\nStop it and build again?")
                .arg(module.name),
            MsgButtons::YesNo, MsgIcon::Question, title, ended);
        if (answer != MsgAnswer::Yes) {
            ShowChild(window);
            return nullptr;
        }
    }

    // A workspace file's relative directory was resolved when it was opened; any other is
    // taken from the current directory, so the script is always run by its absolute path.
    const QString sourceDir =
        QDir::isRelativePath(SourceDir)
            ? QDir::toNativeSeparators(QDir::cleanPath(QDir::current().absoluteFilePath(SourceDir)))
            : SourceDir;
    const BuildScript::Paths paths = BuildScript::PathsFor(sourceDir, module);

    // The template is read whole before the script is touched, so a missing template leaves
    // an existing script as it was.
    QByteArray templateBytes;
    try {
        templateBytes = TextFile::ReadWhole(paths.templatePath);
    } catch (const RuntimeError& error) {
        if (error.Number == 53) {
            report(QStringLiteral("The build template was not found:"), paths.templatePath,
                   QStringLiteral("Kelto copies each module's build template to its build script "
                                  "and runs that. The user guide's section \"Building a "
                                  "module's QVM\" has templates for all three modules to start "
                                  "from (docs/examples in Kelto's source, "
                                  "/usr/share/doc/kelto/examples once installed)."));
        } else {
            report(QStringLiteral("The build template could not be read:"), paths.templatePath,
                   error.Description);
        }
        return nullptr;
    }
    try {
        TextFile::WriteAtomic(paths.scriptPath,
                              BuildScript::Compose(sourceDir, module, templateBytes));
    } catch (const RuntimeError& error) {
        report(QStringLiteral("The build script could not be written:"), paths.scriptPath,
               error.Description);
        return nullptr;
    }
#ifndef Q_OS_WIN
    // For running it by hand; Kelto itself hands it to /bin/sh, so a file system that keeps
    // no permissions does not stop the build.
    QFile script(paths.scriptPath);
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser |
                          QFileDevice::ExeGroup | QFileDevice::ExeOther);
#endif

    if (!window) {
        window = new frmBuild(program, module);
        window->FitInto(mdiArea->viewport()->size());
        if (!findChild<QShortcut*>(QStringLiteral("NextMessageKey"))) {
            auto* key = new QShortcut(QKeySequence(Qt::Key_F4), this);
            key->setObjectName(QStringLiteral("NextMessageKey"));
            key->setContext(Qt::WindowShortcut);
            connect(key, &QShortcut::activated, this, &frmMain::NextBuildMessage);
        }
    }
    ShowChild(window);
    window->lstOutput->setFocus();
    window->Start({QDir::cleanPath(QFileInfo(paths.scriptPath).absoluteFilePath()),
                   paths.moduleDirectory, paths.templatePath, sourceDir});
    return window;
}

void frmMain::NextBuildMessage() {
    const auto children = mdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
        auto* window = qobject_cast<frmBuild*>(*child);
        if (window && !window->Purpose().engine) {
            window->cmdNext_Click();
            return;
        }
    }
}

bool frmMain::ShowSourceLine(const QString& path, int line) {
    // The window already showing the file, the one used last first.
    const QString target = QFileInfo(path).canonicalFilePath();
    frmDocument* document = nullptr;
    const auto children = mdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto child = children.rbegin(); child != children.rend() && !document; ++child) {
        auto* candidate = qobject_cast<frmDocument*>(*child);
        if (candidate && !IsUntitled(candidate->Caption()) &&
            QFileInfo(candidate->Caption()).canonicalFilePath() == target)
            document = candidate;
    }
    if (document) {
        ShowChild(document);
    } else {
        OpenDocument(path);
        document = ActiveDocument();
        if (!document || document->Caption() != path)
            return false; // OpenDocument has said why
    }
    RichTextBox& code = *document->code;
    const QString text = code.Text();
    int start = 0;
    for (int number = 1; number < line; ++number) {
        const int next = int(text.indexOf(QStringLiteral("\r\n"), start));
        if (next < 0)
            break; // beyond the last line: the last line
        start = next + 2;
    }
    int end = int(text.indexOf(QStringLiteral("\r\n"), start));
    if (end < 0)
        end = int(text.size());
    code.SelectBackward(start, end - start);
    // Well inside the window, not on its last row where a horizontal scroll bar can cover it.
    code.ScrollLineIntoView(code.GetLineFromChar(start));
    code.SetFocus();
    return true;
}
