#include "frmMP4.h"

namespace {
// The address that collects mod announcements.
const char* const AnnouncementAddress = "mods@example.com";
} // namespace

const WizardPathRow& frmMP4::Row() {
    static const WizardPathRow row{
        .page = 4,
        .title = QStringLiteral("Step 3 - Publicize your mod"),
        .body = QStringLiteral("Now the site is up, the mod is uploaded, now all you have to do is "
                               "to send news to news sites, and, if your mod is code-only and "
                               "under 10 megs, send an email to ") +
                QLatin1String(AnnouncementAddress) +
                QStringLiteral(" and include your mod's name, size, description, and URL, so you "
                               "could be listed in the Kelto coded mods section."),
        .boxName = "txtEma",
        .boxCaption = QStringLiteral("Email Client"),
        .path = &Module1::EmailClientPath,
        .browseTitle = QStringLiteral("Browse for Email Client"),
    };
    return row;
}

frmMP4::frmMP4(Program& program) : WizardPathPage(program, Row()), txtEma(PathBox) {}
