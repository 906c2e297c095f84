#!/usr/bin/python3
"""The stand-in lobby and game server of the online service, on 127.0.0.1.

  standin_server.py --port-file FILE [--lobby-port N] [--game-port N] [--state-dir DIR]
                    [--fault MODE] [--redirect-to HOST:PORT] [--second-lobby]
                    [--accounts FILE] [--pack-dir DIR] [--update-link URL]
                    [--item-fault MODE]

Both servers and the control port listen on 127.0.0.1 (port 0: the system picks one); once all
listen, "LOBBYPORT GAMEPORT CONTROLPORT" is written to FILE (a temporary file renamed into
place). The control port takes one command a line (control.py). One line per
message goes to standard error. SIGTERM or SIGINT ends it cleanly.

Fault modes: one-byte-writes (every octet in its own write), coalesce (what is sent within
50 ms goes out in one write), close-mid-message (the login reply, and on the game server the
game start, is cut in half and the connection closed), oversized-length (the first message
claims 0x7FFFFFFF octets), silent (connections are accepted, never read nor answered),
refuse (connect refused with result -1 and a text), outdated (connect refused with -2),
no-login-reply (the connect is answered, a login never).
--redirect-to answers every connect with a redirect (-3) carrying that text; --second-lobby
marks the second instance (its release number and game identifiers differ); --update-link
refuses every connect (-1) with that text as the update link; --item-fault MODE spoils the
item pack chunks (itempacks.py).

The authored accounts default to data/standin/accounts.txt, the offered packs to
data/standin/languages.txt with the built packs in --pack-dir (default: $ORLO_STANDIN_PACKS,
else build/release/standin or build/test/standin of this tree). Registered accounts are kept
in --state-dir (state.json), with guests, coins, items, follows, blocks and match results;
one service at a time uses a state directory: a second one started on it ends at once with a
message naming the first's pid and port (statelock.py).
$STANDIN_PING_SECONDS sets the time without sending a client anything after which the servers
ping it (20 s).
"""

import argparse
import asyncio
import functools
import os
import signal
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from accounts import AccountStore  # noqa: E402
from challenges import Challenges  # noqa: E402
from control import ControlServer  # noqa: E402
from connection import FAULTS, Connection, log  # noqa: E402
from gameserver import GameServer  # noqa: E402
from games import Games  # noqa: E402
from languages import LanguageCatalogue  # noqa: E402
from itempacks import ITEM_FAULTS, ItemPacks  # noqa: E402
from lobby import Lobby  # noqa: E402
from notices import Notices  # noqa: E402
from ownpage import History, OwnPage, Scores  # noqa: E402
from players import Relations, SeededPlayers  # noqa: E402
import pngs  # noqa: E402
from shop import Shop  # noqa: E402
from state import State  # noqa: E402
from statelock import StateInUse, StateLock  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(HERE))
DATA = os.path.join(ROOT, "data", "standin")
DEFAULT_PING_SECONDS = 20.0


def default_pack_dir():
    if os.environ.get("ORLO_STANDIN_PACKS"):
        return os.environ["ORLO_STANDIN_PACKS"]
    for build in ("release", "test"):
        path = os.path.join(ROOT, "build", build, "standin")
        if os.path.isdir(path):
            return path
    return None


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description="Stand-in lobby and game server on 127.0.0.1.")
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--lobby-port", type=int, default=0)
    parser.add_argument("--game-port", type=int, default=0)
    parser.add_argument("--state-dir")
    parser.add_argument("--fault", choices=FAULTS)
    parser.add_argument("--redirect-to")
    parser.add_argument("--second-lobby", action="store_true")
    parser.add_argument("--accounts", default=os.path.join(ROOT, "data", "standin",
                                                           "accounts.txt"))
    parser.add_argument("--pack-dir", default=None)
    parser.add_argument("--update-link")
    parser.add_argument("--item-fault", choices=ITEM_FAULTS)
    args = parser.parse_args(argv)
    if args.pack_dir is None:
        args.pack_dir = default_pack_dir()
    if args.pack_dir:
        pngs.set_picture_dir(os.path.join(args.pack_dir, "pictures"))
    return args


def write_port_file(path, lobby_port, game_port, control_port):
    temp = path + ".tmp"
    with open(temp, "w") as f:
        f.write("%d %d %d\n" % (lobby_port, game_port, control_port))
    os.rename(temp, path)


class Servers:
    def __init__(self, args):
        self.args = args
        self.config = args
        self.ping_seconds = float(os.environ.get("STANDIN_PING_SECONDS", DEFAULT_PING_SECONDS))
        self.state_lock = None
        if args.state_dir:
            os.makedirs(args.state_dir, exist_ok=True)
            self.state_lock = StateLock(args.state_dir)
        self.games = Games(args.second_lobby)
        languages = LanguageCatalogue(os.path.join(DATA, "languages.txt"), args.pack_dir)
        state = State(args.state_dir)
        accounts = AccountStore(args.accounts, state)
        scores = Scores(state)
        for account in accounts.accounts:
            scores.apply(account)
        history = History(os.path.join(DATA, "history.txt"), accounts, state, scores)
        relations = Relations(state)
        services = {
            "notices": Notices(os.path.join(DATA, "adverts.txt")),
            "own_page": OwnPage(os.path.join(DATA, "achievements.txt"), history, accounts),
            "history": history,
            "scores": scores,
            "seeded": SeededPlayers(os.path.join(DATA, "players.txt")),
            "relations": relations,
            "challenges": Challenges(relations),
            "shop": Shop(os.path.join(DATA, "shop.txt"), state,
                         ItemPacks(os.path.join(DATA, "itempacks.txt"), args.pack_dir,
                                   args.item_fault), args.pack_dir),
        }
        self.lobby = Lobby(args, accounts, languages, self.games, services)
        # The catalogue's accounts have their coins, items and follows from the start, as an
        # old service's accounts would: whom they follow counts before they first log in.
        for name in services["shop"].catalogue.accounts:
            account = accounts.find(name)
            if account is not None:
                services["shop"].seed(account)
        self.game_server = GameServer(args, self.games, history)
        self.game_server.announce_items = functools.partial(self._announce_match_items,
                                                            services["shop"])
        self.connections = set()
        self.control = ControlServer(self.lobby, self.connections)
        self.count = 0

    def _announce_match_items(self, shop, player_id):
        connection = self.lobby.online.get(player_id)
        if connection is None or connection.player is None:
            return False
        shop.announce_match_content(connection)
        return True

    async def _accept(self, owner, kind, reader, writer):
        self.count += 1
        label = "%s#%d" % (kind, self.count)
        connection = Connection(owner, label, reader, writer, self.args.fault, self.ping_seconds)
        connection.task = asyncio.current_task()
        self.connections.add(connection)
        try:
            await connection.run()
        finally:
            self.connections.discard(connection)

    async def serve(self):
        lobby_name = "lobby2" if self.args.second_lobby else "lobby"
        lobby = await asyncio.start_server(
            functools.partial(self._accept, self.lobby, lobby_name), "127.0.0.1",
            self.args.lobby_port)
        game = await asyncio.start_server(
            functools.partial(self._accept, self.game_server, "game"), "127.0.0.1",
            self.args.game_port)
        control = await asyncio.start_server(self.control.accept, "127.0.0.1", 0)
        lobby_port = lobby.sockets[0].getsockname()[1]
        self.args.game_port = game.sockets[0].getsockname()[1]
        control_port = control.sockets[0].getsockname()[1]
        if self.state_lock:
            self.state_lock.listening(lobby_port)
        write_port_file(self.args.port_file, lobby_port, self.args.game_port, control_port)
        log("%s listening on 127.0.0.1:%d, game server on 127.0.0.1:%d%s" % (
            lobby_name, lobby_port, self.args.game_port,
            " (fault: %s)" % self.args.fault if self.args.fault else ""))
        stop = asyncio.Event()
        loop = asyncio.get_running_loop()
        for number in (signal.SIGTERM, signal.SIGINT):
            loop.add_signal_handler(number, stop.set)
        await stop.wait()
        log("stopping")
        lobby.close()
        game.close()
        control.close()
        for connection in list(self.connections):
            connection.close()
            connection.task.cancel()
        for task in list(self.control.tasks):
            task.cancel()
        await lobby.wait_closed()
        await game.wait_closed()
        await control.wait_closed()


def main(argv):
    args = parse_arguments(argv)
    try:
        servers = Servers(args)
    except StateInUse as error:
        log("standin_server: %s" % error)
        return 1
    asyncio.run(servers.serve())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
