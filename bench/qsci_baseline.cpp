// The baseline the desktop benchmark runs beside Kelto: QScintilla with its own C++ lexer in a
// plain main window, as an editor built on it would be. A file named on the command line, or
// opened with File > Open (Ctrl+O, the same Qt file dialog Kelto uses), loads the same way: its
// bytes go in as they are (SCI_SETTEXT, no QString on the way, its cheapest load), the load is
// not undoable, and the lexer styles the whole text at once (SCI_COLOURISE), as Kelto colours
// the whole file when it opens it; the in-process benchmark loads its baseline the same way.
//
// The caret does not blink, so an idle window draws nothing, as Kelto's does before a file is
// open; blinking costs nothing measurable, and the benchmark waits out Kelto's blinks.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <Qsci/qscilexercpp.h>
#include <Qsci/qsciscintilla.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QScintilla baseline"));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("QScintilla baseline"));
    auto* editor = new QsciScintilla(&window);
    editor->setUtf8(true);
    editor->setLexer(new QsciLexerCPP(editor));
    editor->SendScintilla(QsciScintillaBase::SCI_SETCARETPERIOD, 0L);
    window.setCentralWidget(editor);

    // The file's bytes go in as they are and are styled in full; not undoable.
    const auto load = [&window, editor](const QString& path) {
        QFile input(path);
        if (!input.open(QIODevice::ReadOnly)) {
            QMessageBox::warning(&window, QStringLiteral("Open"), input.errorString());
            return;
        }
        const QByteArray bytes = input.readAll();
        editor->SendScintilla(QsciScintillaBase::SCI_SETTEXT, bytes.constData());
        editor->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0L, -1L);
        editor->SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
        window.setWindowTitle(path);
    };
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    QAction* open = file->addAction(QStringLiteral("&Open..."));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QObject::connect(open, &QAction::triggered, &window, [&window, load] {
        QFileDialog dialog(&window, QStringLiteral("Open"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            load(dialog.selectedFiles().constFirst());
    });
    if (argc > 1) // a file named on the command line is open when the window first shows
        load(QString::fromLocal8Bit(argv[1]));

    // The editor as large as the text area of Kelto's source window (590 x 370 at 96 dpi).
    window.resize(590, 370 + window.menuBar()->sizeHint().height());
    window.show();
    return QApplication::exec();
}
