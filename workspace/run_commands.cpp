// Run Mod (F5), Run Settings and Package Mod. Run Mod builds the modules the engine loads that
// are out of date (ModuleFiles), copies their .qvm files into the mod's folder and starts the
// engine in its output window (frmBuild with the engine's role); Package Mod builds what is out
// of date and packs the .qvm files and the mod's assets into <mod>.pk3 (ZipArchive).
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMdiArea>
#include <QTreeView>
#include <algorithm>

#include "app/Program.h"
#include "app/frmMain.h"
#include "platform/RuntimeError.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "platform/ZipArchive.h"
#include "workspace/BuildScript.h"
#include "workspace/ModuleFiles.h"
#include "workspace/RunSettings.h"
#include "workspace/frmBuild.h"
#include "workspace/frmRunSettings.h"

namespace {

// The most files a message lists by name.
constexpr int ListedFiles = 12;

const BuildModule* ModuleNamed(const QString& name) {
    for (const BuildModule& module : BuildModules)
        if (module.name == name)
            return &module;
    return nullptr;
}

// The workspace's source folder as an absolute path (as the Build commands use it).
QString AbsoluteSourceDir(const frmMain& main) {
    return QDir::isRelativePath(main.SourceDir)
               ? QDir::toNativeSeparators(
                     QDir::cleanPath(QDir::current().absoluteFilePath(main.SourceDir)))
               : main.SourceDir;
}

// Of the named modules, in that order, those whose folder holds a build template.
std::vector<BuildModule> WithTemplates(const QString& sourceDir, const QStringList& names) {
    std::vector<BuildModule> modules;
    for (const QString& name : names) {
        const BuildModule* module = ModuleNamed(name);
        if (module && QFileInfo(BuildScript::PathsFor(sourceDir, *module).templatePath).isFile())
            modules.push_back(*module);
    }
    return modules;
}

const QStringList& AllModules() {
    static const QStringList names{QStringLiteral("game"), QStringLiteral("cgame"),
                                   QStringLiteral("ui")};
    return names;
}

QString WorkspaceKey(const frmMain& main) {
    return RunSettingsStore::WorkspaceKey(main.WorkspacePath, AbsoluteSourceDir(main));
}

RunSettings KeptOrDiscovered(const frmMain& main) {
    if (std::optional<RunSettings> kept = RunSettingsStore::Load(WorkspaceKey(main)))
        return *kept;
    return RunDiscovery::Discover(RunDiscovery::Places::System(), main.WorkspacePath,
                                  AbsoluteSourceDir(main));
}

// The Run Settings dialog over `settings`; true, with the settings kept, when the user chose OK.
bool EditRunSettings(frmMain& main, RunSettings& settings) {
    frmRunSettings dialog(main.program, settings, &main);
    main.program.services.RunModal(dialog);
    if (dialog.result() != QDialog::Accepted)
        return false;
    settings = dialog.Settings();
    RunSettingsStore::Save(WorkspaceKey(main), settings);
    return true;
}

bool NeedsWorkspace(frmMain& main) {
    if (!main.SourceDir.isEmpty())
        return false;
    main.program.services.MsgBox(&main, QStringLiteral("You need to have a Workspace Loaded"),
                                 MsgButtons::OK, MsgIcon::None, main.program.App.Title);
    return true;
}

void Report(frmMain& main, const QString& text) {
    main.program.services.MsgBox(&main, text, MsgButtons::OK, MsgIcon::Exclamation,
                                 main.program.App.Title);
}

// The .qvm files of the modules as the builds left them; empty, with the user told, when one is
// missing (a template whose build ends well without writing it).
QStringList BuiltQvms(frmMain& main, const QString& sourceDir,
                      const std::vector<BuildModule>& modules) {
    QStringList qvms;
    for (const BuildModule& module : modules) {
        const QString qvm = ModuleFiles::QvmPath(sourceDir, module);
        if (!QFileInfo(qvm).isFile()) {
            Report(main, QStringLiteral("The %1 module has no built QVM:\n%2\n\nIts build ended "
                                        "without writing it; see its build window.")
                             .arg(module.name, QDir::toNativeSeparators(qvm)));
            return {};
        }
        qvms << qvm;
    }
    return qvms;
}

BuildOutput::Line Note(const QString& text, BuildOutput::Kind kind = BuildOutput::Kind::Info) {
    return {text, kind, nullptr};
}

// Copies the built .qvm files into the mod's vm folder and starts the engine in its window.
void StartEngine(frmMain& main, const RunSettings& settings, const QString& sourceDir,
                 const std::vector<BuildModule>& modules, std::vector<BuildOutput::Line> preface) {
    const QStringList qvms = BuiltQvms(main, sourceDir, modules);
    if (qvms.isEmpty())
        return;
    const QString vmFolder = settings.ModVmFolder();
    if (!QDir().mkpath(vmFolder)) {
        Report(main, QStringLiteral("The mod's folder could not be made:\n%1\n\nThe engine was not "
                                    "started.")
                         .arg(QDir::toNativeSeparators(vmFolder)));
        return;
    }
    QStringList supplied;
    for (std::size_t i = 0; i < modules.size(); ++i) {
        const QString target = vmFolder + u'/' + QFileInfo(qvms[qsizetype(i)]).fileName();
        try {
            TextFile::WriteAtomic(target, TextFile::ReadWhole(qvms[qsizetype(i)]));
        } catch (const RuntimeError& error) {
            Report(main, QStringLiteral("The %1 QVM could not be copied into the mod's folder.\n\n"
                                        "%2\n\nThe engine was not started.")
                             .arg(modules[i].name, error.Description));
            return;
        }
        supplied << modules[i].name;
        preface.push_back(Note(QStringLiteral("Copied %1 to %2")
                                   .arg(QDir::toNativeSeparators(qvms[qsizetype(i)]),
                                        QDir::toNativeSeparators(target))));
    }
    for (const QString& warning : RunDiscovery::Warnings(settings, supplied))
        preface.push_back(Note(warning, BuildOutput::Kind::Warning));

    const frmBuild::Role role = frmBuild::Role::Engine(settings.mod);
    if (!main.EngineWindow) {
        main.EngineWindow = new frmBuild(main.program, role);
        main.EngineWindow->FitInto(main.mdiArea->viewport()->size());
    }
    main.EngineWindow->setWindowTitle(role.caption);
    main.ShowChild(main.EngineWindow);
    main.EngineWindow->lstOutput->setFocus();
    frmBuild::Run run;
    run.program = QDir::toNativeSeparators(settings.engine);
    run.arguments = settings.Arguments();
    run.moduleDirectory = QDir::toNativeSeparators(settings.InstallFolder());
    run.sourceDirectory = sourceDir;
    run.modFolder = settings.ModFolder();
    run.preface = std::move(preface);
    main.EngineWindow->Start(run);
}

// The files of the mod's asset folder as package entries: every file under it but hidden ones,
// at its path inside the folder.
std::vector<ZipArchive::Entry> AssetEntries(const QString& folder) {
    std::vector<ZipArchive::Entry> entries;
    if (!QFileInfo(folder).isDir())
        return entries;
    const QDir root(folder);
    QDirIterator files(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const QString name = root.relativeFilePath(path);
        if (name.startsWith(u'.') || name.contains(QStringLiteral("/.")))
            continue;
        entries.push_back({name, TextFile::ReadWhole(path)});
    }
    return entries;
}

// Writes the package: the .qvm files under vm/, the assets at their places (a built .qvm wins
// over an asset of the same name).
void WritePackage(frmMain& main, const QString& target, const QString& assets,
                  const QStringList& qvms) {
    std::vector<ZipArchive::Entry> entries;
    QStringList names;
    try {
        for (const QString& qvm : qvms) {
            entries.push_back(
                {QStringLiteral("vm/") + QFileInfo(qvm).fileName(), TextFile::ReadWhole(qvm)});
            names << entries.back().name;
        }
        for (ZipArchive::Entry& asset : AssetEntries(assets)) {
            if (names.contains(asset.name))
                continue;
            names << asset.name;
            entries.push_back(std::move(asset));
        }
        ZipArchive::Write(target, std::move(entries));
    } catch (const RuntimeError& error) {
        Report(main, QStringLiteral("The package was not written.\n\n%1").arg(error.Description));
        return;
    }
    names.sort();
    QStringList shown = names.mid(0, ListedFiles);
    if (names.size() > ListedFiles)
        shown << QStringLiteral("... and %1 more").arg(names.size() - ListedFiles);
    main.program.services.MsgBox(&main,
                                 QStringLiteral("%1 holds %2 files:\n%3")
                                     .arg(QDir::toNativeSeparators(target))
                                     .arg(names.size())
                                     .arg(shown.join(u'\n')),
                                 MsgButtons::OK, MsgIcon::Information, main.program.App.Title);
}

} // namespace

void frmMain::mnuBuildRun_Click() {
    if (NeedsWorkspace(*this))
        return;
    Services& services = program.services;
    if (EngineWindow && EngineWindow->IsRunning()) {
        // Once the engine has ended (or its window has gone) there is nothing to stop: the
        // question goes and the mod runs as if it had not been asked.
        MsgWithdrawal ended(MsgAnswer::Yes);
        connect(EngineWindow, &frmBuild::Finished, &ended, &MsgWithdrawal::Withdraw);
        connect(EngineWindow, &QObject::destroyed, &ended, &MsgWithdrawal::Withdraw);
        const MsgAnswer answer = services.MsgBoxUntil(
            this, QStringLiteral("The engine is still running.\n\nStop it and run the mod again?"),
            MsgButtons::YesNo, MsgIcon::Question, program.App.Title, ended);
        if (answer == MsgAnswer::No) {
            ShowChild(EngineWindow);
            return;
        }
        if (EngineWindow)
            EngineWindow->cmdStop_Click();
    }

    RunSettings settings;
    if (std::optional<RunSettings> kept = RunSettingsStore::Load(WorkspaceKey(*this))) {
        settings = *kept;
    } else {
        settings = RunDiscovery::Discover(RunDiscovery::Places::System(), WorkspacePath,
                                          AbsoluteSourceDir(*this));
        if (!EditRunSettings(*this, settings))
            return;
    }
    if (const QString problem = RunDiscovery::Problem(settings, RunDiscovery::Places::System());
        !problem.isEmpty()) {
        Report(*this, problem);
        return;
    }

    const QString sourceDir = AbsoluteSourceDir(*this);
    const std::vector<BuildModule> modules = WithTemplates(sourceDir, settings.LoadedModules());
    if (modules.empty()) {
        QStringList templates;
        for (const QString& name : settings.LoadedModules())
            templates << QDir::toNativeSeparators(
                BuildScript::PathsFor(sourceDir, *ModuleNamed(name)).templatePath);
        Report(*this, QStringLiteral("The engine loads %1, and no build template was found for "
                                     "any of them:\n%2")
                          .arg(settings.LoadedModules().join(QStringLiteral(", ")),
                               templates.join(u'\n')));
        return;
    }
    std::vector<BuildModule> outOfDate;
    std::vector<BuildOutput::Line> preface;
    for (const QString& name : settings.LoadedModules()) {
        if (std::none_of(modules.begin(), modules.end(),
                         [&](const BuildModule& module) { return module.name == name; }))
            preface.push_back(Note(QStringLiteral("%1: no build template in the workspace; the "
                                                  "engine runs the base game's")
                                       .arg(name)));
    }
    for (const BuildModule& module : modules) {
        const QString why = ModuleFiles::WhyOutOfDate(sourceDir, module);
        if (why.isEmpty()) {
            preface.push_back(Note(QStringLiteral("%1: up to date").arg(module.name)));
        } else {
            outOfDate.push_back(module);
            preface.push_back(Note(QStringLiteral("%1: built again, %2").arg(module.name, why)));
        }
    }
    BuildInTurn(std::move(outOfDate), [this, settings, sourceDir, modules, preface] {
        StartEngine(*this, settings, sourceDir, modules, preface);
    });
}

void frmMain::mnuBuildRunSettings_Click() {
    if (NeedsWorkspace(*this))
        return;
    RunSettings settings = KeptOrDiscovered(*this);
    EditRunSettings(*this, settings);
}

void frmMain::mnuBuildPackage_Click() {
    if (NeedsWorkspace(*this))
        return;
    const QString sourceDir = AbsoluteSourceDir(*this);
    const std::vector<BuildModule> modules = WithTemplates(sourceDir, AllModules());
    if (modules.empty()) {
        Report(*this, QStringLiteral("No module of the workspace has a build template, so there "
                                     "is no QVM to pack. Kelto looked in the game, cgame and ui "
                                     "folders of %1.")
                          .arg(QDir::toNativeSeparators(sourceDir)));
        return;
    }
    const RunSettings settings = KeptOrDiscovered(*this);
    // The package and the asset folder go beside the workspace file (beside the source folder
    // when no workspace file is known).
    const QString home = WorkspacePath.isEmpty()
                             ? QFileInfo(QDir::cleanPath(sourceDir)).absolutePath()
                             : QFileInfo(WorkspacePath).absolutePath();
    QString target = program.services.ShowSave(
        this, QStringLiteral("Package Mod"), QStringLiteral("Quake III Package (*.pk3)|*.pk3"),
        QDir::toNativeSeparators(home + u'/' + settings.mod + QStringLiteral(".pk3")));
    if (target.isEmpty())
        return;
    if (!target.endsWith(QStringLiteral(".pk3"), Qt::CaseInsensitive))
        target += QStringLiteral(".pk3"); // the engine reads no other name
    program.services.dialogFolders.lastChosen = QFileInfo(target).absolutePath();
    const QString assets = home + QStringLiteral("/assets");

    std::vector<BuildModule> outOfDate;
    for (const BuildModule& module : modules)
        if (!ModuleFiles::WhyOutOfDate(sourceDir, module).isEmpty())
            outOfDate.push_back(module);
    BuildInTurn(std::move(outOfDate), [this, sourceDir, modules, target, assets] {
        const QStringList qvms = BuiltQvms(*this, sourceDir, modules);
        if (!qvms.isEmpty())
            WritePackage(*this, target, assets, qvms);
    });
}
