// Enter and Return press the push button that has the focus, in the options dialog and the
// wizard pages alike (a QPushButton without autoDefault ignores Enter by itself). The options
// dialog has no default button, so Enter in a text box does nothing there; a wizard page sends
// it to its forward button.
#pragma once

class QKeyEvent;
class QWidget;

// Clicks window's focused push button for an unmodified Enter or Return; true when it did.
bool PressFocusedButton(QWidget& window, const QKeyEvent& event);
