// A stand-in service on a private bus for the tests of the browser and vibration calls: a
// Python (dbus-python) program that owns the given names and records every call.
#pragma once
#include <stdlib.h>

#include <string>
#include <vector>

#include "tests/platform/PrivateBus.h"

namespace bustest {

// The program: run with the bus address, the record file and the ready file, it owns the
// names, writes "member argument ..." (after the object's path with `paths`) on a line for each
// method call and answers it, and writes the ready file once it listens.
inline std::string RecordingService(const std::vector<std::string>& names, bool paths = false)
{
    std::string tuple;
    for (const std::string& name : names)
        tuple += "\"" + name + "\", ";
    return std::string("paths = ") + (paths ? "True" : "False") + R"PY(
import sys
import dbus, dbus.bus, dbus.lowlevel
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

address, record_path, ready_path = sys.argv[1:4]
DBusGMainLoop(set_as_default=True)
conn = dbus.bus.BusConnection(address)
for name in ()PY" +
           tuple + R"PY():
    if conn.request_name(name, dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
        sys.exit(3)

def on_message(connection, message):
    if message.get_type() != dbus.lowlevel.MESSAGE_TYPE_METHOD_CALL:
        return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED
    with open(record_path, "a") as f:
        f.write((message.get_path() + " " if paths else "") + message.get_member() + " " +
                " ".join(str(a) for a in message.get_args_list()) + "\n")
    connection.send_message(dbus.lowlevel.MethodReturnMessage(message))
    return dbus.lowlevel.HANDLER_RESULT_HANDLED

conn.add_message_filter(on_message)
with open(ready_path, "w") as f:
    f.write("ready\n")
GLib.MainLoop().run()
)PY";
}

// The program started on the bus at `address`, its files in `dir`: fake.py, fake.log, the
// record "records" and the ready file "ready".
inline pid_t StartRecording(const vtest::TempDir& dir, const std::string& address,
                            const std::vector<std::string>& names, bool paths = false)
{
    vtest::WriteWholeFile(dir.File("fake.py"), RecordingService(names, paths));
    return Spawn(
        {vtest::Python(), dir.File("fake.py"), address, dir.File("records"), dir.File("ready")},
        dir.File("fake.log"));
}

// A private bus with the recording program on it (its files in `dir`, as StartRecording's),
// the process's system bus: the bus library reads that address once per process, so before
// the first call.
struct RecordingBus {
    bool Start(const vtest::TempDir& dir, const std::vector<std::string>& names)
    {
        if (!bus.Start(dir, "bus"))
            return false;
        fake = StartRecording(dir, bus.address, names);
        if (!WaitFor(dir.File("ready")))
            return false;
        setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address.c_str(), 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        return true;
    }
    ~RecordingBus() { Stop(fake); }
    PrivateBus bus;
    pid_t fake = -1;
};

} // namespace bustest
