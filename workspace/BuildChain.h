// Builds modules one after another, each in its own build window as its Build command builds it,
// and stops at the first that fails, with that window in front; when every build has succeeded
// it runs what was to follow (Run Mod starts the engine, Package Mod writes the package). One
// chain at a time: the main window drops the one before when a new one starts
// (frmMain::Chain). A build window closed while its build runs ends the chain quietly.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

#include "workspace/BuildScript.h"

class frmBuild;
class frmMain;

class BuildChain : public QObject {
    Q_OBJECT
public:
    BuildChain(frmMain& main, std::vector<BuildModule> modules, std::function<void()> then);

    // Starts the first build (or, with none to build, runs what follows at once).
    void Start();

private:
    void Next();
    void Ended(bool succeeded);

    frmMain& main;
    std::vector<BuildModule> modules;
    std::function<void()> then;
    std::size_t next = 0;
    QPointer<frmBuild> window; // the window whose build the chain waits for
};
