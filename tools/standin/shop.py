"""The shop's side of the lobby: client states (92) answered with content groups (93), the
shop's end (94) with the item pack list (87), and the coin balance (90 -> 91)."""

import messages
from connection import log

STATE_LOGGED_IN = 513
STATE_GAME_CONNECTED = 1025
PARENT_LOGIN = 512
PARENT_MATCH = 1024
START_COINS = 500


class Shop:
    def __init__(self, state):
        self.state = state
        self.coins = state.section("coins", {})

    def handlers(self):
        return {90: self.on_coins, 92: self.on_client_state, 94: self.on_shop_done}

    def balance(self, player):
        return self.coins.get(str(player.id), START_COINS)

    def on_coins(self, connection, values):
        if connection.player is not None:
            connection.send(messages.coin_balance(self.balance(connection.player)))

    def on_client_state(self, connection, values):
        """513 after login: the content groups of parent 512; 1025 once the game connection
        is up: those of parent 1024 (none here: game ready follows)."""
        value = values[0]
        if value == STATE_LOGGED_IN:
            connection.send(messages.shop_groups(PARENT_LOGIN, []))
        elif value == STATE_GAME_CONNECTED:
            connection.send(messages.shop_groups(PARENT_MATCH, []))
        else:
            log("%s   client state %d" % (connection.label, value))

    def on_shop_done(self, connection, values):
        connection.send(messages.item_data_list([]))
