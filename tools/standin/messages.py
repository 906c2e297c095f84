"""The messages the servers send, built field by field, and the fields of the messages they read."""

import ber
from ber import int32, int64, text, octets

# What the client sends: tag -> (name, field kinds in order). Kinds: i int, l int64, t text,
# b bytes, il int list, io an int that may be left out (-1 when it is).
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
    74: ("own-page request", ["i", "i", "io"]),
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
            "il": ber.read_int_list, "io": ber.read_int}

_DEFAULTS = {"i": 0, "l": 0, "t": "", "b": b"", "il": [], "io": -1}


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


def player_list_item(player, flags, follows=None):
    """A record of the player-list answer: eight fields, the last a group of eight ints. The
    follow counts (followers, following) are the player's own unless `follows` gives them."""
    followers, following = follows if follows else (player.followers, player.following)
    group = b"".join(ber.identifier(k, ber.CONTEXT) + int32(v) for k, v in enumerate([
        player.id, player.rank, player.score, player.wins, player.losses, player.ties,
        followers, following]))
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



# --- notices, adverts, own page and achievements -------------------------------------------

def notification(kind, line, value):
    return ber.message(45, [int32(kind), text(line), int32(value)])


def advert(first, click_link, image, delay_ms, countdown_ms, frame_ms, ok_link, flags, title,
           title_link):
    """Tag 80: the ten fields of an advertisement, the image a vertical strip of frames."""
    return ber.message(80, [text(first), text(click_link), octets(image), int32(delay_ms),
                            int32(countdown_ms), ber.int_list(frame_ms), text(ok_link),
                            int32(flags), text(title), text(title_link)])


def image_and_link(name, image, link, label):
    return ber.message(52, [text(name), octets(image), text(link), text(label), text("")])


def achievement_record(number, value, name, description, icon, when):
    return ber.record([int32(number), int32(value), text(name), text(description), text(icon),
                       text(when)])


def achievement_list(records):
    return ber.message(11, [int32(0), int32(len(records)), int32(0), ber.record_list(records),
                            int32(-1)])


def match_result(number, result, points, value, opponent, when):
    """A record of the own page's results: result -1 lost, 0 tie, 1 won; the date as
    day.month.year hour:minute:second."""
    return ber.record([int32(number), int32(result), int32(points), int32(value), text(opponent),
                       text(when)])


def match_results(records):
    return ber.message(75, [ber.record_list(records)])


def player_image(player_id, image):
    return ber.message(85, [int32(player_id), int32(0), octets(image)])


def player_status(player_id, kind, value, first="", second=""):
    """Tag 21: [1] the player, [2] the kind (3: value 0 followed, 1 no longer followed)."""
    return ber.message(21, [int32(0), int32(player_id), int32(kind), int32(value), text(first),
                            text(second)])


# --- challenges --------------------------------------------------------------------------------

def challenge_received(challenge_id, player):
    return ber.message(39, [int64(challenge_id), int32(player.id), text(player.name),
                            text(player.location), int32(player.rank), int32(player.score)])


def challenge_reply(answer, game_number, player_id, other_id, name, extra=""):
    """Tag 40: [0] the answer, [2] the answering player, [4] its name."""
    return ber.message(40, [int32(answer), int32(game_number), int32(player_id), int32(other_id),
                            text(name), text(extra)])


# --- shop ----------------------------------------------------------------------------------------

def shop_group(group_id, name, kind, count):
    return ber.record([int32(group_id), text(name), int32(kind), int32(0), int32(0),
                       int32(count)])


def shop_groups(parent, records):
    return ber.message(93, [int32(parent), ber.record_list(records)])


def item_data(data_id, version, digest, size):
    return ber.record([int32(data_id), int32(version), octets(digest), int32(size)])


def item_data_list(records):
    return ber.message(87, [ber.record_list(records)])


def coin_balance(coins):
    return ber.message(91, [int32(coins)])


def shop_item(item, group_id, count, enabled, last=0):
    return ber.record([int32(item.id), text(item.name), text(item.short), text(item.full),
                       int32(item.price), int32(item.gift), int32(item.refill), int32(group_id),
                       int32(0), int32(count), int32(0), int32(enabled), int32(item.data_id),
                       text(item.display), int32(last)])


def shop_items(group_id, first, records):
    return ber.message(97, [int32(group_id), int32(first), ber.record_list(records)])


def shop_item_image(item_id, size, image):
    return ber.message(100, [int32(item_id), int32(size), octets(image)])


def item_state(item_id, state, line, other_id):
    return ber.message(106, [int32(item_id), int32(state), text(line), int32(other_id)])


def buy_players(item_id, code, line, players):
    records = [ber.record([int32(p.id), text(p.name), text("")]) for p in players]
    return ber.message(103, [int32(item_id), int32(code), text(line), ber.record_list(records)])


def buy_confirmed(result, item_id, line):
    return ber.message(105, [int32(result), int32(item_id), text(line)])


def gift_items(result, line, records):
    return ber.message(114, [int32(result), text(line), ber.record_list(records)])


def gift_confirmed(result, item_id, line):
    return ber.message(116, [int32(result), int32(item_id), text(line)])


def item_chunk(data_id, offset, chunk, remaining):
    return ber.message(89, [int32(data_id), int32(offset), octets(chunk), int32(remaining)])
