// The drive list control: a drop-down of this machine's drives (PathStyle::Drives). Setting
// the drive in code or choosing one raises Change once the drive is a different one.
#pragma once

#include <QComboBox>

class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    // Starts at the drive of the process's current directory, raising nothing.
    explicit DriveListBox(QWidget* parent = nullptr);

    // The chosen drive's root ("c:\", "/").
    QString Drive() const { return drive; }
    // Chooses the drive of `path` (a drive such as "D:", a root, or any path on it); a drive
    // not listed yet is added. Raises Change when the drive differs from the chosen one.
    void setDrive(const QString& path);
    // Reads the drives again, keeping the choice.
    void Refresh();

signals:
    void Change();

protected:
    void showPopup() override;

private:
    void choose(int index);
    QString drive;
};
