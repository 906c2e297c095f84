"""The seeded players of the lobby's lists, made from the rules in data/standin/players.txt,
and the follows and blocks of each account, kept in the state."""

from accounts import Account


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

    def blocked(self, player_id, other_id):
        return other_id in self.blocks.get(str(player_id), [])
