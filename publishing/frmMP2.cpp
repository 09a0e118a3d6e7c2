#include "frmMP2.h"

namespace {
// Two free web-hosting sites.
const char* const HostSite1 = "neocities.org";
const char* const HostSite2 = "pages.github.com";
} // namespace

const WizardPathRow& frmMP2::Row() {
    static const WizardPathRow row{
        .page = 2,
        .title = QStringLiteral("Step 1 - Finding a Host"),
        .body = QStringLiteral("If you already have your site hosted somewhere, you can skip this "
                               "step, if not, find your web browser with the browse button below, "
                               "or used the one you specified in the options dialog and click "
                               "execute to start it. use your browser and connect to the internet "
                               "to find hosts, such as ") +
                QLatin1String(HostSite1) + QStringLiteral(" or ") + QLatin1String(HostSite2) +
                QStringLiteral(", just find a host and sign-up."),
        .boxName = "txtWeb",
        .boxCaption = QStringLiteral("Web Browser"),
        .path = &Module1::WebBrowserPath,
        .browseTitle = QStringLiteral("Browse for Web Browser"),
    };
    return row;
}

frmMP2::frmMP2(Program& program) : WizardPathPage(program, Row()), txtWeb(PathBox) {}
