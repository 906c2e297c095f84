#!/usr/bin/python3
"""A scripted peer: the other user of the stand-in lobby for tests that need one but no
battle. It logs in, prints one line per message it receives ("< TAG values") and acts:

  standin_peer.py --port-file FILE (--login NAME PASSWORD | --guest) [--answer accept|decline|none]
                  [--challenge ID] [--join GAME] [--echo-chat] [--result PLACE]
                  [--rematch yes|no]

--answer: what it answers a challenge (default accept); after an accepted challenge or a game
start it joins the game server, sends game ready and echoes chat lines with --echo-chat.
--result: the other player's first chat line of a match ends the match for the peer (it plays
no battle): it reports its result (15) with PLACE for itself and the other place for the
other player, once per match. --rematch: the answer to the game server's status after that
report: the program's chat notice (4 rematch, 5 leaving) and then the rematch answer (70).
It runs until the lobby closes or it is terminated.
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
        self.reported = False

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
            self.flag = 1 if values[2] else 0
            self.game.send(46, 1, self.game_id, 2, self.flag, self.id, GAME, "2.05")
        elif tag == 93 and client is self.lobby and values[0] == 1024 and self.game:
            # The match items of a rematch: game ready again (the peer uses no items).
            self.game.send(46, 1, self.game_id, 2, self.flag, self.id, GAME, "2.05")
        elif tag == 12:
            # The game server's start, the first or a rematch: a new match to report.
            self.reported = False
        elif tag == 64 and client is self.game and values[2] != self.id:
            if self.args.echo_chat and values[0] == 2:
                self.game.send(64, values[0], values[1], self.id)
            if self.args.result and values[0] == 2 and not self.reported:
                self.reported = True
                place = self.args.result
                self.game.send(15, self.game_id, GAME, 0, [self.id, values[2]],
                               [place, 3 - place], 0)
        elif tag == 71 and client is self.game and not values[0] & 1 and self.args.rematch:
            yes = self.args.rematch == "yes"
            self.game.send(64, 4 if yes else 5, "", self.id)
            self.game.send(70, self.game_id, 1 if yes else 0, 1)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--login", nargs=2)
    parser.add_argument("--guest", action="store_true")
    parser.add_argument("--answer", choices=("accept", "decline", "none"), default="accept")
    parser.add_argument("--challenge", type=int)
    parser.add_argument("--join", type=int)
    parser.add_argument("--echo-chat", action="store_true")
    parser.add_argument("--result", type=int, choices=(1, 2))
    parser.add_argument("--rematch", choices=("yes", "no"))
    args = parser.parse_args()
    with open(args.port_file) as f:
        ports = [int(v) for v in f.read().split()]
    return Peer(args, ports[0], ports[1]).run()


if __name__ == "__main__":
    sys.exit(main())
