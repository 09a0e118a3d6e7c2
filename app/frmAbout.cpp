#include "app/frmAbout.h"

#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtEndian>
#include <exception>

#include "app/Program.h"
#include "platform/Services.h"

namespace {
const QString SysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString SysInfoValue = QStringLiteral("PATH");
const QString SysInfoLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString SysInfoLocationValue = QStringLiteral("MSINFO");
#ifdef Q_OS_WIN
const QString SysInfoProgram = QStringLiteral("\\MSINFO32.EXE");
#else
const QString SysInfoProgram = QStringLiteral("/MSINFO32.EXE");
#endif

constexpr int REG_SZ = 1;
constexpr int REG_DWORD = 4;
constexpr qsizetype ValueBufferSize = 1024;
} // namespace

frmAbout::frmAbout(Program& program, QWidget* owner) : QDialog(owner), program(program) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Kelto"));
    setModal(true);

    picIcon = new QLabel(this);
    lblTitle = new QLabel(this);
    lblVersion = new QLabel(this);
    lblDescription = new QLabel(
        QStringLiteral("An Intergrated Development Environment designed especially for Quake 3 "
                       "mod coding"),
        this);
    Line1 = new QFrame(this);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    Line1->setObjectName(QStringLiteral("Line1"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    const QIcon icon = owner ? owner->windowIcon() : windowIcon();
    picIcon->setPixmap(icon.pixmap(32, 32));
    picIcon->setFixedSize(40, 40);
    picIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblDescription->setWordWrap(true);
    lblDescription->setMinimumWidth(300);
    Line1->setFrameShape(QFrame::HLine); // etched: a grey line over a white one
    Line1->setFrameShadow(QFrame::Sunken);

    // OK is the default button, and Esc (the dialog's reject) closes the box as well.
    cmdOK->setDefault(true);
    cmdOK->setMinimumWidth(110);
    cmdSysInfo->setMinimumWidth(110);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addSpacing(8);
    texts->addWidget(lblDescription);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addLayout(texts, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Line1);
    layout->addLayout(bottom);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    Form_Load();
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load() {
    const AppInfo& app = program.App;
    lblVersion->setText(
        QStringLiteral("Version %1.%2.%3").arg(app.Major).arg(app.Minor).arg(app.Revision));
    lblTitle->setText(app.Title);
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    bool started = false;
    try {
        QString sysInfoPath;
        bool found = GetKeyValue(LocalMachine, SysInfoKey, SysInfoValue, sysInfoPath);
        if (!found &&
            GetKeyValue(LocalMachine, SysInfoLocationKey, SysInfoLocationValue, sysInfoPath)) {
            // Only this older key names a folder, which must hold the tool.
            found = program.services.FileExists(sysInfoPath + SysInfoProgram);
            if (found)
                sysInfoPath += SysInfoProgram;
        }
        // A value of another type counts as read but names nothing that can be started.
        QString error;
        started = found && !sysInfoPath.isEmpty() && program.services.Launch(sysInfoPath, error);
    } catch (const std::exception&) {
        started = false;
    }
    if (!started)
        program.services.MsgBox(this,
                                QStringLiteral("System Information Is Unavailable At This Time"),
                                MsgButtons::OK, MsgIcon::None, program.App.Title);
}

bool frmAbout::GetKeyValue(std::uintptr_t KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                           QString& KeyVal) {
    Services& services = program.services;
    const std::optional<std::uintptr_t> key = services.RegOpenKey(KeyRoot, KeyName, FullAccess);
    if (!key) {
        KeyVal.clear();
        return false;
    }
    const std::optional<RegistryValue> value = services.RegQueryValue(*key, SubKeyRef);
    // A value larger than the 1024-character buffer cannot be read whole: that is a failure,
    // not a cut-off path.
    if (!value || value->data.size() > ValueBufferSize) {
        KeyVal.clear();
        services.RegCloseKey(*key);
        return false;
    }
    switch (value->type) {
    case REG_SZ: {
        QByteArray text = value->data;
        const qsizetype zero = text.indexOf('\0');
        if (zero >= 0)
            text.truncate(zero);
        KeyVal = QString::fromLocal8Bit(text);
        break;
    }
    case REG_DWORD: {
        // The number's own four bytes (little-endian), not cut at a zero byte.
        QByteArray bytes = value->data.left(4);
        bytes.append(4 - bytes.size(), '\0');
        const quint32 number = qFromLittleEndian<quint32>(bytes.constData());
        KeyVal = QStringLiteral("&h") + QString::number(number, 16).toUpper();
        break;
    }
    default:
        break;
    }
    services.RegCloseKey(*key);
    return true;
}
