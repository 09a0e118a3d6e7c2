// Find over the editor's UTF-8 bytes: byte positions of the first match in [from, to).
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "platform/TextSearch.h"

namespace {

// "start-end" of the match, or "none".
std::string Found(std::string_view text, const QString& needle, bool wholeWord = false,
                  bool matchCase = false, int from = 0, int to = -1) {
    const auto match =
        TextSearch::Find(text, from, to < 0 ? int(text.size()) : to, needle, wholeWord, matchCase);
    return match ? std::to_string(match->start) + "-" + std::to_string(match->end) : "none";
}

TEST(TextSearch, AsciiFoldsLettersOnlyAndMatchesMustEndByTo) {
    const std::string_view text = "x = FOO_[1]; foo[1]";
    EXPECT_EQ(Found(text, "foo"), "4-7");
    EXPECT_EQ(Found(text, "foo", false, true), "13-16");
    EXPECT_EQ(Found(text, "[1]", false, true), "8-11"); // brackets are not letters to fold
    EXPECT_EQ(Found(text, "_[", false, false), "7-9");
    EXPECT_EQ(Found(text, "foo", false, false, 5), "13-16");
    EXPECT_EQ(Found(text, "foo", false, false, 13, 15), "none");
    EXPECT_EQ(Found(text, "foo", false, false, 13, 16), "13-16");
    EXPECT_EQ(Found(text, "zzz"), "none");
    EXPECT_EQ(Found("", "a"), "none");
}

// A whole word may not continue a word at an end whose own character is a word character;
// what lies beyond `to` counts for that, what lies before `from` too.
TEST(TextSearch, WholeWordLooksBeyondTheSearchedStretch) {
    EXPECT_EQ(Found("print int", "int", true), "6-9");
    EXPECT_EQ(Found("int_x int2 int", "int", true), "11-14");
    EXPECT_EQ(Found("a(b) (", "(", true), "1-2"); // "(" is no word character: a word may touch it
    EXPECT_EQ(Found("ab(", "b(", true), "none");  // but "b" may not continue "a"
    EXPECT_EQ(Found("intx", "int", true, false, 0, 3), "none");
    EXPECT_EQ(Found("xint", "int", true, false, 1), "none");
    EXPECT_EQ(Found("x int", "int", true, true, 2), "2-5");
}

// Needles with letters beyond ASCII fold as Qt folds them; every non-ASCII character counts as
// part of a word; positions stay in bytes.
TEST(TextSearch, BeyondAsciiFoldsAndCountsAsWordCharacters) {
    const std::string text = "\xF0\x9F\x98\x80 caf\xC3\xA9\r\n\xC3\xA9t\xC3\xA9";
    EXPECT_EQ(Found(text, QString::fromUtf8("\xC3\xA9t")), "12-15");
    EXPECT_EQ(Found(text, QString::fromUtf8("CAF\xC3\x89")), "5-10");
    EXPECT_EQ(Found(text, QString::fromUtf8("CAF\xC3\x89"), true), "5-10");
    EXPECT_EQ(Found(text, QString::fromUtf8("CAF\xC3\x89"), false, true), "none");
    EXPECT_EQ(Found(text, "caf", true), "none"); // é continues the word
    EXPECT_EQ(Found(text, QString::fromUtf8("\xC3\x89T"), true), "none");
    EXPECT_EQ(Found(text, QString::fromUtf8("\xC3\x89T\xC3\x89"), true, false, 12), "12-17");
    // The stretch starts after a word character: a match at its start continues that word.
    EXPECT_EQ(Found(text, QString::fromUtf8("T\xC3\x89"), false, false, 14), "14-17");
    EXPECT_EQ(Found(text, QString::fromUtf8("T\xC3\x89"), true, false, 14), "none");
    EXPECT_EQ(Found(text, QString::fromUtf8("\xC3\x89T"), false, false, 12, 15), "12-15");
    EXPECT_EQ(Found(text, QString::fromUtf8("\xC3\x89T"), true, false, 12, 15), "none");
}

} // namespace
