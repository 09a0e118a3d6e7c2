// The splash window shown while the main window loads: borderless, centred on the screen, not
// in the task bar; a frame holding the logo, the platform line and the version line.
#pragma once

#include <QWidget>

class Program;
class QFrame;
class QLabel;

class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(Program& program, QWidget* parent = nullptr);

    QFrame* fraMainFrame = nullptr;
    QLabel* picLogo = nullptr;
    QLabel* lblProductName = nullptr;
    QLabel* lblPlatform = nullptr;
    QLabel* lblVersion = nullptr;

    // Runs as the window is created: sets the version line.
    void Form_Load();
    // Shows the window and paints it once it is on the screen: returns when it has been
    // exposed and painted, or after ExposeLimitMs when the window system never exposes it.
    void ShowPainted();
    static constexpr int ExposeLimitMs = 300;

private:
    Program& program;
};
