"""The lobby's accounts: the authored ones, those registered at run time, guests and name checks.

An account's challenge is its salt, and its credential is the lowercase hex MD5 of the password
followed by the salt; so the answer to a challenge, a stored answer and a registration hash are
one and the same text. A name check hands out the salt of the account about to be registered.
"""

import random
import string
import time

FIELDS = ["name", "salt", "credential", "id", "location", "comment", "rank", "score", "wins",
          "losses", "ties", "since", "options"]
_INTS = {"id", "rank", "score", "wins", "losses", "ties"}
NAME_ALPHABET = set(string.ascii_letters + string.digits + "-_")
FIRST_REGISTERED_ID = 5000
FIRST_GUEST_ID = 70000
GUEST_NAME = "guest"


class Account:
    """One player: its profile, its credential and, for an authored account, its options."""

    def __init__(self, **values):
        self.name = ""
        self.salt = ""
        self.credential = ""
        self.id = 0
        self.location = ""
        self.comment = ""
        self.rank = 0
        self.score = 0
        self.wins = 0
        self.losses = 0
        self.ties = 0
        self.followers = 0
        self.following = 0
        self.since = time.strftime("%d.%m.%Y %H:%M:%S")
        self.email = ""
        self.guest = False
        self.fail = 0
        self.fail_text = ""
        self.external = None
        self.__dict__.update(values)

    def options_text(self):
        parts = []
        if self.email:
            parts.append("email=" + self.email)
        if self.fail:
            parts.append("fail=%d" % self.fail)
        if self.fail_text:
            parts.append("failtext=" + self.fail_text)
        if self.followers:
            parts.append("followers=%d" % self.followers)
        if self.external:
            parts.append("ext=%d:%s:%s" % self.external)
        return ";".join(parts)

    def line(self):
        values = [str(getattr(self, f)) for f in FIELDS[:-1]] + [self.options_text()]
        return "|".join(values)


def parse_line(line):
    """An account from a line "name|salt|credential|id|...|options", or None for a comment."""
    line = line.rstrip("\n")
    if not line.strip() or line.lstrip().startswith("#"):
        return None
    parts = line.split("|")
    if len(parts) != len(FIELDS):
        raise ValueError("an account line has %d fields, not %d" % (len(parts), len(FIELDS)))
    values = {}
    for field, part in zip(FIELDS[:-1], parts):
        values[field] = int(part) if field in _INTS else part.strip()
    account = Account(**values)
    for option in filter(None, parts[-1].split(";")):
        key, _, value = option.partition("=")
        if key == "email":
            account.email = value
        elif key == "fail":
            account.fail = int(value)
        elif key == "failtext":
            account.fail_text = value
        elif key == "ext":
            mode, ext_id, token = value.split(":", 2)
            account.external = (int(mode), ext_id, token)
        elif key == "followers":
            account.followers = int(value)
        else:
            raise ValueError("unknown account option %r" % key)
    return account


def read_file(path):
    with open(path, encoding="utf-8") as f:
        return [a for a in (parse_line(line) for line in f) if a]


def new_salt():
    rng = random.SystemRandom()
    return "".join(rng.choice(string.ascii_letters + string.digits) for _ in range(12))


class AccountStore:
    """The authored accounts, plus those registered here and the guests, kept in the state."""

    def __init__(self, authored_path, state):
        self.accounts = read_file(authored_path) if authored_path else []
        self.state = state
        self.registered = [parse_line(line) for line in state.section("accounts", [])]
        self.accounts += self.registered
        self.guests = state.section("guests", {})
        self.pending_names = {}

    def find(self, name):
        for account in self.accounts:
            if account.name == name:
                return account
        return None

    def by_login(self, typed):
        """The account a typed login name names: its name, or its e-mail address (the login
        page takes either). Names and addresses are unique whatever their letter case (see
        taken, register), so neither the case nor spaces around them keep a player out."""
        wanted = typed.strip().lower()
        for account in self.accounts:
            if wanted in (account.name.lower(), account.email.lower() if "@" in wanted else None):
                return account
        return None

    def taken(self, name):
        lowered = name.lower()
        return any(a.name.lower() == lowered for a in self.accounts)

    def by_id(self, player_id):
        for account in self.accounts:
            if account.id == player_id:
                return account
        return None

    def find_external(self, mode, ext_id):
        for account in self.accounts:
            if account.external and account.external[0] == mode and account.external[1] == ext_id:
                return account
        return None

    def check_name(self, name):
        """(result, text) of a name check: 0 and the new account's salt when the name is free."""
        if not 4 <= len(name) <= 15 or not set(name) <= NAME_ALPHABET:
            return 2, ""
        # The client takes a login name beginning with "guest" for a guest's (it forgets the
        # stored login and logs in again as a new guest), and logins here ignore letter case:
        # no account's name may begin so, in any case.
        if self.taken(name) or name.lower().startswith(GUEST_NAME):
            return 1, ""
        salt = self.pending_names.get(name) or new_salt()
        self.pending_names[name] = salt
        return 0, salt

    def register(self, name, email, credential, mode, token, ext_id):
        """(result, text) of a registration: 0 and the account name; -1 the name was not
        checked or is taken, -2 the e-mail address is in use, -3 it is not valid, -4 the
        password hash or the external login is missing or already linked."""
        salt = self.pending_names.get(name)
        if salt is None or self.taken(name):
            return -1, "The name is not available."
        if mode == 0:
            # Spaces around an address are no part of it: " Alice@Example.org " is in use.
            email = email.strip()
            # An "@" between two parts. A login name that begins with "guest" is a guest's to
            # the client, an address too: such an address would log its account in as a guest.
            if "@" not in email.strip("@") or email.lower().startswith(GUEST_NAME):
                return -3, "The e-mail address is not valid."
            if any(a.email.lower() == email.lower() for a in self.accounts):
                return -2, "The e-mail address is already in use."
            if len(credential) != 32:
                return -4, "The password is missing."
        elif not token or not ext_id or self.find_external(mode, ext_id):
            return -4, "The external login is missing or already linked."
        account = Account(name=name, salt=salt, email=email, id=self._next_id())
        if mode == 0:
            account.credential = credential
        else:
            # An external account logs in through its web login only.
            account.external = (mode, ext_id, token)
        del self.pending_names[name]
        self.accounts.append(account)
        self.registered.append(account)
        self.save()
        return 0, name

    def guest(self, name, password, device=""):
        """The guest of that name and password on that device (its IMEI): the same one on every
        login, also after a restart. Every new device's first guest logs in as "guest" with the
        counter 0, so two devices are two guests."""
        key = "%s\t%s" % (name, password) if not device else "%s\t%s\t%s" % (device, name,
                                                                               password)
        player_id = self.guests.get(key)
        if player_id is None:
            player_id = FIRST_GUEST_ID + len(self.guests)
            self.guests[key] = player_id
            self.save()
        return Account(name="Guest%d" % player_id, id=player_id, guest=True,
                       location="Somewhere", comment="Just visiting")

    def _next_id(self):
        return max([FIRST_REGISTERED_ID - 1] + [a.id for a in self.accounts]) + 1

    def save(self):
        self.state.data["accounts"] = [account.line() for account in self.registered]
        self.state.save()
