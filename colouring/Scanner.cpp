// One forward pass per kind of range, each search picking up where the last range ended, so
// the whole scan reads every byte about twice; memchr does the searching.
#include "colouring/Scanner.h"

#include <cstring>

namespace Scanner {
namespace {

constexpr std::size_t npos = std::string_view::npos;

std::size_t FindChar(std::string_view text, char c, std::size_t from) {
    if (from >= text.size()) {
        return npos;
    }
    const void* hit = std::memchr(text.data() + from, c, text.size() - from);
    return hit ? std::size_t(static_cast<const char*>(hit) - text.data()) : npos;
}

// First offset at or after from where a and then b stand.
std::size_t FindPair(std::string_view text, char a, char b, std::size_t from) {
    for (std::size_t i = FindChar(text, a, from); i != npos; i = FindChar(text, a, i + 1)) {
        if (i + 1 < text.size() && text[i + 1] == b) {
            return i;
        }
    }
    return npos;
}

bool Before(std::size_t position, std::int64_t limit) {
    return std::int64_t(position) < limit;
}

} // namespace

std::size_t FindCrLf(std::string_view text, std::size_t from) {
    return FindPair(text, '\r', '\n', from);
}

Ranges FindRanges(std::string_view text, std::size_t start, std::int64_t limit) {
    Ranges ranges;

    // Preprocessor runs: "#" through the first space at or after it.
    std::size_t p = start;
    do {
        const std::size_t h = FindChar(text, '#', p);
        if (h == npos) {
            break;
        }
        const std::size_t s = FindChar(text, ' ', h);
        if (s == npos) {
            break;
        }
        if (!std::memchr(text.data() + h, '=', s - h + 1)) {
            ranges.directives.push_back({h, s + 1});
        }
        p = s;
    } while (Before(p, limit));

    // Line comments: "//" through the CR of the first CR LF at or after it.
    std::size_t q = start;
    do {
        const std::size_t c = FindPair(text, '/', '/', q);
        if (c == npos) {
            break;
        }
        const std::size_t e = FindCrLf(text, c);
        if (e == npos) {
            break;
        }
        ranges.comments.push_back({c, e + 1});
        q = e;
    } while (Before(q, limit));

    return ranges;
}

} // namespace Scanner
