#include <QPrinter>
#include <gtest/gtest.h>

#include "PrintQString.h"

#include "platform/CommonDialog.h"
#include "platform/RuntimeError.h"
#include "support/ScriptedServices.h"

namespace {

TEST(CommonDialog, FileDialogsPassTitleAndFilterAndCancelEmptiesFileName) {
    ScriptedServices services;
    CommonDialog dialog(services, nullptr);
    services.fileAnswers = {"/src/game/g_main.c", "", "/src/a.kws"};

    dialog.DialogTitle = "Open";
    dialog.Filter = "All Files (*.*)|*.*";
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName, "/src/game/g_main.c");

    dialog.ShowOpen(); // cancelled: the previous name must not linger
    EXPECT_EQ(dialog.FileName, "");

    dialog.DialogTitle = "New Workspace";
    dialog.Filter = "Kelto Dir Info (*.kws)|*.kws";
    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName, "/src/a.kws");

    ASSERT_EQ(services.calls.size(), 3u);
    EXPECT_EQ(services.calls[0].kind, "ShowOpen");
    EXPECT_EQ(services.calls[0].title, "Open");
    EXPECT_EQ(services.calls[0].filter, "All Files (*.*)|*.*");
    EXPECT_EQ(services.calls[2].kind, "ShowSave");
    EXPECT_EQ(services.calls[2].title, "New Workspace");
    EXPECT_EQ(services.calls[2].filter, "Kelto Dir Info (*.kws)|*.kws");
}

TEST(CommonDialog, CancelledPrinterDialogRaises32755OnlyWithCancelError) {
    ScriptedServices services;
    CommonDialog dialog(services, nullptr);
    dialog.DialogTitle = "Print";
    dialog.Flags = 264;

    dialog.CancelError = true;
    services.printerAnswers = {false};
    try {
        dialog.ShowPrinter();
        FAIL() << "a cancelled printer dialog with CancelError set must raise";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number, 32755);
        EXPECT_EQ(error.Description, "Cancel was selected.");
    }

    dialog.CancelError = false;
    services.printerAnswers = {false};
    EXPECT_NO_THROW(dialog.ShowPrinter());

    dialog.CancelError = true;
    services.printerAnswers = {true};
    EXPECT_NO_THROW(dialog.ShowPrinter());
}

TEST(CommonDialog, FlagsStayAndThePrinterChosenIsHdc) {
    ScriptedServices services;
    CommonDialog dialog(services, nullptr);
    std::vector<QPrinter*> printers;
    services.onPrinter = [&](QPrinter& printer) { printers.push_back(&printer); };
    services.printerAnswers = {true, true};

    dialog.DialogTitle = "Print";
    dialog.Flags = 264;
    dialog.Flags = dialog.Flags + 1; // read back and set again, as Print does
    dialog.ShowPrinter();
    EXPECT_EQ(dialog.Flags, 265);

    dialog.DialogTitle = "Page Setup";
    dialog.ShowPrinter(); // Page Setup sets no flags: the control still holds Print's

    const auto calls = services.callsOf("ShowPrinter");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].title, "Print");
    EXPECT_EQ(calls[0].flags, 265);
    EXPECT_EQ(calls[1].title, "Page Setup");
    EXPECT_EQ(calls[1].flags, 265);
    ASSERT_EQ(printers.size(), 2u);
    EXPECT_EQ(printers[0], &dialog.hDC());
    EXPECT_EQ(printers[1], &dialog.hDC());
}

// One call sets a file dialog up (title, filter, no cancel error left from a printer dialog)
// and answers the chosen name, which FileName also holds.
TEST(CommonDialog, OneCallSetsUpAndShowsAFileDialog) {
    ScriptedServices services;
    CommonDialog dialog(services, nullptr);
    services.fileAnswers = {"/src/a.kws", ""};
    dialog.CancelError = true;

    EXPECT_EQ(dialog.ShowOpen("Open Workspace", "Kelto Dir Info (*.kws)|*.kws"), "/src/a.kws");
    EXPECT_FALSE(dialog.CancelError);
    EXPECT_EQ(dialog.ShowSave("Save As", "All Files (*.*)|*.*"), "");
    EXPECT_EQ(dialog.FileName, "");
    EXPECT_EQ(dialog.DialogTitle, "Save As");
    EXPECT_EQ(dialog.Filter, "All Files (*.*)|*.*");

    const auto calls = services.calls;
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, "ShowOpen");
    EXPECT_EQ(calls[0].title, "Open Workspace");
    EXPECT_EQ(calls[0].filter, "Kelto Dir Info (*.kws)|*.kws");
    EXPECT_EQ(calls[1].kind, "ShowSave");
    EXPECT_EQ(calls[1].title, "Save As");
}

} // namespace
