#include "platform/MdiChildren.h"

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <algorithm>

void SetFixedBorder(QMdiSubWindow& child) {
    child.setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

MdiActivation::MdiActivation(QMdiArea& area) : QObject(&area), area(area) {
    connect(&area, &QMdiArea::subWindowActivated, this, &MdiActivation::Remember);
}

MdiActivation* MdiActivation::Of(const QMdiArea* area) {
    return area ? area->findChild<MdiActivation*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void MdiActivation::Watch(QMdiSubWindow* child) {
    if (child)
        child->installEventFilter(this);
}

void MdiActivation::Activate(QMdiSubWindow* child) {
    area.setActiveSubWindow(child);
    Remember(child);
}

void MdiActivation::Remember(QMdiSubWindow* child) {
    if (!child)
        return;
    std::erase_if(order, [child](const QPointer<QMdiSubWindow>& entry) {
        return entry.isNull() || entry == child;
    });
    order.emplace_back(child);
}

std::vector<QMdiSubWindow*> MdiActivation::MostRecentFirst() const {
    std::vector<QMdiSubWindow*> children;
    for (auto entry = order.rbegin(); entry != order.rend(); ++entry)
        if (*entry)
            children.push_back(*entry);
    return children;
}

bool MdiActivation::eventFilter(QObject* watched, QEvent* event) {
    // The order is taken now, before the area reacts to the close (it activates a child of
    // its own choosing, which would then count as the most recent).
    if (event->type() == QEvent::Close && !order.empty() && order.back() == watched) {
        returnOrder = order;
        returnOrder.pop_back();
        closingChild = qobject_cast<const QMdiSubWindow*>(watched);
        QTimer::singleShot(0, this, [this, closing = QPointer<QObject>(watched)] {
            auto* child = qobject_cast<QMdiSubWindow*>(closing.data());
            // Still there: a close that asks first (the save prompt) is under way while its
            // question shows, and the child's hiding hands back once it is answered; or the
            // close was refused and nothing is to be done.
            if (!child || !child->isVisible())
                HandBack();
        });
    } else if (event->type() == QEvent::Hide && watched == closingChild && !returnOrder.empty()) {
        QTimer::singleShot(0, this, &MdiActivation::HandBack);
    }
    return QObject::eventFilter(watched, event);
}

void MdiActivation::HandBack() {
    ActivateMostRecent();
    returnOrder.clear();
    closingChild.clear();
}

void MdiActivation::ReturnFrom(const QMdiSubWindow* closing) {
    if (closing && closing == closingChild)
        ActivateMostRecent();
}

void MdiActivation::ActivateMostRecent() {
    for (auto entry = returnOrder.rbegin(); entry != returnOrder.rend(); ++entry) {
        QMdiSubWindow* child = *entry;
        if (child && child->isVisible() && child->mdiArea() == &area) {
            Activate(child);
            return;
        }
    }
}
