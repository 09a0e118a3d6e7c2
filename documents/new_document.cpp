// New source windows: File > New, and the routine every command that makes one goes through.
#include "app/Program.h"
#include "app/frmMain.h"
#include "documents/frmDocument.h"

void frmMain::NewDocument() {
    DocumentCount = DocumentCount + 1;
    auto* document = new frmDocument(program); // its Form_Load runs as it is created
    document->SetCaption(QStringLiteral("Source ") + QString::number(DocumentCount));
    ShowChild(document);
    program.module1.SelectionChanged = true;
    LastFindPos = 0;
    document->ccode = false;
}

void frmMain::mnuFileNew_Click() {
    NewDocument();
}
