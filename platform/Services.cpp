// Message boxes that never stack up. A box runs an event loop while it is open, and whatever
// arrives meanwhile (a file handed over by another start, a timer) may fail and ask for a box of
// its own, inside the first one's loop, and so on until the stack runs out. Messages that only
// tell are therefore held while a box is open and shown together once it has closed.
#include "platform/Services.h"

#include <QLocale>
#include <QPointer>
#include <QWidget>
#include <algorithm>

namespace {

// More than this many held messages are shown as a count.
constexpr std::size_t MessagesShown = 10;

int Severity(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Critical:
        return 3;
    case MsgIcon::Exclamation:
        return 2;
    case MsgIcon::Information:
    case MsgIcon::Question:
        return 1;
    default:
        return 0;
    }
}

} // namespace

struct Services::Waiting {
    QPointer<QWidget> owner;
    QString text;
    MsgIcon icon;
    QString caption;
};

Services::Services() : waiting(std::make_unique<std::vector<Waiting>>()) {}

Services::~Services() = default;

MsgAnswer Services::MsgBox(QWidget* owner, const QString& text, MsgButtons buttons, MsgIcon icon,
                           const QString& caption) {
    if (buttons == MsgButtons::OK && (openBoxes > 0 || gatherings > 0)) {
        waiting->push_back({owner, text, icon, caption});
        return MsgAnswer::OK;
    }
    ++openBoxes;
    const MsgAnswer answer = ShowMsgBox(owner, text, buttons, icon, caption);
    --openBoxes;
    ShowWaiting();
    return answer;
}

MsgAnswer Services::MsgBoxUntil(QWidget* owner, const QString& text, MsgButtons buttons,
                                MsgIcon icon, const QString& caption, MsgWithdrawal& withdrawal) {
    ++openBoxes;
    const MsgAnswer answer = ShowMsgBoxUntil(owner, text, buttons, icon, caption, withdrawal);
    --openBoxes;
    ShowWaiting();
    return answer;
}

// Everything held, as one box; what arrives while it is open waits for the next one.
void Services::ShowWaiting() {
    while (openBoxes == 0 && gatherings == 0 && !waiting->empty()) {
        const std::vector<Waiting> held = std::exchange(*waiting, {});
        const Waiting& first = held.front();
        QString text = first.text;
        MsgIcon icon = first.icon;
        for (std::size_t i = 1; i < held.size() && i < MessagesShown; ++i) {
            text += QStringLiteral("\n\n") + held[i].text;
            if (Severity(held[i].icon) > Severity(icon))
                icon = held[i].icon;
        }
        if (held.size() > MessagesShown) {
            const std::size_t more = held.size() - MessagesShown;
            text +=
                QStringLiteral("\n\n(%1 more %2 not shown.)")
                    .arg(QLocale(QLocale::English).toString(qulonglong(more)),
                         more == 1 ? QStringLiteral("message is") : QStringLiteral("messages are"));
        }
        ++openBoxes;
        ShowMsgBox(first.owner, text, MsgButtons::OK, icon, first.caption);
        --openBoxes;
    }
}

GatheredMessages::GatheredMessages(Services& services) : services(services) {
    ++services.gatherings;
}

GatheredMessages::~GatheredMessages() {
    --services.gatherings;
    services.ShowWaiting();
}
