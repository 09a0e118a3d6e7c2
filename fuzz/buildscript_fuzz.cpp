// The build script's quoting, run by the shell it is written for: for any source directory
// (the bytes of a workspace file, taken as Open Workspace takes them), the script composed for
// a module and run as Kelto runs it (`/bin/sh SCRIPT`, from another directory) changes to
// exactly that module's directory and runs nothing but the template. The directories are made
// in a scratch folder; the template calls a stub, the only program on PATH, which records the
// directory it runs in. Whatever else the input might make the shell run shows: a message on
// standard error, another exit code, a second record, a file in the scratch tree.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ShellChild.h"
#include "workspace/BuildScript.h"
#include "workspace/WorkspaceFile.h"

namespace {

std::string scratch; // the scratch folder, its real path
std::string tree;    // scratch/tree: where the source directories are made
std::string script;  // scratch/gamerev.bat
std::vector<std::string> environment;

void Check(bool ok) {
    if (!ok)
        std::abort();
}

// Makes the directory and every one above it up to tree; false when one cannot be made (a name
// too long for the system).
bool MakeDirectories(const std::string& path) {
    for (std::size_t slash = tree.size(); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string upTo = path.substr(0, slash);
        if (mkdir(upTo.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

int files = 0;
int CountFile(const char*, const struct stat*, int type, FTW*) {
    if (type != FTW_D && type != FTW_DP)
        ++files;
    return 0;
}
int RemoveEntry(const char* path, const struct stat*, int, FTW*) {
    return remove(path);
}
void RemoveTree(const std::string& path) {
    nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Memory rather than disk where there is some.
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string made = base + "/kelto-fuzz-XXXXXX";
    Check(mkdtemp(made.data()) != nullptr);
    char* real = realpath(made.c_str(), nullptr);
    Check(real != nullptr);
    scratch = real;
    std::free(real);
    std::atexit([] { RemoveTree(scratch); }); // libFuzzer ends the run with exit()
    OpenToTheShell(scratch);
    tree = scratch + "/tree";
    script = scratch + "/gamerev.bat";

    const std::string bin = scratch + "/bin";
    Check(mkdir(bin.c_str(), 0755) == 0);
    const std::string stub = bin + "/kelto_fuzz_here";
    std::ofstream(stub) << "#!/bin/sh\npwd -P >&3\n";
    Check(chmod(stub.c_str(), 0755) == 0);
    environment = {"PATH=" + bin};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1024)
        return 0;
    const QString name =
        WorkspaceFile::Parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    // No directory holds a NUL (the build stops at the missing template), and ".." would lead
    // out of the scratch tree.
    if (name.contains(QChar(0)) || name.split(u'/').contains(QStringLiteral("..")))
        return 0;
    const QString sourceDir = QString::fromStdString(tree) + u'/' + name;
    const BuildModule& game = BuildModules[1];
    const QByteArray moduleDirectory =
        QFile::encodeName(BuildScript::PathsFor(sourceDir, game).moduleDirectory);
    const std::string directory(moduleDirectory.constData(), std::size_t(moduleDirectory.size()));
    if (!MakeDirectories(directory)) {
        RemoveTree(tree);
        return 0;
    }
    char* real = realpath(directory.c_str(), nullptr);
    Check(real != nullptr);
    const std::string expected = std::string(real) + "\n";
    std::free(real);

    const QByteArray bytes =
        BuildScript::Compose(sourceDir, game, "kelto_fuzz_here\r\n", PathStyle::Style::Posix);
    {
        std::ofstream out(script, std::ios::binary | std::ios::trunc);
        out.write(bytes.constData(), bytes.size());
        Check(out.good());
    }
    const ShellResult run = RunShell({script}, scratch, environment);
    Check(run.exited && run.status == 0);
    Check(run.err.empty() && run.out.empty());
    Check(run.extra == expected); // ran once, in the module's directory
    files = 0;
    nftw(tree.c_str(), CountFile, 16, FTW_PHYS);
    Check(files == 0);
    RemoveTree(tree);
    return 0;
}
