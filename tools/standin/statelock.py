"""One service per state directory: a service holds an exclusive lock on a file of the
directory from before it reads the state until it ends, so that two services never load and
rewrite the same state (the later writer would drop the other's changes). The file holds
"PID PORT" of the holder (port 0 until its lobby listens); the lock goes with the process,
however it ends, and the file stays."""

import fcntl
import os

FILE_NAME = "service.lock"
HOLDER_BYTES = 64


class StateInUse(Exception):
    """Another service holds the directory: its pid and lobby port (None when unreadable)."""

    def __init__(self, state_dir, pid, port):
        self.state_dir, self.pid, self.port = state_dir, pid, port
        if pid is None:
            holder = "another stand-in service"
        elif not port:
            holder = "the stand-in service of pid %d (not listening yet)" % pid
        else:
            holder = "the stand-in service of pid %d on port %d" % (pid, port)
        super().__init__("%s is in use by %s; a second service may not share it" % (
            state_dir, holder))


def read_holder(fd):
    """(pid, port) written in the lock file, or (None, None) when it holds no such pair."""
    try:
        words = os.pread(fd, HOLDER_BYTES, 0).split()
        pid, port = int(words[0]), int(words[1])
    except (OSError, ValueError, IndexError):
        return None, None
    if pid <= 0 or not 0 <= port <= 65535 or len(words) != 2:
        return None, None
    return pid, port


class StateLock:
    """Takes the directory's lock at once or raises StateInUse naming the holder."""

    def __init__(self, state_dir):
        self.fd = os.open(os.path.join(state_dir, FILE_NAME), os.O_RDWR | os.O_CREAT, 0o644)
        try:
            fcntl.flock(self.fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            pid, port = read_holder(self.fd)
            os.close(self.fd)
            raise StateInUse(state_dir, pid, port) from None
        self.listening(0)

    def listening(self, port):
        """Names this process and its lobby port in the lock file."""
        text = b"%d %d\n" % (os.getpid(), port)
        os.ftruncate(self.fd, 0)
        os.pwrite(self.fd, text, 0)
