// Checks of file permissions, which do not bind root: as root (CI runs as root), a test runs
// such a check in a child of its own program as the user nobody (65534, group 65534, no other
// groups), with the folder to work in passed through KELTO_TEST_DIR. The child runs one named
// test, usually a DISABLED_ one that only this runs.
#pragma once

#include <QString>
#include <functional>

// The folder the child works in, from KELTO_TEST_DIR; empty in a run of the tests themselves.
QString NobodysTestDir();

// Runs the named test ("Suite.DISABLED_Name") of this program as nobody with dir in the
// environment and gives its exit code; false when that cannot be done here (not root, or no
// setpriv).
bool RunAsNobody(const QString& test, const QString& dir, int& exitCode);

// Runs check(dir) here; as root, gives dir to nobody and runs the named test as nobody instead,
// a test that runs check(NobodysTestDir()). The calling test is skipped when neither can be
// done, and fails when the child does.
void RunWherePermissionsBind(const QString& test, const QString& dir,
                             const std::function<void(const QString&)>& check);
