// One forward pass per kind of range, each search picking up where the last range ended, so
// the whole scan reads every byte about twice; memchr does the searching.
#include "colouring/Scanner.h"

#include <algorithm>
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

// A view with the offsets of the bytes in it that are not the text's, and the conversions
// between offsets in the view and in the text. Without such bytes both are the same.
struct Held {
    std::string_view view;
    std::span<const int> skipped;

    // Offsets in a control's text fit an int.
    bool Skipped(std::size_t offset) const {
        return std::binary_search(skipped.begin(), skipped.end(), int(offset));
    }
    // The text offset of a view offset: those skipped before it no longer count.
    std::size_t InText(std::size_t offset) const {
        return offset - std::size_t(std::lower_bound(skipped.begin(), skipped.end(), int(offset)) -
                                    skipped.begin());
    }
    // The view offset of a text offset. Skipped byte i stands before text offset skipped[i] - i,
    // an order that never falls.
    std::size_t InView(std::size_t offset) const {
        std::size_t low = 0, high = skipped.size();
        while (low < high) {
            const std::size_t middle = (low + high) / 2;
            if (std::size_t(skipped[middle]) - middle <= offset) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        return offset + low;
    }
};

// First offset at or after from where a and then b stand, skipped bytes between them ignored.
std::size_t FindPair(const Held& held, char a, char b, std::size_t from) {
    const std::string_view text = held.view;
    for (std::size_t i = FindChar(text, a, from); i != npos; i = FindChar(text, a, i + 1)) {
        std::size_t next = i + 1;
        while (next < text.size() && held.Skipped(next)) {
            ++next;
        }
        if (next < text.size() && text[next] == b) {
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
    return FindPair(Held{text, {}}, '\r', '\n', from);
}

Ranges FindRanges(std::string_view view, std::size_t textStart, std::int64_t limit,
                  std::span<const int> skipped) {
    // The markers ("#", " ", "=", "/", CR) are never skipped bytes, so only a pair's second
    // byte needs looking past them; the scan runs in the view's offsets and gives text ones.
    const Held held{view, skipped};
    const std::string_view text = view;
    if (textStart >= view.size() - skipped.size()) {
        return {}; // at or past the end of the text
    }
    const std::size_t start = held.InView(textStart);
    const auto span = [&held](std::size_t begin, std::size_t end) {
        return Span{held.InText(begin), held.InText(end)};
    };
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
            ranges.directives.push_back(span(h, s + 1));
        }
        p = s;
    } while (Before(held.InText(p), limit));

    // Line comments: "//" through the CR of the first CR LF at or after it.
    std::size_t q = start;
    do {
        const std::size_t c = FindPair(held, '/', '/', q);
        if (c == npos) {
            break;
        }
        const std::size_t e = FindPair(held, '\r', '\n', c);
        if (e == npos) {
            break;
        }
        ranges.comments.push_back(span(c, e + 1));
        q = e;
    } while (Before(held.InText(q), limit));

    return ranges;
}

} // namespace Scanner
