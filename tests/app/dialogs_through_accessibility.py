#!/usr/bin/python3
"""Drives the running program through the accessibility bus as a screen reader would: the window
must be a frame, the picture buttons push buttons that can be pressed, and the printer and save
dialogs they open must speak German. Exit 0 when all holds; what is missing goes to stderr."""
import sys
import time

import dbus

ACCESSIBLE = "org.a11y.atspi.Accessible"
ACTION = "org.a11y.atspi.Action"
PICTURE_BUTTONS = ["Info", "Hilfe", "Ende", "Drucker...", "Drucken"]
# (dialog title, button pressed to open it, entries (role, name) it must hold)
DIALOGS = [
    ("Drucken", "Drucker...",
     [("push button", "OK"), ("push button", "Abbrechen"), ("push button", "Einstellungen >>"),
      ("panel", "Drucker"), ("label", "Anzahl Exemplare:"), ("check box", "Sortieren")]),
    ("Bild speichern unter", "Bild speichern unter...",
     [("label", "Suchen in:"), ("label", "Dateiname:"), ("push button", "Speichern"),
      ("push button", "Abbrechen")]),
]

session = dbus.SessionBus()
address = session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(dbus_interface="org.a11y.Bus")
bus = dbus.bus.BusConnection(address)


def node(ref):
    return bus.get_object(str(ref[0]), str(ref[1]), introspect=False)


def ask(question, otherwise):
    # A window that is closing takes its objects with it while they are being looked at.
    try:
        return question()
    except dbus.exceptions.DBusException:
        return otherwise


def name(obj):
    return ask(lambda: str(obj.Get(ACCESSIBLE, "Name", dbus_interface="org.freedesktop.DBus.Properties")), "")


def role(obj):
    return ask(lambda: str(obj.GetRoleName(dbus_interface=ACCESSIBLE)), "")


def children(obj):
    refs = ask(lambda: obj.GetChildren(dbus_interface=ACCESSIBLE), [])
    return [node(c) for c in refs if not str(c[1]).endswith("/null")]


def tree(obj):
    yield obj
    for child in children(obj):
        yield from tree(child)


def wait_for(find, what):
    for _ in range(100):
        found = find()
        if found is not None:
            return found
        time.sleep(0.1)
    sys.exit(f"not found: {what}")


def application():
    apps = children(node(("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")))
    return next((a for a in apps if name(a) == "Tessaro 2.1"), None)


def window(app, title):
    return next((w for w in children(app) if name(w) == title), None)


def press(within, button_name):
    for obj in tree(within):
        if role(obj) == "push button" and name(obj) == button_name:
            actions = [str(a[0]) for a in obj.GetActions(dbus_interface=ACTION)]
            if "Press" not in actions:
                sys.exit(f"{button_name}: no Press action, only {actions}")
            obj.DoAction(actions.index("Press"), dbus_interface=ACTION)
            return
    sys.exit(f"no push button {button_name}")


def main():
    app = wait_for(application, "the program on the accessibility bus")
    main_window = wait_for(lambda: window(app, "Tessaro 2.1"), "the main window")
    if role(main_window) != "frame":
        sys.exit(f"the main window is a {role(main_window)}, not a frame")
    buttons = {name(o) for o in tree(main_window) if role(o) == "push button"}
    missing = [b for b in PICTURE_BUTTONS if b not in buttons]
    if missing:
        sys.exit(f"not push buttons: {missing}")
    for title, opener, entries in DIALOGS:
        press(main_window, opener)
        dialog = wait_for(lambda: window(app, title),
                          f"dialog {title}; windows shown: {[name(w) for w in children(app)]}")
        shown = {(role(o), name(o)) for o in tree(dialog)}
        missing = [e for e in entries if e not in shown]
        if missing:
            sys.exit(f"{title}: missing {missing}; shown {sorted(shown)}")
        press(dialog, "Abbrechen")
        wait_for(lambda: None if window(app, title) else True, f"{title} closing")


main()
