#include "WizardPicture.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace {
constexpr int Width = 125;
constexpr int Height = 269;

// A globe of meridians and parallels: the mod going out onto the internet.
void drawGlobe(QPainter& painter, QPointF centre, qreal radius) {
    QRadialGradient shade(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    shade.setColorAt(0, QColor(120, 180, 235));
    shade.setColorAt(1, QColor(20, 60, 120));
    painter.setPen(QPen(QColor(230, 240, 255), 1.5));
    painter.setBrush(shade);
    painter.drawEllipse(centre, radius, radius);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(230, 240, 255, 170), 1));
    for (qreal f : {0.35, 0.7})
        painter.drawEllipse(centre, radius * f, radius);
    painter.drawLine(centre - QPointF(0, radius), centre + QPointF(0, radius));
    for (qreal f : {-0.5, 0.0, 0.5}) {
        const qreal y = centre.y() + f * radius;
        const qreal half = radius * std::sqrt(1 - f * f);
        painter.drawLine(QPointF(centre.x() - half, y), QPointF(centre.x() + half, y));
    }
}

// An arrow pointing up from the globe: the upload.
void drawArrow(QPainter& painter, QPointF tip, qreal size) {
    QPainterPath arrow;
    arrow.moveTo(tip);
    arrow.lineTo(tip + QPointF(size * 0.6, size * 0.6));
    arrow.lineTo(tip + QPointF(size * 0.22, size * 0.6));
    arrow.lineTo(tip + QPointF(size * 0.22, size * 1.5));
    arrow.lineTo(tip + QPointF(-size * 0.22, size * 1.5));
    arrow.lineTo(tip + QPointF(-size * 0.22, size * 0.6));
    arrow.lineTo(tip + QPointF(-size * 0.6, size * 0.6));
    arrow.closeSubpath();
    painter.setPen(QPen(QColor(90, 30, 0), 1.5));
    painter.setBrush(QColor(255, 196, 64));
    painter.drawPath(arrow);
}
} // namespace

QPixmap WizardPicture() {
    QPixmap picture(Width, Height);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient background(0, 0, 0, Height);
    background.setColorAt(0, QColor(40, 8, 4));
    background.setColorAt(0.6, QColor(150, 50, 14));
    background.setColorAt(1, QColor(215, 110, 30));
    painter.fillRect(picture.rect(), background);

    drawGlobe(painter, QPointF(Width / 2.0, 150), 38);
    drawArrow(painter, QPointF(Width / 2.0, 40), 40);

    QFont name(QStringLiteral("Verdana"), 16, QFont::Bold);
    name.setStyleHint(QFont::SansSerif);
    painter.setFont(name);
    painter.setPen(QColor(255, 240, 220));
    painter.drawText(QRect(0, 200, Width, 30), Qt::AlignCenter, QStringLiteral("Kelto"));
    QFont caption(QStringLiteral("Verdana"), 8);
    caption.setStyleHint(QFont::SansSerif);
    painter.setFont(caption);
    painter.drawText(QRect(0, 228, Width, 32), Qt::AlignCenter | Qt::TextWordWrap,
                     QStringLiteral("Mod Publishing"));
    return picture;
}
