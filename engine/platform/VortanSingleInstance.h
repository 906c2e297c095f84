// The single-instance lock: a file holding the running instance's process id in decimal.
#pragma once

// The lock file of the program.
#define VORTAN_LOCK_FILE "/tmp/orlo_app.lock"

// Non-zero when another live instance holds the lock; 0 when this process may go on (it then
// holds the lock, unless the file could not be written, which does not stop the program).
int CheckSingleInstance();

// The same check on a given lock file. A file naming a process that is gone, an empty file,
// text that does not start with a process id, this very process, or a symbolic link in the
// file's place is stale: it is replaced by a file with this process's id. Links are never
// followed.
int CheckSingleInstanceAt(const char* path);
