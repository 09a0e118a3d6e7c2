#include "WizardPage.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "FocusedButton.h"
#include "WizardPicture.h"
#include "app/Program.h"
#include "frmMP1.h"
#include "frmMP2.h"
#include "frmMP3.h"
#include "frmMP4.h"
#include "frmMP5.h"

namespace {
// Every page has the same size; the picture fills the height above the button row.
constexpr int PictureWidth = 125;
constexpr int PictureHeight = 269;
constexpr int Margin = 12;
constexpr int ButtonWidth = 81;
constexpr int ButtonHeight = 25;
constexpr int PageWidth = 500;
constexpr int PageHeight = PictureHeight + 10 + ButtonHeight + 10;

QPushButton* makeButton(const QString& caption, QWidget* parent, const char* name, int x) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false); // no default button: Enter presses the focused one
    button->setGeometry(x, PictureHeight + 10, ButtonWidth, ButtonHeight);
    return button;
}

WizardPage* createPage(Program& program, int n) {
    switch (n) {
    case 1:
        return new frmMP1(program);
    case 2:
        return new frmMP2(program);
    case 3:
        return new frmMP3(program);
    case 4:
        return new frmMP4(program);
    case 5:
        return new frmMP5(program);
    default:
        return nullptr;
    }
}
} // namespace

WizardPage::WizardPage(Program& program, int n, const QString& title, const QString& body)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      PageNumber(n), program(program) {
    setObjectName(QStringLiteral("frmMP%1").arg(n));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Mod Publishing Wizard"));
    setFixedSize(PageWidth, PageHeight);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(0, 0, PictureWidth, PictureHeight);
    Picture1->setPixmap(WizardPicture());

    auto* area = new QWidget(this);
    area->setGeometry(PictureWidth + Margin, Margin, PageWidth - PictureWidth - 2 * Margin,
                      PictureHeight - Margin);
    content = new QVBoxLayout(area);
    content->setContentsMargins(0, 0, 0, 0);

    Label1 = new QLabel(area);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setTextFormat(Qt::PlainText);
    if (title.isEmpty()) {
        content->addWidget(Label1, 1);
    } else {
        QFont titleFont(QStringLiteral("MS Sans Serif"), 18);
        titleFont.setStyleHint(QFont::SansSerif);
        Label1->setFont(titleFont);
        Label1->setText(title);
        content->addWidget(Label1);

        Label2 = new QLabel(body, area);
        Label2->setObjectName(QStringLiteral("Label2"));
        Label2->setWordWrap(true);
        Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        Label2->setTextFormat(Qt::PlainText);
        content->addWidget(Label2);
        content->addStretch(1); // the texts keep to the top; pages insert their rows above
    }

    // The navigation buttons keep their places whether or not a page has them.
    const int cancelX = PageWidth - Margin - ButtonWidth;
    const int nextX = cancelX - Margin - ButtonWidth;
    const int backX = nextX - ButtonWidth;
    if (n > FirstPage) {
        cmdBack = makeButton(QStringLiteral("< Back"), this, "cmdBack", backX);
        connect(cmdBack, &QPushButton::clicked, this, &WizardPage::cmdBack_Click);
    }
    if (n < LastPage) {
        cmdNext = makeButton(QStringLiteral("Next >"), this, "cmdNext", nextX);
        connect(cmdNext, &QPushButton::clicked, this, &WizardPage::cmdNext_Click);
    }
    cmdCancel = makeButton(n == LastPage ? QStringLiteral("Finish") : QStringLiteral("Cancel"),
                           this, "cmdCancel", cancelX);
    connect(cmdCancel, &QPushButton::clicked, this, &WizardPage::cmdCancel_Click);
}

WizardPage* WizardPage::OpenPage(const Program& program, int n) {
    if (n < FirstPage || n > LastPage)
        return nullptr;
    return qobject_cast<WizardPage*>(program.WizardPages[n].data());
}

WizardPage* WizardPage::ShowPage(Program& program, int n) {
    WizardPage* page = OpenPage(program, n);
    if (!page) {
        page = createPage(program, n);
        if (!page)
            return nullptr;
        program.WizardPages[n] = page;
        page->Form_Load();
        if (QScreen* screen = QGuiApplication::primaryScreen())
            page->move(screen->availableGeometry().center() - page->rect().center());
        page->show();
    }
    page->raise();
    page->activateWindow();
    return page;
}

void WizardPage::cmdNext_Click() {
    ShowPage(program, PageNumber + 1);
    close();
}

void WizardPage::cmdBack_Click() {
    ShowPage(program, PageNumber - 1);
    close();
}

void WizardPage::cmdCancel_Click() {
    close();
}

void WizardPage::closeEvent(QCloseEvent* event) {
    // Unloading: the page writes back what it holds and gives up its place at once, so that
    // showing this page number again builds a fresh page, even before this one is deleted.
    if (!unloaded) {
        unloaded = true;
        Form_Unload();
        if (program.WizardPages[PageNumber] == this)
            program.WizardPages[PageNumber] = nullptr;
    }
    event->accept();
}

void WizardPage::keyPressEvent(QKeyEvent* event) {
    if (!PressFocusedButton(*this, *event))
        QWidget::keyPressEvent(event);
}
