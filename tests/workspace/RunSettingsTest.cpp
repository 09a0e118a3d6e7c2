// Run settings without a window: the engine's argument vector, discovery over a made-up
// machine, the checks that name what was looked for and where, the warnings about what the
// engine would run instead of the mod's QVM, the store per workspace, and the engine's console.
// The made-up machine is a Linux one (programs by their executable bit, paths with "/"); the
// engine's console reads the same everywhere.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>
#include <gtest/gtest.h>

#include "platform/SettingsStore.h"
#include "platform/ZipArchive.h"
#include "support/TestFiles.h"
#include "workspace/EngineConsole.h"
#include "workspace/RunSettings.h"

#ifndef Q_OS_WIN
namespace {

class RunSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SettingsStore::Clear("Kelto");
        for (const char* folder : {"bin", "lib/ioquake3/baseq3", "share/openarena/baseoa", "home"})
            QDir().mkpath(root.filePath(folder));
        Executable("bin/ioq3ded");
        Executable("lib/ioquake3/openarena");
        ZipArchive::Write(root.filePath("share/openarena/baseoa/pak1-maps.pk3"),
                          {{"maps/oa_dm1.bsp", "b"}, {"maps/am_thornish.bsp", "b"}});
        places = {{root.filePath("bin")},
                  {root.filePath("lib/ioquake3")},
                  {root.filePath("share/openarena")},
                  root.filePath("home")};
    }
    void Executable(const char* name) {
        QFile file(root.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
    RunSettings Good() const {
        return {root.filePath("bin/ioq3ded"),
                true,
                root.filePath("share/openarena/baseoa"),
                root.filePath("home/.q3a"),
                "mymod",
                "oa_dm1",
                ""};
    }

    QTemporaryDir root;
    RunDiscovery::Places places;
};

} // namespace

TEST_F(RunSettingsTest, TheEngineGetsTheModItsFoldersTheQvmsAndTheMapAsWords) {
    RunSettings settings = Good();
    settings.extraArguments = "+set g_motd 'hello there' +set bot_enable 0";
    EXPECT_EQ(settings.Arguments(),
              QStringList({"+set", "fs_basepath",  root.filePath("share/openarena"),
                           "+set", "fs_homepath",  root.filePath("home/.q3a"),
                           "+set", "com_basegame", "baseoa",
                           "+set", "fs_game",      "mymod",
                           "+set", "vm_game",      "2",
                           "+set", "vm_cgame",     "2",
                           "+set", "vm_ui",        "2",
                           "+set", "dedicated",    "1",
                           "+set", "g_motd",       "hello there",
                           "+set", "bot_enable",   "0",
                           "+map", "oa_dm1"}));
    EXPECT_EQ(settings.ModVmFolder(), root.filePath("home/.q3a/mymod/vm"));
    EXPECT_EQ(settings.LoadedModules(), QStringList({"game"}));
    settings.dedicated = false;
    EXPECT_FALSE(settings.Arguments().contains("dedicated"));
    EXPECT_EQ(settings.LoadedModules(), QStringList({"game", "cgame", "ui"}));
}

TEST_F(RunSettingsTest, DiscoveryFindsTheEngineItsBaseGameHomeModAndFirstMap) {
    // A client first, wherever it is: OpenArena's, in an install place, with baseoa first, its
    // own home folder and a client's extra arguments.
    RunSettings found = RunDiscovery::Discover(places, "", "/work/mymod");
    EXPECT_EQ(found, RunSettings({root.filePath("lib/ioquake3/openarena"), false,
                                  root.filePath("share/openarena/baseoa"),
                                  root.filePath("home/.openarena"), "mymod", "am_thornish",
                                  "+set sv_pure 0"}));
    // Else a dedicated server on PATH; the mod is named after the workspace file.
    QFile::remove(root.filePath("lib/ioquake3/openarena"));
    found = RunDiscovery::Discover(places, "/work/mods/my mod.kws", "/work/mods/code");
    EXPECT_EQ(found, RunSettings({root.filePath("bin/ioq3ded"), true,
                                  root.filePath("share/openarena/baseoa"),
                                  root.filePath("home/.q3a"), "my_mod", "am_thornish", ""}));
    // Nothing installed: empty, for the check to name where it looked.
    found = RunDiscovery::Discover({{}, {}, {}, root.filePath("home")}, "a.kws", "");
    EXPECT_TRUE(found.engine.isEmpty() && found.baseGame.isEmpty() && found.map.isEmpty());
}

TEST_F(RunSettingsTest, EachProblemNamesWhatWasLookedForAndWhere) {
    EXPECT_EQ(RunDiscovery::Problem(Good(), places), "");
    const QString missingEngine = root.filePath("bin/quake3");
    const std::vector<std::pair<std::function<void(RunSettings&)>, QStringList>> table = {
        {[](RunSettings& s) { s.engine.clear(); },
         {"No engine program", "ioquake3, openarena, ioq3ded, openarena-server",
          root.filePath("bin"), root.filePath("lib/ioquake3")}},
        {[&](RunSettings& s) { s.engine = missingEngine; }, {missingEngine, "not found"}},
        {[&](RunSettings& s) { s.engine = root.filePath("home"); }, {"not a program"}},
        {[](RunSettings& s) { s.baseGame.clear(); },
         {"No base game folder", "baseq3 and baseoa", root.filePath("bin"),
          root.filePath("share/openarena")}},
        {[&](RunSettings& s) { s.baseGame = root.filePath("lib/ioquake3/baseq3"); },
         {root.filePath("lib/ioquake3/baseq3"), "holds no .pk3"}},
        {[](RunSettings& s) { s.homeFolder = "q3a"; }, {"full path"}},
        {[](RunSettings& s) { s.mod = "../baseoa"; }, {"not a plain folder name"}},
        {[](RunSettings& s) { s.mod = "BaseOA"; }, {"the base game's"}},
        {[](RunSettings& s) { s.map = "oa+dm1"; }, {"oa+dm1", "command line"}},
        {[](RunSettings& s) { s.extraArguments = "+set g_motd 'open"; }, {"quote open"}},
        {[](RunSettings& s) { s.map = "q3dm17"; },
         {"maps/q3dm17.bsp", root.filePath("share/openarena/baseoa"),
          root.filePath("home/.q3a/mymod")}},
    };
    for (const auto& [change, expected] : table) {
        RunSettings settings = Good();
        change(settings);
        const QString problem = RunDiscovery::Problem(settings, places);
        for (const QString& part : expected)
            EXPECT_TRUE(problem.contains(part))
                << problem.toStdString() << "\n  lacks " << part.toStdString();
        EXPECT_TRUE(problem.endsWith("Build > Run Settings...")) << problem.toStdString();
    }
    // A map the mod itself brings counts.
    RunSettings own = Good();
    own.map = "mymap";
    QDir().mkpath(own.ModFolder() + "/maps");
    WriteTestFile(root, "home/.q3a/mymod/maps/mymap.bsp", "b");
    EXPECT_EQ(RunDiscovery::Problem(own, places), "");
}

TEST_F(RunSettingsTest, WarnsOfWhatWouldRunInsteadOfTheModsQvms) {
    RunSettings settings = Good();
    settings.dedicated = false;
    settings.baseGame = root.filePath("lib/ioquake3/baseq3");
    WriteTestFile(root, "lib/ioquake3/baseq3/cgamex86_64.so", "elf");
    WriteTestFile(root, "lib/ioquake3/baseq3/qagamex86_64.so", "elf");
    QDir().mkpath(settings.ModFolder());
    ZipArchive::Write(settings.ModFolder() + "/mymod.pk3", {{"vm/qagame.qvm", "old"}});
    settings.extraArguments = "+set vm_game 0 +set fs_game other +set sv_pure 0";
    const QStringList warnings = RunDiscovery::Warnings(settings, {"game", "ui"});
    ASSERT_EQ(warnings.size(), 4) << warnings.join("\n").toStdString();
    EXPECT_TRUE(warnings[0].startsWith("The extra arguments set vm_game 0"));
    EXPECT_TRUE(warnings[1].startsWith("The extra arguments set fs_game again"));
    EXPECT_TRUE(warnings[2].startsWith("mymod.pk3 in the mod folder holds vm/qagame.qvm"));
    EXPECT_EQ(warnings[3], "The mod supplies no cgame QVM: the engine would load the base game's "
                           "native library " +
                               root.filePath("lib/ioquake3/baseq3/cgamex86_64.so") + " instead.");
    RunSettings clean = Good();
    clean.mod = "othermod";
    EXPECT_TRUE(RunDiscovery::Warnings(clean, {"game"}).isEmpty());
}

TEST_F(RunSettingsTest, KeptPerWorkspaceApartFromTheWorkspaceFile) {
    const QString kws = WriteTestFile(root, "mymod.kws", "/src/code\r\n");
    const QString key = RunSettingsStore::WorkspaceKey(kws, "/src/code");
    EXPECT_EQ(key, kws);
    EXPECT_EQ(RunSettingsStore::WorkspaceKey("", "/src/code/"), "/src/code");
    EXPECT_FALSE(RunSettingsStore::Load(key));
    RunSettings settings = Good();
    settings.extraArguments = "+set g_motd \"a;b\"";
    RunSettingsStore::Save(key, settings);
    RunSettings other = Good();
    other.map = "am_thornish";
    RunSettingsStore::Save("/elsewhere/other.kws", other);
    EXPECT_EQ(RunSettingsStore::Load(key), settings);
    EXPECT_EQ(RunSettingsStore::Load("/elsewhere/other.kws"), other);
    EXPECT_EQ(ReadTestFile(kws), "/src/code\r\n");
}

#endif

TEST(EngineConsole, MarksErrorsWarningsAndWhereTheQvmCameFrom) {
    using EngineConsole::Mark;
    const struct {
        const char* raw;
        const char* text;
        Mark mark;
        bool native;
    } table[] = {
        {"ERROR: couldn't load map", "ERROR: couldn't load map", Mark::Error, false},
        {"^1Server: bad state", "Server: bad state", Mark::Error, false},
        {"----- Server Shutdown (Server fatal crashed: VM_Create on game failed) -----", nullptr,
         Mark::Error, false},
        {"\x1b[33mWARNING: no such sound\x1b[0m", "WARNING: no such sound", Mark::Warning, false},
        {"^3yellow ^7text", "yellow text", Mark::Warning, false},
        {"...which has vmMagic VM_MAGIC_USE_NATIVE.", nullptr, Mark::Warning, true},
        {"Loading DLL file: /usr/lib/x/qagamex86_64.so", nullptr, Mark::Warning, true},
        {"Loading vm file vm/qagame.qvm...", nullptr, Mark::Plain, false},
        {"mymod: ^2hello", "mymod: hello", Mark::Plain, false},
    };
    for (const auto& row : table) {
        const EngineConsole::Line line = EngineConsole::Read(row.raw);
        EXPECT_EQ(line.text, row.text ? row.text : row.raw) << row.raw;
        EXPECT_EQ(line.mark, row.mark) << row.raw;
        EXPECT_EQ(line.nativeLibrary, row.native) << row.raw;
    }
    for (const char* how : {"at", "in"}) {
        const auto found = EngineConsole::Read(
            QString(R"(File "vm/qagame.qvm" found %1 "/h/.q3a/mymod")").arg(how));
        EXPECT_EQ(found.qvm, "vm/qagame.qvm");
        EXPECT_EQ(found.foundIn, "/h/.q3a/mymod");
    }
}
