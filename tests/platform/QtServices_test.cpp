// The real services, on the offscreen platform: program starts; the real dialogs and message
// boxes as the program asks for them (titles, icons, buttons, filters, modes, the keys that
// answer them), found as they show, read, and answered as the user would.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "PrintQString.h"

#include "platform/QtServices.h"

namespace {

void MakeFile(const QString& path, bool executable) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeUser);
}

#ifdef Q_OS_WIN
// On Windows the command line goes to CreateProcessW as typed (the blanks around it aside), which
// reads it as Windows always has; what cannot start is named with Windows' reason.
TEST(QtServicesLaunch, TheCommandLineGoesToWindowsAsTyped) {
    QTemporaryDir dir;
    const QString made = QDir::toNativeSeparators(dir.filePath("started"));
    QtServices services;
    QString error;
    EXPECT_TRUE(services.Launch("  cmd.exe /d /c mkdir \"" + made + "\" \t", error))
        << error.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(made).isDir(); }, 10000));

    EXPECT_FALSE(services.Launch("C:\\no\\such\\program.exe --flag", error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(services.Launch(" \t ", error));
    EXPECT_EQ(error, "The command line is empty");
}
#else
TEST(QtServicesLaunch, StartsAProgramAndNamesTheReasonWhenItCannot) {
    QtServices services;
    QString error;
    EXPECT_TRUE(services.Launch("/bin/true", error)) << error.toStdString();

    EXPECT_FALSE(services.Launch("/no/such/program --flag", error));
    EXPECT_EQ(error, "No such file or directory");

    QTemporaryDir dir;
    const QString plain = dir.filePath("not a program");
    MakeFile(plain, false);
    EXPECT_FALSE(services.Launch(plain, error));
    EXPECT_EQ(error, "Permission denied");

    EXPECT_FALSE(services.Launch(dir.path(), error));
    EXPECT_EQ(error, "Is a directory");
}

// A program whose path has blanks, typed with stray blanks around it, starts.
TEST(QtServicesLaunch, BlanksAroundAPathWithBlanksStillStartIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("My Browser"));
    const QString program = dir.filePath("My Browser/browser bin");
    const QString started = dir.filePath("started");
    QFile file(program);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\ntouch '" + started.toUtf8() + "'\n");
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeUser);
    QtServices services;
    QString error;
    EXPECT_TRUE(services.Launch("  " + program + " \t", error)) << error.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(started); }, 10000));

    // A file that cannot run, with blanks around it: the reason is its own.
    EXPECT_FALSE(services.Launch(" " + dir.path() + " ", error));
    EXPECT_EQ(error, "Is a directory");
}
#endif

// Opens the real Open dialog in dir, collects the names it lists, then picks pick.
QStringList ListedByOpenDialog(const QString& dir, const QString& filter, const QString& pick,
                               QString& chosen) {
    QStringList listed;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir);
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto* view = dialog->findChild<QListView*>("listView");
        if (view) {
            (void)QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) >= 2; },
                                  3000);
            QTest::qWait(200); // let the model finish the folder
            for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
                listed.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
        }
        if (pick.isEmpty()) {
            dialog->reject();
        } else {
            // As the user would: type the name, press Enter.
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            if (name) {
                QTest::keyClicks(name, pick);
                QTest::keyClick(name, Qt::Key_Return);
            }
        }
    });
    // Never hang a test run on a dialog left open.
    QTimer::singleShot(10000, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    QtServices services;
    chosen = services.ShowOpen(nullptr, "Open", filter, QString());
    QDir::setCurrent(previous);
    listed.sort();
    return listed;
}

TEST(QtServicesFileDialog, AllFilesListsNamesWithoutADotAndExecutablesOnlyPrograms) {
#ifdef Q_OS_WIN
    const QString program = "q3lcc.exe"; // programs are .exe files there
#else
    const QString program = "q3lcc";
#endif
    QTemporaryDir dir;
    MakeFile(dir.filePath("Makefile"), false);
    MakeFile(dir.filePath("g_main.c"), false);
    MakeFile(dir.filePath(program), true);
    ASSERT_TRUE(QDir(dir.path()).mkdir("tools"));

    QString chosen;
    EXPECT_EQ(ListedByOpenDialog(dir.path(), "All Files (*.*)|*.*", "Makefile", chosen),
              QStringList({"Makefile", "g_main.c", program, "tools"}));
    EXPECT_EQ(chosen, QDir::toNativeSeparators(dir.filePath("Makefile")));

    EXPECT_EQ(ListedByOpenDialog(dir.path(), "Executables (*.exe)|*.exe", "", chosen),
              QStringList({program, "tools"}));
    EXPECT_EQ(chosen, ""); // cancelled
}

// Runs act on the modal window once the services have shown it, then a guard that never leaves
// a test hanging on a window left open.
void WhenModal(std::function<void(QWidget&)> act) {
    QTimer::singleShot(0, [act] {
        if (QWidget* modal = QApplication::activeModalWidget())
            act(*modal);
    });
    QTimer::singleShot(10000, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->done(0);
    });
}

// "Save Changes?" and every Yes/No question: Esc and the close box leave it open, so closing it
// can never throw the user's text away; only Yes or No answer. An OK box still closes on Esc.
TEST(QtServicesMessageBox, OnlyYesOrNoAnswersAQuestion) {
    QtServices services;
    for (const auto answer : {QMessageBox::Yes, QMessageBox::No}) {
        bool stayedOpen = false;
        WhenModal([&](QWidget& box) {
            QTest::keyClick(&box, Qt::Key_Escape);
            QCloseEvent closeBox;
            QApplication::sendEvent(&box, &closeBox);
            box.close();
            QApplication::processEvents();
            stayedOpen = box.isVisible() && !closeBox.isAccepted();
            static_cast<QMessageBox&>(box).button(answer)->click();
        });
        const MsgAnswer got = services.MsgBox(nullptr, "Would you like to save changes made to x?",
                                              MsgButtons::YesNo, MsgIcon::None, "Save Changes?");
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(got, answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No);
    }
    bool closed = false;
    WhenModal([&](QWidget& box) {
        QTest::keyClick(&box, Qt::Key_Escape);
        closed = !box.isVisible();
    });
    EXPECT_EQ(services.MsgBox(nullptr, "Done.", MsgButtons::OK, MsgIcon::None, ""), MsgAnswer::OK);
    EXPECT_TRUE(closed);
}

// A question the program takes back closes by itself and answers as the program said.
TEST(QtServicesMessageBox, AQuestionTakenBackClosesItself) {
    QtServices services;
    MsgWithdrawal ended(MsgAnswer::Yes);
    bool shown = false;
    WhenModal([&](QWidget&) {
        shown = true;
        ended.Withdraw();
    });
    EXPECT_EQ(services.MsgBoxUntil(nullptr, "The game build is still running.", MsgButtons::YesNo,
                                   MsgIcon::Question, "", ended),
              MsgAnswer::Yes);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(QApplication::activeModalWidget());
}

// A message names paths as they are, never taken for markup, and Ctrl+C copies what it says, as
// on Windows.
TEST(QtServicesMessageBox, WhatABoxSaysIsPlainTextAndCanBeCopied) {
    QtServices services;
    QString copied;
    bool plain = false;
    WhenModal([&](QWidget& box) {
        plain = static_cast<QMessageBox&>(box).textFormat() == Qt::PlainText;
        QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
        copied = QGuiApplication::clipboard()->text();
        static_cast<QMessageBox&>(box).button(QMessageBox::Ok)->click();
    });
    services.MsgBox(nullptr, "Cannot save /src/<b>a&b</b>.c:\nFile too large", MsgButtons::OK,
                    MsgIcon::Exclamation, "");
    EXPECT_TRUE(plain);
    const QString line = "---------------------------\n";
#ifdef Q_OS_WIN
    const QString buttons = "OK   \n"; // Qt's own copy there, as Windows' own boxes copy
#else
    const QString buttons = "OK\n";
#endif
    EXPECT_EQ(copied, line + "Kelto\n" + line + "Cannot save /src/<b>a&b</b>.c:\nFile too large\n" +
                          line + buttons + line);
}

// Flag 8: the real dialog offers no page range (nor odd or even pages), only All and Selection;
// without it Qt's own range choice is there.
// Qt's print dialog on Windows is the system's own, whose fields are no widgets to look at.
#ifndef Q_OS_WIN
TEST(QtServicesPrinter, Flag8LeavesNoPageRangeFieldsInTheDialog) {
    QtServices services;
    QPrinter printer;
    for (const int flags : {264, 265, 256}) {
        QStringList offered;
        bool selectionMarked = false;
        WhenModal([&](QWidget& dialog) {
            for (auto* field :
                 dialog.findChild<QGroupBox*>("gbPrintRange")->findChildren<QWidget*>()) {
                if (!field->isHidden() && !field->objectName().isEmpty() &&
                    !field->objectName().startsWith("qt_"))
                    offered.append(field->objectName());
            }
            selectionMarked = dialog.findChild<QAbstractButton*>("printSelection")->isChecked();
            static_cast<QDialog&>(dialog).reject();
        });
        EXPECT_FALSE(services.ShowPrinter(nullptr, "Print", flags, printer));
        offered.sort();
        if (flags == 256) {
            EXPECT_TRUE(offered.contains("printRange")) << offered.join(' ').toStdString();
        } else {
            const QStringList expected = {"printAll", "printSelection"};
            EXPECT_EQ(offered, expected.mid(0, flags == 265 ? 2 : 1));
        }
        EXPECT_EQ(selectionMarked, flags == 265);
    }
}
#endif

// Each message box as the program asks for it: the title (the program's name when none is
// given), the icon, the text, the buttons, which one Enter presses and what Esc does.
TEST(QtServicesMessageBox, CaptionIconButtonsAndKeysAsAsked) {
    struct Row {
        MsgButtons buttons;
        MsgIcon icon;
        QString caption;
        QMessageBox::Icon shownIcon;
        QString shownTitle;
        QMessageBox::StandardButtons shownButtons;
        Qt::Key key;      // pressed first
        bool closedByKey; // the key answered the box
        MsgAnswer answer; // what the box answered
    };
    const QMessageBox::StandardButtons yesNo = QMessageBox::Yes | QMessageBox::No;
    const Row rows[] = {
        {MsgButtons::OK, MsgIcon::None, "", QMessageBox::NoIcon, "Kelto", QMessageBox::Ok,
         Qt::Key_Escape, true, MsgAnswer::OK},
        {MsgButtons::OK, MsgIcon::Information, "Kelto", QMessageBox::Information, "Kelto",
         QMessageBox::Ok, Qt::Key_Return, true, MsgAnswer::OK},
        {MsgButtons::OK, MsgIcon::Exclamation, "Build", QMessageBox::Warning, "Build",
         QMessageBox::Ok, Qt::Key_Escape, true, MsgAnswer::OK},
        {MsgButtons::OK, MsgIcon::Critical, "Kelto", QMessageBox::Critical, "Kelto",
         QMessageBox::Ok, Qt::Key_Return, true, MsgAnswer::OK},
        {MsgButtons::YesNo, MsgIcon::Question, "Kelto", QMessageBox::Question, "Kelto", yesNo,
         Qt::Key_Return, true, MsgAnswer::Yes},
        {MsgButtons::YesNo, MsgIcon::None, "Save Changes?", QMessageBox::NoIcon, "Save Changes?",
         yesNo, Qt::Key_Escape, false, MsgAnswer::No},
        {MsgButtons::YesNoDefaultNo, MsgIcon::Exclamation, "Kelto", QMessageBox::Warning, "Kelto",
         yesNo, Qt::Key_Return, true, MsgAnswer::No},
    };
    QtServices services;
    QWidget owner;
    owner.show();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shownTitle.toStdString() + " " + std::to_string(int(row.icon)));
        QMessageBox::Icon icon{};
        QString title, text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QWidget* parent = nullptr;
        bool closedByKey = false;
        WhenModal([&](QWidget& widget) {
            auto& box = static_cast<QMessageBox&>(widget);
            icon = box.icon();
            title = box.windowTitle();
            text = box.text();
            buttons = box.standardButtons();
            defaultButton = box.standardButton(box.defaultButton());
            parent = box.parentWidget();
            QTest::keyClick(&box, row.key);
            QApplication::processEvents();
            closedByKey = !box.isVisible();
            if (!closedByKey)
                box.button(QMessageBox::No)->click();
        });
        EXPECT_EQ(services.MsgBox(&owner, "Line one\nline two", row.buttons, row.icon, row.caption),
                  row.answer);
        EXPECT_EQ(icon, row.shownIcon);
        EXPECT_EQ(title, row.shownTitle);
        EXPECT_EQ(text, "Line one\nline two");
        EXPECT_EQ(buttons, row.shownButtons);
        EXPECT_EQ(defaultButton, row.buttons == MsgButtons::OK      ? QMessageBox::Ok
                                 : row.buttons == MsgButtons::YesNo ? QMessageBox::Yes
                                                                    : QMessageBox::No);
        EXPECT_EQ(parent, &owner);
        EXPECT_EQ(closedByKey, row.closedByKey);
    }
}

// What the real file dialogs are asked to be, read from the dialog as it shows.
struct FileDialogSeen {
    QString title;
    QFileDialog::AcceptMode acceptMode{};
    QFileDialog::FileMode fileMode{};
    QFileDialog::Options options;
    QStringList nameFilters;
    QString directory;
    QWidget* parent = nullptr;
    bool stayedOpen = false; // after the name was typed and Enter pressed
};

// Shows the Open or Save dialog through the services, reads it, then answers it as the user
// would: types name and presses Enter, or presses Esc when name is empty.
QString AnswerFileDialog(bool save, QWidget* owner, const QString& title, const QString& filter,
                         const QString& folder, const QString& name, FileDialogSeen& seen) {
    WhenModal([&](QWidget& widget) {
        auto& dialog = static_cast<QFileDialog&>(widget);
        seen = {dialog.windowTitle(), dialog.acceptMode(),  dialog.fileMode(),
                dialog.options(),     dialog.nameFilters(), dialog.directory().absolutePath(),
                dialog.parentWidget()};
        auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
        if (name.isEmpty() || !edit) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
            return;
        }
        edit->clear();
        QTest::keyClicks(edit, name);
        QTest::keyClick(edit, Qt::Key_Return);
        QApplication::processEvents();
        seen.stayedOpen = dialog.isVisible();
        if (seen.stayedOpen)
            QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QtServices services;
    return save ? services.ShowSave(owner, title, filter, folder)
                : services.ShowOpen(owner, title, filter, folder);
}

TEST(QtServicesFileDialog, OpenAndSaveAreSetUpAsAskedAndEscCancels) {
    QTemporaryDir dir;
    MakeFile(dir.filePath("g_main.c"), false);
    QWidget owner;
    owner.show();
    const QFileDialog::Options always =
        QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails;
    FileDialogSeen seen;

    EXPECT_EQ(AnswerFileDialog(false, &owner, "Open", "All Files (*.*)|*.*", dir.path(), "g_main.c",
                               seen),
              QDir::toNativeSeparators(dir.filePath("g_main.c")));
    EXPECT_EQ(seen.title, "Open");
    EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptOpen);
    EXPECT_EQ(seen.fileMode, QFileDialog::ExistingFile); // no name of a file not there
    EXPECT_EQ(seen.options & always, always);
    EXPECT_EQ(seen.nameFilters, QStringList{"All Files (*.*) (*)"});
    EXPECT_EQ(seen.directory, dir.path());
    EXPECT_EQ(seen.parent, &owner);
    EXPECT_FALSE(seen.stayedOpen);

    EXPECT_EQ(AnswerFileDialog(true, &owner, "New Workspace", "Kelto Dir Info (*.kws)|*.kws",
                               dir.path(), "", seen),
              ""); // Esc
    EXPECT_EQ(seen.title, "New Workspace");
    EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptSave);
    EXPECT_EQ(seen.fileMode, QFileDialog::AnyFile);
    EXPECT_EQ(seen.nameFilters, QStringList{"Kelto Dir Info (*.kws) (*.kws)"});

    // Save takes a new name, and an existing one without asking (the commands replace it).
    EXPECT_EQ(
        AnswerFileDialog(true, &owner, "Save As", "All Files (*.*)|*.*", dir.path(), "new.c", seen),
        QDir::toNativeSeparators(dir.filePath("new.c")));
    EXPECT_EQ(AnswerFileDialog(true, &owner, "Save As", "All Files (*.*)|*.*", dir.path(),
                               "g_main.c", seen),
              QDir::toNativeSeparators(dir.filePath("g_main.c")));
    EXPECT_FALSE(seen.stayedOpen);
    EXPECT_TRUE(seen.options.testFlag(QFileDialog::DontConfirmOverwrite));
}

// The printer dialog: its title, Selection offered and marked with flag 1, and Esc cancels.
#ifndef Q_OS_WIN
TEST(QtServicesPrinter, TitleSelectionAndEsc) {
    QtServices services;
    QPrinter printer;
    QWidget owner;
    owner.show();
    for (const int flags : {264, 265}) {
        QString title;
        bool selectionOffered = false;
        QAbstractPrintDialog::PrintRange range{};
        QWidget* parent = nullptr;
        WhenModal([&](QWidget& widget) {
            auto& dialog = static_cast<QPrintDialog&>(widget);
            title = dialog.windowTitle();
            selectionOffered = dialog.testOption(QAbstractPrintDialog::PrintSelection);
            range = dialog.printRange();
            parent = dialog.parentWidget();
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        EXPECT_FALSE(
            services.ShowPrinter(&owner, flags == 264 ? "Page Setup" : "Print", flags, printer));
        EXPECT_EQ(title, flags == 264 ? "Page Setup" : "Print");
        EXPECT_EQ(selectionOffered, flags == 265);
        EXPECT_EQ(range,
                  flags == 265 ? QAbstractPrintDialog::Selection : QAbstractPrintDialog::AllPages);
        EXPECT_EQ(parent, &owner);
    }
    // Accepted, the dialog tells the caller to go on.
    WhenModal([](QWidget& dialog) { static_cast<QDialog&>(dialog).accept(); });
    EXPECT_TRUE(services.ShowPrinter(&owner, "Print", 264, printer));
}
#endif

} // namespace
