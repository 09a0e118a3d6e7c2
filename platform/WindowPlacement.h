// A top-level window's placement as the settings store keeps it: the outer rectangle (frame and
// caption included) in twips. This piece turns it into a window on the screen and back: the
// logical DPI of the window's screen converts; the window manager's frame is learnt before the
// window is first shown, so the window appears at its final size; and values that cannot make a
// usable window are mended: a width or height beyond the available desktop (or the platform's
// window-size limit) is clamped, and a window whose title bar would lie on no screen is moved so
// that its title bar shows. The main window uses it; it holds no platform workaround itself.
#pragma once

#include <QList>
#include <QMargins>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

struct TwipsRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

class WindowPlacement : public QObject {
    Q_OBJECT
public:
    // Places window, which must not have been shown yet; the piece is a child of the window.
    explicit WindowPlacement(QWidget& window);

    // A stored placement value as a number of twips, or nothing when it is no usable number
    // (not numeric, not finite, or a size that is not positive).
    static std::optional<double> StoredTwips(const QString& text, bool isSize);

    // Gives the window the outer rectangle outer, mended where it cannot make a usable window.
    void Restore(const TwipsRect& outer);
    // The window's outer rectangle now, in twips.
    TwipsRect Current() const;
    // True while the window still has the rectangle Restore had to mend: the user has neither
    // moved nor resized it since. The stored values are then left as they are.
    bool KeepsStoredValues() const;

    // The rectangle a usable window takes for outer (pixels): a size clamped to the available
    // desktop (the union of the screens' available areas) and to the platform's window-size
    // limit, and a window whose title bar (its top titleBarHeight pixels) meets none of the
    // screens moved the least way onto the nearest one. Exposed for tests.
    static QRect Usable(const QRectF& outer, const QList<QRect>& screens, int titleBarHeight);

    // Whether a start should use the X11 platform through XWayland: under a Wayland session
    // that also offers an X display, when the user chose no platform (QT_QPA_PLATFORM unset, no
    // -platform argument). Under native Wayland a window can neither set nor read its position.
    static bool PreferXWayland(const QStringList& arguments, const QString& waylandDisplay,
                               const QString& x11Display, const QString& chosenPlatform);
    // Sets QT_QPA_PLATFORM to xcb when PreferXWayland says so; call before the application
    // object exists.
    static void ChoosePlatform(int argc, char** argv);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMargins FrameExtents();
    void Apply();

    QWidget& window;
    QRect applied;          // the outer rectangle given to the window, in pixels
    QMargins frame;         // the frame it was given with
    bool mended = false;    // applied differs from what was stored
    bool checkFrame = true; // the first framed move or resize still has to confirm the frame
};
