#include "WizardPage.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "FocusedButton.h"
#include "WizardPicture.h"
#include "app/Program.h"
#include "frmMP1.h"
#include "frmMP2.h"
#include "frmMP3.h"
#include "frmMP4.h"
#include "frmMP5.h"

namespace {
// The page's documented size is its least size: the picture fills the height above the button
// row; a page grows when its texts need more room at the user's font.
constexpr int PictureWidth = 125;
constexpr int PictureHeight = 269;
constexpr int Margin = 12;
constexpr int ButtonWidth = 81;
constexpr int ButtonHeight = 25;
constexpr int PageWidth = 500;
constexpr int PageHeight = PictureHeight + 10 + ButtonHeight + 10;

// One size for every navigation button, so that each keeps its place on every page.
QSize NavigationButtonSize() {
    QSize size(ButtonWidth, ButtonHeight);
    for (const QString& caption : {QStringLiteral("< Back"), QStringLiteral("Next >"),
                                   QStringLiteral("Cancel"), QStringLiteral("Finish")})
        size = size.expandedTo(QPushButton(caption).sizeHint());
    return size;
}

// Enter goes to the focused button or the page's default.
QPushButton* NavigationButton(const QString& caption, QWidget* parent, const char* name) {
    QPushButton* button = MakeButton(caption, parent, name);
    button->setFixedSize(NavigationButtonSize());
    return button;
}

// A button's place in the row: the button, or room of its size where the page has none.
void addSlot(QHBoxLayout& row, QPushButton* button) {
    if (button)
        row.addWidget(button);
    else
        row.addSpacing(NavigationButtonSize().width());
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

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFixedWidth(PictureWidth);
    Picture1->setMinimumHeight(PictureHeight);
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setPixmap(WizardPicture());
    // Below the image, on a page grown taller, the colour the image ends in.
    Picture1->setAutoFillBackground(true);
    QPalette pictureColour = Picture1->palette();
    pictureColour.setColor(QPalette::Window,
                           WizardPicture().toImage().pixelColor(0, PictureHeight - 1));
    Picture1->setPalette(pictureColour);

    auto* area = new QWidget(this);
    content = new QVBoxLayout(area);
    content->setContentsMargins(0, Margin, Margin, 0);

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

    // The navigation buttons keep their places whether or not a page has them: "< Back" and
    // "Next >" side by side, then "Cancel" (or "Finish") at the right.
    if (n > FirstPage) {
        cmdBack = NavigationButton(QStringLiteral("< Back"), this, "cmdBack");
        connect(cmdBack, &QPushButton::clicked, this, &WizardPage::cmdBack_Click);
    }
    if (n < LastPage) {
        cmdNext = NavigationButton(QStringLiteral("Next >"), this, "cmdNext");
        connect(cmdNext, &QPushButton::clicked, this, &WizardPage::cmdNext_Click);
    }
    cmdCancel = NavigationButton(
        n == LastPage ? QStringLiteral("Finish") : QStringLiteral("Cancel"), this, "cmdCancel");
    connect(cmdCancel, &QPushButton::clicked, this, &WizardPage::cmdCancel_Click);
    // Enter anywhere but on another button goes forward: "Next >", or "Finish" on the last page.
    Forward()->setDefault(true);

    auto* top = new QHBoxLayout;
    top->setSpacing(Margin);
    top->addWidget(Picture1);
    top->addWidget(area, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(Margin, 10, Margin, 10);
    buttons->setSpacing(0);
    buttons->addStretch(1);
    addSlot(*buttons, cmdBack);
    addSlot(*buttons, cmdNext);
    buttons->addSpacing(Margin);
    addSlot(*buttons, cmdCancel);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addLayout(top, 1);
    page->addLayout(buttons);
}

QPushButton* WizardPage::Forward() const {
    return cmdNext ? cmdNext : cmdCancel;
}

QWidget* WizardPage::FirstFocus() {
    return Forward();
}

void WizardPage::FitToContent() {
    ensurePolished();
    QLayout* page = layout();
    page->activate();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize available = screen ? screen->availableGeometry().size() : QSize(1920, 1080);
    auto heightFor = [page](int width) {
        return std::max(PageHeight, page->hasHeightForWidth() ? page->totalHeightForWidth(width)
                                                              : page->sizeHint().height());
    };
    int width = std::max(PageWidth, page->totalMinimumSize().width());
    int height = heightFor(width);
    // A page too tall for the screen grows wider instead.
    while (height > available.height() && width + 50 <= available.width()) {
        width += 50;
        height = heightFor(width);
    }
    setFixedSize(width, height);
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
        page->FitToContent();
        page->FirstFocus()->setFocus();
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
    if (PressFocusedButton(*this, *event))
        return;
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        Forward()->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
