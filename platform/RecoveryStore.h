// Recovery copies of the text of unsaved windows, in Kelto's state folder (recovery/). Each
// running Kelto keeps its copies in a run folder of its own, locked while it runs, so that two
// programs running at once never take each other's copies, and the copies of a run that did not
// end normally (its lock is stale: the process is gone) are found at the next start. Every copy
// is written atomically, so a crash while writing leaves the previous copy whole.
// The store never deletes what it did not write: it works only in a private folder (see
// StateFolder::MakePrivate), takes for a run folder only a real folder of its own with a run
// folder's name, and removes from one only the copies it has read and its own temporary files.
// Anything else there is left alone and named; copies it cannot read (damaged, unreadable, or
// from a newer Kelto) are kept.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/TextFile.h"

class QLockFile;

// What a copy says about its window, and, read back, its text.
struct RecoveryCopy {
    QString caption;   // the window's caption: "Source N" or its file's path
    TextFormat format; // how its file is saved
    QString filePath;  // the file the window last read or wrote, and how that file was then
    FileStamp stamp;
    QByteArray utf8; // the text as the window held it (filled in copies read back)
};

// What a start finds left by runs that did not end normally.
struct LeftOvers {
    std::vector<RecoveryCopy> copies; // the copies it can offer, in the order they were made
    int unreadable = 0;               // copies it cannot read, kept where they are
    QStringList keptIn;               // the run folders holding those
    QStringList strangers;            // what it did not make in the recovery folder, left alone
};

class RecoveryStore {
public:
    // Takes a run folder of its own under folder.
    explicit RecoveryStore(const QString& folder = DefaultFolder());
    // A normal end: the run folder goes, unless a window left a copy in it.
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    static QString DefaultFolder();
    const QString& Folder() const { return root; }
    const QString& RunFolder() const { return run; }

    // A name for one window's copy, unique in this run.
    QString NewName();
    // Writes a window's copy, replacing its last; throws RuntimeError naming the reason.
    void Write(const QString& name, const RecoveryCopy& about, std::string_view utf8);
    void Remove(const QString& name);

    // What runs that did not end normally left. Their run folders stay locked by this store
    // until DiscardClaimed (the user has the windows back or declined them: the copies read go,
    // and a run folder left empty) or ReleaseClaimed (they stay for a later start).
    LeftOvers ClaimLeftOvers();
    void DiscardClaimed();
    void ReleaseClaimed();

    // A window's copy is written this long after its last edit, and at the latest this long
    // after the first edit not yet in a copy.
    std::chrono::milliseconds idleDelay{3000};
    std::chrono::milliseconds longestDelay{30000};
    // A failed write is told to the user once per run.
    bool failureReported = false;

private:
    struct Claim;

    QString root;
    QString run;
    QString problem; // why there is no run folder: the user is told at the first copy
    std::unique_ptr<QLockFile> lock;
    std::vector<std::unique_ptr<Claim>> claimed;
    int named = 0;
};
