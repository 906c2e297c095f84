"""The matches the lobby has started: their identifiers, players and game-server state."""

import collections

from connection import CLOCK

# Finished matches stay known (their participants can still be asked for) up to this count.
KEPT_GAMES = 1000
# Game identifiers lie beyond 32 bits; the second lobby counts from another base so that the
# two instances never hand out the same one.
FIRST_GAME_ID = (1 << 32) + 1
SECOND_LOBBY_OFFSET = 1 << 40
# A game start whose players have not come to the game server by then no longer holds them.
START_LAPSE_SECONDS = 30.0


class Game:
    """One match between two players, from the lobby's game start to the last close."""

    def __init__(self, game_id, number, players):
        self.id = game_id
        self.number = number
        self.players = players
        # The match flag goes to the first player only.
        self.match_flags = {p.id: (1 if i == 0 else 0) for i, p in enumerate(players)}
        self.connections = {}
        self.ready = set()
        self.started = False
        self.round = 0
        self.created = CLOCK.now()
        self.results = {}
        self.rematch = set()
        self.over = False

    def holds(self, player_id):
        """True while the player is in this match: from its start until the match is over;
        a start whose players never reach the game server lapses after a while."""
        if self.over or not self.has_player(player_id):
            return False
        return bool(self.connections) or CLOCK.now() - self.created < START_LAPSE_SECONDS

    def has_player(self, player_id):
        return any(p.id == player_id for p in self.players)

    def other(self, player_id):
        """The game connection of the other player, or None."""
        for pid, connection in self.connections.items():
            if pid != player_id:
                return connection
        return None


class Games:
    def __init__(self, second_lobby=False):
        self.next_id = FIRST_GAME_ID + (SECOND_LOBBY_OFFSET if second_lobby else 0)
        self.games = collections.OrderedDict()

    def create(self, number, players):
        game = Game(self.next_id, number, players)
        self.next_id += 1
        self.games[game.id] = game
        while len(self.games) > KEPT_GAMES:
            self.games.popitem(last=False)
        return game

    def find(self, game_id):
        return self.games.get(game_id)

    def finish(self, game):
        """The match's connections are all gone; it stays known for its participants."""
        game.over = True
        game.connections.clear()
