#include "workspace/BuildChain.h"

#include "app/frmMain.h"
#include "workspace/frmBuild.h"

BuildChain::BuildChain(frmMain& main, std::vector<BuildModule> modules, std::function<void()> then)
    : QObject(&main), main(main), modules(std::move(modules)), then(std::move(then)) {}

void BuildChain::Start() {
    Next();
}

void BuildChain::Next() {
    if (next == modules.size()) {
        // Done before anything that follows, which may start a chain of its own.
        auto follow = std::move(then);
        deleteLater();
        if (follow)
            follow();
        return;
    }
    const BuildModule& module = modules[next++];
    window = main.Build(module);
    if (!window) {
        // Build has said why (no template, a script that cannot be written, the user kept the
        // build already running).
        deleteLater();
        return;
    }
    if (!window->IsRunning()) {
        Ended(window->Succeeded()); // it could not even start
        return;
    }
    connect(window, &frmBuild::Finished, this, &BuildChain::Ended, Qt::SingleShotConnection);
    connect(window, &QObject::destroyed, this, &QObject::deleteLater);
}

void BuildChain::Ended(bool succeeded) {
    if (!window) {
        deleteLater();
        return;
    }
    disconnect(window, nullptr, this, nullptr);
    if (!succeeded) {
        main.ShowChild(window);
        deleteLater();
        return;
    }
    Next();
}
