#!/usr/bin/env python3
"""A stand-in desktop notification server for the end-to-end runs.

Owns org.freedesktop.Notifications on the session bus, writes each Notify
call as one JSON line to the file named first, and creates the file named
second once the name is owned, so the run knows when to start the program.
"""
import json
import sys

from gi.repository import Gio, GLib

INTERFACE = """
<node><interface name="org.freedesktop.Notifications">
  <method name="Notify">
    <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
    <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/><arg type="u" direction="out"/>
  </method>
  <method name="GetCapabilities"><arg type="as" direction="out"/></method>
</interface></node>
"""

log = open(sys.argv[1], "a", encoding="utf-8")
last_id = 0


def on_call(_conn, _sender, _path, _iface, method, params, invocation):
    global last_id
    if method == "GetCapabilities":
        invocation.return_value(GLib.Variant("(as)", (["body"],)))
        return
    app, replaces, _icon, summary, body, _actions, hints, _timeout = params.unpack()
    if replaces:
        shown = replaces
    else:
        last_id += 1
        shown = last_id
    log.write(json.dumps({"app": app, "replaces": replaces, "id": shown, "summary": summary, "body": body,
                          "urgency": hints.get("urgency")}) + "\n")
    log.flush()
    invocation.return_value(GLib.Variant("(u)", (shown,)))


def on_owned(*_):
    open(sys.argv[2], "w", encoding="utf-8").close()


bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
node = Gio.DBusNodeInfo.new_for_xml(INTERFACE)
bus.register_object("/org/freedesktop/Notifications", node.interfaces[0], on_call, None, None)
Gio.bus_own_name_on_connection(bus, "org.freedesktop.Notifications", Gio.BusNameOwnerFlags.NONE, on_owned, None)
GLib.MainLoop().run()
