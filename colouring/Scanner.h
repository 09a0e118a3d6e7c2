// The colouring engine's text scan: finds, in one pass over the text, the preprocessor runs
// and line comments that CPPColorCode colours, with the exact rules of its two passes (a run
// goes from "#" through the first space after it, across line breaks; a run holding "=" is
// left alone; a comment goes from "//" through the carriage return of the first CR LF after
// it; a comment with no CR LF after it is left alone). Pure: no Qt, no control.
//
// The text is a byte view; every marker is ASCII, so the scan is exact on UTF-8 (no byte of
// a multi-byte character is ASCII) as on any single-byte code page. Positions are 0-based
// offsets into the view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace Scanner {

// The units [begin, end) of the text.
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool operator==(const Span&) const = default;
};

struct Ranges {
    std::vector<Span> directives; // the runs CPPColorWord colours, in text order
    std::vector<Span> comments;   // the comments, in text order
};

// Scans text as CPPColorCode's two passes do. start: 0-based offset where both passes begin
// (the 1-based startchar less one; at or past the end of the text nothing is found). limit:
// 0-based offset the passes run up to (the 1-based endchar less one): a pass goes on while
// the position it reached, the space of a run or the carriage return of a comment, lies before
// limit. The first search of each pass always runs, and a range found is always taken whole,
// even where it reaches past limit.
//
// skipped: where the view holds bytes that are not the text's (a control's soft breaks, line
// feeds of its own), their offsets in the view, in order. The scan reads the view as the text
// without them: start, limit and the spans found are offsets in that text.
Ranges FindRanges(std::string_view text, std::size_t start, std::int64_t limit,
                  std::span<const int> skipped = {});

// The whole text, as CPPHighlight colours it.
inline Ranges FindRanges(std::string_view text) {
    return FindRanges(text, 0, std::int64_t(text.size()) - 1);
}

// First CR LF at or after from: the offset of its CR, or npos.
std::size_t FindCrLf(std::string_view text, std::size_t from);

} // namespace Scanner
