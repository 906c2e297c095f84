"""The shop: groups (92 -> 93) and items (96 -> 97) of the shop, of the player's own items
and of the game's content, icons (99 -> 100), the enable switch (98 -> 106), buying and gifts
(102/104 -> 103/105, 113/115 -> 114/116) against the coins, the coin balance (90 -> 91), a spent
bomb (101), and the item pack list (94 -> 87). Coins and owned items are kept in the state."""

import os

import messages
import pngs
from connection import log

LIST_SHOP = 0
LIST_MINE = 1
PARENT_LOGIN = 512
PARENT_MATCH = 1024
# Kinds of a group's items (see data/standin/shop.txt).
KIND_SWITCHED = 2
KIND_TIMED = 3
KIND_COUNTED = 4
KIND_REFILLED = 5
BUY, GIFT, REFILL = 0, 1, 2
# Answer codes: negative only for too few coins (the client then offers the coin page);
# other refusals carry a code of their own above 0.
NOT_ENOUGH_COINS = -1
ERROR = 2
START_COINS = 300
MAX_COINS = 0x7FFFFFFF  # a balance the balance message (91) carries
REFILL_COUNT = 5
SMALL_ICON, LARGE_ICON = 42, 128


class Group:
    def __init__(self, group_id, name, kind):
        self.id, self.name, self.kind = group_id, name, kind


class Item:
    def __init__(self, parts):
        (item_id, group, self.name, self.short, self.full, price, gift, refill, data_id,
         self.display, count) = parts
        self.id, self.group = int(item_id), int(group)
        self.price, self.gift, self.refill = int(price), int(gift), int(refill)
        self.data_id, self.count = int(data_id), int(count)


class Catalogue:
    def __init__(self, path):
        self.groups, self.items, self.accounts, self.captions = [], [], {}, {}
        with open(path, encoding="utf-8") as f:
            for line in f:
                line = line.rstrip("\n")
                if not line.strip() or line.startswith("#"):
                    continue
                parts = line.split("|")
                if parts[0] == "group":
                    self.groups.append(Group(int(parts[1]), parts[2], int(parts[3])))
                elif parts[0] == "item":
                    self.items.append(Item(parts[1:]))
                elif parts[0] == "caption":
                    self.captions.setdefault(parts[1].lower(), {})[parts[2]] = parts[3]
                elif parts[0] == "account":
                    owned = {}
                    for entry in filter(None, parts[3].split(",")):
                        item_id, count, enabled = entry.split(":")
                        owned[item_id] = [int(count), int(enabled)]
                    self.accounts[parts[1]] = (int(parts[2]), owned,
                                               [n for n in parts[4].split(",") if n])
                else:
                    raise ValueError("unknown shop line %r" % parts[0])
        self.by_id = {item.id: item for item in self.items}
        self.group_by_id = {group.id: group for group in self.groups}

    def caption(self, language, text):
        """The text in the language, when the catalogue has it there."""
        return self.captions.get(language.lower(), {}).get(text, text)

    def item_in(self, language, item):
        """The item with its texts in the language."""
        if language.lower() not in self.captions:
            return item
        local = Item.__new__(Item)
        local.__dict__.update(item.__dict__)
        for field in ("name", "short", "full", "display"):
            setattr(local, field, self.caption(language, getattr(item, field)))
        return local


class Shop:
    def __init__(self, catalogue_path, state, packs, pack_dir=None):
        self.catalogue = Catalogue(catalogue_path)
        self.icon_dir = os.path.join(pack_dir, "icons") if pack_dir else None
        self.state = state
        self.packs = packs
        self.coins = state.section("coins", {})
        self.owned = state.section("owned", {})
        self.lobby = None

    def handlers(self):
        return {90: self.on_coins, 92: self.on_client_state, 94: self.on_shop_done,
                96: self.on_items, 98: self.on_enable, 99: self.on_icons, 101: self.on_value_pair,
                102: self.on_buy, 104: self.on_confirm_buy, 113: self.on_gift_request,
                115: self.on_confirm_gift, 88: self.packs.on_chunk}

    # --- what an account has ---------------------------------------------------------------

    def seed(self, player):
        """An account's coins and items: from the catalogue the first time, then the state's."""
        key = str(player.id)
        if key not in self.coins:
            coins, owned, followed = self.catalogue.accounts.get(player.name,
                                                                 (START_COINS, {}, []))
            self.coins[key] = coins
            self.owned[key] = {k: list(v) for k, v in owned.items()}
            for name in followed:
                account = self.lobby.accounts.find(name)
                if account is not None:
                    self.lobby.relations.follow(player.id, account.id, True)
            self.state.save()
        return key

    def mine(self, player):
        """(item, count, enabled) of the items the player owns, in catalogue order."""
        owned = self.owned[self.seed(player)]
        return [(item, owned[str(item.id)][0], owned[str(item.id)][1])
                for item in self.catalogue.items if str(item.id) in owned]

    # --- lists -------------------------------------------------------------------------------

    def _groups(self, player, parent):
        """(group id, name, kind, [(item, count, enabled)]) of a list or content parent.

        Each content item has a group of its own of size 1 and carries its owned count; its
        record names its pack by its data id and its description ("<item id>.xml", a name no
        other pack holds, as the client reads it among all its open packs) by its last int (see
        on_items)."""
        groups = []
        for group in self.catalogue.groups:
            if parent == LIST_SHOP:
                entries = [(i, i.count, 0) for i in self.catalogue.items if i.group == group.id]
                groups.append((group.id, group.name, group.kind, entries))
                continue
            entries = [e for e in self.mine(player) if e[0].group == group.id]
            if parent == LIST_MINE:
                groups.append((group.id, group.name, group.kind, entries))
                continue
            for item, count, enabled in entries:
                # The match's content: only the items switched on.
                if item.data_id and (enabled or parent == PARENT_LOGIN):
                    groups.append((parent + item.id, item.name, group.kind,
                                   [(item, count, 1 if enabled else 0)]))
        return groups

    def _parent(self, value):
        """The list or content parent a client state or an items request names."""
        if value >= PARENT_LOGIN:
            return value & ~0xFF
        return value

    def on_client_state(self, connection, values):
        """0 and 1: the shop's and my items' groups; 513 after login: the content groups of
        parent 512; 1025 once the game connection is up: those of parent 1024."""
        player, value = connection.player, values[0]
        if player is None:
            return
        if value not in (LIST_SHOP, LIST_MINE, PARENT_LOGIN + 1, PARENT_MATCH + 1):
            log("%s   client state %d" % (connection.label, value))
            return
        parent = self._parent(value)
        language = connection.language
        records = [messages.shop_group(gid, self.catalogue.caption(language, name), kind,
                                       len(entries))
                   for gid, name, kind, entries in self._groups(player, parent)]
        connection.send(messages.shop_groups(parent, records))

    def announce_content(self, connection):
        """The owned content again after a purchase: the client fetches its items, says shop
        done and gets the pack list, so that a pack only a new item uses is fetched now."""
        if connection.player is not None:
            self.on_client_state(connection, [PARENT_LOGIN + 1])

    def announce_match_content(self, connection):
        """The match's content (parent 1024) for the next match of a game: the client fetches
        its items and then says game ready."""
        self.on_client_state(connection, [PARENT_MATCH + 1])

    def on_items(self, connection, values):
        """A batch of a list's items across its groups, from the first index."""
        player = connection.player
        if player is None:
            return
        group_id, count, first = values
        parent = self._parent(group_id)
        entries = [(gid, entry) for gid, _, _, group in self._groups(player, parent)
                   for entry in group]
        batch = entries[max(0, first):max(0, first) + max(0, min(count, 100))]
        # A content item's last int is the number of its description in its pack: its id.
        content = parent in (PARENT_LOGIN, PARENT_MATCH)
        records = [messages.shop_item(self.catalogue.item_in(connection.language, item), gid,
                                      count, enabled, item.id if content else 0)
                   for gid, (item, count, enabled) in batch]
        connection.send(messages.shop_items(group_id, first, records))

    def icon(self, item_id, large):
        """The built icon (standin/icons/ITEM_0.png or _1.png), else one drawn here."""
        if self.icon_dir:
            path = os.path.join(self.icon_dir, "%d_%d.png" % (item_id, large))
            if os.path.exists(path):
                with open(path, "rb") as f:
                    return f.read()
        return pngs.avatar(item_id, LARGE_ICON if large else SMALL_ICON)

    def on_icons(self, connection, values):
        large = 1 if values[1] else 0
        for item_id in values[0]:
            if item_id in self.catalogue.by_id:
                connection.send(messages.shop_item_image(item_id, values[1],
                                                         self.icon(item_id, large)))

    def on_shop_done(self, connection, values):
        self.packs.send_list(connection)

    # --- owned items ---------------------------------------------------------------------------

    def on_enable(self, connection, values):
        """Switching an item on switches off the other item of its group that was on, and the
        answer names it."""
        player = connection.player
        item_id, on = values[0], 1 if values[1] else 0
        if player is None:
            return
        owned = self.owned[self.seed(player)]
        item = self.catalogue.by_id.get(item_id)
        if item is None or str(item_id) not in owned:
            connection.send(messages.item_state(item_id, 0, "You do not own this item.", 0))
            return
        other = 0
        group = self.catalogue.group_by_id[item.group]
        if on and group.kind == KIND_SWITCHED:
            for peer_id in self._switched_on(owned, item.group):
                if peer_id != item_id:
                    owned[str(peer_id)][1] = 0
                    other = peer_id
        owned[str(item_id)][1] = on
        self.state.save()
        connection.send(messages.item_state(item_id, on, "", other))

    def _switched_on(self, owned, group_id):
        """The ids of the owned items of that group that are switched on."""
        return [int(key) for key, entry in owned.items() if entry[1] and
                getattr(self.catalogue.by_id.get(int(key)), "group", None) == group_id]

    def on_value_pair(self, connection, values):
        """A bomb spent in a match: the count of the item named goes down by one; when it
        names no owned item, that of the first counted item switched on."""
        player = connection.player
        if player is None:
            return
        owned = self.owned[self.seed(player)]
        entry = owned.get(str(values[0]))
        if entry is None:
            counted = [owned[str(item.id)] for item, count, enabled in self.mine(player)
                       if enabled and count > 0 and
                       self.catalogue.group_by_id[item.group].kind in (KIND_COUNTED,
                                                                       KIND_REFILLED)]
            entry = counted[0] if counted else None
        if entry is None or entry[0] <= 0:
            log("%s   value pair %d %d: nothing to spend" % (connection.label, *values))
            return
        entry[0] -= 1
        self.state.save()
        log("%s   item %d spent, %d left" % (connection.label, values[0], entry[0]))

    # --- coins, buying and gifts ----------------------------------------------------------------

    def balance(self, player):
        return self.coins[self.seed(player)]

    def set_balance(self, connection, coins):
        """The player's coins become that many, as the service's coin page leaves them after a
        purchase there, and the new balance goes to the player."""
        if not 0 <= coins <= MAX_COINS:
            raise ValueError("coins go from 0 to %d" % MAX_COINS)
        self.coins[self.seed(connection.player)] = coins
        self.state.save()
        connection.send(messages.coin_balance(coins))

    def on_coins(self, connection, values):
        if connection.player is not None:
            connection.send(messages.coin_balance(self.balance(connection.player)))

    def _followed(self, player):
        found = [self.lobby.find_player(i) for i in self.lobby.relations.followed(player.id)]
        return [p for p in found if p is not None]

    def on_buy(self, connection, values):
        player = connection.player
        item_id, code = values
        if player is None:
            return
        if item_id not in self.catalogue.by_id:
            connection.send(messages.buy_players(item_id, code, "No such item.", []))
            return
        choices = self._followed(player) if code & 0xFF == GIFT else []
        if code & 0xFF == GIFT and not choices:
            connection.send(messages.buy_players(item_id, code,
                                                 "Follow a player to send a gift.", []))
            return
        connection.send(messages.buy_players(item_id, code, "", choices))

    def _give(self, player_id, item, amount):
        owned = self.owned.setdefault(str(player_id), {})
        group = self.catalogue.group_by_id[item.group]
        if str(item.id) not in owned:
            # A new item comes switched on; one of a group switched one at a time only while
            # no other of its group is on.
            on = group.kind != KIND_SWITCHED or not self._switched_on(owned, item.group)
            owned[str(item.id)] = [0, 1 if on else 0]
        entry = owned[str(item.id)]
        if group.kind in (KIND_TIMED, KIND_COUNTED, KIND_REFILLED):
            entry[0] += amount
        else:
            entry[0] = 1

    def on_confirm_buy(self, connection, values):
        player = connection.player
        item_id, code, chosen = values
        item = self.catalogue.by_id.get(item_id)
        if player is None:
            return
        if item is None:
            connection.send(messages.buy_confirmed(ERROR, ERROR, "No such item."))
            return
        key = self.seed(player)
        purpose = code & 0xFF
        if purpose == GIFT:
            recipients = [i for i in chosen if self.lobby.find_player(i) is not None]
            price = item.gift * len(recipients)
        elif purpose == REFILL:
            price = item.refill if item.refill > 0 else item.price
        else:
            price = item.price
        if price > self.coins[key]:
            connection.send(messages.buy_confirmed(NOT_ENOUGH_COINS, NOT_ENOUGH_COINS,
                                                   "Not enough coins: %d needed." % price))
            return
        if purpose == GIFT and not recipients:
            connection.send(messages.buy_confirmed(ERROR, ERROR, "Choose a player."))
            return
        self.coins[key] -= price
        if purpose == GIFT:
            for recipient in recipients:
                self.seed(self.lobby.find_player(recipient))
                self._give(recipient, item, item.count)
        elif purpose == REFILL:
            self._give(player.id, item, REFILL_COUNT)
        else:
            self._give(player.id, item, item.count)
        self.state.save()
        log("%s   bought %d (%d) for %d coins" % (connection.label, item_id, code, price))
        connection.send(messages.buy_confirmed(item_id, code, ""))
        connection.send(messages.coin_balance(self.coins[key]))
        self.packs.send_list(connection)
        self.announce_content(connection)

    def on_gift_request(self, connection, values):
        player = connection.player
        if player is None:
            return
        recipient = self.lobby.find_player(values[0])
        if recipient is None:
            connection.send(messages.gift_items(0, "No such player.", []))
            return
        records = [messages.shop_item(self.catalogue.item_in(connection.language, item),
                                      item.group, item.count, 0)
                   for item in self.catalogue.items if item.gift > 0]
        connection.send(messages.gift_items(recipient.id, "", records))

    def on_confirm_gift(self, connection, values):
        player = connection.player
        recipient_id, _, chosen = values
        if player is None:
            return
        items = [self.catalogue.by_id[i] for i in chosen if i in self.catalogue.by_id]
        recipient = self.lobby.find_player(recipient_id)
        if recipient is None or not items:
            connection.send(messages.gift_confirmed(ERROR, ERROR, "Nothing to give."))
            return
        key = self.seed(player)
        price = sum(item.gift for item in items)
        if price > self.coins[key]:
            connection.send(messages.gift_confirmed(recipient.id, NOT_ENOUGH_COINS,
                                                    "Not enough coins: %d needed." % price))
            return
        self.coins[key] -= price
        self.seed(recipient)
        for item in items:
            self._give(recipient.id, item, item.count)
        self.state.save()
        log("%s   gave %s to %d for %d coins" % (connection.label, [i.id for i in items],
                                                  recipient.id, price))
        connection.send(messages.gift_confirmed(recipient.id, 0, ""))
        connection.send(messages.coin_balance(self.coins[key]))
