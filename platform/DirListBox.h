// The directory list control: shows the open directory's ancestors from the root down, the
// open directory itself, and its subdirectories. Double-clicking an entry (or Enter on it)
// opens that directory; a single click only highlights it. Setting the path in code or
// opening a directory raises Change.
#pragma once

#include <QListWidget>

class DirListBox : public QListWidget {
    Q_OBJECT
public:
    // Starts at the process's current directory, raising nothing.
    explicit DirListBox(QWidget* parent = nullptr);

    // The open directory: absolute, with the system's separators.
    QString Path() const { return path; }
    // Opens a directory, lists it again and raises Change. Throws RuntimeError naming the path
    // and the reason when it cannot be read; the list then stays where it was.
    void setPath(const QString& directory);
    // The full path of each entry, top to bottom (ancestors, the open directory, subdirectories).
    QStringList Entries() const;
    // The index of the open directory among the entries.
    int OpenIndex() const { return openIndex; }

signals:
    void Change();
    // Opening a directory by double-click or Enter failed; the message names path and reason.
    void OpenFailed(const QString& message);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openEntry(QListWidgetItem* item);
    void fill();
    QString path;
    int openIndex = 0;
};

// Whether a directory can be listed; throws RuntimeError naming the path and the reason when
// it cannot. Shared by the directory and file lists.
void CheckReadableDirectory(const QString& directory);
