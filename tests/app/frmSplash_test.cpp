#include <QLabel>

#include "app/Program.h"
#include "app/frmSplash.h"
#include "support/ScriptedServices.h"
#include <gtest/gtest.h>

TEST(SplashWindow, ShowsPlatformAndVersionLinesInVerdana) {
    ScriptedServices services;
    Program program(services);
    frmSplash splash(program);
    EXPECT_EQ(splash.lblVersion->text(), "Version 1.6.0");
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
