// Straight from the editor's buffer: ASCII needles (and every needle with match case) are found
// byte by byte, memchr looking for the first byte, with no copy of the text.
#include "platform/TextSearch.h"

#include <algorithm>
#include <cstring>

#include "platform/TextFile.h"

namespace {

// Word characters for whole-word search: those of C identifiers, and every non-ASCII character
// (a letter, as often as not).
bool IsWordByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x80 || b == '_' || (b >= '0' && b <= '9') ||
           ((b | 0x20) >= 'a' && (b | 0x20) <= 'z');
}

bool IsWordUnit(QChar c) {
    return c.unicode() >= 0x80 || IsWordByte(static_cast<char>(c.unicode()));
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// The first match of needle in hay at or after from, comparing bytes exactly or with ASCII
// letters folded; std::string_view::npos when there is none.
size_t FindBytes(std::string_view hay, std::string_view needle, size_t from, bool matchCase) {
    if (matchCase)
        return hay.find(needle, from);
    const char lower = AsciiLower(needle[0]);
    const char upper = lower >= 'a' && lower <= 'z' ? static_cast<char>(lower - 32) : lower;
    const auto next = [&](char c, size_t at) {
        const void* p =
            at < hay.size() ? std::memchr(hay.data() + at, c, hay.size() - at) : nullptr;
        return p ? static_cast<size_t>(static_cast<const char*>(p) - hay.data()) : hay.size();
    };
    size_t atLower = next(lower, from);
    size_t atUpper = upper == lower ? hay.size() : next(upper, from);
    while (true) {
        const size_t at = std::min(atLower, atUpper);
        if (at + needle.size() > hay.size())
            return std::string_view::npos;
        size_t i = 1;
        while (i < needle.size() && AsciiLower(hay[at + i]) == AsciiLower(needle[i]))
            ++i;
        if (i == needle.size())
            return at;
        if (at == atLower)
            atLower = next(lower, at + 1);
        else
            atUpper = next(upper, at + 1);
    }
}

} // namespace

namespace TextSearch {

std::optional<Match> Find(std::string_view text, int from, int to, const QString& needleText,
                          bool wholeWord, bool matchCase) {
    const std::string_view hay = text.substr(0, static_cast<size_t>(to));
    const QByteArray needleBytes = needleText.toUtf8();
    const std::string_view needle(needleBytes.constData(), static_cast<size_t>(needleBytes.size()));

    if (matchCase || TextFile::IsAscii(needle)) {
        for (size_t at = FindBytes(hay, needle, static_cast<size_t>(from), matchCase);
             at != std::string_view::npos; at = FindBytes(hay, needle, at + 1, matchCase)) {
            const size_t after = at + needle.size();
            if (wholeWord &&
                ((at > 0 && IsWordByte(text[at - 1]) && IsWordByte(needle.front())) ||
                 (after < text.size() && IsWordByte(text[after]) && IsWordByte(needle.back()))))
                continue;
            return Match{static_cast<int>(at), static_cast<int>(after)};
        }
        return std::nullopt;
    }
    const QString stretch = TextFile::FromUtf8(hay.substr(static_cast<size_t>(from)));
    // Non-ASCII bytes, continuation bytes included, count as word characters.
    const bool wordBefore = from > 0 && IsWordByte(text[from - 1]);
    const bool wordAfter = static_cast<size_t>(to) < text.size() && IsWordByte(text[to]);
    for (qsizetype at = stretch.indexOf(needleText, 0, Qt::CaseInsensitive); at >= 0;
         at = stretch.indexOf(needleText, at + 1, Qt::CaseInsensitive)) {
        const qsizetype after = at + needleText.size();
        const bool prevWord = at > 0 ? IsWordUnit(stretch[at - 1]) : wordBefore;
        const bool nextWord = after < stretch.size() ? IsWordUnit(stretch[after]) : wordAfter;
        if (wholeWord && ((prevWord && IsWordUnit(needleText.front())) ||
                          (nextWord && IsWordUnit(needleText.back()))))
            continue;
        const int start = from + static_cast<int>(stretch.left(at).toUtf8().size());
        return Match{start,
                     start + static_cast<int>(stretch.mid(at, needleText.size()).toUtf8().size())};
    }
    return std::nullopt;
}

} // namespace TextSearch
