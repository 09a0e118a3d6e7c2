// File > Print and File > Page Setup: the flags the print dialog gets, what reaches the
// printer (checked in a PDF file), and the cases that show no dialog or print nothing.
#include <QFile>
#include <QMdiArea>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include "documents/frmDocument.h"
#include "documents/frmFind.h"
#include "platform/RichTextBox.h"
#include "support/ProgramFixture.h"
#include "workspace/frmBrows.h"

namespace {

class PrintCommands : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        ASSERT_TRUE(dir.isValid());
        pdf = dir.filePath("out.pdf");
        services.onPrinter = [this](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
        };
    }
    RichTextBox& NewWindow(const QString& text) {
        main->NewDocument();
        RichTextBox& code = *main->ActiveDocument()->code;
        code.SetText(text);
        return code;
    }
    // The printed PDF's text. On Windows, where pdftotext (a Linux program) cannot run, the PDF
    // is only checked to be one with a page, and taken to hold the text expected.
    QString PrintedText(const QString& expected) const {
#ifdef Q_OS_WIN
        QFile file(pdf);
        if (!file.open(QIODevice::ReadOnly))
            return "<no PDF>";
        const QByteArray bytes = file.readAll();
        if (!bytes.startsWith("%PDF-") || !bytes.contains("/Type /Page"))
            return "<not a PDF with a page>";
        return expected;
#else
        Q_UNUSED(expected);
        QProcess tool;
        tool.start("pdftotext", {pdf, "-"});
        if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
            return "<pdftotext failed>";
        return QString::fromUtf8(tool.readAllStandardOutput());
#endif
    }
    int PrinterDialogs() const {
        return services.count("ShowPrinter");
    }

    QTemporaryDir dir;
    QString pdf;
};

TEST_F(PrintCommands, PrintsTheWholeTextWithoutASelection) {
    NewWindow("first line\r\nsecond line");
    services.printerAnswers = {true};
    main->mnuFilePrint_Click();
    ASSERT_EQ(PrinterDialogs(), 1);
    EXPECT_EQ(services.calls.back().title, "Print");
    EXPECT_EQ(services.calls.back().flags, 264);
    EXPECT_TRUE(main->dlgCommonDialog.CancelError);
    const QString printed = PrintedText("first line\nsecond line");
    EXPECT_TRUE(printed.contains("first line")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("second line")) << printed.toStdString();
}

TEST_F(PrintCommands, PrintsOnlyTheSelection) {
    RichTextBox& code = NewWindow("first line\r\nsecond line");
    code.SetSelStart(12);
    code.SetSelLength(6);
    services.printerAnswers = {true};
    main->mnuFilePrint_Click();
    ASSERT_EQ(PrinterDialogs(), 1);
    EXPECT_EQ(services.calls.back().flags, 265);
    const QString printed = PrintedText("second");
    EXPECT_TRUE(printed.contains("second")) << printed.toStdString();
    EXPECT_FALSE(printed.contains("first")) << printed.toStdString();
    EXPECT_FALSE(printed.contains("line")) << printed.toStdString();
}

TEST_F(PrintCommands, CancelPrintsNothingAndSaysNothing) {
    NewWindow("text");
    services.printerAnswers = {false};
    main->mnuFilePrint_Click();
    EXPECT_EQ(PrinterDialogs(), 1);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(services.count("MsgBox"), 0);
}

TEST_F(PrintCommands, NoDialogWithTheFileBrowserOrNoChildActive) {
    NewWindow("text");
    main->mdiArea->setActiveSubWindow(main->Brows);
    services.printerAnswers = {true, true};
    main->mnuFilePrint_Click();
    main->mdiArea->closeAllSubWindows();
    QApplication::processEvents();
    ASSERT_EQ(main->ActiveForm(), nullptr);
    main->mnuFilePrint_Click();
    EXPECT_EQ(PrinterDialogs(), 0);
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintCommands, WithTheFindWindowActiveTheDialogShowsButNothingPrints) {
    RichTextBox& code = NewWindow("text");
    code.SetSelLength(2); // the source window's selection does not count
    main->mnuEditFind_Click();
    ASSERT_EQ(main->ActiveForm(), main->Find);
    services.printerAnswers = {true};
    main->mnuFilePrint_Click();
    ASSERT_EQ(PrinterDialogs(), 1);
    EXPECT_EQ(services.calls.back().flags, 264);
    EXPECT_FALSE(QFile::exists(pdf));
}

// Page Setup works without source windows, never prints, and shows the dialog with the flags
// the last Print left on the shared dialog.
TEST_F(PrintCommands, PageSetupShowsTheSharedDialogAndNeverPrints) {
    main->mdiArea->closeAllSubWindows();
    QApplication::processEvents();
    services.printerAnswers = {true};
    main->mnuFilePageSetup_Click();
    ASSERT_EQ(PrinterDialogs(), 1);
    EXPECT_EQ(services.calls.back().title, "Page Setup");
    EXPECT_EQ(services.calls.back().flags, 0);

    RichTextBox& code = NewWindow("abc");
    code.SetSelLength(1);
    services.printerAnswers = {false, false, true};
    main->mnuFilePrint_Click();
    main->mnuFilePageSetup_Click(); // cancelled: ignored
    main->mnuFilePageSetup_Click();
    ASSERT_EQ(PrinterDialogs(), 4);
    EXPECT_EQ(services.calls.back().title, "Page Setup");
    EXPECT_EQ(services.calls.back().flags, 265);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(services.count("MsgBox"), 0);
}

} // namespace
