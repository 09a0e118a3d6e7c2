// What a program's windows did on the X server, in the order its events reached the desktop
// benchmark, and the few readings taken from it: the first paint after a moment, the burst of
// paints one drawing makes, and the moment the windows settled.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Timeline {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    long long Area() const { return static_cast<long long>(width) * height; }
};

struct Event {
    enum class Kind { Paint, Map, Unmap, Resize };
    double time = 0; // ms, CLOCK_MONOTONIC, when the event reached the benchmark
    Kind kind = Kind::Paint;
    std::uint32_t window = 0;
    Rect rect; // Paint: the damaged rectangle; Resize: the new size
};

// The first event of a kind at or after `from`, of one window or (window 0) of any; nullptr
// when there is none.
inline const Event* First(const std::vector<Event>& events, Event::Kind kind, double from,
                          std::uint32_t window = 0) {
    for (const Event& e : events) {
        if (e.kind == kind && e.time >= from && (window == 0 || e.window == window))
            return &e;
    }
    return nullptr;
}

// The paints of one drawing: from the first paint at or after `from` on, each following the
// one before within `gap` ms. Paints of other windows (when one is given) are skipped.
struct Burst {
    double start = -1;
    double end = -1;
    long long area = 0;
    int paints = 0;
};

inline Burst FirstBurst(const std::vector<Event>& events, double from, double gap,
                        std::uint32_t window = 0) {
    Burst burst;
    for (const Event& e : events) {
        if (e.kind != Event::Kind::Paint || e.time < from || (window != 0 && e.window != window))
            continue;
        if (burst.paints > 0 && e.time - burst.end > gap)
            break;
        if (burst.paints == 0)
            burst.start = e.time;
        burst.end = e.time;
        burst.area += e.rect.Area();
        ++burst.paints;
    }
    return burst;
}

// Whether paint i repeats, as a caret's blinks do: the same rectangle of the same window painted
// again between 300 and 1,200 ms before or after it.
inline bool Blink(const std::vector<Event>& events, std::size_t i) {
    const Event& p = events[i];
    for (const Event& e : events) {
        const double apart = e.time > p.time ? e.time - p.time : p.time - e.time;
        if (e.kind == Event::Kind::Paint && e.window == p.window && apart >= 300 && apart <= 1200 &&
            e.rect.x == p.rect.x && e.rect.y == p.rect.y && e.rect.width == p.rect.width &&
            e.rect.height == p.rect.height)
            return true;
    }
    return false;
}

// The last paint at or after `from` that is followed by `quiet` ms without any paint, or by
// nothing at all; -1 when nothing was painted. With `blinks` false a caret's blinks (Blink) are
// not counted.
inline double Settled(const std::vector<Event>& events, double from, double quiet,
                      bool blinks = true) {
    double last = -1;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Event& e = events[i];
        if (e.kind != Event::Kind::Paint || e.time < from || (!blinks && Blink(events, i)))
            continue;
        if (last >= 0 && e.time - last >= quiet)
            break;
        last = e.time;
    }
    return last;
}

// The area of the paints in [from, to).
inline long long PaintedArea(const std::vector<Event>& events, double from, double to) {
    long long area = 0;
    for (const Event& e : events) {
        if (e.kind == Event::Kind::Paint && e.time >= from && e.time < to)
            area += e.rect.Area();
    }
    return area;
}

inline double Median(std::vector<double> values) {
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const std::size_t half = values.size() / 2;
    return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2;
}

} // namespace Timeline
