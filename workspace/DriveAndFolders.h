// What the file browser and the New Workspace dialog share: a drive list that leads a
// directory list, and the message box in which their lists report what could not be read.
#pragma once

#include <QString>

class DirListBox;
class DriveListBox;
class Program;
class QWidget;

// Moves the directory list to the drive just chosen in the drive list. A drive that cannot be
// read leaves both lists where they were, and the user is told.
void FollowDrive(Program& program, QWidget* owner, DriveListBox& drives, DirListBox& folders);

// Tells the user what a list could not do.
void ReportListFailure(Program& program, QWidget* owner, const QString& message);
