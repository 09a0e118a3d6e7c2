#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

#include "PrintQString.h"

#include "platform/FileFilter.h"
#include "platform/SystemInfo.h"
#include "platform/Twips.h"

namespace {

TEST(TranslateFilter, DescriptionStaysAndPatternsMatchLinuxNames) {
    DialogFilter all = TranslateFilter("All Files (*.*)|*.*");
    EXPECT_EQ(all.nameFilter, "All Files (*.*) (*)"); // "*.*" would hide names without a dot
    EXPECT_FALSE(all.executablesOnly);

    DialogFilter kws = TranslateFilter("Kelto Dir Info (*.kws)|*.kws");
    EXPECT_EQ(kws.nameFilter, "Kelto Dir Info (*.kws) (*.kws)");
    EXPECT_FALSE(kws.executablesOnly);

    DialogFilter exe = TranslateFilter("Executables (*.exe)|*.exe");
#ifdef Q_OS_WIN
    EXPECT_EQ(exe.nameFilter, "Executables (*.exe) (*.exe)"); // programs are .exe files there
    EXPECT_FALSE(exe.executablesOnly);
#else
    EXPECT_EQ(exe.nameFilter, "Executables (*.exe) (*)");
    EXPECT_TRUE(exe.executablesOnly);
#endif

    EXPECT_EQ(TranslateFilter("C Source|*.c;*.h").nameFilter, "C Source (*.c *.h)");
    EXPECT_EQ(TranslateFilter("").nameFilter, " (*)");
}

// A PATH holding the given programs.
auto PathWith(QStringList programs) {
    return [programs](const QString& name) {
        return programs.contains(name) ? "/usr/bin/" + name : QString();
    };
}

TEST(RegistryStandIn, AnswersTheSystemInformationToolAndNothingElse) {
    SystemInfo::RegistryStandIn registry(PathWith({"gnome-system-monitor", "hardinfo"}));

    EXPECT_FALSE(registry.Open("SOFTWARE\\Microsoft\\Shared Tools Location"));
    const auto key = registry.Open("software\\microsoft\\shared tools\\msinfo");
    ASSERT_TRUE(key);
    const auto value = registry.Query(*key, "PATH");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, 1u);
    EXPECT_EQ(QByteArray(value->data.constData()), "/usr/bin/hardinfo"); // preferred to the monitor
    EXPECT_FALSE(registry.Query(*key, "MSINFO"));

    registry.Close(*key);
    EXPECT_FALSE(registry.Query(*key, "PATH"));
}

TEST(RegistryStandIn, ToolKeyIsMissingWhenNoToolIsInstalled) {
    SystemInfo::RegistryStandIn registry(PathWith({"xterm"}));
    EXPECT_FALSE(registry.Open(QString::fromUtf16(SystemInfo::ToolKey)));
}

TEST(Twips, ConvertWithTheDpi) {
    EXPECT_EQ(TwipsToPixels(1440, 96), 96);
    EXPECT_EQ(TwipsToPixels(1000, 96), 67); // 66.67 rounds to nearest
    EXPECT_EQ(TwipsToPixels(6500, 144), 650);
    EXPECT_DOUBLE_EQ(PixelsToTwips(1, 96), 15.0);
    EXPECT_DOUBLE_EQ(PixelsToTwips(650, 144), 6500.0);
    // The DPI of no window is the primary screen's; its pixels come back the same through twips.
    const double dpi = DotsPerInch(nullptr, Qt::Horizontal);
    EXPECT_EQ(dpi, QGuiApplication::primaryScreen()->logicalDotsPerInchX());
    EXPECT_EQ(DotsPerInch(nullptr, Qt::Vertical),
              QGuiApplication::primaryScreen()->logicalDotsPerInchY());
    for (int px : {0, 1, 67, 433, 1279})
        EXPECT_EQ(TwipsToPixels(PixelsToTwips(px, dpi), dpi), px);
}

} // namespace
