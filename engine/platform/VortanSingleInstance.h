// The single-instance lock: the file "/tmp/orlo_app.lock", holding the running instance's
// process id as decimal text without a line end, and an advisory record lock (fcntl) on the
// whole file that the instance holds for as long as it runs.
//
// The record lock, not the text, tells whether an instance runs: testing and taking it are one
// step, so two copies started at the same instant cannot both win, and the kernel lets go of it
// when its holder ends however it ends, so a file left behind (naming a process that is gone,
// or by now an unrelated one) never blocks a start. The text only names the holder for
// whoever reads the file. The file is never removed.
//
// Record locks belong to the process: closing any descriptor of the lock file in the holding
// process lets go of the lock. Nothing but this class opens the file.
#pragma once

// The lock file of the program.
#define VORTAN_LOCK_FILE "/tmp/orlo_app.lock"
// Acquire's answer for a file that is not a lock this program may own.
#define VORTAN_LOCK_NOT_A_LOCK (-1)

class CVortanSingleInstance {
public:
    CVortanSingleInstance();
    // Lets go of the lock (Release).
    ~CVortanSingleInstance();

    // Takes the lock on the file and writes this process's id into it. 0 when this process
    // may go on: it holds the lock, or the file cannot serve as a lock at all (it cannot be
    // created or written, or it is not a regular file), which does not stop the program.
    // Non-zero when another live process holds the lock; GetOwner names it. Links are never
    // followed: a symbolic link in the file's place is replaced by a lock file. Opening never
    // blocks (a named pipe in the file's place is no lock).
    // With `onlyOwnLock` only a lock file this program may own is taken: none there yet, or a
    // regular file that holds nothing or a process id alone. Anything else (a file with other
    // text, a link, a folder, a pipe) is left as it is, and the answer is
    // VORTAN_LOCK_NOT_A_LOCK.
    int Acquire(const char* path, bool onlyOwnLock = false);
    // Lets go of the lock, when held; the file stays.
    void Release();

    int IsHeld() const { return m_fd >= 0; }
    // The process id of the holder that made the last Acquire fail; 0 when not known (a
    // holder in another process-id namespace that wrote no id).
    int GetOwner() const { return m_owner; }

private:
    CVortanSingleInstance(const CVortanSingleInstance&) = delete;
    CVortanSingleInstance& operator=(const CVortanSingleInstance&) = delete;

    int m_fd;
    int m_owner;
};

// The program's lock on VORTAN_LOCK_FILE (a test's own lock file when the environment's
// ORLO_LOCK_FILE names one), held until the process ends. Above zero when another
// live instance holds it (its process id in *owner when given, 0 when not known); 0 when this
// process may go on; VORTAN_LOCK_NOT_A_LOCK when ORLO_LOCK_FILE names a file that is not a
// lock this program may own (Acquire's onlyOwnLock), which is left as it is.
int CheckSingleInstance(int* owner = nullptr);
