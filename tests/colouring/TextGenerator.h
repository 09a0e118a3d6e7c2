// Generated C-like texts for the colouring tests: directives, spaces, tabs, "=", single and
// double slashes, CR LF breaks, empty lines, with or without a final break. Deterministic.
#pragma once

#include <random>
#include <string>

namespace generated {

// lineBreaksOnlyCrLf: false adds lone CR and lone LF, which only the pure scan can be given
// (the control turns every break into CR LF).
inline std::string Text(std::mt19937& rng, bool lineBreaksOnlyCrLf) {
    static const char* const pieces[] = {"#",        " ",     "\t",     "=",     "/",  "//",
                                         "\r\n",     "\r\n",  "a",      "int",   "x;", "#define",
                                         "#include", "<a.h>", "#endif", "\"s\"", "/*", "*/"};
    static const char* const oddBreaks[] = {"\r", "\n", "\n\r"};
    const int length = std::uniform_int_distribution<int>(0, 40)(rng);
    std::string text;
    for (int i = 0; i < length; ++i) {
        if (!lineBreaksOnlyCrLf && std::uniform_int_distribution<int>(0, 15)(rng) == 0) {
            text += oddBreaks[std::uniform_int_distribution<int>(0, 2)(rng)];
        } else {
            text += pieces[std::uniform_int_distribution<int>(0, std::size(pieces) - 1)(rng)];
        }
    }
    if (std::uniform_int_distribution<int>(0, 1)(rng) == 0) {
        text += "\r\n";
    }
    return text;
}

} // namespace generated
