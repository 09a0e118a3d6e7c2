// The keys as the program hears of them: virtual-key codes, shift bits, typed character codes.
#include <gtest/gtest.h>

#include "platform/KeyMapping.h"

namespace {

using namespace KeyMapping;

TEST(KeyMapping, QtKeysBecomeVirtualKeyCodes) {
    const std::pair<int, int> keys[] = {
        {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},       {Qt::Key_Backtab, 9},  {Qt::Key_Return, 13},
        {Qt::Key_Enter, 13},    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},
        {Qt::Key_Pause, 19},    {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27},  {Qt::Key_PageUp, 33},
        {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},      {Qt::Key_Home, 36},    {Qt::Key_Left, 37},
        {Qt::Key_Up, 38},       {Qt::Key_Right, 39},    {Qt::Key_Down, 40},    {Qt::Key_Insert, 45},
        {Qt::Key_Delete, 46},   {Qt::Key_F1, 112},      {Qt::Key_F12, 123},    {Qt::Key_F24, 135},
        {Qt::Key_A, 'A'},       {Qt::Key_Z, 'Z'},       {Qt::Key_0, '0'},      {Qt::Key_Space, ' '},
    };
    for (const auto& [qt, code] : keys)
        EXPECT_EQ(VirtualKey(qt), code) << std::hex << qt;
}

TEST(KeyMapping, ShiftBitsAreShiftCtrlAlt) {
    EXPECT_EQ(ShiftState(Qt::NoModifier), 0);
    EXPECT_EQ(ShiftState(Qt::ShiftModifier), 1);
    EXPECT_EQ(ShiftState(Qt::ControlModifier), 2);
    EXPECT_EQ(ShiftState(Qt::AltModifier), 4);
    EXPECT_EQ(ShiftState(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier), 7);
    EXPECT_EQ(ShiftState(Qt::KeypadModifier | Qt::MetaModifier), 0);
}

TEST(KeyMapping, OnlyKeysThatTypeGiveACharacter) {
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        int typed;
    };
    const Case cases[] = {
        {Qt::Key_A, Qt::NoModifier, "a", 'a'},
        {Qt::Key_NumberSign, Qt::ShiftModifier, "#", '#'},
        {Qt::Key_Eacute, Qt::NoModifier, QString(QChar(0xE9)), 0xE9},
        {Qt::Key_Return, Qt::NoModifier, "\r", 13},
        {Qt::Key_Enter, Qt::KeypadModifier, "\r", 13},
        {Qt::Key_Backspace, Qt::NoModifier, "\b", 8},
        {Qt::Key_Tab, Qt::NoModifier, "\t", 9},
        {Qt::Key_Tab, Qt::ShiftModifier, "\t", 0}, // some platforms name Shift+Tab so
        {Qt::Key_Tab, Qt::ControlModifier, "\t", 0},
        {Qt::Key_Backtab, Qt::ShiftModifier, "", 0},
        {Qt::Key_A, Qt::ControlModifier, QString(QChar(1)), 0}, // a control character
        {Qt::Key_Delete, Qt::NoModifier, QString(QChar(127)), 0},
        {Qt::Key_Left, Qt::NoModifier, "", 0},
        {Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("\xF0\x9F\x98\x80"), 0}, // two units
        {Qt::Key_unknown, Qt::NoModifier, QString(QChar(0xD83D)), 0}, // half of a pair
        {Qt::Key_unknown, Qt::NoModifier, "ab", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TypedCharacter(c.key, c.modifiers, c.text), c.typed) << c.text.toStdString();
}

} // namespace
