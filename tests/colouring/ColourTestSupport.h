// Helpers for the colouring tests that run through the real control: a source window with a
// given text, and its colours written as one letter per character.
#pragma once

#include <QString>
#include <string>

#include "app/frmMain.h"
#include "platform/RichTextBox.h"

namespace colourtest {

constexpr long Blue = 16711680;
constexpr long Green = 32768;

// "." plain, "D" directive, "C" comment, "?" any other colour.
inline std::string Mask(const RichTextBox& code) {
    std::string mask;
    for (int i = 0; i < code.TextLength(); ++i) {
        const long colour = code.ColourAt(i);
        mask += colour == 0 ? '.' : colour == Blue ? 'D' : colour == Green ? 'C' : '?';
    }
    return mask;
}

// A new source window holding text, the caret at its end; returns its control.
inline RichTextBox& WindowWith(frmMain& main, const QString& text) {
    main.NewDocument();
    RichTextBox& code = main.ActiveCode();
    code.SetText(text);
    code.SetSelStart(code.TextLength());
    return code;
}

} // namespace colourtest
