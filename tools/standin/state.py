"""What changes while the stand-in runs (registered accounts, guests, coins, owned items,
follows, blocks, match history), kept in one file of the state directory so that a restarted
service knows the same players; written to a temporary file and renamed into place."""

import json
import os

FILE_NAME = "state.json"


class State:
    def __init__(self, state_dir=None):
        self.path = os.path.join(state_dir, FILE_NAME) if state_dir else None
        self.data = {}
        if self.path and os.path.exists(self.path):
            with open(self.path, encoding="utf-8") as f:
                self.data = json.load(f)

    def section(self, name, default):
        """The named part of the state, created empty when missing."""
        return self.data.setdefault(name, default)

    def save(self):
        if not self.path:
            return
        temp = self.path + ".tmp"
        with open(temp, "w", encoding="utf-8") as f:
            json.dump(self.data, f, indent=1, sort_keys=True)
            f.write("\n")
            f.flush()
            os.fsync(f.fileno())
        os.rename(temp, self.path)
