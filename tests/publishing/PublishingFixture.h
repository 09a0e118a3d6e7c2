// A running program for the options dialog and wizard tests: opens the options dialog with a
// script, reaches the wizard's pages, and closes any page a test leaves open before the
// program's values go away (pages outlive the main window, not the program).
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "publishing/WizardPage.h"
#include "publishing/WizardPathPage.h"
#include "publishing/frmMP1.h"
#include "publishing/frmMP2.h"
#include "publishing/frmMP3.h"
#include "publishing/frmMP4.h"
#include "publishing/frmMP5.h"
#include "publishing/frmOptions.h"
#include "support/ProgramFixture.h"

class PublishingFixture : public ProgramFixture {
protected:
    void TearDown() override {
        CloseWizard();
        ProgramFixture::TearDown();
    }

    // Tools > Options with a script that acts on the open dialog.
    void WithOptions(const std::function<void(frmOptions&)>& script) {
        services.modalScripts.push_back([script](QDialog& dialog) {
            auto* options = qobject_cast<frmOptions*>(&dialog);
            ASSERT_NE(options, nullptr);
            script(*options);
        });
        main->mnuToolsOptions_Click();
    }

    WizardPage* Page(int n) const { return WizardPage::OpenPage(*program, n); }
    template <class T> T* PageAs(int n) const { return qobject_cast<T*>(Page(n)); }
    // The numbers of the pages now open.
    std::vector<int> OpenPages() const {
        std::vector<int> open;
        for (int n = WizardPage::FirstPage; n <= WizardPage::LastPage; ++n)
            if (Page(n))
                open.push_back(n);
        return open;
    }
    // Lets closed pages be deleted, as the event loop would.
    static void Settle() {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
    void CloseWizard() {
        if (!program)
            return;
        for (int n = WizardPage::FirstPage; n <= WizardPage::LastPage; ++n)
            if (WizardPage* page = Page(n))
                page->close();
        Settle();
    }
};
