// The whole-document colouring exactly as its algorithm is written, step by step: the text is
// searched afresh with 1-based positions, each range is selected and coloured in a model of the
// control, the selection is remembered and put back. Slow and literal on purpose; the engine
// must give the same colour for every character and the same selection afterwards.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace reference {

constexpr long Directive = 16711680;
constexpr long Comment = 32768;

// The control as the algorithm sees it.
template <class Str> struct Control {
    Str Text;
    std::vector<long> colours; // one per character
    std::int32_t SelStart = 0;
    std::int32_t SelLength = 0;
    bool HideSelection = false;
    bool focused = false;

    void SetSelColor(long colour) {
        for (std::int32_t i = SelStart; i < SelStart + SelLength && i < std::int32_t(Text.size());
             ++i) {
            colours[std::size_t(i)] = colour;
        }
    }
};

// InStr(start, s, t): 1-based position of t at or after start, 0 when absent; start < 1 fails.
template <class Str> std::int32_t InStr(std::int32_t start, const Str& s, const Str& t) {
    if (start < 1) {
        throw std::invalid_argument("InStr start");
    }
    if (start > std::int32_t(s.size())) {
        return 0;
    }
    const auto i = s.find(t, std::size_t(start - 1));
    return i == Str::npos ? 0 : std::int32_t(i) + 1;
}

template <class Str> Str Mid(const Str& s, std::int32_t start, std::int32_t length) {
    return s.substr(std::size_t(start - 1), std::size_t(length));
}

template <class Str> Str Lit(const char* ascii) {
    Str out;
    for (; *ascii; ++ascii) {
        out.push_back(typename Str::value_type(*ascii));
    }
    return out;
}

template <class Str>
void CPPColorWord(Control<Str>& code, const Str& word, std::int32_t first, std::int32_t last) {
    if (word.empty() || word.find(Lit<Str>("=")) != Str::npos) {
        return;
    }
    code.SelStart = first - 1;
    code.SelLength = last - first + 1;
    code.SetSelColor(Directive);
}

template <class Str>
void CPPColorCode(Control<Str>& code, std::int32_t& startchar, std::int32_t& endchar) {
    const std::int32_t ss = code.SelStart;
    const std::int32_t sl = code.SelLength;
    if (endchar == -1) {
        endchar = std::int32_t(code.Text.size());
    }
    if (startchar == 0) {
        startchar = 1;
    }
    code.HideSelection = true;

    std::int32_t p = startchar;
    do {
        const std::int32_t h = InStr(p, code.Text, Lit<Str>("#"));
        if (h == 0) {
            break;
        }
        const std::int32_t s = InStr(h, code.Text, Lit<Str>(" "));
        if (s == 0) {
            break;
        }
        CPPColorWord(code, Mid(code.Text, h, s - h + 1), h, s);
        p = s;
    } while (p < endchar);
    code.SelStart = ss;
    code.SelLength = sl;

    std::int32_t q = startchar;
    do {
        const std::int32_t c = InStr(q, code.Text, Lit<Str>("//"));
        if (c == 0) {
            break;
        }
        const std::int32_t e = InStr(c, code.Text, Lit<Str>("\r\n"));
        if (e == 0) {
            break;
        }
        code.SelStart = c - 1;
        code.SelLength = e - c + 1;
        code.SetSelColor(Comment);
        q = e;
    } while (q < endchar);
    code.SelStart = ss;
    code.SelLength = sl;

    code.HideSelection = false;
    code.focused = true;
}

} // namespace reference
