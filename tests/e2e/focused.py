#!/usr/bin/python3
# The control with the keyboard focus in the program under test, read on the accessibility bus
# (X does not see inside windows). Prints WINDOW|ROLE|NAME|X,Y|TEXT: the active window's title,
# the control's place in it in pixels, what an edit box holds. Exits 1 when no control has the
# focus, 2 when the accessibility bus cannot be reached.
import sys

import dbus

ACCESSIBLE = 'org.a11y.atspi.Accessible'
PROPERTIES = 'org.freedesktop.DBus.Properties'
STATE_ACTIVE = 1
STATE_FOCUSED = 12
TIMEOUT = 5  # seconds, for each call on the bus
MOST_CHILDREN = 200  # more children than a window's controls: a list's cells


class Node:
    def __init__(self, bus, ref):
        self.proxy = bus.get_object(ref[0], ref[1], introspect=False)

    def call(self, interface, method, *args):
        return getattr(self.proxy, method)(*args, dbus_interface=interface, timeout=TIMEOUT)

    def children(self, bus):
        # Not a list's cells: a large ledger has millions, and the focus is on the list itself.
        if int(self.call(PROPERTIES, 'Get', ACCESSIBLE, 'ChildCount')) > MOST_CHILDREN:
            return []
        return [Node(bus, ref) for ref in self.call(ACCESSIBLE, 'GetChildren')]

    def has(self, state):
        states = self.call(ACCESSIBLE, 'GetState')
        return bool(states[state // 32] & (1 << (state % 32)))

    def name(self):
        return str(self.call(PROPERTIES, 'Get', ACCESSIBLE, 'Name'))

    def corner(self):
        x, y, _, _ = self.call('org.a11y.atspi.Component', 'GetExtents', dbus.UInt32(0))  # screen
        return int(x), int(y)

    def text(self):
        if 'org.a11y.atspi.Text' not in self.call(ACCESSIBLE, 'GetInterfaces'):
            return ''
        return str(self.call('org.a11y.atspi.Text', 'GetText', 0, -1))


def focused(bus, node):
    """The focused control under node, or None."""
    for child in node.children(bus):
        found = child if child.has(STATE_FOCUSED) else focused(bus, child)
        if found:
            return found
    return None


def main():
    try:
        session = dbus.SessionBus()
        address = session.get_object('org.a11y.Bus', '/org/a11y/bus', introspect=False).GetAddress(
            dbus_interface='org.a11y.Bus', timeout=TIMEOUT)
        bus = dbus.bus.BusConnection(str(address))
        root = Node(bus, ('org.a11y.atspi.Registry', '/org/a11y/atspi/accessible/root'))
        apps = root.children(bus)
    except dbus.DBusException as e:
        print(f'the accessibility bus cannot be reached: {e}', file=sys.stderr)
        return 2
    for app in apps:
        try:
            for window in app.children(bus):
                control = window.has(STATE_ACTIVE) and focused(bus, window)
                if control:
                    wx, wy = window.corner()
                    x, y = control.corner()
                    print('|'.join([window.name(), str(control.call(ACCESSIBLE, 'GetRoleName')), control.name(),
                                    f'{x - wx},{y - wy}', control.text()]))
                    return 0
        except dbus.DBusException:
            continue  # a program that has just left the bus
    return 1


if __name__ == '__main__':
    sys.exit(main())
