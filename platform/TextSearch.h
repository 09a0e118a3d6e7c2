// The rich text control's Find over the UTF-8 bytes it holds. Whole word: the match may not
// continue a word at either end, where its own end character is a word character (a C
// identifier's, or any non-ASCII character). Without match case, ASCII letters fold byte by
// byte; a needle with letters beyond ASCII folds as Qt folds them, on the searched stretch only.
#pragma once

#include <QString>
#include <optional>
#include <string_view>

namespace TextSearch {

// Bytes [start, end) of text.
struct Match {
    int start = 0;
    int end = 0;
};

// The first match of needle that starts at or after byte from and ends by byte to; text beyond
// to counts only for whole words. from and to lie on character starts, 0 <= from <= to <=
// text.size(); needle is not empty.
std::optional<Match> Find(std::string_view text, int from, int to, const QString& needle,
                          bool wholeWord, bool matchCase);

} // namespace TextSearch
