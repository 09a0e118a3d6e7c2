// The colouring scan against the algorithm run step by step (tests/colouring/Reference.h):
// for any text, start and end, every character gets the same colour.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Reference.h"
#include "colouring/Scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // Two bytes choose the start and end (as fractions of the text, with the edge values the
    // engine is called with: 0, -1 and past the end); the rest is the text.
    const std::uint8_t startByte = data[0], endByte = data[1];
    std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    const auto length = std::int32_t(text.size());
    std::int32_t startchar = startByte == 0 ? 0 : 1 + std::int32_t(startByte) * (length + 2) / 255;
    std::int32_t endchar = endByte == 0 ? -1 : std::int32_t(endByte) * (length + 2) / 255;

    std::vector<long> base(text.size(), 0);
    reference::Control<std::string> code{text, base};
    std::int32_t refStart = startchar, refEnd = endchar;
    reference::CPPColorCode(code, refStart, refEnd);

    const Scanner::Ranges ranges =
        Scanner::FindRanges(text, std::size_t(refStart - 1), std::int64_t(refEnd) - 1);
    std::vector<long> colours = base;
    for (const Scanner::Span& r : ranges.directives) {
        if (r.begin > r.end || r.end > text.size())
            std::abort();
        std::fill(colours.begin() + long(r.begin), colours.begin() + long(r.end),
                  reference::Directive);
    }
    for (const Scanner::Span& r : ranges.comments) {
        if (r.begin > r.end || r.end > text.size())
            std::abort();
        std::fill(colours.begin() + long(r.begin), colours.begin() + long(r.end),
                  reference::Comment);
    }
    if (colours != code.colours)
        std::abort();
    return 0;
}
