// The file list control: the files (not the subdirectories) of one directory, unfiltered,
// sorted by name. Reports its path, its entries and the selected index; double-clicking an
// entry, or Enter on it, raises DblClick.
#pragma once

#include <QListWidget>

class FileListBox : public QListWidget {
    Q_OBJECT
public:
    // Starts at the process's current directory.
    explicit FileListBox(QWidget* parent = nullptr);

    QString Path() const { return path; }
    // Lists a directory's files. Throws RuntimeError naming the path and the reason when it
    // cannot be read; the list then stays as it was.
    void setPath(const QString& directory);

    int ListCount() const { return count(); }
    QString List(int index) const;                 // empty outside 0..ListCount()-1
    int ListIndex() const { return currentRow(); } // -1 when nothing is selected
    void setListIndex(int index) { setCurrentRow(index); }

signals:
    void DblClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill();
    QString path;
};
