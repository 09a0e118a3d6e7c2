// The toolbar dispatch, View > Toolbar and Status Bar, the Window commands that arrange the
// child windows, and the File > Properties placeholder the toolbar reaches.
#include <QAction>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <algorithm>
#include <exception>
#include <iterator>

#include "app/Program.h"
#include "app/frmMain.h"
#include "documents/frmDocument.h"
#include "platform/RuntimeError.h"
#include "platform/Services.h"

namespace {
struct ToolbarCommand {
    const char* key;
    void (frmMain::*command)();
};

// Compared exactly and in this order; the first equal key runs.
constexpr ToolbarCommand toolbarCommands[] = {
    {"New", &frmMain::NewDocument},
    {"Open", &frmMain::mnuFileOpen_Click},
    {"Save", &frmMain::mnuFileSave_Click},
    {"Print", &frmMain::mnuFilePrint_Click},
    {"Cut", &frmMain::mnuEditCut_Click},
    {"Copy", &frmMain::mnuEditCopy_Click},
    {"Paste", &frmMain::mnuEditPaste_Click},
    {"Find", &frmMain::mnuEditFind_Click},
    {"Properties", &frmMain::mnuFileProperties_Click},
};

// The child windows an arrangement covers, the topmost first (as the platform tiles them).
QList<QMdiSubWindow*> ChildrenTopmostFirst(QMdiArea& area) {
    QList<QMdiSubWindow*> children;
    const QList<QMdiSubWindow*> stacking = area.subWindowList(QMdiArea::StackingOrder);
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it)
        if ((*it)->isVisible())
            children.append(*it);
    return children;
}

// The client area the children are arranged in: the whole area, as if no scroll bar showed
// (the bars go once every window lies inside it).
QRect ClientArea(const QMdiArea& area) {
    return QRect(QPoint(0, 0), area.contentsRect().size());
}

// How far each cascaded window lies down and right from the one behind it: its caption's height.
int CascadeStep(const QMdiArea& area) {
    return std::max(area.style()->pixelMetric(QStyle::PM_TitleBarHeight), 16) + 4;
}

// A window of fixed size (the file browser, the New Workspace dialog): it takes its size from
// its content, never from an arrangement.
bool FixedSize(const QMdiSubWindow* child) {
    return child->minimumSize() == child->maximumSize();
}

// Places a window on its slot. A window of fixed size keeps its size and is kept inside the
// client area, so it does not push scroll bars in.
void Place(QMdiSubWindow* child, const QRect& slot, const QRect& client) {
    if (child->isMaximized())
        child->showNormal();
    child->setGeometry(slot);
    QPoint at = child->pos();
    at.setX(std::max(0, std::min(at.x(), client.width() - child->width())));
    at.setY(std::max(0, std::min(at.y(), client.height() - child->height())));
    child->move(at);
}

// Lines the minimised windows up along the bottom of the client area, left to right, rows
// going upwards. Returns the height the rows take, which tiling and cascading leave free.
int ArrangeIcons(QMdiArea& area, const QList<QMdiSubWindow*>& children) {
    const QRect client = ClientArea(area);
    int x = 0, rowTop = client.height();
    bool first = true;
    for (QMdiSubWindow* child : children) {
        if (!child->isMinimized())
            continue;
        const QSize size = child->size();
        if (first || x + size.width() > client.width()) {
            x = 0;
            rowTop -= size.height();
            first = false;
        }
        child->move(x, rowTop);
        x += size.width();
    }
    return client.height() - rowTop;
}

QList<QMdiSubWindow*> NotMinimised(const QList<QMdiSubWindow*>& children) {
    QList<QMdiSubWindow*> result;
    for (QMdiSubWindow* child : children)
        if (!child->isMinimized())
            result.append(child);
    return result;
}

// The client area above the row of icons.
QRect AboveIcons(QMdiArea& area, const QList<QMdiSubWindow*>& children) {
    QRect client = ClientArea(area);
    client.setHeight(std::max(client.height() - ArrangeIcons(area, children), 1));
    return client;
}

// One above another (horizontal) or side by side (vertical), filling the client area above
// the row of icons, the topmost window first.
void Tile(QMdiArea& area, const QList<QMdiSubWindow*>& children, bool horizontal) {
    const QList<QMdiSubWindow*> tiled = NotMinimised(children);
    if (tiled.isEmpty())
        return;
    const QRect client = AboveIcons(area, children);
    const int n = int(tiled.size());
    for (int i = 0; i < n; ++i) {
        QRect slot;
        if (horizontal) {
            const int top = client.height() * i / n, bottom = client.height() * (i + 1) / n;
            slot = QRect(0, top, client.width(), bottom - top);
        } else {
            const int left = client.width() * i / n, right = client.width() * (i + 1) / n;
            slot = QRect(left, 0, right - left, client.height());
        }
        Place(tiled[i], slot, client);
    }
    // A window of fixed size may reach into the slots of others: it goes behind them, so that
    // every window that fills its slot shows whole.
    for (QMdiSubWindow* child : tiled)
        if (FixedSize(child))
            child->lower();
}

// Overlapping, each one a caption's height down and right from the one behind it, the
// topmost in front; all of one size, large enough to work in. A run that would leave the
// area starts again at the top left.
void Cascade(QMdiArea& area, const QList<QMdiSubWindow*>& children) {
    QList<QMdiSubWindow*> cascaded = NotMinimised(children);
    if (cascaded.isEmpty())
        return;
    std::reverse(cascaded.begin(), cascaded.end()); // the one at the back first
    // Windows of fixed size at the back, so that they cover no caption of the others.
    std::stable_partition(cascaded.begin(), cascaded.end(), FixedSize);
    const QRect client = AboveIcons(area, children);
    const int step = CascadeStep(area);
    const int n = int(cascaded.size());
    const QSize size(std::max(client.width() * 2 / 3, client.width() - (n - 1) * step),
                     std::max(client.height() * 2 / 3, client.height() - (n - 1) * step));
    const int perRun = std::max(1, std::min((client.width() - size.width()) / step,
                                            (client.height() - size.height()) / step) +
                                       1);
    for (int i = 0; i < n; ++i) {
        const int offset = (i % perRun) * step;
        Place(cascaded[i], QRect(QPoint(offset, offset), size), client);
        cascaded[i]->raise();
    }
}
} // namespace

void frmMain::PlaceNewChild(QMdiSubWindow* child) {
    // The client area as it will be when the main window shows, if it does not show yet.
    if (!isVisible()) {
        ensurePolished();
        if (layout())
            layout()->activate();
    }
    const QRect client = ClientArea(*mdiArea);
    const int step = CascadeStep(*mdiArea);
    child->ensurePolished(); // its frame and caption as they are drawn in this area
    if (FixedSize(child)) {
        // Laid out now that it sits in the area, so its own controls fit inside it.
        child->setMinimumSize(0, 0);
        child->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        child->setFixedSize(child->sizeHint());
    } else if (qobject_cast<frmDocument*>(child)) {
        // As the platform sizes a new child: the area less a few cascade steps, so that a run
        // of new windows, each a step down and right, stays inside it.
        const int steps = std::max(1, client.height() / (3 * step));
        child->resize(std::max(client.width() - steps * step, client.width() / 2),
                      std::max(client.height() - steps * step, client.height() / 2));
    } else {
        if (!child->testAttribute(Qt::WA_Resized))
            child->adjustSize();
        child->resize(child->size().boundedTo(client.size()));
    }
    // A step down and right from the last window placed; back at the top left when it would
    // leave the area.
    QPoint at = lastPlaced && lastPlaced->isVisible() ? lastPlaced->pos() + QPoint(step, step)
                                                      : QPoint(0, 0);
    if (at.x() + child->width() > client.width() || at.y() + child->height() > client.height())
        at = QPoint(0, 0);
    child->move(at);
    lastPlaced = child;
}

void frmMain::tbToolBar_ButtonClick(const QString& buttonKey) {
    for (const ToolbarCommand& entry : toolbarCommands) {
        if (buttonKey != QLatin1String(entry.key))
            continue;
        // A failure the command does not handle itself ends it quietly; the program runs on.
        try {
            (this->*entry.command)();
        } catch (const std::exception&) {
        }
        return;
    }
}

// The check mark and the control always agree, so the new state is the inverse of the
// control's: this holds whether or not the checkable item has already flipped its own mark
// (it has when the user chose it from the menu).
void frmMain::mnuViewToolbar_Click() {
    const bool show = tbToolBar->isHidden();
    mnuViewToolbar->setChecked(show);
    tbToolBar->setVisible(show);
}

void frmMain::mnuViewStatusBar_Click() {
    const bool show = sbStatusBar->isHidden();
    mnuViewStatusBar->setChecked(show);
    sbStatusBar->setVisible(show);
}

void frmMain::mnuWindowNewWindow_Click() {
    NewDocument();
}

void frmMain::mnuWindowCascade_Click() {
    Arrange(0);
}
void frmMain::mnuWindowTileHorizontal_Click() {
    Arrange(1);
}
void frmMain::mnuWindowTileVertical_Click() {
    Arrange(2);
}
void frmMain::mnuWindowArrangeIcons_Click() {
    Arrange(3);
}

void frmMain::Arrange(int arrangement) {
    ResumeNext([&] {
        const QList<QMdiSubWindow*> children = ChildrenTopmostFirst(*mdiArea);
        switch (arrangement) {
        case 0:
            Cascade(*mdiArea, children);
            break;
        case 1:
        case 2:
            Tile(*mdiArea, children, arrangement == 1);
            break;
        case 3:
            ArrangeIcons(*mdiArea, children);
            break;
        default:
            break;
        }
    });
}

void frmMain::mnuFileProperties_Click() {
    program.services.MsgBox(this, QStringLiteral("Add 'mnuFileProperties_Click' code."),
                            MsgButtons::OK, MsgIcon::None, program.App.Title);
}
