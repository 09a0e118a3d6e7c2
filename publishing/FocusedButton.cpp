#include "FocusedButton.h"

#include <QKeyEvent>
#include <QPushButton>

QPushButton* MakeButton(const QString& caption, QWidget* parent, const char* name) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

bool PressFocusedButton(QWidget& window, const QKeyEvent& event) {
    const bool enter = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (!enter || modifiers != Qt::NoModifier)
        return false;
    auto* button = qobject_cast<QPushButton*>(window.focusWidget());
    if (!button || !button->isEnabled() || !button->isVisible())
        return false;
    button->click();
    return true;
}
