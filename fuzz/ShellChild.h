// Runs /bin/sh for the fuzz targets that check what the shell makes of Kelto's quoting: the
// arguments as they are, a working directory and an environment of the caller's choice, and
// (when the fuzzer runs as root) the user nobody, so an input that got past the quoting could
// harm nothing of the machine's. Standard input is empty; both output streams are collected.
#pragma once

#include <string>
#include <vector>

struct ShellResult {
    bool exited = false; // ended normally, with `status` as its exit code
    int status = -1;
    std::string out;
    std::string err;
    std::string extra; // what the child wrote to file descriptor 3
};

ShellResult RunShell(const std::vector<std::string>& arguments, const std::string& directory,
                     const std::vector<std::string>& environment);

// Makes a folder or a file one that every user may read (and enter or run), as RunShell's child
// may be nobody.
void OpenToTheShell(const std::string& path);
