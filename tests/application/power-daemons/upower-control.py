#!/usr/bin/python3
"""Drives python3-dbusmock's UPower template on the bus in DBUS_SYSTEM_BUS_ADDRESS for the power tests.

upower-control.py wait
upower-control.py add NAME KIND NATIVE_PATH MODEL PERCENTAGE STATE
upower-control.py set NAME PROPERTY VALUE        (a number, or text)
upower-control.py remove NAME
"""
import sys
import time

import dbus

MOCK = 'org.freedesktop.DBus.Mock'
DEVICE = 'org.freedesktop.UPower.Device'
PREFIX = '/org/freedesktop/UPower/devices/'


def manager():
    return dbus.SystemBus().get_object('org.freedesktop.UPower', '/org/freedesktop/UPower')


def variant(text):
    try:
        return dbus.Double(float(text), variant_level=1)
    except ValueError:
        return dbus.String(text, variant_level=1)


def main(argv):
    if argv[1] == 'wait':
        for _ in range(200):
            try:
                manager().EnumerateDevices(dbus_interface='org.freedesktop.UPower')
                return 0
            except dbus.DBusException:
                time.sleep(0.05)
        return 1
    path = PREFIX + argv[2]
    if argv[1] == 'add':
        kind, native, model, percentage, state = argv[3:8]
        manager().AddObject(path, DEVICE, {
            'Type': dbus.UInt32(int(kind), variant_level=1),
            'NativePath': dbus.String(native, variant_level=1),
            'Model': dbus.String(model, variant_level=1),
            'Vendor': dbus.String('', variant_level=1),
            'Serial': dbus.String('', variant_level=1),
            'PowerSupply': dbus.Boolean(kind == '2', variant_level=1),
            'IsPresent': dbus.Boolean(True, variant_level=1),
            'Percentage': dbus.Double(float(percentage), variant_level=1),
            'State': dbus.UInt32(int(state), variant_level=1),
            'TimeToEmpty': dbus.Int64(0, variant_level=1),
            'TimeToFull': dbus.Int64(0, variant_level=1),
            'IconName': dbus.String('battery-good-symbolic', variant_level=1),
        }, [], dbus_interface=MOCK)
        manager().EmitSignal('org.freedesktop.UPower', 'DeviceAdded', 'o', [dbus.ObjectPath(path)],
                             dbus_interface=MOCK)
    elif argv[1] == 'set':
        manager().SetDeviceProperties(dbus.ObjectPath(path), {argv[3]: variant(argv[4])}, dbus_interface=MOCK)
    elif argv[1] == 'remove':
        manager().RemoveDevice(dbus.ObjectPath(path), dbus_interface=MOCK)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
