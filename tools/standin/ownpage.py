"""The own page: an account's achievements (10 -> 11) and its match results (74 -> 75), the
seeded ones from the data and those of matches played here, kept in the state."""

import time

import messages
from connection import log

# Results kept per account; the own page shows the latest first.
KEPT_RESULTS = 50


def _lines(path):
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.strip() and not line.startswith("#"):
                yield line.split("|")


class History:
    """Match results by account id: seeded ones first, then the recorded ones."""

    def __init__(self, path, accounts, state):
        self.seeded = {}
        for name, result, points, opponent, when in _lines(path):
            account = accounts.find(name)
            if account is None:
                raise ValueError("history of unknown account %s" % name)
            self.seeded.setdefault(account.id, []).append(
                [int(result), int(points), opponent, when])
        self.recorded = state.section("history", {})
        self.state = state

    def of(self, account):
        return self.seeded.get(account.id, []) + self.recorded.get(str(account.id), [])

    def record(self, player_id, result, points, opponent):
        results = self.recorded.setdefault(str(player_id), [])
        results.append([result, points, opponent, time.strftime("%d.%m.%Y %H:%M:%S")])
        del results[:-KEPT_RESULTS]
        self.state.save()


class OwnPage:
    def __init__(self, achievements_path, history, accounts):
        self.achievements = {}
        for name, title, description, icon, when in _lines(achievements_path):
            self.achievements.setdefault(name, []).append((title, description, icon, when))
        self.history = history

    def on_achievements(self, connection, values):
        player = connection.player
        if player is None:
            return
        records = [messages.achievement_record(number, 1, title, description, icon, when)
                   for number, (title, description, icon, when) in
                   enumerate(self.achievements.get(player.name, []))]
        connection.send(messages.achievement_list(records))

    def on_own_page(self, connection, values):
        """The latest results first, as many as asked for ([1])."""
        player = connection.player
        if player is None:
            log("%s   own page before login: ignored" % connection.label)
            return
        wanted = max(0, values[1])
        results = list(reversed(self.history.of(player)))[:wanted]
        records = [messages.match_result(number, result, points, 0, opponent, when)
                   for number, (result, points, opponent, when) in enumerate(results)]
        connection.send(messages.match_results(records))
