// Child windows of a multiple-document area behaving as the platform's do: the fixed dialog
// border of the tool windows, and which child becomes active when the active one closes.
#pragma once

#include <QObject>
#include <QPointer>
#include <vector>

class QMdiArea;
class QMdiSubWindow;

// Fixed dialog border: a caption with a close button only, no minimise or maximise button.
void SetFixedBorder(QMdiSubWindow& child);

// The order in which the children of one area were active, and the return to the child active
// before the one that closes, as the platform's multiple-document window does it. Qt's area
// does so only while the application is active and otherwise falls back to the first child;
// while a tool window closes it activates whichever child comes next in the focus chain (often
// the file browser). One per area, made by the window that owns the area.
class MdiActivation : public QObject {
    Q_OBJECT
public:
    explicit MdiActivation(QMdiArea& area);

    // The helper of an area, or none.
    static MdiActivation* Of(const QMdiArea* area);

    // Starts following a child that has just entered the area.
    void Watch(QMdiSubWindow* child);
    // Makes a child the active one, and remembers it so.
    void Activate(QMdiSubWindow* child);
    // The children still open, the most recently active first.
    std::vector<QMdiSubWindow*> MostRecentFirst() const;
    // Makes the child active before closing active again, now; the area does so by itself
    // a moment after any active child closes. Nothing when closing was not the active one.
    void ReturnFrom(const QMdiSubWindow* closing);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Remember(QMdiSubWindow* child);
    void HandBack();           // the return, once the closing child has gone
    void ActivateMostRecent(); // the most recent child of returnOrder still showing

    QMdiArea& area;
    std::vector<QPointer<QMdiSubWindow>> order;       // most recently active last
    std::vector<QPointer<QMdiSubWindow>> returnOrder; // the order while a child closes
    QPointer<const QMdiSubWindow> closingChild;       // the child returnOrder was taken for
};
