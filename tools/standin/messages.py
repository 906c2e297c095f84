"""The messages the servers send, built field by field, and the fields of the messages they read."""

import ber
from ber import int32, int64, text, octets

# What the client sends: tag -> (name, field kinds in order). Kinds: i int, l int64, t text,
# b bytes, il int list.
CLIENT_MESSAGES = {
    0: ("connect request", ["i", "i", "i", "t", "t", "i", "i", "t", "t", "i", "t", "t", "t", "i",
                            "t", "i", "i"]),
    5: ("login", ["t", "t", "i", "t"]),
    7: ("join", ["i", "i", "i"]),
    9: ("leave", ["i"]),
    10: ("achievement list request", ["i", "i", "i", "i"]),
    13: ("game data", ["b"]),
    15: ("game result", ["l", "i", "i", "il", "il", "i"]),
    18: ("match participants request", ["l"]),
    19: ("player list request", ["i", "i", "i", "t", "i", "i"]),
    21: ("follow", ["i", "i", "i", "i", "t"]),
    28: ("login acknowledge", []),
    30: ("language pack request", ["t", "t"]),
    37: ("change language", ["t"]),
    38: ("challenge request", ["i", "il", "t"]),
    40: ("challenge reply", ["i", "i", "i", "i", "t", "t"]),
    44: ("ping", ["i"]),
    46: ("game ready", ["i", "l", "i", "i", "i", "i", "t"]),
    51: ("two texts", ["t", "t"]),
    57: ("login challenge request", ["t"]),
    59: ("logout", []),
    64: ("chat", ["i", "t", "i"]),
    70: ("rematch reply", ["l", "i", "i"]),
    74: ("own-page request", ["i", "i", "i"]),
    76: ("block user", ["i", "i"]),
    88: ("item pack chunk request", ["i", "i", "i"]),
    90: ("coin balance request", []),
    92: ("client state value", ["i"]),
    94: ("shop done", []),
    96: ("shop items request", ["i", "i", "i"]),
    98: ("item enable", ["i", "i"]),
    99: ("shop item image request", ["il", "i"]),
    101: ("value pair", ["i", "i"]),
    102: ("buy request", ["i", "i"]),
    104: ("confirm buy item", ["i", "i", "il"]),
    107: ("name check", ["t"]),
    109: ("registration", ["t", "t", "t", "i", "t", "t"]),
    111: ("external login", ["i", "t", "t", "t", "t"]),
    112: ("advertisement request", []),
    113: ("player gift request", ["i"]),
    115: ("confirm buy player items", ["i", "i", "il"]),
}

_READERS = {"i": ber.read_int, "l": ber.read_int64, "t": ber.read_text, "b": ber.read_octets,
            "il": ber.read_int_list}

_DEFAULTS = {"i": 0, "l": 0, "t": "", "b": b"", "il": []}


def name_of(tag):
    return CLIENT_MESSAGES.get(tag, ("tag %d" % tag, []))[0]


def read(data):
    """(tag, field values) of a client message; a field that did not come keeps its default
    (0, empty). Raises WireError when a field of the schema does not decode."""
    tag, fields = ber.split_message(data)
    kinds = CLIENT_MESSAGES.get(tag, (None, []))[1]
    values = []
    for number, kind in enumerate(kinds):
        if number in fields:
            values.append(_READERS[kind](fields[number]))
        else:
            values.append(_DEFAULTS[kind])
    return tag, values


# --- records ---------------------------------------------------------------------------------

def player_record(player):
    """A player record of the player list update and the game start: fields [0]..[5], the group
    [6] of six ints, and [7] present for a guest."""
    group = b"".join(ber.identifier(k, ber.CONTEXT) + int32(v) for k, v in enumerate([
        player.rank, player.score, player.wins, player.losses, player.ties, player.followers]))
    content = ber.fields_content([
        int32(player.id), text(player.name), text(player.location), text(player.since),
        int32(player.score), text(player.comment),
        (ber.CONSTRUCTED, ber.length(len(group)) + group)])
    if player.guest:
        content += ber.identifier(7, ber.CONTEXT) + b"\x00"
    return ber.tlv(bytes([ber.UNIVERSAL_SEQUENCE]), content)


def player_list_item(player, flags):
    """A record of the player-list answer: eight fields, the last a group of eight ints."""
    group = b"".join(ber.identifier(k, ber.CONTEXT) + int32(v) for k, v in enumerate([
        player.id, player.rank, player.score, player.wins, player.losses, player.ties,
        player.followers, player.following]))
    return ber.record([int32(player.id), text(player.name), text(""), text(""),
                       text(player.location), int32(flags), text(player.comment),
                       (ber.CONSTRUCTED, ber.length(len(group)) + group)])


def group_item(name, size):
    return ber.record([text(name), int32(size)])


def language_info(code, kind, digest, number):
    return ber.record([text(code), text(kind), text(digest), int32(number)])


# --- server messages -------------------------------------------------------------------------

def connect_ack(result, error="", answer="", release=0):
    return ber.message(2, [text(error), int32(result), text(answer), int32(release)])


def login_reply(result, token, name="", email="", value=0, extra=""):
    """Tag 6: [0] result or player id, [1] session token or error text, [2], [3] player name,
    [4], [5]."""
    return ber.message(6, [int32(result), text(token), text(email), text(name), int32(value),
                           text(extra)])


def player_list_update(players, reason, game_number, count):
    body = b"".join(player_record(p) for p in players)
    return ber.message(8, [ber.length(len(body)) + body, int32(reason), int32(game_number),
                           int32(count)])


def game_start(game_id, players, match_flag, server_text):
    body = b"".join(player_record(p) for p in players)
    return ber.message(12, [int64(game_id), ber.length(len(body)) + body, int32(match_flag),
                            int32(0), text(server_text), int32(0)])


def player_list(total, first, selector, items, groups):
    return ber.message(20, [int32(total), int32(first), int32(selector), ber.record_list(items),
                            ber.record_list(groups)])


def available_languages(records):
    return ber.message(29, [ber.record_list(records)])


def language_pack(code, kind, digest, number, data):
    return ber.message(31, [text(code), text(kind), text(digest), int32(number), octets(data)])


def ping(value):
    return ber.message(44, [int32(value)])


def login_challenge(challenge):
    return ber.message(58, [text(challenge)])


def chat(kind, line, player_id):
    return ber.message(64, [int32(kind), text(line), int32(player_id)])


def game_status(flags):
    return ber.message(71, [int32(flags)])


def player_left(game_id, player_id):
    return ber.message(72, [int64(game_id), int32(player_id)])


def name_check_ack(result, answer):
    return ber.message(108, [int32(result), text(answer)])


def registration_ack(result, answer):
    return ber.message(110, [int32(result), text(answer)])


def oversized_header(tag):
    """The head of a message that claims 0x7FFFFFFF octets of content."""
    return ber.identifier(tag, ber.CONSTRUCTED) + b"\x84\x7f\xff\xff\xff"

