"""The own page: an account's achievements (10 -> 11) and its match results (74 -> 75), the
seeded ones from the data and those of matches played here, kept in the state; and the counts
those results change: wins, ties, losses and score of each account that played here."""

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


class Scores:
    """Wins, ties, losses and score of the players that played here, by id, kept in the state.
    The live account objects (authored, registered or a guest's of this login) carry them."""

    def __init__(self, state):
        self.state = state
        self.counts = state.section("scores", {})
        self.live = {}

    def apply(self, account):
        """The account carries its kept counts from now on (an account without any keeps its
        own); later results update it too."""
        self.live[account.id] = account
        kept = self.counts.get(str(account.id))
        if kept is not None:
            account.wins, account.ties, account.losses, account.score = kept

    def add(self, player_id, result, points):
        account = self.live.get(player_id)
        kept = self.counts.get(str(player_id))
        if kept is None:
            kept = ([account.wins, account.ties, account.losses, account.score] if account
                    else [0, 0, 0, 0])
        kept[0 if result > 0 else 1 if result == 0 else 2] += 1
        kept[3] += points
        self.counts[str(player_id)] = kept
        if account is not None:
            account.wins, account.ties, account.losses, account.score = kept
        self.state.save()


class History:
    """Match results by account id: seeded ones first, then the recorded ones. A recorded
    result also counts in the player's scores."""

    def __init__(self, path, accounts, state, scores=None):
        self.seeded = {}
        for name, result, points, opponent, when in _lines(path):
            account = accounts.find(name)
            if account is None:
                raise ValueError("history of unknown account %s" % name)
            self.seeded.setdefault(account.id, []).append(
                [int(result), int(points), opponent, when])
        self.recorded = state.section("history", {})
        self.state = state
        self.scores = scores

    def of(self, account):
        return self.seeded.get(account.id, []) + self.recorded.get(str(account.id), [])

    def record(self, player_id, result, points, opponent):
        results = self.recorded.setdefault(str(player_id), [])
        results.append([result, points, opponent, time.strftime("%d.%m.%Y %H:%M:%S")])
        del results[:-KEPT_RESULTS]
        if self.scores is not None:
            self.scores.add(player_id, result, points)
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
        """[0] the game number, [1] the rows wanted (the page asks for its 6), [2] an optional
        value the page leaves out: the latest results first, as many as [1] asks."""
        player = connection.player
        if player is None:
            log("%s   own page before login: ignored" % connection.label)
            return
        if values[0] != connection.game_number:
            log("%s   own page of game %d, not of this client's game %d: ignored" % (
                connection.label, values[0], connection.game_number))
            return
        if values[2] >= 0:
            log("%s   own page with a third value %d" % (connection.label, values[2]))
        wanted = max(0, values[1])
        results = list(reversed(self.history.of(player)))[:wanted]
        records = [messages.match_result(number, result, points, 0, opponent, when)
                   for number, (result, points, opponent, when) in enumerate(results)]
        connection.send(messages.match_results(records))
