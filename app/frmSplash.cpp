#include "app/frmSplash.h"

#include <QApplication>
#include <QEventLoop>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "app/Program.h"
#include "app/ToolbarIcons.h"

namespace {

QFont Verdana(bool bold) {
    QFont font(QStringLiteral("Verdana"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9.75);
    font.setBold(bold);
    return font;
}

// Ends an event loop when the window it watches is exposed.
class ExposeWatch : public QObject {
public:
    explicit ExposeWatch(QEventLoop& loop) : loop(loop) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && qobject_cast<QWindow*>(watched)->isExposed())
            loop.quit();
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop& loop;
};

} // namespace

frmSplash::frmSplash(Program& program, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      program(program) {
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(program.App.Title);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    fraMainFrame = new QFrame(this);
    fraMainFrame->setObjectName(QStringLiteral("fraMainFrame"));
    fraMainFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
    outer->addWidget(fraMainFrame);

    auto* grid = new QGridLayout(fraMainFrame);
    grid->setContentsMargins(18, 18, 18, 18);
    grid->setHorizontalSpacing(24);

    picLogo = new QLabel(fraMainFrame);
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setPixmap(ToolbarIcons::Logo(96));
    grid->addWidget(picLogo, 0, 0, 3, 1, Qt::AlignTop);

    lblProductName = new QLabel(program.App.Title, fraMainFrame);
    lblProductName->setObjectName(QStringLiteral("lblProductName"));
    QFont title = Verdana(true);
    title.setPointSizeF(24);
    lblProductName->setFont(title);
    grid->addWidget(lblProductName, 0, 1, Qt::AlignRight | Qt::AlignTop);

    lblPlatform = new QLabel(QStringLiteral("Win 9x/NT/2000"), fraMainFrame);
    lblPlatform->setObjectName(QStringLiteral("lblPlatform"));
    lblPlatform->setFont(Verdana(false));
    grid->addWidget(lblPlatform, 1, 1, Qt::AlignRight | Qt::AlignBottom);

    lblVersion = new QLabel(fraMainFrame);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setFont(Verdana(true));
    grid->addWidget(lblVersion, 2, 1, Qt::AlignRight | Qt::AlignTop);
    grid->setRowStretch(1, 1);

    Form_Load();

    resize(sizeHint().expandedTo(QSize(420, 180)));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void frmSplash::Form_Load() {
    lblVersion->setText(QStringLiteral("Version ") + QString::number(program.App.Major) +
                        QStringLiteral(".") + QString::number(program.App.Minor) +
                        QStringLiteral(".") + QString::number(program.App.Revision));
}

void frmSplash::ShowPainted() {
    // A window manager maps the window some milliseconds after show(); a repaint before then
    // draws nothing anyone sees.
    show();
    QWindow* handle = windowHandle();
    if (handle && !handle->isExposed()) {
        QEventLoop loop;
        ExposeWatch watch(loop);
        handle->installEventFilter(&watch);
        QTimer::singleShot(ExposeLimitMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        handle->removeEventFilter(&watch);
    }
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
