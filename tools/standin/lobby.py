"""The lobby server: connect, the logins, name check and registration, rooms and game starts,
player lists with follows, blocks and avatars, and language packs, one handler per message tag;
notices, the own page, challenges and the shop have modules of their own."""

import secrets

import messages
import pngs
from connection import log
from players import MergedList

RELEASE_FIRST = 1
RELEASE_SECOND = 2
GUEST_SALT = "guestsalt"  # the challenge of a name starting with "guest" that is no account
# Player-list selectors: the own entry and the followed players; every other is the global list.
SELECTOR_OWN = 32
SELECTOR_FOLLOWED = 64
SELECTOR_PARTICIPANTS = 256
PLAYER_ONLINE = 0x1
PLAYER_FOLLOWED = 0x10
PLAYER_BLOCKED = 0x100
# Follow (21): [3] 0 follows, 1 stops following; the answer is a player status of kind 3.
STATUS_FOLLOW = 3
MAX_LIST_COUNT = 100
# Reasons of a player-list update: 0 an ordinary update, -2 logged out by a login elsewhere.
REASON_UPDATE = 0
REASON_LOGGED_OUT = -2


def _game_number(description):
    """The "standalone-id" of the connect request's client description, 0 when absent."""
    for part in description.split(";"):
        key, _, value = part.partition(":")
        if key == "standalone-id":
            try:
                return int(value)
            except ValueError:
                return 0
    return 0

class Lobby:
    # With the close-mid-message fault, the login reply is cut.
    CUT_TAGS = {6}

    def __init__(self, config, accounts, languages, games, services):
        self.config = config
        # Login requests (5) received, answered or not.
        self.login_requests = 0
        # Set by the control port: logins are left unanswered, as with --fault no-login-reply.
        self.logins_unanswered = False
        self.accounts = accounts
        self.languages = languages
        self.games = games
        self.notices = services["notices"]
        self.own_page = services["own_page"]
        self.history = services["history"]
        self.scores = services.get("scores")
        self.seeded = services["seeded"]
        self.relations = services["relations"]
        self.challenges = services["challenges"]
        self.shop = services["shop"]
        self.challenges.lobby = self
        self.shop.lobby = self
        self.online = {}
        self.rooms = {}
        self.avatars = {}  # the avatar pictures made so far, by player id
        self.handlers = {
            0: self.on_connect,
            5: self.on_login,
            7: self.on_join,
            9: self.on_leave,
            10: self.own_page.on_achievements,
            18: self.on_participants,
            19: self.on_player_list,
            21: self.on_follow,
            30: self.on_language_pack,
            37: self.on_change_language,
            38: self.challenges.on_request,
            40: self.challenges.on_reply,
            51: self.notices.on_two_texts,
            57: self.on_challenge_request,
            59: self.on_logout,
            74: self.own_page.on_own_page,
            76: self.on_block,
            107: self.on_name_check,
            109: self.on_registration,
            111: self.on_external_login,
            112: self.notices.on_advert_request,
        }
        self.handlers.update(self.shop.handlers())

    def handle(self, connection, tag, values, data):
        handler = self.handlers.get(tag)
        if handler is None:
            log("%s   %d has no handler here" % (connection.label, tag))
            return
        handler(connection, values)

    def closed(self, connection):
        self._log_out(connection)

    # --- connect and login -------------------------------------------------------------------

    def on_connect(self, connection, values):
        fault = self.config.fault
        if fault == "refuse":
            connection.send(messages.connect_ack(
                -1, "", "The lobby is closed for maintenance. Please try again later."))
            return
        if self.config.update_link:
            connection.send(messages.connect_ack(-1, "", self.config.update_link))
            return
        if fault == "outdated":
            connection.send(messages.connect_ack(
                -2, "This version of the game is too old. Please update it."))
            return
        if self.config.redirect_to:
            connection.send(messages.connect_ack(-3, "", self.config.redirect_to))
            return
        release = RELEASE_SECOND if self.config.second_lobby else RELEASE_FIRST
        connection.send(messages.connect_ack(0, release=release))
        connection.language = values[10].rpartition("lang_code:")[2] or "en"
        connection.game_number = _game_number(values[10])
        connection.device = values[12]
        records = [messages.language_info(p.code, p.kind, p.digest, p.number)
                   for p in self.languages.packs]
        connection.send(messages.available_languages(records))

    def on_challenge_request(self, connection, values):
        """The challenge is the account's salt; an unknown name gets an empty one, a guest name
        GUEST_SALT."""
        account = self.accounts.by_login(values[0])
        if account is None and values[0].startswith("guest"):
            # A guest name logs in whatever the response: it gets a challenge like an account.
            connection.send(messages.login_challenge(GUEST_SALT))
            return
        connection.send(messages.login_challenge(account.salt if account else ""))

    def on_login(self, connection, values):
        name, password = values[0], values[1]
        self.login_requests += 1
        if self.config.fault == "no-login-reply" or self.logins_unanswered:
            log("%s   login of %s left unanswered" % (connection.label, name))
            return
        account = self.accounts.by_login(name)
        if account is None and name.startswith("guest"):
            self._logged_in(connection, self.accounts.guest(name, password, connection.device))
            return
        if account is None:
            connection.send(messages.login_reply(-3, "Unknown user name."))
            return
        if account.fail:
            connection.send(messages.login_reply(account.fail, account.fail_text))
            return
        if not account.credential or password != account.credential:
            connection.send(messages.login_reply(-2, "Wrong password."))
            return
        self._logged_in(connection, account)

    def on_external_login(self, connection, values):
        mode, ext_id, token = values[0], values[1], values[2]
        account = self.accounts.find_external(mode, ext_id)
        if account is None:
            connection.send(messages.login_reply(
                -8, "No account is linked to this login yet. Please register."))
            return
        if account.external[2] != token:
            connection.send(messages.login_reply(-1, "The external login was not accepted."))
            return
        self._logged_in(connection, account)

    def _logged_in(self, connection, account):
        previous = self.online.get(account.id)
        if previous is not None and previous is not connection:
            log("%s   %s logged in elsewhere: logging %s out" % (
                connection.label, account.name, previous.label))
            previous.send(messages.player_list_update([], REASON_LOGGED_OUT,
                                                      previous.game_number, -1))
            self._log_out(previous)
        self._log_out(connection)
        if self.scores is not None:
            self.scores.apply(account)
        connection.player = account
        self.online[account.id] = connection
        if not account.guest:
            # Coins and items on the first login (the catalogue's accounts have theirs from
            # the service's start).
            self.shop.seed(account)
        token = secrets.token_hex(16)
        connection.send(messages.login_reply(account.id, token, account.name, account.email))

    def on_logout(self, connection, values):
        self._log_out(connection)

    def _log_out(self, connection):
        self._leave_room(connection)
        self.challenges.forget(connection)
        player = connection.player
        if player is not None and self.online.get(player.id) is connection:
            del self.online[player.id]
        connection.player = None

    # --- name check and registration --------------------------------------------------------

    def on_name_check(self, connection, values):
        result, salt = self.accounts.check_name(values[0])
        connection.send(messages.name_check_ack(result, salt))

    def on_registration(self, connection, values):
        name, email, credential, mode, token, ext_id = values
        result, answer = self.accounts.register(name, email, credential, mode, token, ext_id)
        connection.send(messages.registration_ack(result, answer))

    # --- rooms and game starts -----------------------------------------------------------------

    def on_join(self, connection, values):
        if connection.player is None:
            log("%s   join before login: ignored" % connection.label)
            return
        number = values[0]
        self._leave_room(connection)
        room = self.rooms.setdefault(number, [])
        room.append(connection)
        connection.room = number
        self._update_room(number)
        if len(room) >= 2:
            self._start_game(number, room[0], room[1])

    def on_leave(self, connection, values):
        self._leave_room(connection)

    def _leave_room(self, connection):
        number = connection.room
        if number is None:
            return
        connection.room = None
        room = self.rooms.get(number, [])
        if connection in room:
            room.remove(connection)
        self._update_room(number)

    def _update_room(self, number):
        room = self.rooms.get(number, [])
        players = [c.player for c in room]
        for member in room:
            member.send(messages.player_list_update(players, REASON_UPDATE, number, len(players)))

    def start_game(self, number, first, second):
        """Both players get the game start; a player waiting in a room leaves it."""
        for connection in (first, second):
            self._leave_room(connection)
        self._start_game(number, first, second)

    def _start_game(self, number, first, second):
        game = self.games.create(number, [first.player, second.player])
        for connection in (first, second):
            self.challenges.match_started(connection)
        server_text = "127.0.0.1:%d" % self.config.game_port
        for connection in (first, second):
            if connection.room is not None:
                connection.room = None
                self.rooms[number].remove(connection)
            connection.send(messages.game_start(
                game.id, game.players, game.match_flags[connection.player.id], server_text))
        log("game %d started for %s and %s" % (game.id, first.player.name, second.player.name))
        self._update_room(number)

    # --- player lists ------------------------------------------------------------------------

    def on_player_list(self, connection, values):
        """A count (first index -1: the total and, for the global list, its groups: online
        first) or a batch from the first index; then the avatars of the batch's players."""
        selector, first, count, filter_text = values[0], values[1], values[2], values[3]
        players = self._list(connection, selector, filter_text)
        items, groups = [], []
        batch = []
        if first >= 0:
            count = max(0, min(count, MAX_LIST_COUNT))
            if isinstance(players, MergedList):
                batch = players.batch(first, count)
            else:
                batch = players[first:first + count]
            items = [self._list_item(connection, p) for p in batch]
        elif not selector & (SELECTOR_OWN | SELECTOR_FOLLOWED):
            online = players.online
            groups = [messages.group_item("Online", online),
                      messages.group_item("Offline", len(players) - online)]
        connection.send(messages.player_list(len(players), first, selector, items, groups))
        for player in batch:
            if self.has_avatar(player):
                connection.send(messages.player_image(player.id, self.avatar(player)))

    def has_avatar(self, player):
        return not player.guest and getattr(player, "has_avatar", True)

    def avatar(self, player):
        picture = self.avatars.get(player.id)
        if picture is None:
            picture = self.avatars[player.id] = pngs.avatar(player.id)
        return picture

    def find_player(self, player_id):
        connection = self.online.get(player_id)
        if connection is not None:
            return connection.player
        return self.accounts.by_id(player_id) or self.seeded.by_id.get(player_id)

    def find_online(self, who):
        """The connection of a logged-in player given by name or id, or None."""
        for connection in self.online.values():
            if who in (connection.player.name, str(connection.player.id)):
                return connection
        return None

    def is_online(self, player):
        return player.id in self.online or getattr(player, "seeded_online", False)

    def _list(self, connection, selector, filter_text):
        if selector & SELECTOR_OWN:
            return [connection.player] if connection.player else []
        own_id = connection.player.id if connection.player else None
        if selector & SELECTOR_FOLLOWED:
            players = [self.find_player(i) for i in self.relations.followed(own_id)]
            players = [p for p in players if p is not None]
        else:
            return self._global_list(filter_text.lower())
        wanted = filter_text.lower()
        if wanted:
            players = [p for p in players if wanted in p.name.lower()]
        return sorted(players, key=self._sort_key)

    def _sort_key(self, player):
        return (not self.is_online(player), -player.score, player.name.lower())

    def _global_list(self, wanted):
        """Every account, the guests online and the seeded players, online first, then by
        score and name: the few of the first two sorted now, the seeded from their index."""
        guests = [c.player for c in self.online.values() if c.player.guest]
        few = self.accounts.accounts + guests
        seeded = self.seeded.matching(wanted)
        if any(self.seeded.holds_id(i) for i in self.online):
            # A logged-in player with a seeded player's id changes that one's place: the whole
            # list is sorted (never so with the ids the stand-in gives out).
            few, seeded = few + seeded[0], ([], [], 0)
        if wanted:
            few = [p for p in few if wanted in p.name.lower()]
        few = sorted(few, key=self._sort_key)
        keys = [self._sort_key(p) for p in few]
        return MergedList(few, keys, sum(1 for key in keys if not key[0]), seeded)

    def _flags(self, connection, player):
        flags = PLAYER_ONLINE if self.is_online(player) else 0
        if connection.player is not None:
            if player.id in self.relations.followed(connection.player.id):
                flags |= PLAYER_FOLLOWED
            if self.relations.blocked(connection.player.id, player.id):
                flags |= PLAYER_BLOCKED
        return flags

    def _list_item(self, connection, player):
        """The player's list record: the follows kept here count on top of its own numbers."""
        follows = (player.followers + self.relations.follower_count(player.id),
                   player.following + len(self.relations.followed(player.id)))
        return messages.player_list_item(player, self._flags(connection, player), follows)

    def on_follow(self, connection, values):
        other_id, stop = values[0], values[3]
        if connection.player is None or self.find_player(other_id) is None:
            log("%s   follow of unknown player %d: ignored" % (connection.label, other_id))
            return
        self.relations.follow(connection.player.id, other_id, stop == 0)
        connection.send(messages.player_status(other_id, STATUS_FOLLOW, 0 if stop == 0 else 1))

    def on_block(self, connection, values):
        if connection.player is None:
            return
        self.relations.block(connection.player.id, values[0], values[1] != 0)
        log("%s   %s player %d" % (connection.label, "blocks" if values[1] else "unblocks",
                                   values[0]))

    def kick(self, connection, reason):
        """A player-list update with the reason (-1: reconnect, -2: logged out)."""
        connection.send(messages.player_list_update([], reason, connection.game_number, -1))
        if reason == REASON_LOGGED_OUT:
            self._log_out(connection)

    def on_participants(self, connection, values):
        game = self.games.find(values[0])
        players = game.players if game else []
        items = [self._list_item(connection, p) for p in players]
        connection.send(messages.player_list(len(items), 0, SELECTOR_PARTICIPANTS, items, []))
        for player in players:
            if self.has_avatar(player):
                connection.send(messages.player_image(player.id, self.avatar(player)))

    # --- languages -----------------------------------------------------------------------------

    def on_language_pack(self, connection, values):
        pack = self.languages.find(values[0], values[1])
        if pack is None:
            log("%s   no pack %s/%s" % (connection.label, values[1], values[0]))
            return
        connection.send(messages.language_pack(pack.code, pack.kind, pack.digest, pack.number,
                                               pack.data))

    def on_change_language(self, connection, values):
        log("%s   language changed from %s to %s" % (connection.label, connection.language,
                                                      values[0]))
        connection.language = values[0]
