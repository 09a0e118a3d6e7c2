// Kelto as its user sees it, beside the general editors a user would try instead (Geany, Kate,
// FeatherPad, where installed) and QScintilla with its own C++ lexer (bench/qsci_baseline.cpp):
// all run as real X11 programs on the X server in $DISPLAY (Xvfb with a window manager;
// scripts/bench-desktop.sh starts them), each launch a fresh process with fresh settings, started
// with the same file on its command line.
//
// Every time is read from X events as they reach this program: a DAMAGE event is the server
// saying that a window's pixels changed (the program's drawing has reached the screen), a
// MapNotify that a window appeared, an UnmapNotify that it went, a ConfigureNotify that it
// changed size. Keys go in through XTEST, as a keyboard's would. Nothing is read from the
// programs themselves but their peak memory (VmHWM in /proc/PID/status) and CPU time.
//
// One launch: from the start with the file to the window drawn with it (settled), peak memory;
// with the file of one 20 MB line, the CPU time over a few idle seconds, the window focused;
// then keys, twice: each right after the last drawing (as typing comes), and each after a quiet
// gap and just after a caret blink (as a key after a pause comes). Keys at the top of the file,
// Ctrl+End, keys at its end, Ctrl+Home. Launches alternate between the programs and the files,
// so a busy moment of the machine falls on all of them.
//
// Usage: kelto_desktop_bench --program PATH [--program PATH...] [--launches N]
//                            [--files 10-line,10.5MB,20MB-line] [--idle-seconds S]
//                            [--out FILE.json] [--trace]
#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <poll.h>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "bench/inputs.h"
#include "bench/timeline.h"

namespace {

using Timeline::Event;

double NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The keys the benchmark presses (X keysyms).
namespace Keysym {
constexpr xcb_keysym_t BackSpace = 0xff08;
constexpr xcb_keysym_t Return = 0xff0d;
constexpr xcb_keysym_t Home = 0xff50;
constexpr xcb_keysym_t Left = 0xff51;
constexpr xcb_keysym_t Right = 0xff53;
constexpr xcb_keysym_t End = 0xff57;
constexpr xcb_keysym_t ShiftL = 0xffe1;
constexpr xcb_keysym_t ControlL = 0xffe3;
constexpr xcb_keysym_t Delete = 0xffff;
} // namespace Keysym

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A top-level window, as far as the benchmark knows it.
struct WindowInfo {
    bool mapped = false;
    bool classified = false; // its owner and type are read once it is mapped
    pid_t pid = 0;
    std::string type; // _NET_WM_WINDOW_TYPE without its prefix: NORMAL, DIALOG, SPLASH, ...
    int width = 0;
    int height = 0;
};

// The connection to the X server: the root window's children are watched as they are created,
// each gets a damage object, and the events of the windows of the process under test are
// logged with the time they arrived.
class Desktop {
public:
    Desktop() {
        connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection))
            throw Failure("cannot connect to the X server in DISPLAY");
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const xcb_query_extension_reply_t* damage =
            xcb_get_extension_data(connection, &xcb_damage_id);
        const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(connection, &xcb_test_id);
        if (!damage || !damage->present || !xtest || !xtest->present)
            throw Failure("the X server lacks the DAMAGE or XTEST extension");
        damageEvent = damage->first_event;
        free(xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1),
                                            nullptr));
        netWmPid = Atom("_NET_WM_PID");
        netWmWindowType = Atom("_NET_WM_WINDOW_TYPE");
        netActiveWindow = Atom("_NET_ACTIVE_WINDOW");
        ReadKeyboard();
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection);
    }
    ~Desktop() { xcb_disconnect(connection); }
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // The process whose windows are logged from now on; the log starts afresh.
    void Watch(pid_t pid) {
        watched = pid;
        log.clear();
    }
    const std::vector<Event>& Log() const { return log; }
    const WindowInfo* Info(xcb_window_t window) const {
        const auto found = windows.find(window);
        return found == windows.end() ? nullptr : &found->second;
    }
    bool trace = false;

    // Handles events until `until` (ms, NowMs clock).
    void Pump(double until) {
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
                Handle(event, NowMs());
                free(event);
            }
            if (xcb_connection_has_error(connection))
                throw Failure("the X connection broke");
            const double left = until - NowMs();
            if (left <= 0)
                return;
            pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
            poll(&fd, 1, std::max(1, int(left + 0.999)));
        }
    }

    // Handles events until `done` holds or `timeout` ms have passed; whether it held.
    bool PumpUntil(const std::function<bool()>& done, double timeout) {
        const double until = NowMs() + timeout;
        while (!done()) {
            if (NowMs() >= until)
                return false;
            Pump(std::min(until, NowMs() + 5));
        }
        return true;
    }

    // Waits until the watched windows have painted nothing for `quiet` ms; the time of the
    // last paint before that (or `since` when there was none), or -1 after `timeout` ms.
    double WaitQuiet(double quiet, double timeout, double since) {
        const double until = NowMs() + timeout;
        for (;;) {
            const double last = std::max(since, LastPaint());
            const double now = NowMs();
            if (now - last >= quiet)
                return last;
            if (now >= until)
                return -1;
            Pump(std::min(until, last + quiet));
        }
    }

    double LastPaint() const {
        for (auto e = log.rbegin(); e != log.rend(); ++e) {
            if (e->kind == Event::Kind::Paint)
                return e->time;
        }
        return -1;
    }

    // Presses and releases a key, with Control and Shift as asked; the time just before the
    // requests leave for the server.
    double Key(xcb_keysym_t keysym, bool control = false) {
        const auto [code, shifted] = Keycode(keysym);
        const xcb_keycode_t shift = Keycode(Keysym::ShiftL).first;
        const xcb_keycode_t ctrl = Keycode(Keysym::ControlL).first;
        if (control)
            Fake(XCB_KEY_PRESS, ctrl);
        if (shifted)
            Fake(XCB_KEY_PRESS, shift);
        Fake(XCB_KEY_PRESS, code);
        Fake(XCB_KEY_RELEASE, code);
        if (shifted)
            Fake(XCB_KEY_RELEASE, shift);
        if (control)
            Fake(XCB_KEY_RELEASE, ctrl);
        const double sent = NowMs();
        xcb_flush(connection);
        return sent;
    }

    // Types text character by character, letting the program draw between them.
    void Type(const std::string& text) {
        for (const char c : text) {
            Key(static_cast<unsigned char>(c));
            Pump(NowMs() + 15);
        }
    }

    // Gives the window the keyboard focus through the window manager, as a click would.
    void Activate(xcb_window_t window) {
        xcb_get_input_focus_reply_t* focus =
            xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
        const bool has = focus && focus->focus == window;
        free(focus);
        if (has)
            return;
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = netActiveWindow;
        message.data.data32[0] = 2; // from a pager: the window manager obeys at once
        xcb_send_event(connection, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection);
        Pump(NowMs() + 200);
    }

private:
    xcb_atom_t Atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return atom;
    }

    std::string AtomName(xcb_atom_t atom) {
        xcb_get_atom_name_reply_t* reply =
            xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, atom), nullptr);
        std::string name;
        if (reply)
            name.assign(xcb_get_atom_name_name(reply),
                        std::size_t(xcb_get_atom_name_name_length(reply)));
        free(reply);
        return name;
    }

    // The first 32-bit value of a window property, if it has one.
    std::optional<std::uint32_t> Property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, name, type, 0, 1), nullptr);
        std::optional<std::uint32_t> value;
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
            value = *static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        free(reply);
        return value;
    }

    WindowInfo& Classify(xcb_window_t window) {
        WindowInfo& info = windows[window];
        if (info.classified || !info.mapped)
            return info;
        info.classified = true; // a program names a window's process and type before mapping it
        info.pid = pid_t(Property(window, netWmPid, XCB_ATOM_CARDINAL).value_or(0));
        const auto type = Property(window, netWmWindowType, XCB_ATOM_ATOM);
        info.type = type ? AtomName(*type) : std::string();
        const std::string prefix = "_NET_WM_WINDOW_TYPE_";
        if (info.type.starts_with(prefix))
            info.type.erase(0, prefix.size());
        return info;
    }

    bool Watched(xcb_window_t window) { return watched != 0 && Classify(window).pid == watched; }

    void Record(double time, Event::Kind kind, xcb_window_t window, Timeline::Rect rect = {}) {
        log.push_back({time, kind, window, rect});
        if (!trace)
            return;
        static const char* const names[] = {"paint", "map", "unmap", "resize"};
        std::fprintf(stderr, "  %10.3f %-6s 0x%08x %-7s %4d,%4d %4dx%-4d\n", time, names[int(kind)],
                     window, windows[window].type.c_str(), rect.x, rect.y, rect.width, rect.height);
    }

    void Handle(xcb_generic_event_t* event, double time) {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == damageEvent + XCB_DAMAGE_NOTIFY) {
            const auto* e = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            if (Watched(e->drawable))
                Record(time, Event::Kind::Paint, e->drawable,
                       {e->area.x, e->area.y, e->area.width, e->area.height});
            return;
        }
        switch (type) {
        case XCB_CREATE_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_create_notify_event_t*>(event);
            if (e->parent != root)
                return;
            windows[e->window] = WindowInfo{.width = e->width, .height = e->height};
            // Every paint of the window, each rectangle as it is drawn.
            xcb_damage_create(connection, xcb_generate_id(connection), e->window,
                              XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
            const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(connection, e->window, XCB_CW_EVENT_MASK, &mask);
            xcb_flush(connection);
            return;
        }
        case XCB_MAP_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (e->event != e->window || !windows.contains(e->window))
                return;
            windows[e->window].mapped = true;
            if (Watched(e->window))
                Record(time, Event::Kind::Map, e->window);
            return;
        }
        case XCB_UNMAP_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_unmap_notify_event_t*>(event);
            if (e->event == e->window && windows.contains(e->window) && Watched(e->window))
                Record(time, Event::Kind::Unmap, e->window);
            return;
        }
        case XCB_CONFIGURE_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            const auto found = windows.find(e->window);
            if (e->event != e->window || found == windows.end())
                return;
            WindowInfo& info = found->second;
            if (info.width == e->width && info.height == e->height)
                return;
            info.width = e->width;
            info.height = e->height;
            if (Watched(e->window))
                Record(time, Event::Kind::Resize, e->window, {0, 0, e->width, e->height});
            return;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
            if (e->event == e->window)
                windows.erase(e->window);
            return;
        }
        default:
            return; // errors of requests about windows already gone, and the rest
        }
    }

    void ReadKeyboard() {
        const xcb_setup_t* setup = xcb_get_setup(connection);
        firstKeycode = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
            connection, xcb_get_keyboard_mapping(connection, firstKeycode, std::uint8_t(count)),
            nullptr);
        if (!reply)
            throw Failure("cannot read the keyboard mapping");
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
        keysymsPerCode = reply->keysyms_per_keycode;
        keysyms.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(reply));
        free(reply);
    }

    // The keycode that gives the keysym, and whether Shift is needed for it.
    std::pair<xcb_keycode_t, bool> Keycode(xcb_keysym_t keysym) const {
        for (int column = 0; column < std::min(2, keysymsPerCode); ++column) {
            for (std::size_t i = std::size_t(column); i < keysyms.size();
                 i += std::size_t(keysymsPerCode)) {
                if (keysyms[i] == keysym)
                    return {xcb_keycode_t(firstKeycode + i / std::size_t(keysymsPerCode)),
                            column == 1};
            }
        }
        throw Failure("no key gives keysym " + std::to_string(keysym));
    }

    void Fake(std::uint8_t type, xcb_keycode_t code) {
        xcb_test_fake_input(connection, type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }

    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    std::uint8_t damageEvent = 0;
    xcb_atom_t netWmPid = 0;
    xcb_atom_t netWmWindowType = 0;
    xcb_atom_t netActiveWindow = 0;
    xcb_keycode_t firstKeycode = 0;
    int keysymsPerCode = 0;
    std::vector<xcb_keysym_t> keysyms;
    std::unordered_map<xcb_window_t, WindowInfo> windows;
    std::vector<Event> log;
    pid_t watched = 0;
};

// Samples by row name: milliseconds, MiB, pixels or counts, as the name says.
using Rows = std::map<std::string, std::vector<double>>;

// A program under test and how it is started with a file: its own settings and state folders
// each launch, nothing remembered from an earlier one, no session restored, no single-instance
// server to hand the file to.
struct Program {
    std::string name; // kelto, baseline, geany, kate, featherpad
    std::string path;

    std::vector<std::string> Arguments(const std::string& config, const std::string& file) const {
        if (name == "geany")
            return {path,          "--new-instance",     "--no-session",
                    "--no-msgwin", "--config=" + config, file};
        if (name == "kate")
            return {path, "--new", file};
        if (name == "featherpad")
            return {path, "--standalone", file};
        return {path, file};
    }

    // Settings written before the launch, in XDG_CONFIG_HOME.
    void Configure(const std::string& config) const {
        if (name == "kelto") {
            // A placement remembered from an earlier session (770 x 700 pixels): the new source
            // window (the client area less a few cascade steps) is about the size of the
            // baseline's editor.
            std::filesystem::create_directories(config + "/Kelto");
            std::ofstream(config + "/Kelto/Kelto.ini")
                << "[Settings]\nMainLeft=1000\nMainTop=1000\nMainWidth=11550\nMainHeight=10500\n";
        } else if (name == "kate") {
            // The language server client would ask, in a dialog, whether to start clangd (it
            // does even with the plugin off in the settings): that server is refused ahead.
            std::ofstream(config + "/katerc")
                << "[Kate Plugins]\nlspclientplugin=false\n\n[lspclient]\n"
                   "BlockedServerCommandLines=/usr/bin/clangd -log=error --background-index "
                   "--limit-results=500 --completion-style=bundled\n";
        }
    }

    // A program the benchmark knows by its file name: kelto, qsci_baseline (as "baseline"),
    // geany, kate, featherpad.
    static std::optional<Program> Named(const std::string& path) {
        std::string base = std::filesystem::path(path).filename().string();
        if (base == "qsci_baseline")
            base = "baseline";
        for (const char* known : {"kelto", "baseline", "geany", "kate", "featherpad"}) {
            if (base == known)
                return Program{base, path};
        }
        return std::nullopt;
    }
};

std::string PeakMemoryLine(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:"))
            return line;
    }
    return {};
}

double PeakMiB(pid_t pid) {
    const std::string line = PeakMemoryLine(pid);
    return line.empty() ? -1 : std::strtod(line.c_str() + 6, nullptr) / 1024.0;
}

// CPU time the process has used so far, all its threads, user and system, in ms; -1 when it
// cannot be read.
double CpuMs(pid_t pid) {
    std::ifstream statFile("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(statFile, stat);
    const std::size_t name = stat.rfind(')'); // the command name may hold spaces
    if (name == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(name + 2));
    std::string field;
    double ticks = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number >= 14) // utime, stime
            ticks += std::strtod(field.c_str(), nullptr);
    }
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

// One key of a sequence: its keysym, Control, and its row name.
struct KeyStep {
    xcb_keysym_t keysym;
    bool control;
    const char* name;
};

// Keys that leave the text as it was and the caret where it was. At the top the caret starts
// before the first character; at the end after the last character. A "/" is coloured at the
// next tick through its line's end; the space after it ends that comment for Kelto's colouring.
const KeyStep TopKeys[] = {{'x', false, "type"},
                           {Keysym::Left, false, "left"},
                           {Keysym::Delete, false, "delete"},
                           {'x', false, "type"},
                           {Keysym::BackSpace, false, "backspace"},
                           {Keysym::Right, false, "right"},
                           {Keysym::Left, false, "left"},
                           {'/', false, "slash"},
                           {Keysym::BackSpace, false, "backspace"},
                           {' ', false, "type"},
                           {Keysym::BackSpace, false, "backspace"}};
const KeyStep EndKeys[] = {{'x', false, "type"},
                           {Keysym::Left, false, "left"},
                           {Keysym::Delete, false, "delete"},
                           {'x', false, "type"},
                           {Keysym::BackSpace, false, "backspace"},
                           {Keysym::Left, false, "left"},
                           {Keysym::Right, false, "right"},
                           {'/', false, "slash"},
                           {Keysym::BackSpace, false, "backspace"},
                           {' ', false, "type"},
                           {Keysym::BackSpace, false, "backspace"}};
// After a quiet gap each key waits for a blink: a shorter sequence of the same kinds of key.
const KeyStep QuietKeys[] = {{'x', false, "type"},
                             {Keysym::BackSpace, false, "backspace"},
                             {Keysym::Left, false, "left"},
                             {Keysym::Right, false, "right"}};

// How a key is sent: right after the program's last drawing (as the keys of someone typing
// come, the processors still awake), or after the windows were quiet for a while and just
// after a caret blink (as a key after a pause comes: a virtual machine's processors have gone
// to sleep by then, and waking them is part of the time).
enum class Pace { Active, Quiet };
const char* PaceName(Pace pace) {
    return pace == Pace::Active ? "active" : "quiet";
}

class Launch {
public:
    Launch(Desktop& desktop, const Program& program, const std::string& file,
           const std::string& workDir, const std::string& logPath)
        : desktop(desktop) {
        char configTemplate[] = "/tmp/kelto-desktop-config-XXXXXX";
        if (!mkdtemp(configTemplate))
            throw Failure("cannot make a settings folder");
        config = configTemplate;
        for (const char* folder : {"/config", "/state", "/data", "/cache", "/runtime"})
            std::filesystem::create_directories(config + folder);
        std::filesystem::permissions(config + "/runtime", std::filesystem::perms::owner_all);
        program.Configure(config + "/config");
        const std::vector<std::string> arguments = program.Arguments(config + "/geany", file);
        started = NowMs();
        pid = fork();
        if (pid == 0) {
            const int out = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (out >= 0) {
                dup2(out, 1);
                dup2(out, 2);
            }
            if (chdir(workDir.c_str()) != 0)
                _exit(126);
            setenv("HOME", config.c_str(), 1);
            setenv("XDG_CONFIG_HOME", (config + "/config").c_str(), 1);
            // A state folder of its own too: a launch killed after typing leaves recovery
            // copies, and the next launch would start by offering them.
            setenv("XDG_STATE_HOME", (config + "/state").c_str(), 1);
            setenv("XDG_DATA_HOME", (config + "/data").c_str(), 1);
            setenv("XDG_CACHE_HOME", (config + "/cache").c_str(), 1);
            setenv("XDG_RUNTIME_DIR", (config + "/runtime").c_str(), 1);
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            // A desktop user's locale: the C locale's short time has seconds, and Kelto's
            // status bar clock would redraw every second.
            setenv("LANG", "en_US.UTF-8", 1);
            unsetenv("LC_ALL");
            unsetenv("LC_TIME");
            unsetenv("DBUS_SESSION_BUS_ADDRESS");
            std::vector<char*> argv;
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        if (pid < 0)
            throw Failure("cannot start " + program.path);
        desktop.Watch(pid);
    }
    ~Launch() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        desktop.Watch(0);
        desktop.Pump(NowMs() + 100); // its windows' destruction
        std::error_code ignored;
        std::filesystem::remove_all(config, ignored);
    }
    Launch(const Launch&) = delete;
    Launch& operator=(const Launch&) = delete;

    void CheckAlive() const {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            throw Failure("the program ended (status " + std::to_string(status) + ")");
    }

    // The first window of the type mapped at or after `from`.
    xcb_window_t Mapped(const std::string& type, double from) const {
        for (const Event& e : desktop.Log()) {
            const WindowInfo* info = desktop.Info(e.window);
            if (e.kind == Event::Kind::Map && e.time >= from && info && info->type == type)
                return e.window;
        }
        return 0;
    }

    // From the launch with the file to its window drawn with the file: the first paint, the main
    // window shown, and settled (the last paint followed by a second without any but a
    // caret's blinks: the text in, coloured, the window done).
    void Open(const std::string& label, Rows& rows) {
        const auto mainShown = [&] {
            CheckAlive();
            return Mapped("NORMAL", started) != 0;
        };
        if (!desktop.PumpUntil(mainShown, 60'000))
            throw Failure("no main window within 60 s");
        main = Mapped("NORMAL", started);
        const auto settledNow = [&] {
            CheckAlive();
            const double last = Timeline::Settled(desktop.Log(), started, 1e9, false);
            return last > 0 && NowMs() - last >= 1000;
        };
        if (!desktop.PumpUntil(settledNow, 90'000))
            throw Failure("the windows kept painting after the start");
        const auto& log = desktop.Log();
        const Event* first = Timeline::First(log, Event::Kind::Paint, started);
        const Event* shown = Timeline::First(log, Event::Kind::Map, started, main);
        const double settled = Timeline::Settled(log, started, 1000, false);
        if (!first || !shown || settled < 0)
            throw Failure("the start left no paint");
        rows["start/" + label + "/first_paint"].push_back(first->time - started);
        rows["start/" + label + "/main_shown"].push_back(shown->time - started);
        rows["open/" + label + "/launch_to_painted"].push_back(settled - started);
        rows["open/" + label + "/peak_MiB"].push_back(PeakMiB(pid));
        int resizes = 0;
        for (const Event& e : log)
            resizes += e.kind == Event::Kind::Resize && e.window == main && e.time > shown->time;
        rows["start/" + label + "/resizes_after_shown"].push_back(resizes);
        if (const WindowInfo* info = desktop.Info(main); info && info->width > 0) {
            rows["window/width"].push_back(info->width);
            rows["window/height"].push_back(info->height);
        }
    }

    // One key, measured: to its first paint, the area of that drawing, and the area painted
    // after it until the windows are quiet (the colour tick, the caret line display).
    void MeasureKey(const KeyStep& step, Pace pace, const std::string& prefix, Rows& rows) {
        if (pace == Pace::Active) {
            desktop.WaitQuiet(10, 10'000, NowMs());
        } else {
            desktop.WaitQuiet(150, 10'000, NowMs());
            if (blinks != Blinks::No) {
                const double waitFrom = NowMs();
                const bool blinked =
                    desktop.PumpUntil([&] { return desktop.LastPaint() >= waitFrom; }, 1200);
                if (blinks == Blinks::Unknown)
                    blinks = blinked ? Blinks::Yes : Blinks::No;
                if (blinked) // a blink may draw twice, some 25 ms apart
                    desktop.WaitQuiet(60, 2000, NowMs());
            }
        }
        const double sent = desktop.Key(step.keysym, step.control);
        if (desktop.trace)
            std::fprintf(stderr, "  %10.3f key    %s/%s\n", sent, prefix.c_str(), step.name);
        const bool painted = desktop.PumpUntil(
            [&] { return Timeline::First(desktop.Log(), Event::Kind::Paint, sent) != nullptr; },
            30'000);
        CheckAlive();
        if (!painted) {
            std::fprintf(stderr, "warning: %s/%s painted nothing within 30 s\n", prefix.c_str(),
                         step.name);
            return;
        }
        const double quiet = desktop.WaitQuiet(pace == Pace::Active ? 10 : 150, 30'000, sent);
        const Timeline::Burst first = Timeline::FirstBurst(desktop.Log(), sent, 3);
        const std::string row = prefix + "/" + step.name;
        rows[row].push_back(first.start - sent);
        if (pace == Pace::Quiet && (step.keysym == 'x' || step.keysym == '/')) {
            rows[row + "/first_area_px"].push_back(double(first.area));
            rows[row + "/later_area_px"].push_back(double(
                Timeline::PaintedArea(desktop.Log(), first.end + 0.001, std::max(quiet, 0.0) + 1)));
        }
    }

    // The share of one CPU the process uses while it sits focused and untouched for `seconds`,
    // its caret blinking.
    void Idle(const std::string& label, double seconds, Rows& rows) {
        desktop.Activate(main);
        desktop.Pump(NowMs() + 1000);
        CheckAlive();
        const double cpu0 = CpuMs(pid);
        const double wall0 = NowMs();
        desktop.Pump(wall0 + seconds * 1000);
        CheckAlive();
        const double cpu1 = CpuMs(pid);
        if (cpu0 < 0 || cpu1 < 0)
            throw Failure("cannot read the CPU time of the program");
        rows["idle/" + label + "/cpu_percent"].push_back(100.0 * (cpu1 - cpu0) / (NowMs() - wall0));
    }

    // Keys at the top of the file, Ctrl+End, keys at its end, Ctrl+Home: right after activity,
    // then after quiet gaps. A file of one long line has only the end's keys.
    void Keys(const std::string& label, bool oneLine, Rows& rows) {
        desktop.Activate(main);
        for (const Pace pace : {Pace::Active, Pace::Quiet}) {
            const std::string prefix = std::string("key/") + PaceName(pace) + "/" + label;
            const std::span<const KeyStep> top(pace == Pace::Active
                                                   ? std::span<const KeyStep>(TopKeys)
                                                   : std::span<const KeyStep>(QuietKeys));
            const std::span<const KeyStep> end(pace == Pace::Active
                                                   ? std::span<const KeyStep>(EndKeys)
                                                   : std::span<const KeyStep>(QuietKeys));
            if (!oneLine) {
                for (const KeyStep& step : top)
                    MeasureKey(step, pace, prefix + "-top", rows);
            }
            MeasureKey({Keysym::End, true, "ctrl_end"}, pace, prefix, rows);
            for (const KeyStep& step : oneLine ? std::span<const KeyStep>(QuietKeys) : end)
                MeasureKey(step, pace, prefix + "-end", rows);
            MeasureKey({Keysym::Home, true, "ctrl_home"}, pace, prefix, rows);
        }
    }

private:
    enum class Blinks { Unknown, Yes, No };

    Desktop& desktop;
    std::string config;
    double started = 0;
    pid_t pid = 0;
    xcb_window_t main = 0;
    Blinks blinks = Blinks::Unknown;
};

std::string Json(const std::map<std::string, Rows>& results, const std::string& date, int launches,
                 int failures) {
    std::ostringstream out;
    out << "{\n  \"date\": \"" << date << "\",\n  \"launches\": " << launches
        << ",\n  \"failures\": " << failures << ",\n  \"programs\": {";
    const char* programSeparator = "\n";
    for (const auto& [program, rows] : results) {
        out << programSeparator << "    \"" << program << "\": {";
        programSeparator = ",\n";
        const char* rowSeparator = "\n";
        for (const auto& [row, samples] : rows) {
            out << rowSeparator << "      \"" << row << "\": [";
            rowSeparator = ",\n";
            for (std::size_t i = 0; i < samples.size(); ++i)
                out << (i ? ", " : "") << samples[i];
            out << "]";
        }
        out << "\n    }";
    }
    out << "\n  }\n}\n";
    return out.str();
}

std::string IsoDate() {
    const std::time_t now = std::time(nullptr);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", std::localtime(&now));
    return text;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: kelto_desktop_bench --program PATH [--program PATH...] [--launches N] "
                 "[--files 10-line,10.5MB,20MB-line] [--idle-seconds S] [--out FILE] [--trace]\n"
                 "  PATH names kelto, qsci_baseline, geany, kate or featherpad\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<Program> programs;
    int launches = 3;
    double idleSeconds = 5;
    std::string files = "10-line,10.5MB,20MB-line";
    std::string out;
    bool trace = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (arg == "--program") {
            const std::optional<Program> program = Program::Named(value());
            if (!program)
                return Usage();
            programs.push_back(*program);
        } else if (arg == "--launches") {
            launches = std::atoi(value().c_str());
        } else if (arg == "--files") {
            files = value();
        } else if (arg == "--idle-seconds") {
            idleSeconds = std::atof(value().c_str());
        } else if (arg == "--out") {
            out = value();
        } else if (arg == "--trace") {
            trace = true;
        } else {
            return Usage();
        }
    }
    if (programs.empty() || launches < 1 || idleSeconds < 0)
        return Usage();
    for (Program& program : programs)
        program.path = std::filesystem::absolute(program.path).string(); // run from elsewhere

    try {
        char workTemplate[] = "/tmp/kelto-desktop-XXXXXX";
        if (!mkdtemp(workTemplate))
            throw Failure("cannot make a work folder");
        const std::string work = workTemplate;
        struct Input {
            std::string label;
            std::string path;
            bool oneLine;
        };
        std::vector<Input> inputs;
        std::istringstream wanted(files);
        for (std::string label; std::getline(wanted, label, ',');) {
            const std::string path = work + "/" + label + ".c";
            if (label == "10-line")
                std::ofstream(path, std::ios::binary) << BenchInputs::SmallFile();
            else if (label == "10.5MB")
                std::ofstream(path, std::ios::binary) << BenchInputs::LargeFile();
            else if (label == "20MB-line")
                std::ofstream(path, std::ios::binary) << BenchInputs::LongLineFile();
            else
                return Usage();
            inputs.push_back({label, path, label == "20MB-line"});
        }

        Desktop desktop;
        desktop.trace = trace;
        std::map<std::string, Rows> results;
        int failures = 0;
        // Interleaved: a busy moment of the machine falls on every program alike.
        for (int launch = 0; launch < launches; ++launch) {
            for (const Input& input : inputs) {
                for (const Program& program : programs) {
                    std::fprintf(stderr, "%s, %s, launch %d of %d\n", program.name.c_str(),
                                 input.label.c_str(), launch + 1, launches);
                    Rows rows;
                    try {
                        Launch run(desktop, program, input.path, work,
                                   work + "/" + program.name + ".log");
                        run.Open(input.label, rows);
                        if (input.oneLine && idleSeconds > 0)
                            run.Idle(input.label, idleSeconds, rows);
                        run.Keys(input.label, input.oneLine, rows);
                    } catch (const Failure& failure) {
                        ++failures;
                        std::fprintf(stderr, "warning: %s, %s: %s\n", program.name.c_str(),
                                     input.label.c_str(), failure.what());
                    }
                    for (auto& [row, samples] : rows) {
                        auto& all = results[program.name][row];
                        all.insert(all.end(), samples.begin(), samples.end());
                    }
                }
            }
        }

        for (const auto& [program, rows] : results) {
            std::printf("%s\n", program.c_str());
            for (const auto& [row, samples] : rows)
                std::printf("  %-48s %10.3f  (median of %zu)\n", row.c_str(),
                            Timeline::Median(samples), samples.size());
        }
        const std::string json = Json(results, IsoDate(), launches, failures);
        if (!out.empty())
            std::ofstream(out) << json;
        std::error_code ignored;
        std::filesystem::remove_all(work, ignored);
        return results.size() == programs.size() ? 0 : 1;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "kelto_desktop_bench: %s\n", failure.what());
        return 1;
    }
}
