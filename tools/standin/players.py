"""The seeded players of the lobby's lists, made from the rules in data/standin/players.txt,
and the follows and blocks of each account, kept in the state."""

import bisect
from collections import OrderedDict

from accounts import Account

# Name searches of the seeded players kept, the most recent first.
SEARCHES_KEPT = 64


def read_rules(path):
    rules = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                key, _, value = line.partition("=")
                rules[key.strip()] = value.strip()
    return rules


class SeededPlayers:
    def __init__(self, path):
        rules = read_rules(path)
        self.count = int(rules["count"])
        self.first_id = int(rules["first_id"])
        self.top_score = int(rules["top_score"])
        self.online_every = int(rules["online_every"])
        self.avatar_every = int(rules["avatar_every"])
        self.syllables = rules["syllables"].split(",")
        self.locations = rules["locations"].split(",")
        self.players = [self._make(i) for i in range(self.count)]
        self.by_id = {p.id: p for p in self.players}
        # The global list's order of the seeded players never changes: sorted once here, so
        # that a list request reads its batch instead of sorting every player again.
        self.order = sorted(self.players, key=self.sort_key)
        self.keys = [self.sort_key(p) for p in self.order]
        self.lower_names = [p.name.lower() for p in self.order]
        self.all = (self.order, self.keys, sum(1 for p in self.order if p.seeded_online))
        self.searches = OrderedDict()

    @staticmethod
    def sort_key(player):
        return (not player.seeded_online, -player.score, player.name.lower())

    def holds_id(self, player_id):
        return self.first_id <= player_id < self.first_id + self.count

    def matching(self, wanted):
        """(players, keys, online count) of the seeded players whose lower-case name holds
        the text, in list order; the last searches are kept."""
        if not wanted:
            return self.all
        found = self.searches.get(wanted)
        if found is not None:
            self.searches.move_to_end(wanted)
            return found
        at = [i for i, name in enumerate(self.lower_names) if wanted in name]
        players = [self.order[i] for i in at]
        found = (players, [self.keys[i] for i in at], sum(1 for p in players if p.seeded_online))
        self.searches[wanted] = found
        if len(self.searches) > SEARCHES_KEPT:
            self.searches.popitem(last=False)
        return found

    def _make(self, i):
        s = self.syllables
        name = "%s%s%d" % (s[i % len(s)].capitalize(), s[(i // len(s)) % len(s)], i)
        score = max(0, self.top_score - (i * self.top_score) // self.count)
        wins, losses = 10 + i % 40, 5 + (i * 7) % 30
        player = Account(name=name, id=self.first_id + i, score=score, rank=i + 1, wins=wins,
                         losses=losses, ties=i % 5, followers=i % 13, following=i % 11,
                         location=self.locations[i % len(self.locations)],
                         comment="Seeded player %d" % i, since="1.1.2012 12:00:00")
        player.seeded_online = i % self.online_every == 0
        player.has_avatar = i % self.avatar_every == 0
        return player


class Relations:
    """Whom each account follows and blocks: sets of ids by account id, kept in the state."""

    def __init__(self, state):
        self.state = state
        self.follows = state.section("follows", {})
        self.blocks = state.section("blocks", {})

    def _set(self, table, player_id, other_id, on):
        ids = table.setdefault(str(player_id), [])
        if on and other_id not in ids:
            ids.append(other_id)
        elif not on and other_id in ids:
            ids.remove(other_id)
        self.state.save()

    def follow(self, player_id, other_id, on):
        self._set(self.follows, player_id, other_id, on)

    def block(self, player_id, other_id, on):
        self._set(self.blocks, player_id, other_id, on)

    def followed(self, player_id):
        return self.follows.get(str(player_id), [])

    def follower_count(self, player_id):
        return sum(1 for ids in self.follows.values() if player_id in ids)

    def blocked(self, player_id, other_id):
        return other_id in self.blocks.get(str(player_id), [])


class MergedList:
    """A sorted player list read by position without being built: a few players sorted now
    (ahead of a seeded player with an equal key) merged into the seeded players' order."""

    def __init__(self, few, few_keys, few_online, seeded):
        self.few = few
        self.seeded, seeded_keys, seeded_online = seeded
        self.positions = [bisect.bisect_left(seeded_keys, key) + j
                          for j, key in enumerate(few_keys)]
        self.online = few_online + seeded_online

    def __len__(self):
        return len(self.few) + len(self.seeded)

    def batch(self, first, count):
        """The players at positions first .. first + count - 1 (as far as the list goes)."""
        end = min(len(self), first + max(0, count))
        j = bisect.bisect_left(self.positions, first)
        s = first - j
        out = []
        for position in range(first, end):
            if j < len(self.few) and self.positions[j] == position:
                out.append(self.few[j])
                j += 1
            else:
                out.append(self.seeded[s])
                s += 1
        return out
