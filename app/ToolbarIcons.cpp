// The toolbar images follow the classic 16-colour toolbar look: black outlines, white paper,
// navy and teal accents. Each is painted on light grey, which is then keyed out.
#include "app/ToolbarIcons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace {

constexpr QRgb TransparentGrey = 0xFFC0C0C0;

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor Navy(0, 0, 128);
const QColor Teal(0, 128, 128);
const QColor DarkGrey(128, 128, 128);
const QColor Yellow(255, 255, 0);
const QColor Olive(128, 128, 0);

// A sheet of paper with a folded corner, at x, y, w x h.
void paper(QPainter& p, int x, int y, int w, int h) {
    QPolygon sheet;
    sheet << QPoint(x, y) << QPoint(x + w - 4, y) << QPoint(x + w, y + 4) << QPoint(x + w, y + h)
          << QPoint(x, y + h);
    p.setPen(Black);
    p.setBrush(White);
    p.drawPolygon(sheet);
    p.drawLine(x + w - 4, y, x + w - 4, y + 4);
    p.drawLine(x + w - 4, y + 4, x + w, y + 4);
}

void textLines(QPainter& p, int x, int y, int w, int count, const QColor& colour) {
    p.setPen(colour);
    for (int i = 0; i < count; ++i)
        p.drawLine(x, y + 2 * i, x + w, y + 2 * i);
}

void drawNew(QPainter& p) {
    paper(p, 3, 1, 9, 13);
}

void drawOpen(QPainter& p) {
    p.setPen(Black);
    p.setBrush(Yellow);
    p.drawRect(1, 4, 11, 9);
    QPolygon front;
    front << QPoint(1, 13) << QPoint(4, 7) << QPoint(15, 7) << QPoint(12, 13);
    p.setBrush(Olive);
    p.drawPolygon(front);
    p.setPen(Black);
    p.drawLine(9, 1, 13, 1);
    p.drawLine(13, 1, 13, 4);
    p.drawLine(12, 3, 14, 3);
}

void drawSave(QPainter& p) {
    p.setPen(Black);
    p.setBrush(Teal);
    p.drawRect(1, 1, 13, 13);
    p.setBrush(White);
    p.drawRect(3, 1, 9, 6);
    p.setBrush(DarkGrey);
    p.drawRect(4, 10, 7, 4);
    p.fillRect(9, 11, 1, 2, Black);
}

void drawPrint(QPainter& p) {
    paper(p, 4, 1, 7, 6);
    p.setPen(Black);
    p.setBrush(QColor(192, 192, 192).lighter(110));
    p.drawRect(1, 7, 14, 6);
    p.fillRect(3, 9, 2, 1, Yellow);
    p.setBrush(White);
    p.drawRect(4, 12, 8, 3);
}

void drawCut(QPainter& p) {
    p.setPen(Black);
    p.drawLine(5, 1, 9, 9);
    p.drawLine(10, 1, 6, 9);
    p.setPen(Navy);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(2, 9, 4, 4);
    p.drawEllipse(9, 9, 4, 4);
}

void drawCopy(QPainter& p) {
    paper(p, 1, 1, 8, 9);
    textLines(p, 3, 4, 4, 3, Navy);
    paper(p, 6, 5, 8, 10);
    textLines(p, 8, 8, 4, 3, Navy);
}

void drawPaste(QPainter& p) {
    p.setPen(Black);
    p.setBrush(Olive);
    p.drawRect(1, 2, 10, 12);
    p.setBrush(DarkGrey);
    p.drawRect(4, 1, 4, 2);
    paper(p, 6, 5, 8, 10);
    textLines(p, 8, 9, 4, 3, Navy);
}

void drawFind(QPainter& p) {
    p.setPen(Black);
    p.setBrush(Teal);
    p.drawEllipse(1, 2, 6, 6);
    p.drawEllipse(8, 2, 6, 6);
    p.fillRect(6, 4, 3, 2, Black);
    p.setPen(QPen(Black, 2));
    p.drawLine(4, 9, 4, 14);
    p.drawLine(11, 9, 11, 14);
}

void drawProperties(QPainter& p) {
    paper(p, 2, 1, 11, 13);
    p.setPen(Black);
    for (int row = 0; row < 3; ++row) {
        p.fillRect(4, 4 + 3 * row, 2, 2, Navy);
        p.drawLine(7, 5 + 3 * row, 10, 5 + 3 * row);
    }
}

QPixmap render(const std::function<void(QPainter&)>& draw) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(TransparentGrey);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        draw(painter);
    }
    // Light grey is the list's mask colour: it shows the toolbar behind the picture.
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == TransparentGrey)
                image.setPixel(x, y, qRgba(0, 0, 0, 0));
    return QPixmap::fromImage(image);
}

} // namespace

// The program's pictures live in resources/kelto.qrc, compiled into the static core library;
// registering them here makes the linker keep them in every program that draws a logo.
static void LoadPictures() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(kelto);
        return true;
    }();
    (void)loaded;
}

namespace ToolbarIcons {

std::vector<std::pair<QString, QPixmap>> ImageList() {
    return {
        {QStringLiteral("New"), render(drawNew)},
        {QStringLiteral("Find"), render(drawFind)},
        {QStringLiteral("Open"), render(drawOpen)},
        {QStringLiteral("Save"), render(drawSave)},
        {QStringLiteral("Print"), render(drawPrint)},
        {QStringLiteral("Cut"), render(drawCut)},
        {QStringLiteral("Copy"), render(drawCopy)},
        {QStringLiteral("Paste"), render(drawPaste)},
        {QStringLiteral("Properties"), render(drawProperties)},
    };
}

QPixmap Image(const QString& key) {
    for (auto& [imageKey, pixmap] : ImageList())
        if (imageKey == key)
            return pixmap;
    return {};
}

QPixmap Logo(int size) {
    // The smallest rendering of resources/kelto.svg that is at least as large, scaled down.
    LoadPictures();
    for (int source : {16, 32, 48, 256})
        if (source >= size || source == 256)
            return QPixmap(QStringLiteral(":/kelto/kelto-%1.png").arg(source))
                .scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return {};
}

QIcon ProgramIcon() {
    // The same pictures the desktop entry shows (installed to the hicolor theme).
    LoadPictures();
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/kelto/kelto-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon DocumentIcon() {
    return QIcon(render([](QPainter& p) {
        paper(p, 3, 1, 9, 13);
        textLines(p, 5, 5, 5, 4, Navy);
    }));
}

} // namespace ToolbarIcons
