// How Run Mod starts the game for one workspace: the engine program, client or dedicated server,
// the base game's data folder, the engine's home folder, the mod's folder name, the map and the
// author's extra arguments. Kept per workspace in the settings store (a section of its own,
// named after the workspace file), so the one-line workspace file stays as it is and the paths,
// which belong to this machine and this user, stay with the user.
//
// Where the mod goes: the engine reads a mod from <home folder>/<mod> (ioquake3's fs_homepath;
// ~/.q3a, or ~/.openarena for OpenArena's engines) besides its install folder, the base game
// folder's parent (fs_basepath). Kelto copies the built .qvm files into <home folder>/<mod>/vm
// and nowhere else, and names both folders on the engine's command line so the engine cannot
// look elsewhere.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct RunSettings {
    QString engine;         // the engine program's full path
    bool dedicated = false; // a dedicated server rather than a client
    QString baseGame;       // the base game's folder (".../baseq3"), holding its .pk3 files
    QString homeFolder;     // where the engine reads mods and the user's files (fs_homepath)
    QString mod;            // the mod's folder name (fs_game)
    QString map;            // "q3dm17", without "maps/" and ".bsp"
    QString extraArguments; // more words for the engine, split as sh splits them

    bool operator==(const RunSettings&) const = default;

    // The base game folder's parent and name (fs_basepath, com_basegame).
    QString InstallFolder() const;
    QString BaseGameName() const;
    // <home folder>/<mod>, and its vm folder, where the built .qvm files go.
    QString ModFolder() const;
    QString ModVmFolder() const;
    // The modules the engine loads: game alone for a dedicated server, else game, cgame and ui.
    QStringList LoadedModules() const;

    // The engine's argument vector: the two folders, the base game, the mod, vm_game, vm_cgame
    // and vm_ui 2, "dedicated 1" for a server, the extra arguments, and last the map. Empty
    // when the extra arguments leave a quote open.
    QStringList Arguments() const;
};

namespace RunSettingsStore {

// The settings store's key for a workspace: its workspace file, else (no file known) its source
// folder, as an absolute, cleaned path.
QString WorkspaceKey(const QString& workspaceFile, const QString& sourceDir);
// The settings saved for a workspace, or nothing before the first save.
std::optional<RunSettings> Load(const QString& workspaceKey);
void Save(const QString& workspaceKey, const RunSettings& settings);

} // namespace RunSettingsStore

namespace RunDiscovery {

// Where discovery looks: the folders of PATH, the folders Debian installs engines in, the
// folders it keeps game data in, and the user's home folder.
struct Places {
    QStringList path;
    QStringList installs;
    QStringList data;
    QString home;
    static Places System();
};

// The engine programs discovery looks for, clients first.
const QStringList& EngineNames();

// Settings for a workspace that has none yet: the first engine found (on PATH, then in the
// install places), the base game next to it or in the data places (baseq3, or baseoa first for
// OpenArena's engines; a folder counts when it holds a .pk3 file), the engine's usual home
// folder, the mod named after the workspace file and the first map of the base game. What is
// not found stays empty, for the check to name.
RunSettings Discover(const Places& places, const QString& workspaceFile, const QString& sourceDir);

// The maps of the base game and of the mod folder: maps/*.bsp in their .pk3 files and their
// maps folders, names sorted, each once.
QStringList Maps(const QString& baseGame, const QString& modFolder);

// What stops these settings from running the mod, as a message naming what was looked for and
// where; empty when nothing does.
QString Problem(const RunSettings& settings, const Places& places);

// What would make the engine run something other than the mod's QVMs, one sentence each:
// extra arguments that change the mod, its folders or vm_*; a .pk3 in the mod folder holding
// a .qvm (the engine prefers it to the loose file); a base game's native library for a module
// the mod does not supply.
QStringList Warnings(const RunSettings& settings, const QStringList& suppliedModules);

} // namespace RunDiscovery
