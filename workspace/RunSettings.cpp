// Run settings: the engine's command line, the per-workspace store, discovery on this machine
// and the checks that turn a setting that cannot work into a message naming where Kelto looked.
#include "workspace/RunSettings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

#include "platform/Launcher.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "platform/ZipArchive.h"
#include "workspace/BuildScript.h"

namespace {

const QString App = QStringLiteral("Kelto");

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString ShownList(const QStringList& paths) {
    QStringList shown;
    for (const QString& path : paths)
        shown << Shown(path);
    return shown.join(QStringLiteral(", "));
}

// The engine reads its command line itself: "+" starts a command, quotes group words and ";"
// ends a command, so a value holding one cannot be handed over whole.
bool EngineReadsAsCommand(const QString& value) {
    static const QRegularExpression special(QStringLiteral("[+\";\\r\\n]"));
    return value.contains(special);
}

bool IsOpenArena(const QString& engine) {
    return QFileInfo(engine).fileName().startsWith(QStringLiteral("openarena"),
                                                   Qt::CaseInsensitive);
}

bool IsServerName(const QString& name) {
    return name == QStringLiteral("ioq3ded") || name == QStringLiteral("openarena-server");
}

QStringList Pk3Files(const QString& folder) {
    QStringList files;
    for (const QString& name :
         QDir(folder).entryList({QStringLiteral("*.pk3")}, QDir::Files, QDir::Name))
        files << QDir(folder).filePath(name);
    return files;
}

bool HoldsPk3(const QString& folder) {
    return !folder.isEmpty() && !Pk3Files(folder).isEmpty();
}

QString Sanitised(const QString& name) {
    QString mod = name;
    mod.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    while (mod.startsWith(u'.'))
        mod.remove(0, 1);
    return mod;
}

} // namespace

QString RunSettings::InstallFolder() const {
    return QFileInfo(QDir::cleanPath(baseGame)).path();
}

QString RunSettings::BaseGameName() const {
    return QFileInfo(QDir::cleanPath(baseGame)).fileName();
}

QString RunSettings::ModFolder() const {
    return QDir::cleanPath(homeFolder + u'/' + mod);
}

QString RunSettings::ModVmFolder() const {
    return ModFolder() + QStringLiteral("/vm");
}

QStringList RunSettings::LoadedModules() const {
    if (dedicated)
        return {QStringLiteral("game")};
    return {QStringLiteral("game"), QStringLiteral("cgame"), QStringLiteral("ui")};
}

QStringList RunSettings::Arguments() const {
    const std::optional<QStringList> extra = Launcher::SplitCommandLine(extraArguments);
    if (!extra)
        return {};
    const QString set = QStringLiteral("+set");
    QStringList arguments{set, QStringLiteral("fs_basepath"),  Shown(InstallFolder()),
                          set, QStringLiteral("fs_homepath"),  Shown(QDir::cleanPath(homeFolder)),
                          set, QStringLiteral("com_basegame"), BaseGameName(),
                          set, QStringLiteral("fs_game"),      mod};
    for (const char* module : {"vm_game", "vm_cgame", "vm_ui"})
        arguments << set << QLatin1String(module) << QStringLiteral("2");
    if (dedicated)
        arguments << set << QStringLiteral("dedicated") << QStringLiteral("1");
    arguments << *extra << QStringLiteral("+map") << map;
    return arguments;
}

namespace RunSettingsStore {

namespace {

QString Section(const QString& workspaceKey) {
    const QByteArray hash =
        QCryptographicHash::hash(workspaceKey.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("Run ") + QString::fromLatin1(hash.left(16));
}

} // namespace

QString WorkspaceKey(const QString& workspaceFile, const QString& sourceDir) {
    const QString path = workspaceFile.isEmpty() ? sourceDir : workspaceFile;
    return Shown(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

std::optional<RunSettings> Load(const QString& workspaceKey) {
    const QString section = Section(workspaceKey);
    auto get = [&](const char* key) {
        return SettingsStore::GetSetting(App, section, QLatin1String(key), QString());
    };
    // Two workspaces whose keys share a hash would share a section; the key held there tells.
    if (get("Workspace") != workspaceKey)
        return std::nullopt;
    RunSettings settings;
    settings.engine = get("Engine");
    settings.dedicated = get("Dedicated") == QStringLiteral("1");
    settings.baseGame = get("BaseGame");
    settings.homeFolder = get("HomeFolder");
    settings.mod = get("Mod");
    settings.map = get("Map");
    settings.extraArguments = get("ExtraArguments");
    return settings;
}

void Save(const QString& workspaceKey, const RunSettings& settings) {
    const QString section = Section(workspaceKey);
    auto save = [&](const char* key, const QString& value) {
        SettingsStore::SaveSetting(App, section, QLatin1String(key), value);
    };
    save("Engine", settings.engine);
    save("Dedicated", settings.dedicated ? QStringLiteral("1") : QStringLiteral("0"));
    save("BaseGame", settings.baseGame);
    save("HomeFolder", settings.homeFolder);
    save("Mod", settings.mod);
    save("Map", settings.map);
    save("ExtraArguments", settings.extraArguments);
    save("Workspace", workspaceKey); // last: a section is whole once it names its workspace
}

} // namespace RunSettingsStore

namespace RunDiscovery {

Places Places::System() {
    Places places;
    places.path = qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
#ifndef Q_OS_WIN
    places.installs = {QStringLiteral("/usr/games"), QStringLiteral("/usr/lib/ioquake3"),
                       QStringLiteral("/usr/lib/openarena"),
                       QStringLiteral("/usr/lib/openarena-server"),
                       QStringLiteral("/usr/local/games/quake3")};
    places.data = {QStringLiteral("/usr/share/games/quake3"),
                   QStringLiteral("/usr/share/games/openarena"),
                   QStringLiteral("/usr/lib/openarena"), QStringLiteral("/usr/local/games/quake3")};
#endif
    places.home = QDir::homePath();
    return places;
}

const QStringList& EngineNames() {
    static const QStringList names{QStringLiteral("ioquake3"), QStringLiteral("openarena"),
                                   QStringLiteral("ioq3ded"), QStringLiteral("openarena-server")};
    return names;
}

namespace {

QString FindEngine(const Places& places, QString& name) {
    for (const QString& candidate : EngineNames()) {
        for (const QString& folder : places.path + places.installs) {
            const QString found =
                QStandardPaths::findExecutable(candidate, {QDir::cleanPath(folder)});
            if (!found.isEmpty()) {
                name = candidate;
                return found;
            }
        }
    }
    return {};
}

QStringList BaseNames(const QString& engine) {
    if (IsOpenArena(engine))
        return {QStringLiteral("baseoa"), QStringLiteral("baseq3")};
    return {QStringLiteral("baseq3"), QStringLiteral("baseoa")};
}

// The folders a base game may be in for an engine: beside it (also beside the program a link
// leads to), then the data places.
QStringList BaseGameFolders(const QString& engine, const Places& places) {
    QStringList folders;
    if (!engine.isEmpty()) {
        folders << QFileInfo(engine).absolutePath();
        const QString real = QFileInfo(engine).canonicalFilePath();
        if (!real.isEmpty() && QFileInfo(real).absolutePath() != folders.first())
            folders << QFileInfo(real).absolutePath();
    }
    return folders + places.data;
}

QString HomeFolderFor(const QString& engine, const QString& baseGame, const Places& places) {
#ifdef Q_OS_WIN
    Q_UNUSED(engine);
    Q_UNUSED(places);
    // Quake III on Windows keeps mods in its install folder.
    return baseGame.isEmpty() ? QString() : QFileInfo(QDir::cleanPath(baseGame)).path();
#else
    Q_UNUSED(baseGame);
    return QDir::cleanPath(places.home + (IsOpenArena(engine) ? QStringLiteral("/.openarena")
                                                              : QStringLiteral("/.q3a")));
#endif
}

} // namespace

RunSettings Discover(const Places& places, const QString& workspaceFile, const QString& sourceDir) {
    RunSettings settings;
    QString name;
    settings.engine = FindEngine(places, name);
    settings.dedicated = IsServerName(name);
    const QStringList folders = BaseGameFolders(settings.engine, places);
    for (const QString& base : BaseNames(settings.engine)) {
        for (const QString& folder : folders) {
            if (HoldsPk3(folder + u'/' + base)) {
                settings.baseGame = QDir::cleanPath(folder + u'/' + base);
                break;
            }
        }
        if (!settings.baseGame.isEmpty())
            break;
    }
    settings.homeFolder = HomeFolderFor(settings.engine, settings.baseGame, places);
    settings.mod =
        Sanitised(workspaceFile.isEmpty() ? QFileInfo(QDir::cleanPath(sourceDir)).fileName()
                                          : QFileInfo(workspaceFile).completeBaseName());
    if (!settings.baseGame.isEmpty())
        settings.map = Maps(settings.baseGame, QString()).value(0);
    if (settings.dedicated || settings.engine.isEmpty())
        settings.extraArguments.clear();
    else
        // A local server is pure by default, and a pure server's client loads no loose files.
        settings.extraArguments = QStringLiteral("+set sv_pure 0");
    return settings;
}

QStringList Maps(const QString& baseGame, const QString& modFolder) {
    static const QRegularExpression bsp(QStringLiteral("^maps/([^/]+)\\.bsp$"),
                                        QRegularExpression::CaseInsensitiveOption);
    QSet<QString> seen;
    QStringList maps;
    auto take = [&](const QString& entry) {
        const QRegularExpressionMatch match = bsp.match(entry);
        if (match.hasMatch() && !seen.contains(match.captured(1).toLower())) {
            seen.insert(match.captured(1).toLower());
            maps << match.captured(1);
        }
    };
    for (const QString& folder : {baseGame, modFolder}) {
        if (folder.isEmpty())
            continue;
        for (const QString& pk3 : Pk3Files(folder)) {
            try {
                for (const QString& entry : ZipArchive::Names(pk3))
                    take(entry);
            } catch (const RuntimeError&) {
                // An archive that cannot be read adds no map; the engine will say more.
            }
        }
        for (const QString& file : QDir(folder + QStringLiteral("/maps"))
                                       .entryList({QStringLiteral("*.bsp")}, QDir::Files))
            take(QStringLiteral("maps/") + file);
    }
    maps.sort(Qt::CaseInsensitive);
    return maps;
}

QString Problem(const RunSettings& settings, const Places& places) {
    const QString fix = QStringLiteral("\n\nSet it in Build > Run Settings...");
    if (settings.engine.isEmpty()) {
        return QStringLiteral("No engine program is set. Kelto looked for %1 on PATH (%2) and in "
                              "%3.%4")
            .arg(EngineNames().join(QStringLiteral(", ")),
                 places.path.isEmpty() ? QStringLiteral("empty") : ShownList(places.path),
                 places.installs.isEmpty() ? QStringLiteral("no other folder")
                                           : ShownList(places.installs),
                 fix);
    }
    const QFileInfo engine(settings.engine);
    if (!engine.exists())
        return QStringLiteral("The engine program %1 was not found.%2")
            .arg(Shown(settings.engine), fix);
    if (!engine.isFile() || !engine.isExecutable())
        return QStringLiteral("The engine %1 is not a program that can be started.%2")
            .arg(Shown(settings.engine), fix);

    if (settings.baseGame.isEmpty()) {
        return QStringLiteral("No base game folder is set. Kelto looked for %1 holding .pk3 files "
                              "in %2.%3")
            .arg(BaseNames(settings.engine).join(QStringLiteral(" and ")),
                 ShownList(BaseGameFolders(settings.engine, places)), fix);
    }
    if (!QFileInfo(settings.baseGame).isDir())
        return QStringLiteral("The base game folder %1 does not exist.%2")
            .arg(Shown(settings.baseGame), fix);
    if (!HoldsPk3(settings.baseGame))
        return QStringLiteral("The base game folder %1 holds no .pk3 file, so it is not a game's "
                              "data folder (Quake III's is baseq3, OpenArena's baseoa).%2")
            .arg(Shown(settings.baseGame), fix);

    if (settings.homeFolder.isEmpty() || QDir::isRelativePath(settings.homeFolder))
        return QStringLiteral("The engine's home folder must be a full path (it is \"%1\").%2")
            .arg(Shown(settings.homeFolder), fix);

    static const QRegularExpression folderName(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9_.-]*$"));
    if (settings.mod.isEmpty())
        return QStringLiteral("No mod folder name is set.") + fix;
    if (!folderName.match(settings.mod).hasMatch())
        return QStringLiteral("The mod folder name \"%1\" is not a plain folder name: use letters, "
                              "digits, \"_\", \"-\" and \".\" only.%2")
            .arg(settings.mod, fix);
    if (settings.mod.compare(settings.BaseGameName(), Qt::CaseInsensitive) == 0)
        return QStringLiteral("The mod folder name \"%1\" is the base game's: Kelto puts the mod's "
                              "files only into a folder of the mod's own.%2")
            .arg(settings.mod, fix);

    for (const QString& value : {settings.InstallFolder(), settings.homeFolder, settings.map}) {
        if (EngineReadsAsCommand(value))
            return QStringLiteral("\"%1\" holds +, \" or ;, which the engine reads as part of its "
                                  "own command line, so it cannot be handed over.%2")
                .arg(Shown(value), fix);
    }
    if (!Launcher::SplitCommandLine(settings.extraArguments))
        return QStringLiteral("The extra arguments leave a quote open: %1%2")
            .arg(settings.extraArguments, fix);

    if (settings.map.isEmpty())
        return QStringLiteral("No map is set. Kelto found no maps/*.bsp in the .pk3 files of %1.%2")
            .arg(Shown(settings.baseGame), fix);
    const QStringList maps = Maps(settings.baseGame, settings.ModFolder());
    if (!maps.contains(settings.map, Qt::CaseInsensitive))
        return QStringLiteral("The map %1 was not found: Kelto looked for maps/%1.bsp in the .pk3 "
                              "files and the maps folder of %2 and of %3.%4")
            .arg(settings.map, Shown(settings.baseGame), Shown(settings.ModFolder()), fix);
    return {};
}

QStringList Warnings(const RunSettings& settings, const QStringList& suppliedModules) {
    QStringList warnings;
    const QStringList words =
        Launcher::SplitCommandLine(settings.extraArguments).value_or(QStringList());
    for (qsizetype at = 0; at + 1 < words.size(); ++at) {
        const QString command = words[at].toLower();
        if (command != QStringLiteral("+set") && command != QStringLiteral("+seta"))
            continue;
        const QString name = words[at + 1].toLower();
        const QString value = at + 2 < words.size() ? words[at + 2] : QString();
        if (name.startsWith(QStringLiteral("vm_")) && value != QStringLiteral("2")) {
            warnings << QStringLiteral("The extra arguments set %1 %2: the engine would not run "
                                       "that module from the mod's QVM.")
                            .arg(words[at + 1], value);
        } else if (name == QStringLiteral("fs_game") || name == QStringLiteral("fs_homepath") ||
                   name == QStringLiteral("fs_basepath") ||
                   name == QStringLiteral("com_basegame")) {
            warnings << QStringLiteral(
                            "The extra arguments set %1 again: the engine would look for "
                            "the mod elsewhere than %2.")
                            .arg(words[at + 1], Shown(settings.ModFolder()));
        }
    }

    for (const QString& pk3 : Pk3Files(settings.ModFolder())) {
        QStringList qvms;
        try {
            for (const QString& entry : ZipArchive::Names(pk3))
                if (entry.startsWith(QStringLiteral("vm/"), Qt::CaseInsensitive) &&
                    entry.endsWith(QStringLiteral(".qvm"), Qt::CaseInsensitive))
                    qvms << entry;
        } catch (const RuntimeError&) {
            continue;
        }
        if (!qvms.isEmpty())
            warnings << QStringLiteral("%1 in the mod folder holds %2 too; an engine that reads "
                                       "packages before loose files (Quake III 1.32) runs that "
                                       "rather than what Kelto copied to %3.")
                            .arg(QFileInfo(pk3).fileName(), qvms.join(QStringLiteral(", ")),
                                 Shown(settings.ModVmFolder()));
    }

    // A module the mod does not supply comes from the base game; where that has a native library
    // for it, the engine may run that library (Debian's OpenArena packages do so on purpose).
    QStringList libraryFolders{settings.baseGame};
    if (!settings.engine.isEmpty())
        libraryFolders << QFileInfo(settings.engine).absolutePath() + u'/' +
                              settings.BaseGameName();
    for (const QString& module : settings.LoadedModules()) {
        if (suppliedModules.contains(module))
            continue;
        const QString library =
            module == QStringLiteral("game") ? QStringLiteral("qagame") : module;
        QStringList found;
        for (const QString& folder : libraryFolders) {
            for (const QString& file : QDir(folder).entryList({library + QStringLiteral("*.so"),
                                                               library + QStringLiteral("*.dll"),
                                                               library + QStringLiteral("*.dylib")},
                                                              QDir::Files))
                found << Shown(QDir(folder).filePath(file));
        }
        found.removeDuplicates();
        if (!found.isEmpty())
            warnings << QStringLiteral("The mod supplies no %1 QVM: the engine would load the base "
                                       "game's native library %2 instead.")
                            .arg(module, found.first());
    }
    return warnings;
}

} // namespace RunDiscovery
