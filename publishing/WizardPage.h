// One page of the publishing wizard: a free-standing, unowned, modeless window captioned
// "Mod Publishing Wizard" with the wizard's picture at the left, the page's title and text to
// its right and the navigation buttons in fixed places at the bottom right, laid out so that
// every text fits at any font. The page opens with the focus on its first field; Enter goes
// forward ("Next >", or "Finish" on the last page) unless another button has the focus. Each page
// number has one shared instance, kept in Program::WizardPages while the page is open; closing a
// page unloads and destroys it. Pages reach the program only through Program, never through the
// main window, which may be gone while a page is still open.
#pragma once

#include <QWidget>

class Program;
class QLabel;
class QPushButton;
class QVBoxLayout;

class WizardPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int FirstPage = 1;
    static constexpr int LastPage = 5;

    // Shows page n: creates and loads it, sized to its texts, centred on the screen and with
    // the focus on its first field, when it is not open; an open page is only brought to the
    // front (it is not loaded again).
    static WizardPage* ShowPage(Program& program, int n);
    // The open page n, or none.
    static WizardPage* OpenPage(const Program& program, int n);

    const int PageNumber;

    // Controls common to all pages.
    QLabel* Picture1 = nullptr;
    QLabel* Label1 = nullptr;         // the title; on page 1 the welcome text
    QLabel* Label2 = nullptr;         // the body text; none on page 1
    QPushButton* cmdBack = nullptr;   // none on page 1
    QPushButton* cmdNext = nullptr;   // none on page 5
    QPushButton* cmdCancel = nullptr; // "Finish" on page 5

    // Handlers.
    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    void cmdNext_Click();
    void cmdBack_Click();
    void cmdCancel_Click();

protected:
    // A page with a title (18-point) and a body text; page 1 passes neither.
    WizardPage(Program& program, int n, const QString& title, const QString& body);

    // Where a page's own controls go: below the body text, right of the picture; its last
    // item is the stretch that keeps everything at the top.
    QVBoxLayout* content = nullptr;
    // The button that goes forward, the page's default: "Next >", or "Finish" on the last page.
    QPushButton* Forward() const;
    // Where the focus is when the page opens: the forward button, or the page's path box.
    virtual QWidget* FirstFocus();
    Program& program;

    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Fixes the page's size: the documented 500 x 314 at least, taller (or, past the screen's
    // height, wider) where the texts need it at the font in use.
    void FitToContent();
    bool unloaded = false;
};
