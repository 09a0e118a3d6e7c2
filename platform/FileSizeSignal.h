// The file-size limit (`ulimit -f`, RLIMIT_FSIZE) as a failed write rather than the end of the
// program. A write past the limit raises SIGXFSZ, whose default action ends the process and
// every unsaved window with it; with the signal ignored, the write fails with EFBIG instead and
// is reported ("File too large") like a full disk, leaving the old file whole.
#pragma once

// Ignores SIGXFSZ from here on. Called first thing at start-up (and by the tests' main, so the
// tests run as the program does). The signal is caught by a handler that does nothing rather
// than set to SIG_IGN, because an ignored signal stays ignored across exec: programs Kelto
// starts (builds, the browser) get the default action back and live by the limit the user
// set. Nothing to do on Windows, which has no such signal.
void IgnoreFileSizeSignal();
