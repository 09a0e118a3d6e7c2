// How a build window draws a line of its output: wrapped at the view's width, at a space where
// it can and anywhere where it must, so that a message's file and line, at its start, are in
// sight at any window size and the view never scrolls sideways. A line taller than the view
// shows as many of its lines as fit, the last ending in an ellipsis (Copy still takes it whole),
// so that scrolling a row at a time always reaches every row.
#pragma once

#include <QFont>
#include <QSize>
#include <QStringList>
#include <QStyledItemDelegate>

class QAbstractItemView;

class OutputLineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit OutputLineDelegate(QAbstractItemView* view);

    // The lines text is drawn as in width pixels with font: at most `most`, the last ending in
    // an ellipsis when the text goes on beyond it. An empty text is one empty line.
    static QStringList Wrap(const QString& text, const QFont& font, int width, int most);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    struct Geometry {
        QFont font;
        int margin = 0;    // left of the text
        int textWidth = 0; // pixels a line of text may take
        int mostLines = 1; // that fit in the view
        int rowHeight = 0; // of a row of one line
        int lineSpacing = 1;
        int widestCharacter = 1;
    };
    // The view's measures, taken again when its size or font has changed.
    const Geometry& Measure(const QStyleOptionViewItem& option) const;

    QAbstractItemView* view;
    mutable Geometry measured;
    mutable QSize measuredFor;
};
