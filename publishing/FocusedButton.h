// Enter and Return press the push button that has the focus, in the options dialog and the
// wizard pages alike (a QPushButton without autoDefault ignores Enter by itself). The options
// dialog has no default button, so Enter in a text box does nothing there; a wizard page sends
// it to its forward button.
#pragma once

class QKeyEvent;
class QPushButton;
class QString;
class QWidget;

// A push button of these windows, named name: not autoDefault, so that Enter reaches it only
// when it has the focus (PressFocusedButton) or is made the window's default.
QPushButton* MakeButton(const QString& caption, QWidget* parent, const char* name);

// Clicks window's focused push button for an unmodified Enter or Return; true when it did.
bool PressFocusedButton(QWidget& window, const QKeyEvent& event);
