#include "colouring/Scanner.h"

#include <gtest/gtest.h>
#include <random>

#include "Reference.h"
#include "TextGenerator.h"

namespace {

using Scanner::Span;
using Spans = std::vector<Span>;

// The colours the scanned ranges give when applied in order over base.
std::vector<long> Paint(std::vector<long> colours, const Scanner::Ranges& ranges) {
    for (const Span& r : ranges.directives) {
        std::fill(colours.begin() + long(r.begin), colours.begin() + long(r.end),
                  reference::Directive);
    }
    for (const Span& r : ranges.comments) {
        std::fill(colours.begin() + long(r.begin), colours.begin() + long(r.end),
                  reference::Comment);
    }
    return colours;
}

// The text as a control with rows holds it: line feeds of its own put in at random places
// (beside each other and beside the text's CR LF too), and their offsets.
std::pair<std::string, std::vector<int>> WithSoftBreaks(const std::string& text,
                                                        std::mt19937& rng) {
    std::string held;
    std::vector<int> breaks;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        while (rng() % 5 == 0) {
            breaks.push_back(int(held.size()));
            held += '\n';
        }
        if (i < text.size())
            held += text[i];
    }
    return {held, breaks};
}

TEST(Scanner, DirectiveRunsEndWithTheirFirstSpace) {
    EXPECT_EQ(Scanner::FindRanges("#include <stdio.h>\r\n").directives, (Spans{{0, 9}}));
    EXPECT_EQ(Scanner::FindRanges("#define MAX 10").directives, (Spans{{0, 8}}));
    // No space on its own line: the run goes on through the break to the next line's space.
    EXPECT_EQ(Scanner::FindRanges("#endif\r\nint x;").directives, (Spans{{0, 12}}));
    // A "#" inside a run is not the start of another run.
    EXPECT_EQ(Scanner::FindRanges("#else\r\n#endif\r\nint x;\r\n#if A\r\n").directives,
              (Spans{{0, 19}, {23, 27}}));
    // A tab does not end a run.
    EXPECT_EQ(Scanner::FindRanges("#define\tA 1").directives, (Spans{{0, 10}}));
}

TEST(Scanner, RunsWithEqualsOrWithoutSpaceStayPlain) {
    EXPECT_TRUE(Scanner::FindRanges("#x=1 ").directives.empty());
    // "=" on a later line inside the run spoils it, and the "#if" it swallowed stays plain.
    EXPECT_TRUE(Scanner::FindRanges("#endif\r\nx=1;\r\n#if A").directives.empty());
    // A header ending in #endif with no space after it: that run is left, earlier ones not.
    EXPECT_EQ(Scanner::FindRanges("#ifndef A\r\n#define A\r\n#endif\r\n").directives,
              (Spans{{0, 8}, {11, 19}}));
    EXPECT_TRUE(Scanner::FindRanges("").directives.empty());
}

TEST(Scanner, CommentsRunThroughTheCarriageReturn) {
    EXPECT_EQ(Scanner::FindRanges("a // b // c\r\n").comments, (Spans{{2, 12}}));
    // The last line's comment has no break after it and stays plain; earlier ones do not.
    EXPECT_EQ(Scanner::FindRanges("// one\r\nx; // two").comments, (Spans{{0, 7}}));
    // A lone LF is no line end for the search: the comment runs on to the next CR LF.
    EXPECT_EQ(Scanner::FindRanges("// a\nb\r\n").comments, (Spans{{0, 7}}));
    // "/ /" is no comment; "///" starts one at its first slash.
    EXPECT_EQ(Scanner::FindRanges("/ / x ///\r\n").comments, (Spans{{6, 10}}));
}

TEST(Scanner, FindCrLfSkipsLoneBreaks) {
    EXPECT_EQ(Scanner::FindCrLf("a\rb\nc\r\n", 0), 5u);
    EXPECT_EQ(Scanner::FindCrLf("a\r\n", 2), std::string_view::npos);
    EXPECT_EQ(Scanner::FindCrLf("a\r", 0), std::string_view::npos);
}

// Thousands of generated texts, each from several start and end positions: the scan's colours
// equal those of the algorithm run step by step, for every character.
TEST(Scanner, GivesTheColoursOfTheStepByStepAlgorithm) {
    std::mt19937 rng(20240611);
    int compared = 0;
    for (int n = 0; n < 4000; ++n) {
        const std::string text = generated::Text(rng, false);
        const auto length = std::int32_t(text.size());
        std::vector<long> base(text.size());
        for (long& c : base) {
            c = std::uniform_int_distribution<long>(0, 2)(rng) * 255; // some earlier colours
        }
        for (int round = 0; round < 3; ++round) {
            std::int32_t startchar = 1, endchar = -1;
            if (round > 0) {
                startchar = std::uniform_int_distribution<std::int32_t>(0, length + 2)(rng);
                endchar = std::uniform_int_distribution<std::int32_t>(-1, length + 2)(rng);
            }
            reference::Control<std::string> code{text, base};
            code.SelStart = std::uniform_int_distribution<std::int32_t>(0, length)(rng);
            code.SelLength =
                std::uniform_int_distribution<std::int32_t>(0, length - code.SelStart)(rng);
            std::int32_t refStart = startchar, refEnd = endchar;
            reference::CPPColorCode(code, refStart, refEnd);

            const Scanner::Ranges ranges =
                Scanner::FindRanges(text, std::size_t(refStart - 1), std::int64_t(refEnd) - 1);
            ASSERT_EQ(Paint(base, ranges), code.colours)
                << "text: " << ::testing::PrintToString(text) << " from " << startchar << " to "
                << endchar;
            // Held with soft breaks, the text is read past them and gives the same ranges.
            const auto [held, breaks] = WithSoftBreaks(text, rng);
            const Scanner::Ranges heldRanges = Scanner::FindRanges(
                held, std::size_t(refStart - 1), std::int64_t(refEnd) - 1, breaks);
            ASSERT_EQ(heldRanges.directives, ranges.directives) << ::testing::PrintToString(held);
            ASSERT_EQ(heldRanges.comments, ranges.comments) << ::testing::PrintToString(held);
            ++compared;
        }
    }
    EXPECT_EQ(compared, 12000);
}

} // namespace
