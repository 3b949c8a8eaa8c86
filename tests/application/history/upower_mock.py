#!/usr/bin/python3
"""A private system bus with python-dbusmock's UPower template and one battery whose GetHistory answers.

The template has no GetHistory, so it is added to the battery here. Prints the bus address on the first line,
then serves until killed (SIGTERM ends the bus and the mock with it). Argument: the history's newest time."""

import os
import signal
import subprocess
import sys
import time

import dbus
import dbusmock

now = int(sys.argv[1])
bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                       stdout=subprocess.PIPE, universal_newlines=True)
address = bus.stdout.readline().strip()
env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=address)
# The test reads its own standard output for the address: the mock's messages go to standard error.
mock = subprocess.Popen([sys.executable, "-m", "dbusmock", "--system", "--template", "upower"], env=env,
                        stdout=sys.stderr)


def stop(*_):
    mock.terminate()
    bus.terminate()
    sys.exit(0)


signal.signal(signal.SIGTERM, stop)
connection = dbus.bus.BusConnection(address)
# A loaded machine may take a while to start Python and the template.
deadline = time.monotonic() + 120
while not connection.name_has_owner("org.freedesktop.UPower"):
    if time.monotonic() > deadline or mock.poll() is not None:
        stop()
    time.sleep(0.05)
try:
    upower = connection.get_object("org.freedesktop.UPower", "/org/freedesktop/UPower")
    path = upower.AddDischargingBattery("BAT0", "01AV489", 57.0, 3600, dbus_interface=dbusmock.MOCK_IFACE)
    upower.AddAC("AC", "Mains", dbus_interface=dbusmock.MOCK_IFACE)
    battery = connection.get_object("org.freedesktop.UPower", path)
    # The template's batteries have no vendor or serial.
    battery.AddProperties("org.freedesktop.UPower.Device", {"Vendor": dbus.String("SMP", variant_level=1),
                                                            "Serial": dbus.String("28971", variant_level=1)},
                          dbus_interface=dbusmock.MOCK_IFACE)
    # Ten minutes of charge (falling from 60 %) and rate points, two minutes apart; the newest first, as UPower
    # answers.
    charge = [(now - 120 * i, 60.0 - i, 2) for i in range(5)]
    rate = [(now - 120 * i - 10, 9.5, 2) for i in range(5)]
    code = "ret = {'charge': %r, 'rate': %r}.get(args[0], [])" % (charge, rate)
    battery.AddMethod("org.freedesktop.UPower.Device", "GetHistory", "suu", "a(udu)", code,
                      dbus_interface=dbusmock.MOCK_IFACE)
except Exception:
    import traceback
    traceback.print_exc()
    stop()
print(address, flush=True)
while True:
    time.sleep(1)
