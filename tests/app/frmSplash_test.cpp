#include <QApplication>
#include <QLabel>
#include <QWindow>
#include <algorithm>

#include "app/Main.h"
#include "app/Program.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedServices.h"
#include <gtest/gtest.h>

TEST(SplashWindow, ShowsPlatformAndVersionLinesInVerdana) {
    ScriptedServices services;
    Program program(services);
    frmSplash splash(program);
    EXPECT_EQ(splash.lblVersion->text(), "Version 1.7.0");
    EXPECT_EQ(splash.lblPlatform->text(), "Win 9x/NT/2000");
    EXPECT_EQ(splash.lblVersion->font().family(), "Verdana");
    EXPECT_TRUE(splash.lblVersion->font().bold());
    EXPECT_FALSE(splash.lblPlatform->font().bold());
    EXPECT_DOUBLE_EQ(splash.lblPlatform->font().pointSizeF(), 9.75);
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(splash.windowType(), Qt::SplashScreen);

    program.App.Minor = 7;
    program.App.Revision = 12;
    splash.Form_Load();
    EXPECT_EQ(splash.lblVersion->text(), "Version 1.7.12");
}

namespace {

// Notes, in order, the splash window painting while it is on the screen and the first event
// that reaches the main window.
class StartOrder : public QObject {
public:
    std::vector<std::string> seen;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* splash = qobject_cast<frmSplash*>(watched);
        if (splash && event->type() == QEvent::Paint && splash->windowHandle() &&
            splash->windowHandle()->isExposed())
            Note("splash painted");
        if (qobject_cast<frmMain*>(watched))
            Note("main window");
        return QObject::eventFilter(watched, event);
    }

private:
    void Note(const std::string& what) {
        if (std::find(seen.begin(), seen.end(), what) == seen.end())
            seen.push_back(what);
    }
};

} // namespace

// The splash is on the screen and drawn before the main window exists, so before its load.
TEST(SplashWindow, IsExposedAndPaintedBeforeTheMainWindowLoads) {
    SettingsStore::Clear("Kelto");
    ScriptedServices services;
    Program program(services);
    StartOrder order;
    QApplication::instance()->installEventFilter(&order);
    Main(program);
    QApplication::instance()->removeEventFilter(&order);
    EXPECT_EQ(order.seen, (std::vector<std::string>{"splash painted", "main window"}));
    ASSERT_TRUE(program.mainWindow);
    program.mainWindow->close();
    delete program.mainWindow.data();
}
