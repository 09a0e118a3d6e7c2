// The benchmark's inputs, generated the same way on every run: a 10.5 MB, 300,000-line C file
// (LF breaks, as vendored and generated sources on Linux have; one line in ten a directive, one
// in eight holding a "//" comment), a 3 MB file shaped like the game's module tree
// concatenated (CR LF breaks, 120,000 lines), a 10-line file, and a file of one 20 MB line (as a
// minified or generated table can be).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

namespace BenchInputs {

// A small fixed-seed generator, so the text never depends on the standard library's.
class Lcg {
public:
    explicit Lcg(std::uint32_t seed) : state(seed) {}
    std::uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }

private:
    std::uint32_t state;
};

// 300,000 lines, about 35 bytes each with the LF: 10.5 MB.
inline std::string LargeFile() {
    static const char* const directives[] = {
        "#include \"../game/q_shared_%06u.h\"",
        "#define MAX_GENTITIES_%u (1 << 10)",
        "#ifdef MISSIONPACK_%u",
        "#endif",
        "#if defined(Q3_VM) && PASS_%u",
    };
    static const char* const comments[] = {
        "\tent->nextthink = level.time + %u; // think again",
        "// %u: the entity's origin is set in G_SetOrigin",
        "\tcount += step; // step %u of many, keep in sync",
    };
    static const char* const code[] = {
        "\tVectorCopy( ent->s.origin, tr.endpos%u );",
        "\tif ( a / b > %u ) {",
        "\t\treturn qfalse; /* block %u */",
        "\t}",
        "static int g_entityValue%u = 0;",
        "\ts = \"#%u and /* not a comment */\";",
        "void G_RunFrame%u( int levelTime, int msec ) {",
        "\ttrap_Trace( &tr, start, NULL, NULL, end, %u, MASK_SHOT );",
        "",
    };
    Lcg random(20240611u);
    std::string text;
    text.reserve(10'600'000);
    char line[96];
    for (unsigned i = 0; i < 300'000; ++i) {
        const char* shape = nullptr;
        if (i % 10 == 0)
            shape = directives[random.Next() % std::size(directives)];
        else if (i % 8 == 3)
            shape = comments[random.Next() % std::size(comments)];
        else
            shape = code[random.Next() % std::size(code)];
        std::snprintf(line, sizeof line, shape, i);
        text += line;
        text += '\n';
    }
    return text;
}

// A game module's sources one after another: short lines, CR LF, 120,000 lines, 3 MB.
inline std::string ModuleTree(int lines = 120'000) {
    static const char* const shapes[] = {
        "#include \"game/module%d.h\"",
        "#define MAX_ENTITIES_%d 1024",
        "static int entityValue%d = 0;",
        "    count += step; // step %d of many",
        "#ifdef MISSIONPACK_%d",
        "#endif",
        "",
        "void G_RunFrame%d(int levelTime) {",
        "    return; /* block %d */",
        "}",
        "    s = \"#%d // not a comment\";",
        "    if (a / b > %d) {",
    };
    std::string text;
    char line[64];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, shapes[(i * 7 + i / 12) % std::size(shapes)], i);
        text += line;
        text += "\r\n";
    }
    return text;
}

inline std::string SmallFile() {
    return ModuleTree(10);
}

// One line of C statements, no line break at all, `bytes` long.
inline std::string LongLineFile(std::size_t bytes = 20'000'000) {
    std::string text;
    text.reserve(bytes + 64);
    char piece[64];
    for (unsigned i = 0; text.size() < bytes; ++i) {
        std::snprintf(piece, sizeof piece, "v[%u] = w[%u] + %u; ", i % 997, i % 991, i);
        text += piece;
    }
    text.resize(bytes);
    return text;
}

} // namespace BenchInputs
