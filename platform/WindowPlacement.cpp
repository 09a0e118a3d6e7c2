// The outer rectangle in twips to and from a window. Qt places a top-level window by its frame
// but sizes it by its client area, so the frame has to be known before the window is sized. On
// X11 a window manager reports the frame only once it has framed the window, after it is
// mapped; asking it beforehand (_NET_REQUEST_FRAME_EXTENTS, which openbox, KWin, Mutter and
// Xfwm answer) lets the window be mapped at its final size. Elsewhere Qt knows the frame as soon
// as the native window exists. Should the frame still turn out different once the window is
// framed, the first framed move or resize puts it right, once.
#include "platform/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/Twips.h"

#if defined(KELTO_HAVE_XCB)
#include <chrono>
#include <cstring>
#include <thread>
#include <xcb/xcb.h>
#endif

namespace {

// Far beyond any screen, yet safe to round to int.
constexpr double PixelLimit = 1.0e9;

int RoundedPixels(double pixels) {
    return int(std::lround(std::clamp(pixels, -PixelLimit, PixelLimit)));
}

// The squared distance between two rectangles; 0 when they meet.
qint64 Distance(const QRect& a, const QRect& b) {
    const qint64 dx = std::max({0, b.left() - a.right(), a.left() - b.right()});
    const qint64 dy = std::max({0, b.top() - a.bottom(), a.top() - b.bottom()});
    return dx * dx + dy * dy;
}

#if defined(KELTO_HAVE_XCB)
// How long a window manager that offers frame extents is given to answer.
constexpr auto FrameAnswerLimit = std::chrono::milliseconds(200);

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

// The 32-bit values of a property, or none when the window does not have it.
QList<quint32> Property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                        xcb_atom_t type) {
    QList<quint32> values;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, 1024), nullptr);
    if (reply && reply->format == 32) {
        const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply));
        for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
            values.append(data[i]);
    }
    free(reply);
    return values;
}

// Asks the window manager for the frame it will give the unmapped window and waits for the
// answer; nothing when there is no X11 connection or no window manager that offers it.
std::optional<QMargins> X11FrameExtents(WId id) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    const auto window = xcb_window_t(id);
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
    if (!tree)
        return std::nullopt;
    const xcb_window_t root = tree->root;
    free(tree);

    const xcb_atom_t request = Atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = Atom(connection, "_NET_FRAME_EXTENTS");
    if (request == XCB_ATOM_NONE || extents == XCB_ATOM_NONE ||
        Property(connection, root, Atom(connection, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW)
            .isEmpty() ||
        !Property(connection, root, Atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM)
             .contains(request))
        return std::nullopt;

    xcb_client_message_event_t message;
    std::memset(&message, 0, sizeof message);
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = request;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);

    const auto until = std::chrono::steady_clock::now() + FrameAnswerLimit;
    do {
        const QList<quint32> frame = Property(connection, window, extents, XCB_ATOM_CARDINAL);
        if (frame.size() == 4) // left, right, top, bottom
            return QMargins(int(frame[0]), int(frame[2]), int(frame[1]), int(frame[3]));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < until);
    return std::nullopt;
}
#endif

} // namespace

WindowPlacement::WindowPlacement(QWidget& window) : QObject(&window), window(window) {
    window.installEventFilter(this);
}

std::optional<double> WindowPlacement::StoredTwips(const QString& text, bool isSize) {
    bool ok = false;
    const double twips = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(twips) || (isSize && twips <= 0))
        return std::nullopt;
    return twips;
}

QRect WindowPlacement::Usable(const QRectF& outer, const QList<QRect>& screens,
                              int titleBarHeight) {
    QRect desktop;
    for (const QRect& screen : screens)
        desktop |= screen;
    const double widthLimit =
        std::min<double>(desktop.isEmpty() ? PixelLimit : desktop.width(), QWIDGETSIZE_MAX);
    const double heightLimit =
        std::min<double>(desktop.isEmpty() ? PixelLimit : desktop.height(), QWIDGETSIZE_MAX);
    QRect rect(RoundedPixels(outer.left()), RoundedPixels(outer.top()),
               RoundedPixels(std::clamp(outer.width(), 1.0, widthLimit)),
               RoundedPixels(std::clamp(outer.height(), 1.0, heightLimit)));
    rect.setSize(rect.size().expandedTo(QSize(1, 1)));
    if (screens.isEmpty())
        return rect;

    const QRect titleBar(rect.topLeft(), QSize(rect.width(), std::max(1, titleBarHeight)));
    const QRect* nearest = &screens.front();
    for (const QRect& screen : screens) {
        if (screen.intersects(titleBar))
            return rect;
        if (Distance(screen, titleBar) < Distance(*nearest, titleBar))
            nearest = &screen;
    }
    // Onto the nearest screen, as far inside it as the window's size allows.
    rect.moveLeft(std::clamp(rect.left(), nearest->left(),
                             std::max(nearest->left(), nearest->right() + 1 - rect.width())));
    rect.moveTop(std::clamp(rect.top(), nearest->top(),
                            std::max(nearest->top(), nearest->bottom() + 1 - rect.height())));
    return rect;
}

void WindowPlacement::Restore(const TwipsRect& outer) {
    const double dpiX = DotsPerInch(&window, Qt::Horizontal);
    const double dpiY = DotsPerInch(&window, Qt::Vertical);
    const QRectF pixels(outer.left * dpiX / TwipsPerInch, outer.top * dpiY / TwipsPerInch,
                        outer.width * dpiX / TwipsPerInch, outer.height * dpiY / TwipsPerInch);
    const QRect asStored(RoundedPixels(pixels.left()), RoundedPixels(pixels.top()),
                         RoundedPixels(pixels.width()), RoundedPixels(pixels.height()));

    frame = FrameExtents();
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    const int titleBar =
        frame.top() > 0 ? frame.top() : window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    applied = Usable(pixels, screens, titleBar);
    mended = applied != asStored;
    Apply();
}

TwipsRect WindowPlacement::Current() const {
    const double dpiX = DotsPerInch(&window, Qt::Horizontal);
    const double dpiY = DotsPerInch(&window, Qt::Vertical);
    const QRect outer = window.frameGeometry();
    return {PixelsToTwips(outer.left(), dpiX), PixelsToTwips(outer.top(), dpiY),
            PixelsToTwips(outer.width(), dpiX), PixelsToTwips(outer.height(), dpiY)};
}

bool WindowPlacement::KeepsStoredValues() const {
    return mended && window.frameGeometry() == applied;
}

QMargins WindowPlacement::FrameExtents() {
    const WId id = window.winId(); // the native window exists from here on, still unmapped
#if defined(KELTO_HAVE_XCB)
    // The window manager counts in the screen's pixels, Qt in device-independent ones.
    if (const auto extents = X11FrameExtents(id)) {
        const qreal ratio = window.devicePixelRatioF();
        return QMargins(qRound(extents->left() / ratio), qRound(extents->top() / ratio),
                        qRound(extents->right() / ratio), qRound(extents->bottom() / ratio));
    }
#else
    Q_UNUSED(id);
#endif
    const QWindow* handle = window.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

void WindowPlacement::Apply() {
    // The client area inside the frame: placed by itself, the window manager draws the frame
    // around it, whatever Qt knows of the frame yet.
    const QRect inner = applied.marginsRemoved(frame);
    window.setGeometry(QRect(inner.topLeft(), inner.size().expandedTo(QSize(1, 1))));
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
    // The frame as the window manager drew it, at the first framed move or resize: when it is
    // not the frame the window was sized for, the outer rectangle is given again, once.
    if (checkFrame && watched == &window && event->spontaneous() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        const QRect outer = window.frameGeometry();
        const QRect inner = window.geometry();
        const QMargins now(inner.left() - outer.left(), inner.top() - outer.top(),
                           outer.right() - inner.right(), outer.bottom() - inner.bottom());
        if (!now.isNull()) {
            checkFrame = false;
            // A pixel either way is the rounding of a scaled screen, not another frame.
            const QMargins difference = now - frame;
            const bool other =
                std::max({std::abs(difference.left()), std::abs(difference.top()),
                          std::abs(difference.right()), std::abs(difference.bottom())}) > 1;
            if (other && window.windowState() == Qt::WindowNoState) {
                frame = now;
                Apply();
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

bool WindowPlacement::PreferXWayland(const QStringList& arguments, const QString& waylandDisplay,
                                     const QString& x11Display, const QString& chosenPlatform) {
    if (waylandDisplay.isEmpty() || x11Display.isEmpty() || !chosenPlatform.isEmpty())
        return false;
    for (const QString& argument : arguments)
        if (argument == QLatin1String("-platform") || argument == QLatin1String("--platform") ||
            argument.startsWith(QLatin1String("-platform=")) ||
            argument.startsWith(QLatin1String("--platform=")))
            return false;
    return true;
}

void WindowPlacement::ChoosePlatform(int argc, char** argv) {
#ifdef Q_OS_WIN
    Q_UNUSED(argc);
    Q_UNUSED(argv);
#else
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (PreferXWayland(arguments, qEnvironmentVariable("WAYLAND_DISPLAY"),
                       qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("QT_QPA_PLATFORM")))
        qputenv("QT_QPA_PLATFORM", "xcb");
#endif
}
