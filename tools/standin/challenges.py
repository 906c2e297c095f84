"""Challenges between players (38 -> 39, 40 -> 40) and their answers.

Answers (40, field [0]): 0 declined, 1 accepted, 2 busy or withdrawn, 3 blocked or offline.
Accepting and declining go to both players; a withdrawal (the challenger's 0 for its own id)
is echoed to it and gives each challenged player its own answer 2, as does an answer to a
challenge the lobby does not hold (withdrawn, or from a connection gone). A target that waits
in a room, plays a match or has a challenge pending is busy; the seeded players count as busy.
A challenge repeated to a player who still holds the same challenger's challenge is that same
challenge: it is neither passed on again nor answered.

The challenger's client waits on one answer: the first it gets ends the challenge for every
player it went to. So a challenge of which one target is refused at once reaches none, and a
decline, an acceptance or a target's logout tells the other targets it is gone (2). A match
that starts ends the challenges its two players hold (their challengers hear 2: busy) and
those they sent."""

import messages
from connection import log

DECLINED = 0
ACCEPTED = 1
BUSY = 2
UNREACHABLE = 3
FIRST_CHALLENGE_ID = 1 << 33


class Challenges:
    def __init__(self, relations):
        self.relations = relations
        self.lobby = None
        # Challenged player id -> (challenger id, game number); challenger id -> targets.
        self.pending = {}
        self.sent = {}
        self.next_id = FIRST_CHALLENGE_ID

    def _busy(self, connection):
        player_id = connection.player.id
        if connection.room is not None or player_id in self.pending or player_id in self.sent:
            return True
        return any(g.holds(player_id) for g in self.lobby.games.games.values())

    def on_request(self, connection, values):
        challenger = connection.player
        if challenger is None:
            return
        number, targets = values[0], values[1]
        reached, refused = [], False
        for target_id in targets:
            if self.pending.get(target_id, (None,))[0] == challenger.id:
                log("%s   challenge to %d repeated: the same challenge" % (connection.label,
                                                                         target_id))
                continue
            target = self.lobby.online.get(target_id)
            player = self.lobby.find_player(target_id)
            name = player.name if player else ""
            if target is None and player is not None and self.lobby.is_online(player):
                answer = BUSY
            elif target is None or self.relations.blocked(target_id, challenger.id):
                answer = UNREACHABLE
            elif target is connection or self._busy(target):
                answer = BUSY
            else:
                reached.append(target)
                continue
            log("%s   challenge to %d answered %d" % (connection.label, target_id, answer))
            connection.send(messages.challenge_reply(answer, number, target_id, challenger.id,
                                                     name))
            refused = True
        if refused or not reached:
            return
        self.sent.setdefault(challenger.id, []).extend(t.player.id for t in reached)
        for target in reached:
            self.pending[target.player.id] = (challenger.id, number)
            target.send(messages.challenge_received(self.next_id, challenger))
            self.next_id += 1
            if self.lobby.has_avatar(challenger):
                target.send(messages.player_image(challenger.id, self.lobby.avatar(challenger)))

    def on_reply(self, connection, values):
        player = connection.player
        if player is None:
            return
        answer, number, own_id, other_id = values[0], values[1], values[2], values[3]
        if other_id == player.id:
            self._withdraw(connection, number)
            return
        pending = self.pending.get(player.id)
        if pending is None or pending[0] != other_id:
            # A challenge withdrawn, answered already, or held by a connection that has gone:
            # the answer is refused as for a withdrawn challenge, so the answering page closes.
            log("%s   answer to no pending challenge from %d: refused" % (
                connection.label, other_id))
            connection.send(messages.challenge_reply(BUSY, number, player.id, other_id,
                                                     player.name))
            return
        challenger = self.lobby.online.get(other_id)
        del self.pending[player.id]
        reply = messages.challenge_reply(answer, number, player.id, other_id, player.name)
        connection.send(reply)
        if challenger is not None:
            challenger.send(reply)
        # The challenger waits no more: the others challenged with it are told it is gone.
        self._release_targets(other_id, number)
        if answer == ACCEPTED and challenger is not None:
            self.lobby.start_game(number, challenger, connection)

    def _withdraw(self, connection, number):
        player = connection.player
        connection.send(messages.challenge_reply(DECLINED, number, player.id, player.id,
                                                 player.name))
        self._release_targets(player.id, number)

    def _release_targets(self, challenger_id, number):
        for target_id in self.sent.pop(challenger_id, []):
            if self.pending.get(target_id, (None,))[0] != challenger_id:
                continue
            del self.pending[target_id]
            target = self.lobby.online.get(target_id)
            if target is not None:
                target.send(messages.challenge_reply(BUSY, number, target_id, challenger_id,
                                                     target.player.name))

    def _end_held(self, player, answer):
        """The challenge the player holds ends: its challenger hears the answer, the others
        challenged with it that it is gone."""
        pending = self.pending.pop(player.id, None)
        if pending is None:
            return
        challenger_id, number = pending
        challenger = self.lobby.online.get(challenger_id)
        if challenger is not None:
            challenger.send(messages.challenge_reply(answer, number, player.id, challenger_id,
                                                     player.name))
        self._release_targets(challenger_id, number)

    def forget(self, connection):
        """A player who logs out withdraws its challenge and declines the one it holds."""
        player = connection.player
        if player is None:
            return
        self._release_targets(player.id, 0)
        self._end_held(player, UNREACHABLE)

    def match_started(self, connection):
        """A player whose match starts waits on no challenge and can take none: the one it
        holds is answered busy, the ones it sent are withdrawn."""
        self._release_targets(connection.player.id, 0)
        self._end_held(connection.player, BUSY)
