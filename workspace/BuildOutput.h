// The lines a build window keeps, as a list model for its view: the first lines of a build's
// output and its last ones, with one row between them saying how many were dropped. Memory
// stays bounded however much a build prints, and the first errors (usually the cause of the
// rest) and the end stay in view: a row holds at most LongestRow characters (a longer line goes
// on in the rows after it), so the rows kept take at most about 50 MiB, and ordinary output
// (lines of under a hundred characters) about 6 MiB.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <vector>

#include "workspace/CompilerMessages.h"

// A message of the output with where to look for its file.
struct BuildMessage {
    CompilerMessages::Message message;
    // The build's directories when the line arrived (CompilerMessages::DirectoryTrail), shared
    // with the other messages of that moment.
    std::shared_ptr<const QStringList> directories;
};

class BuildOutput : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Kind { Plain, Error, Warning, Note, Info, Failed, Succeeded };
    struct Line {
        QString text;
        Kind kind = Kind::Plain;
        std::shared_ptr<const BuildMessage> message; // set when the line is a message
    };

    static constexpr int DefaultHeadLines = 2000;
    static constexpr int DefaultTailLines = 18000;
    static constexpr qsizetype LongestRow = 1024;

    explicit BuildOutput(QObject* parent = nullptr, int headLines = DefaultHeadLines,
                         int tailLines = DefaultTailLines);

    // Adds lines at the end; lines beyond what is kept are dropped from the middle.
    void Append(std::vector<Line> lines);
    void Clear();

    // The line shown in a row, or nothing for the row that counts the dropped lines.
    const Line* At(int row) const;
    int Rows() const { return rowCount(); }
    qint64 Dropped() const { return dropped; }
    // The longest kept line's length in characters, for the view's width.
    int Widest() const { return widest; }
    // The text of the row that stands for the dropped lines.
    QString DroppedNote() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    int TailStart() const;

    const std::size_t headLines;
    const std::size_t tailLines;
    std::vector<Line> head;
    std::deque<Line> tail;
    qint64 dropped = 0;
    int widest = 0;
};
