// Wrapping a build output line at the view's width: laid out, measured and drawn for the rows in
// sight only (the view scrolls a row at a time), so a long output costs no more than a short one.
#include "workspace/OutputLineDelegate.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

OutputLineDelegate::OutputLineDelegate(QAbstractItemView* view)
    : QStyledItemDelegate(view), view(view) {}

QStringList OutputLineDelegate::Wrap(const QString& text, const QFont& font, int width, int most) {
    width = std::max(width, 1);
    most = std::max(most, 1);
    QStringList lines;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    int lastStart = 0;
    int end = 0;
    layout.beginLayout();
    while (lines.size() < most) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        lastStart = line.textStart();
        end = lastStart + line.textLength();
        lines << text.mid(lastStart, line.textLength());
    }
    layout.endLayout();
    if (lines.isEmpty())
        return {QString()};
    if (end < text.size())
        lines.back() = QFontMetrics(font).elidedText(text.mid(lastStart), Qt::ElideRight, width);
    return lines;
}

const OutputLineDelegate::Geometry&
OutputLineDelegate::Measure(const QStyleOptionViewItem& option) const {
    const QSize viewport = view->viewport()->size();
    if (measuredFor == viewport && measured.font == option.font)
        return measured;
    const QStyle* style = view->style();
    const QFontMetrics metrics(option.font);
    Geometry& geometry = measured;
    geometry.font = option.font;
    // The margin the style leaves either side of an item's text.
    geometry.margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    QStyleOptionViewItem oneLine = option;
    oneLine.features = QStyleOptionViewItem::HasDisplay;
    oneLine.text = QStringLiteral("M");
    geometry.rowHeight =
        style->sizeFromContents(QStyle::CT_ItemViewItem, &oneLine, QSize(), view).height();
    geometry.lineSpacing = std::max(metrics.lineSpacing(), 1);
    geometry.widestCharacter = std::max(metrics.maxWidth(), 1);
    geometry.textWidth = std::max(viewport.width() - 2 * geometry.margin, 1);
    geometry.mostLines =
        std::max(1, 1 + (viewport.height() - geometry.rowHeight) / geometry.lineSpacing);
    measuredFor = viewport;
    return geometry;
}

QSize OutputLineDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    const Geometry& geometry = Measure(option);
    const QString text = index.data(Qt::DisplayRole).toString();
    // Most lines are short: when even the font's widest characters would fit, one line, without
    // laying the text out. (The view measures many rows at a time when it jumps far.)
    const bool latin1 =
        std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
    if (latin1 && text.size() <= geometry.textWidth / geometry.widestCharacter)
        return {geometry.textWidth, geometry.rowHeight};
    const auto lines = int(Wrap(text, option.font, geometry.textWidth, geometry.mostLines).size());
    return {geometry.textWidth, geometry.rowHeight + (lines - 1) * geometry.lineSpacing};
}

void OutputLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString text = item.text;
    // The style draws the row's background, selection and focus; the text is drawn here.
    item.text.clear();
    const QStyle* style = view->style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, view);

    const Geometry& geometry = Measure(item);
    const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (item.state & QStyle::State_Active) ? QPalette::Normal
                                                                             : QPalette::Inactive;
    const QPalette::ColorRole role =
        (item.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(item.palette.color(group, role));
    // Each line sits where a row of one line has its text; the next a line's spacing lower.
    QRect place(item.rect.left() + geometry.margin, item.rect.top(), geometry.textWidth,
                geometry.rowHeight);
    for (const QString& line : Wrap(text, item.font, geometry.textWidth, geometry.mostLines)) {
        painter->drawText(place, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
        place.translate(0, geometry.lineSpacing);
    }
    painter->restore();
}
