// The device services' stand-in on a private bus: a Python (dbus-python) service that owns
// the device's three service names and records every call as one JSON line, the records it
// writes, and a child process that talks to the bus (the bus library reads its address once).
#pragma once

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace bustest {

// Owns the three names, records each method call sent to them as one JSON line and answers
// as the mode file says: "normal" (get_imei gives a string and an int32), "error" (an error
// reply), "silent" (no reply at all), "wrongtype" (get_imei gives an int32 only).
inline const char* kFakeService = R"PY(
import json, sys
import dbus, dbus.bus, dbus.lowlevel
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

address, record_path, ready_path, mode_path = sys.argv[1:5]
DBusGMainLoop(set_as_default=True)
conn = dbus.bus.BusConnection(address)
NAMES = ("com.nokia.mce", "com.nokia.osso_browser", "com.nokia.phone.SIM")
for name in NAMES:
    if conn.request_name(name, dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
        sys.exit(3)

def on_message(connection, message):
    if message.get_type() != dbus.lowlevel.MESSAGE_TYPE_METHOD_CALL:
        return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED
    if message.get_destination() not in NAMES:
        return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED
    record = {
        "destination": message.get_destination(),
        "path": message.get_path(),
        "interface": message.get_interface(),
        "member": message.get_member(),
        "signature": message.get_signature(),
        "args": [str(a) if isinstance(a, str) else int(a) if isinstance(a, int) else repr(a)
                 for a in message.get_args_list()],
    }
    with open(record_path, "a") as f:
        f.write(json.dumps(record) + "\n")
    m = open(mode_path).read().strip()
    if m == "silent":
        return dbus.lowlevel.HANDLER_RESULT_HANDLED
    if m == "error":
        reply = dbus.lowlevel.ErrorMessage(message, "org.example.Refused", "refused")
    else:
        reply = dbus.lowlevel.MethodReturnMessage(message)
        if message.get_member() == "get_imei":
            if m == "wrongtype":
                reply.append(dbus.Int32(7), signature="i")
            else:
                reply.append("356938035643809", dbus.Int32(0), signature="si")
    connection.send_message(reply)
    return dbus.lowlevel.HANDLER_RESULT_HANDLED

conn.add_message_filter(on_message)
with open(ready_path, "w") as f:
    f.write("ready\n")
GLib.MainLoop().run()
)PY";

// One call as the fake service records it.
inline std::string Record(const std::string& destination, const std::string& path,
                          const std::string& interface, const std::string& member,
                          const std::string& signature, const std::string& args)
{
    return "{\"destination\": \"" + destination + "\", \"path\": \"" + path +
           "\", \"interface\": \"" + interface + "\", \"member\": \"" + member +
           "\", \"signature\": \"" + signature + "\", \"args\": [" + args + "]}";
}
inline const std::string kVibrateRecord =
    Record("com.nokia.mce", "/com/nokia/mce/request", "com.nokia.mce.request",
           "req_vibrator_pattern_activate", "s", "\"PatternTouchscreen\"");
inline const std::string kImeiRecord =
    Record("com.nokia.phone.SIM", "/com/nokia/phone/SIM/security", "Phone.Sim.Security", "get_imei",
           "", "");
inline std::string UrlRecord(const std::string& jsonUrl)
{
    return Record("com.nokia.osso_browser", "/com/nokia/osso_browser/request",
                  "com.nokia.osso_browser", "load_url", "s", "\"" + jsonUrl + "\"");
}

// Runs `body` in a child process whose system bus is `address` (the bus library reads the
// address once per process) and returns what it printed. A child that does not finish
// within a minute is killed and reported as "HUNG".
inline std::string InChild(const std::string& address, const std::function<std::string()>& body)
{
    int fds[2];
    if (pipe(fds) != 0)
        return "PIPE";
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        std::string out = body();
        _exit(write(fds[1], out.data(), out.size()) == (ssize_t)out.size() ? 0 : 1);
    }
    close(fds[1]);
    std::string out;
    char buf[4096];
    pollfd p = {fds[0], POLLIN, 0};
    ssize_t n = 0;
    bool hung = false;
    while (!(hung = poll(&p, 1, 60000) <= 0) && (n = read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, (size_t)n);
    close(fds[0]);
    if (hung)
        kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (hung)
        return "HUNG";
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "CRASHED " + std::to_string(status);
    return out;
}

} // namespace bustest
