#include "frmMP3.h"

namespace {
// A software download site.
const char* const DownloadSite = "sourceforge.net";
} // namespace

const WizardPathRow& frmMP3::Row() {
    static const WizardPathRow row{
        .page = 3,
        .title = QStringLiteral("Step 2 - Upload your mod"),
        .body = QStringLiteral("Now that you've found a host, you should be getting some FTP "
                               "information on how to transfer files, now you can specify the path "
                               "to your main ftp client (if you don't have one get one at ") +
                QLatin1String(DownloadSite) +
                QStringLiteral(" or something) and click execute to upload your mod, if you would "
                               "like to upload later, just click next to go on without executing. "
                               "If you need to upload, start the FTP client and upload your mod "
                               "and website."),
        .boxName = "txtFTP",
        .boxCaption = QStringLiteral("FTP Client"),
        .path = &Module1::FTPClientPath,
        .browseTitle = QStringLiteral("Browse for FTP Client"),
    };
    return row;
}

frmMP3::frmMP3(Program& program) : WizardPathPage(program, Row()), txtFTP(PathBox) {}
