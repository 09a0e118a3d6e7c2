// A fresh running program for a test: scripted services, the program-wide values, and a
// loaded, shown main window (settings store emptied first, as on a first run).
#pragma once

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

#include "../platform/PrintQString.h"
#include "ScriptedServices.h"
#include "app/Program.h"
#include "app/frmMain.h"
#include "platform/SettingsStore.h"
#include <QTimer>

class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SettingsStore::Clear(QStringLiteral("Kelto"));
        StartProgram();
    }
    void TearDown() override { CloseProgram(); }

    // Starts (again) a program reading the settings store as it is now.
    void StartProgram() {
        program = std::make_unique<Program>(services);
        main = new frmMain(*program);
        program->mainWindow = main;
        main->MDIForm_Load();
        // Tests tick by calling Timer1_Timer() themselves: a real tick landing inside a test's
        // event processing (a slow sanitizer build) would serve a slot the test is looking at.
        timerStartedByLoad = main->Timer1->isActive() && main->Timer1->interval() == 100;
        main->Timer1->stop();
        main->show();
        QApplication::processEvents();
    }
    // Closes the main window as the user would (children first, then the settings written).
    void CloseProgram() {
        if (main) {
            main->close();
            delete main.data();
        }
        QApplication::processEvents();
        program.reset();
    }

    ScriptedServices services;
    std::unique_ptr<Program> program;
    QPointer<frmMain> main;
    bool timerStartedByLoad = false;
};
