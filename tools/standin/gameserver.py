"""The game server: starts a match once both players are ready, relays game data and chat,
keeps results, and handles rematches and departures.

A result (15) lists the match's player ids ([3]) and their places ([4], 1 the best): the
reporting player won when its place is better than every other's, lost when worse than one,
else tied; it scores 100, 50 or 0 points. Each player's report counts once per match (a
rematch is another match under the same game id). Once a player has left, the match is over:
a rematch answer is ignored and a game ready for it closes the connection."""

import messages
from connection import log

GAME_STATUS_RESULT = 0
POINTS = {1: 100, 0: 50, -1: 0}


class GameServer:
    # With the close-mid-message fault, the game start is cut.
    CUT_TAGS = {12}

    def __init__(self, config, games, history):
        self.config = config
        self.games = games
        self.history = history
        # Called with a player id when a rematch is agreed: announces the player's match items
        # on its lobby connection; False when the player has none.
        self.announce_items = None
        self.handlers = {
            13: self.on_relay,
            15: self.on_result,
            46: self.on_ready,
            64: self.on_relay,
            70: self.on_rematch,
        }

    def handle(self, connection, tag, values, data):
        handler = self.handlers.get(tag)
        if handler is None:
            log("%s   %d has no handler here" % (connection.label, tag))
            return
        if tag != 46 and connection.game is None:
            log("%s   %d before game ready: ignored" % (connection.label, tag))
            return
        handler(connection, values, data)

    def on_ready(self, connection, values, data):
        game_id, player_id = values[1], values[4]
        game = self.games.find(game_id)
        if game is None or not game.has_player(player_id) or game.over:
            log("%s   game ready for unknown game %d or player %d: closing" % (
                connection.label, game_id, player_id))
            connection.close()
            return
        connection.game = game
        connection.player_id = player_id
        game.connections[player_id] = connection
        game.ready.add(player_id)
        if len(game.ready) == len(game.players) and not game.started:
            self._start(game)

    def _start(self, game):
        game.started = True
        game.round += 1
        game.results.clear()
        game.rematch.clear()
        server_text = "127.0.0.1:%d" % self.config.game_port
        for player_id, connection in game.connections.items():
            connection.send(messages.game_start(game.id, game.players,
                                                game.match_flags[player_id], server_text))
        log("game %d: match started" % game.id)

    def on_relay(self, connection, values, data):
        """Game data and chat go to the other player as they came."""
        other = connection.game.other(connection.player_id)
        if other is None:
            log("%s   no other player to relay to" % connection.label)
            return
        other.send(data)

    def on_result(self, connection, values, data):
        game = connection.game
        player_id = connection.player_id
        if player_id not in game.results:
            game.results[player_id] = values
            self._record(game, player_id, values[3], values[4])
        else:
            log("%s   second result for this match: not kept" % connection.label)
        connection.send(messages.game_status(GAME_STATUS_RESULT))

    def _record(self, game, player_id, ids, places):
        if len(ids) != len(places) or player_id not in ids or len(ids) < 2:
            log("game %d: result of %d without its place: not kept" % (game.id, player_id))
            return
        own = places[ids.index(player_id)]
        others = [place for pid, place in zip(ids, places) if pid != player_id]
        result = 1 if own < min(others) else -1 if own > min(others) else 0
        opponent = next((p.name for p in game.players if p.id != player_id), "")
        self.history.record(player_id, result, POINTS[result], opponent)
        log("game %d: player %d result %d" % (game.id, player_id, result))

    def on_rematch(self, connection, values, data):
        game = connection.game
        if game.over:
            log("%s   rematch answer after the match is over: ignored" % connection.label)
            return
        if values[1]:
            game.rematch.add(connection.player_id)
            if len(game.rematch) == len(game.players):
                log("game %d: rematch" % game.id)
                self._next_match(game)
            return
        self._left(connection)

    def _next_match(self, game):
        """A rematch is a new match: the result emptied the players' lists of match items, so
        each gets its items announced again and the match starts once both have them and say
        game ready, as before the first match. A player without a lobby connection counts as
        ready at once."""
        game.started = False
        game.rematch.clear()
        game.ready.clear()
        for player_id in list(game.connections):
            if self.announce_items is None or not self.announce_items(player_id):
                game.ready.add(player_id)
        if len(game.ready) == len(game.players):
            self._start(game)

    def _left(self, connection):
        game = connection.game
        if game.over:
            return
        game.over = True
        other = game.other(connection.player_id)
        if other is not None:
            # Only the departure: the player who stays ends the match as won (the status
            # "match over" would send its client back to the start page at once, before
            # its battle could tell the result) and leaves the game when it chooses.
            other.send(messages.player_left(game.id, connection.player_id))
        log("game %d: player %d left" % (game.id, connection.player_id))

    def closed(self, connection):
        game = connection.game
        if game is None:
            return
        self._left(connection)
        game.connections.pop(connection.player_id, None)
        if not game.connections:
            self.games.finish(game)
