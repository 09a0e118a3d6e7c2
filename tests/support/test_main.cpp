// The shared main of every test program: an offscreen QApplication and throwaway settings and
// state directories, so no test touches the user's configuration, recovery copies or backups,
// or needs a display; a write past the file-size limit fails as it does in the program.
#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/FileSizeSignal.h"

#ifdef Q_OS_WIN
#include <windows.h>

namespace {

// The settings live in the registry on Windows: for this process, HKEY_CURRENT_USER is a key
// of its own, removed at the end, so no test touches the user's settings and test programs
// running side by side never meet.
class RegistrySandbox {
public:
    RegistrySandbox() : name(L"Software\\Kelto tests\\" + std::to_wstring(GetCurrentProcessId())) {
        RegDeleteTreeW(HKEY_CURRENT_USER, name.c_str()); // left by an earlier process of this id
        if (RegCreateKeyExW(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr) == ERROR_SUCCESS)
            RegOverridePredefKey(HKEY_CURRENT_USER, key);
    }
    ~RegistrySandbox() {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(key);
        RegDeleteTreeW(HKEY_CURRENT_USER, name.c_str());
    }
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

private:
    std::wstring name;
    HKEY key = nullptr;
};

} // namespace
#endif

int main(int argc, char** argv) {
    IgnoreFileSizeSignal(); // as the program does
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
#ifdef Q_OS_WIN
    qputenv("LOCALAPPDATA", QDir::toNativeSeparators(state.path()).toLocal8Bit());
    RegistrySandbox registry;
#endif
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
