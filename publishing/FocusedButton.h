// Enter and Return press the push button that has the focus, in the options dialog and the
// wizard pages alike. None of those windows has a default button (Enter in a text box does
// nothing), and a QPushButton without autoDefault ignores Enter by itself.
#pragma once

class QKeyEvent;
class QWidget;

// Clicks window's focused push button for an unmodified Enter or Return; true when it did.
bool PressFocusedButton(QWidget& window, const QKeyEvent& event);
