"""The control port: a test drives the stand-in with one command a line and reads one answer
line ("ok ..." or "error ...") back.

Commands (WHO is a logged-in player's name or id; quoted values may hold spaces):
  notify WHO KIND VALUE TEXT          a notification (45)
  advert WHO [key=value ...]          an advertisement (80): without keys the next of the
                                      catalogue; keys image=PNG-FILE frames=MS,MS,.. delay=MS
                                      countdown=MS flags=N title= title_link= click= ok= first=
  adverts                             "ok N": the advertisement requests (112) answered so far
  imagelink WHO NAME LINK LABEL       an image-and-link advert (52) with the login's badge
  kick WHO REASON                     a player-list update with that reason (-1, -2)
  hang                                the service stops reading and answering (every
                                      connection, old and new), as a stopped process would
  resume                              it reads and answers again, what waited first
  cut WHO [lobby]                     "ok N": closes the player's game connections (N of them),
                                      with "lobby" its lobby connection too, as a network that
                                      drops them would
  items hold                          the item packs' chunks asked from now on wait (a
                                      download stays under way)
  items held                          "ok N": the chunks waiting now
  items release                       "ok N": the N chunks that waited are sent, in order
  coins WHO N                         the player's balance becomes N (0 to 2^31 - 1), as the
                                      service's coin page would leave it, and is sent (91)
  language WHO                        "ok CODE": the language the client last chose
  logins                              "ok N": the login requests (5) received so far
  logins unanswered|answered          logins from now on are left unanswered (as with the
                                      fault no-login-reply), or answered again
  online                              "ok ID ID ...": the players logged in
  results WHO                         "ok N": the match results kept for that player
  clock SECONDS                       "ok N": the service's clock goes on by that much (with
                                      $STANDIN_CLOCK=manual it moves only so) and the N pings
                                      then due go out
"""

import asyncio
import shlex

import messages
import pngs
from connection import ANSWERING, CLOCK, log


class ControlServer:
    def __init__(self, lobby, connections=()):
        self.lobby = lobby
        self.connections = connections
        self.commands = {
            "notify": self.notify,
            "advert": self.advert,
            "adverts": self.adverts,
            "imagelink": self.imagelink,
            "kick": self.kick,
            "cut": self.cut,
            "hang": self.hang,
            "resume": self.resume,
            "items": self.items,
            "coins": self.coins,
            "language": self.language,
            "logins": self.logins,
            "online": self.online,
            "results": self.results,
            "clock": self.clock,
        }
        self.tasks = set()

    async def accept(self, reader, writer):
        self.tasks.add(asyncio.current_task())
        try:
            while True:
                line = await self._read_line(reader)
                if line is None:
                    writer.write(b"error line too long\n")
                    await writer.drain()
                    continue
                if not line:
                    break
                answer = self.run(line.decode("utf-8", "replace").strip())
                writer.write((answer + "\n").encode("utf-8"))
                await writer.drain()
        except (ConnectionError, OSError):
            pass
        finally:
            self.tasks.discard(asyncio.current_task())
            writer.close()

    @staticmethod
    async def _read_line(reader):
        """The next line (b"" at the end); None for a line longer than the reader's limit,
        which is read to its end and passed over, so that the next line is read as usual."""
        too_long = False
        while True:
            try:
                line = await reader.readuntil(b"\n")
                return None if too_long else line
            except asyncio.IncompleteReadError as error:
                return b"" if too_long else error.partial
            except asyncio.LimitOverrunError as error:
                too_long = True
                await reader.readexactly(error.consumed)

    def run(self, line):
        try:
            words = shlex.split(line)
        except ValueError as error:
            return "error %s" % error
        if not words:
            return "error empty command"
        command = self.commands.get(words[0])
        if command is None:
            return "error unknown command %s" % words[0]
        log("control: %s" % line)
        try:
            return command(words[1:])
        except (ValueError, IndexError, OSError) as error:
            return "error %s" % error

    def _who(self, words):
        if not words:
            raise ValueError("no player named")
        connection = self.lobby.find_online(words[0])
        if connection is None:
            raise ValueError("%s is not logged in" % words[0])
        return connection

    def notify(self, words):
        connection = self._who(words)
        kind, value = int(words[1]), int(words[2])
        self.lobby.notices.notify(connection, kind, value, " ".join(words[3:]))
        return "ok"

    def advert(self, words):
        connection = self._who(words)
        options = {}
        for word in words[1:]:
            key, sep, value = word.partition("=")
            if not sep:
                raise ValueError("%s is not key=value" % word)
            options[key] = value
        self.lobby.notices.send_advert(connection, options)
        return "ok"

    def adverts(self, words):
        return "ok %d" % self.lobby.notices.requests

    def imagelink(self, words):
        connection = self._who(words)
        name, link, label = words[1:4]
        badge = pngs.badge(name == "tournaments")
        connection.send(messages.image_and_link(name, badge, link, label))
        return "ok"

    def kick(self, words):
        connection = self._who(words)
        self.lobby.kick(connection, int(words[1]))
        return "ok"

    def cut(self, words):
        lobby = self._who(words)
        player_id = lobby.player.id
        cut = [c for game in list(self.lobby.games.games.values())
               for pid, c in list(game.connections.items()) if pid == player_id and c.open]
        if words[1:] == ["lobby"]:
            cut.append(lobby)
        for connection in cut:
            connection.close()
        return "ok %d" % len(cut)

    def hang(self, words):
        ANSWERING.hold()
        return "ok"

    def resume(self, words):
        ANSWERING.release()
        return "ok"

    def items(self, words):
        packs = self.lobby.shop.packs
        if words[:1] == ["hold"]:
            packs.hold()
            return "ok"
        if words[:1] == ["held"]:
            return "ok %d" % packs.waiting()
        if words[:1] == ["release"]:
            return "ok %d" % packs.release()
        return "error usage: items hold|held|release"

    def coins(self, words):
        self.lobby.shop.set_balance(self._who(words), int(words[1]))
        return "ok"

    def language(self, words):
        return "ok %s" % self._who(words).language

    def logins(self, words):
        if words in (["unanswered"], ["answered"]):
            self.lobby.logins_unanswered = words[0] == "unanswered"
            return "ok"
        if words:
            return "error usage: logins [unanswered|answered]"
        return "ok %d" % self.lobby.login_requests

    def online(self, words):
        return "ok " + " ".join(str(i) for i in sorted(self.lobby.online))

    def results(self, words):
        account = self.lobby.accounts.find(words[0])
        if account is None:
            # A guest has no account of its own: it is known while logged in.
            connection = self.lobby.find_online(words[0])
            account = connection.player if connection is not None else None
        if account is None:
            raise ValueError("no account %s" % words[0])
        return "ok %d" % len(self.lobby.history.of(account))

    def clock(self, words):
        seconds = float(words[0])
        if not 0 <= seconds <= 86400:
            raise ValueError("the clock goes on by 0 to 86400 seconds")
        CLOCK.advance(seconds)
        held = ANSWERING.held()  # as a stopped process, it pings no one
        return "ok %d" % sum(1 for c in list(self.connections) if not held and c.ping_if_due())
