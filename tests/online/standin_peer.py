#!/usr/bin/python3
"""A scripted peer: the other user of the stand-in lobby for tests that need one but no
battle. It logs in, prints one line per message it receives ("< TAG values") and acts:

  standin_peer.py --port-file FILE (--login NAME PASSWORD | --guest) [--answer accept|decline|none]
                  [--challenge ID] [--join GAME] [--echo-chat] [--rematch yes|no]

--answer: what it answers a challenge (default accept); after an accepted challenge or a game
start it joins the game server, sends game ready, echoes chat lines with --echo-chat and
answers a result with a rematch answer. It runs until the lobby closes or it is terminated.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from standin_client import Client  # noqa: E402

GAME = 64


def say(line):
    sys.stdout.write(line + "\n")
    sys.stdout.flush()


class Peer:
    def __init__(self, args, lobby_port, game_port):
        self.args = args
        self.game_port = game_port
        self.lobby = Client(lobby_port)
        self.game = None
        self.game_id = None

    def start(self):
        self.lobby.connect()
        if self.args.guest:
            reply = self.lobby.guest()
        else:
            reply = self.lobby.login(*self.args.login)
        self.id = reply[0]
        say("logged in %d %s" % (reply[0], reply[3]))
        if self.args.challenge:
            self.lobby.send(38, GAME, [self.args.challenge], "")
        if self.args.join is not None:
            self.lobby.send(7, self.args.join, 0, 2)

    def run(self):
        self.start()
        while True:
            for client in filter(None, (self.lobby, self.game)):
                try:
                    tag, values = client.receive(0.05)
                except TimeoutError:
                    continue
                except ConnectionError:
                    if client is self.lobby:
                        say("lobby closed")
                        return 0
                    say("game closed")
                    self.game = None
                    continue
                say("< %d %r" % (tag, values))
                self.act(client, tag, values)

    def act(self, client, tag, values):
        if tag == 39 and self.args.answer != "none":
            answer = 1 if self.args.answer == "accept" else 0
            self.lobby.send(40, answer, GAME, self.id, values[1], "", "")
        elif tag == 12 and client is self.lobby:
            self.game_id = values[0]
            self.game = Client(self.game_port)
            self.game.send(46, 1, self.game_id, 2, 1 if values[2] else 0, self.id, GAME, "2.05")
        elif tag == 64 and client is self.game and self.args.echo_chat and values[2] != self.id:
            self.game.send(64, values[0], values[1], self.id)
        elif tag == 71 and client is self.game and self.args.rematch:
            self.game.send(70, self.game_id, 1 if self.args.rematch == "yes" else 0, 1)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--login", nargs=2)
    parser.add_argument("--guest", action="store_true")
    parser.add_argument("--answer", choices=("accept", "decline", "none"), default="accept")
    parser.add_argument("--challenge", type=int)
    parser.add_argument("--join", type=int)
    parser.add_argument("--echo-chat", action="store_true")
    parser.add_argument("--rematch", choices=("yes", "no"))
    args = parser.parse_args()
    with open(args.port_file) as f:
        ports = [int(v) for v in f.read().split()]
    return Peer(args, ports[0], ports[1]).run()


if __name__ == "__main__":
    sys.exit(main())
