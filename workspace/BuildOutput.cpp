#include "workspace/BuildOutput.h"

#include <QBrush>
#include <QColor>
#include <QLocale>
#include <algorithm>

BuildOutput::BuildOutput(QObject* parent, int headLines, int tailLines)
    : QAbstractListModel(parent), headLines(std::size_t(std::max(headLines, 0))),
      tailLines(std::size_t(std::max(tailLines, 1))) {}

int BuildOutput::TailStart() const {
    return int(head.size()) + (dropped > 0 ? 1 : 0);
}

int BuildOutput::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : TailStart() + int(tail.size());
}

const BuildOutput::Line* BuildOutput::At(int row) const {
    if (row < 0)
        return nullptr;
    if (std::size_t(row) < head.size())
        return &head[std::size_t(row)];
    row -= TailStart();
    if (row < 0 || std::size_t(row) >= tail.size())
        return nullptr;
    return &tail[std::size_t(row)];
}

QString BuildOutput::DroppedNote() const {
    const QLocale locale;
    const QString what =
        dropped == 1 ? QStringLiteral("1 line of output is")
                     : QStringLiteral("%1 lines of output are").arg(locale.toString(dropped));
    return QStringLiteral("... %1 not shown here: the window keeps the first %2 lines and the "
                          "last %3 ...")
        .arg(what, locale.toString(qulonglong(headLines)), locale.toString(qulonglong(tailLines)));
}

void BuildOutput::Append(std::vector<Line> lines) {
    auto next = lines.begin();
    for (auto line = lines.begin(); line != lines.end(); ++line)
        widest = std::max(widest, int(line->text.size()));

    // The head fills first, while nothing has gone to the tail.
    if (tail.empty() && dropped == 0 && head.size() < headLines) {
        const std::size_t count = std::min(headLines - head.size(), lines.size());
        if (count > 0) {
            beginInsertRows(QModelIndex(), int(head.size()), int(head.size() + count) - 1);
            std::move(next, next + std::ptrdiff_t(count), std::back_inserter(head));
            endInsertRows();
            next += std::ptrdiff_t(count);
        }
    }
    std::size_t rest = std::size_t(lines.end() - next);
    if (rest == 0)
        return;

    // Of the rest only the last tailLines can stay; the tail makes room for them.
    qint64 newlyDropped = 0;
    if (rest > tailLines) {
        newlyDropped += qint64(rest - tailLines);
        next += std::ptrdiff_t(rest - tailLines);
        rest = tailLines;
    }
    if (const std::size_t overflow =
            tail.size() + rest > tailLines ? tail.size() + rest - tailLines : 0;
        overflow > 0) {
        const int first = TailStart();
        beginRemoveRows(QModelIndex(), first, first + int(overflow) - 1);
        tail.erase(tail.begin(), tail.begin() + std::ptrdiff_t(overflow));
        endRemoveRows();
        newlyDropped += qint64(overflow);
    }
    if (newlyDropped > 0) {
        const int noteRow = int(head.size());
        if (dropped == 0) {
            beginInsertRows(QModelIndex(), noteRow, noteRow);
            dropped = newlyDropped;
            endInsertRows();
        } else {
            dropped += newlyDropped;
            emit dataChanged(index(noteRow), index(noteRow));
        }
    }
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + int(rest) - 1);
    std::move(next, lines.end(), std::back_inserter(tail));
    endInsertRows();
}

void BuildOutput::Clear() {
    beginResetModel();
    head.clear();
    tail.clear();
    dropped = 0;
    widest = 0;
    endResetModel();
}

QVariant BuildOutput::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const Line* line = At(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return line ? line->text : DroppedNote();
    case Qt::ForegroundRole: {
        const Kind kind = line ? line->kind : Kind::Info;
        switch (kind) {
        case Kind::Error:
        case Kind::Failed:
            return QBrush(QColor(0xB0, 0x00, 0x00));
        case Kind::Warning:
            return QBrush(QColor(0x8A, 0x55, 0x00));
        case Kind::Note:
            return QBrush(QColor(0x1F, 0x4E, 0x9C));
        case Kind::Info:
            return QBrush(QColor(0x60, 0x60, 0x60));
        case Kind::Succeeded:
            return QBrush(QColor(0x00, 0x64, 0x00));
        case Kind::Plain:
            break;
        }
        return {};
    }
    default:
        return {};
    }
}
