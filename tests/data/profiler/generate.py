#!/usr/bin/env python3
"""Writes the fake machines that cellsheet-profiler's tests read with --root: laptop, desktop, vm and broken.

Each tree holds only the files the collectors read. Run it from anywhere; it rewrites the trees beside itself.
Fakes of what is not a file: fake/statvfs ("mountpoint total free"), fake/ifaddrs ("interface address/prefix"),
fake/uid, fake/nut-ups (the variables the local upsd serves for a UPS named "ups", in dummy-ups's data-file
format), fake/upower-devices.plist (UPower's devices: object path → properties). FIFOs and unreadable files cannot live in git; the tests add them to a copy of "broken".
"""
import os
import plistlib
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
TREE = None


def w(path, content):
    full = TREE + path
    os.makedirs(os.path.dirname(full), exist_ok=True)
    mode = 'wb' if isinstance(content, bytes) else 'w'
    with open(full, mode) as f:
        f.write(content)


def d(path):
    os.makedirs(TREE + path, exist_ok=True)


def link(path, target):
    """A relative symbolic link at path to the absolute system path target, as sysfs has them."""
    full = TREE + path
    os.makedirs(os.path.dirname(full), exist_ok=True)
    os.symlink(os.path.relpath(target, os.path.dirname(path)), full)


def attrs(base, **values):
    for key, value in values.items():
        w(f'{base}/{key}', f'{value}\n')


def pci(slot_path, vendor, device, cls, driver=None, sub=(0, 0), rev=0, link_width=None, link_speed=None):
    attrs(slot_path, vendor=f'0x{vendor:04x}', device=f'0x{device:04x}', **{'class': f'0x{cls:06x}'},
          subsystem_vendor=f'0x{sub[0]:04x}', subsystem_device=f'0x{sub[1]:04x}', revision=f'0x{rev:02x}')
    if link_width:
        attrs(slot_path, current_link_width=link_width, current_link_speed=link_speed)
    link(slot_path + '/subsystem', '/sys/bus/pci')
    if driver:
        link(slot_path + '/driver', f'/sys/bus/pci/drivers/{driver}')
    link('/sys/bus/pci/devices/' + os.path.basename(slot_path), slot_path)


def usb(path, vendor, product, speed, version, cls=0, manufacturer=None, name=None, serial=None, interfaces=(),
        bcd='0100', power='100mA'):
    attrs(path, idVendor=f'{vendor:04x}', idProduct=f'{product:04x}', speed=speed, version=f' {version}',
          bDeviceClass=f'{cls:02x}', bcdDevice=bcd, bMaxPower=power)
    if manufacturer:
        attrs(path, manufacturer=manufacturer)
    if name:
        attrs(path, product=name)
    if serial:
        attrs(path, serial=serial)
    link(path + '/subsystem', '/sys/bus/usb')
    link('/sys/bus/usb/devices/' + os.path.basename(path), path)
    name = os.path.basename(path)
    for number, (iclass, driver) in enumerate(interfaces):
        interface = f'{path}/{name}:1.{number}'
        attrs(interface, bInterfaceClass=f'{iclass:02x}')
        link(interface + '/subsystem', '/sys/bus/usb')
        if driver:
            link(interface + '/driver', f'/sys/bus/usb/drivers/{driver}')


def root_hub(path, bus, version, speed):
    attrs(path, idVendor='1d6b', idProduct='0002' if version.startswith('2') else '0003', speed=speed,
          version=f' {version}', busnum=bus, bDeviceClass='09', manufacturer='Linux 6.5.0 xhci-hcd',
          product='xHCI Host Controller')
    link(path + '/subsystem', '/sys/bus/usb')
    link('/sys/bus/usb/devices/' + os.path.basename(path), path)


def edid(code, product, serial, year, width_cm, height_cm, hactive, vactive, name=None, serial_text=None):
    data = bytearray(128)
    data[0:8] = b'\x00\xff\xff\xff\xff\xff\xff\x00'
    letters = [ord(c) - ord('A') + 1 for c in code]
    struct.pack_into('>H', data, 8, letters[0] << 10 | letters[1] << 5 | letters[2])
    struct.pack_into('<HI', data, 10, product, serial)
    data[16], data[17], data[18], data[19] = 10, year - 1990, 1, 4
    data[21], data[22] = width_cm, height_cm
    timing = bytearray(18)
    struct.pack_into('<H', timing, 0, 14850)  # pixel clock, any non-zero value
    timing[2], timing[4] = hactive & 0xFF, (hactive >> 8) << 4
    timing[5], timing[7] = vactive & 0xFF, (vactive >> 8) << 4
    data[54:72] = timing
    slots = []
    for tag, text in ((0xFC, name), (0xFF, serial_text)):
        if text is not None:
            slots.append(bytes([0, 0, 0, tag, 0]) + (text.encode() + b'\n').ljust(13, b' ')[:13])
    while len(slots) < 3:
        slots.append(bytes([0, 0, 0, 0x10, 0]) + bytes(13))
    for i, slot in enumerate(slots[:3]):
        data[72 + 18 * i:90 + 18 * i] = slot
    data[127] = (256 - sum(data[:127]) % 256) % 256
    return bytes(data)


def smbios17(handle, size_mb, locator, bank, manufacturer, serial, part, speed=3200, memory_type=0x1A, form=0x09):
    strings = [locator, bank, manufacturer, serial, 'Not Specified', part]
    body = bytearray(0x28)
    body[0], body[1] = 17, 0x28
    struct.pack_into('<H', body, 2, handle)
    struct.pack_into('<HHH', body, 0x08, 64, 64, size_mb)
    body[0x0E] = form
    body[0x10], body[0x11] = 1, 2
    body[0x12] = memory_type
    struct.pack_into('<H', body, 0x15, speed if size_mb else 0)
    body[0x17], body[0x18], body[0x19], body[0x1A] = 3, 4, 5, 6
    return bytes(body) + b''.join(s.encode() + b'\0' for s in strings) + b'\0'


def cpuinfo(model, vendor, threads, cores_per_package, flags, mhz, microcode=None, core_ids=True):
    blocks = []
    for n in range(threads):
        lines = [f'processor\t: {n}', f'vendor_id\t: {vendor}', f'model name\t: {model}', f'cpu MHz\t\t: {mhz}']
        if microcode:
            lines.append(f'microcode\t: {microcode}')
        if core_ids:
            lines += ['physical id\t: 0', f'siblings\t: {threads}', f'core id\t\t: {n % cores_per_package}',
                      f'cpu cores\t: {cores_per_package}']
        lines.append(f'flags\t\t: {flags}')
        blocks.append('\n'.join(lines) + '\n')
    return '\n'.join(blocks) + '\n'


def caches(entries):
    for index, (level, kind, size, shared) in enumerate(entries):
        attrs(f'/sys/devices/system/cpu/cpu0/cache/index{index}', level=level, type=kind, size=size,
              shared_cpu_list=shared)


def block(name, device_path, size, rotational, removable, dev, partitions=(), discard=None):
    path = f'{device_path}/block/{name}' if not device_path.endswith('/' + name) else device_path
    attrs(path, size=size, removable=removable, dev=dev)
    attrs(path + '/queue', rotational=rotational)
    if discard is not None:
        attrs(path + '/queue', discard_max_bytes=discard)
    link(f'/sys/block/{name}', path)
    link(f'/sys/class/block/{name}', path)
    for part, part_dev in partitions:
        attrs(f'{path}/{part}', partition=part[-1], dev=part_dev)
        link(f'/sys/class/block/{part}', f'{path}/{part}')
    return path


def net(name, device=None, kind=1, operstate='up', carrier=1, address='00:00:00:00:00:00', speed=None,
        duplex=None, wireless=False, bridge=False, mtu=1500, flags='0x1003'):
    base = f'/sys/devices/virtual/net/{name}' if device is None else f'{device}/net/{name}'
    attrs(base, type=kind, operstate=operstate, address=address, addr_len=6, mtu=mtu, flags=flags)
    if carrier is not None:
        attrs(base, carrier=carrier)
    if speed is not None:
        attrs(base, speed=speed)
    if duplex:
        attrs(base, duplex=duplex)
    if wireless:
        d(base + '/wireless')
        w(base + '/uevent', f'DEVTYPE=wlan\nINTERFACE={name}\n')
    if bridge:
        d(base + '/bridge')
        w(base + '/uevent', f'DEVTYPE=bridge\nINTERFACE={name}\n')
    if device:
        link(base + '/device', device)
    link(f'/sys/class/net/{name}', base)


def supply(supply_name, **values):
    base = f'/sys/devices/LNXSYSTM:00/power_supply/{supply_name}'
    w(base + '/uevent', ''.join(f'POWER_SUPPLY_{k.upper()}={v}\n' for k, v in values.items()))
    link(f'/sys/class/power_supply/{supply_name}', base)
    return base


def drm_card(card, device):
    base = f'{device}/drm/{card}'
    d(base)
    link(base + '/device', device)
    link(f'/sys/class/drm/{card}', base)
    return base


def connector(card_base, name, status, modes=None, edid_bytes=None):
    base = f'{card_base}/{name}'
    attrs(base, status=status)
    if modes:
        w(base + '/modes', ''.join(m + '\n' for m in modes))
    if edid_bytes is not None:
        w(base + '/edid', edid_bytes)
    link(f'/sys/class/drm/{name}', base)


def common_software(pretty, kernel, hostname, uptime, btime, uid=1000, passwd=''):
    w('/etc/os-release', pretty)
    attrs('/proc/sys/kernel', ostype='Linux', osrelease=kernel, hostname=hostname, arch='x86_64',
          version='#1 SMP PREEMPT_DYNAMIC')
    w('/proc/uptime', f'{uptime} 1000.00\n')
    w('/proc/stat', f'cpu  1 2 3 4\nctxt 123\nbtime {btime}\nprocesses 42\n')
    w('/fake/uid', f'{uid}\n')
    if passwd:
        w('/etc/passwd', passwd)


IDS_PCI = """# excerpt of pci.ids
1002  Advanced Micro Devices, Inc. [AMD/ATI]
\t73df  Navi 22 [Radeon RX 6700/6700 XT/6750 XT / 6800M/6850M XT]
\tab28  Navi 21/23 HDMI/DP Audio Controller
10ec  Realtek Semiconductor Co., Ltd.
\t8125  RTL8125 2.5GbE Controller
1022  Advanced Micro Devices, Inc. [AMD]
\t1480  Starship/Matisse Root Complex
\t1483  Starship/Matisse GPP Bridge
144d  Samsung Electronics Co Ltd
\ta80a  NVMe SSD Controller PM9A1/PM9A3/980PRO
\t\t144d a801  SSD 980 PRO
1234  Technical Corp.
\t1111  QEMU Virtual Video Controller
1af4  Red Hat, Inc.
\t1041  Virtio 1.0 network device
\t1042  Virtio 1.0 block device
8086  Intel Corporation
\t15fc  Ethernet Connection (13) I219-V
\t29c0  82G33/G31/P35/P31 Express DRAM Controller
\t9a14  11th Gen Core Processor Host Bridge/DRAM Registers
\t9a49  TigerLake-LP GT2 [Iris Xe Graphics]
\ta0b0  Tiger Lake-LP PCI Express Root Port #9
\ta0c8  Tiger Lake-LP Smart Sound Technology Audio Controller
\ta0ed  Tiger Lake-LP USB 3.2 Gen 2x1 xHCI Host Controller
\ta0f0  Wi-Fi 6 AX201
C 01  Mass storage controller
\t08  Non-Volatile memory controller
\t\t02  NVM Express
C 02  Network controller
\t00  Ethernet controller
\t80  Network controller
C 03  Display controller
\t00  VGA compatible controller
C 04  Multimedia controller
\t01  Multimedia audio controller
\t03  Audio device
C 06  Bridge
\t00  Host bridge
\t04  PCI bridge
C 0c  Serial bus controller
\t03  USB controller
"""

IDS_USB = """# excerpt of usb.ids
0627  Adomax Technology Co., Ltd
\t0001  QEMU Tablet
046d  Logitech, Inc.
\tc52b  Unifying Receiver
04f2  Chicony Electronics Co., Ltd
\tb6ea  Integrated Camera
0781  SanDisk Corp.
\t5583  Ultra Fit
1d6b  Linux Foundation
\t0002  2.0 root hub
\t0003  3.0 root hub
8087  Intel Corp.
\t0026  AX201 Bluetooth
C 09  Hub
"""

IDS_PNP = "AUO\tAU Optronics\nDEL\tDell Inc.\nGSM\tLG Electronics\n"


def laptop():
    # A ThinkPad with Wi-Fi, NVMe, a USB stick, battery and USB-C charger, camera and an external monitor.
    attrs('/sys/class/dmi/id', sys_vendor='LENOVO', product_name='20XW0055GE', product_version='ThinkPad X1 Carbon Gen 9',
          product_family='ThinkPad X1 Carbon Gen 9', chassis_type=10, board_vendor='LENOVO', board_name='20XW0055GE',
          board_version='SDK0J40697 WIN', bios_vendor='LENOVO', bios_version='N32ET86W (1.62 )',
          bios_date='03/21/2023', product_serial='PF2ABCDE', product_uuid='4c4c4544-0042-3510-8052-b4c04f564433',
          board_serial='L1HF1234567', chassis_serial='PF2ABCDE')
    w('/proc/cpuinfo', cpuinfo('11th Gen Intel(R) Core(TM) i7-1165G7 @ 2.80GHz', 'GenuineIntel', 8, 4,
                               'fpu vme de pse tsc msr ht vmx', '1200.000', '0xa4'))
    attrs('/sys/devices/system/cpu/cpu0/cpufreq', base_frequency=2800000, cpuinfo_max_freq=4700000,
          cpuinfo_min_freq=400000)
    attrs('/sys/devices/system/cpu/smt', control='on')
    caches([(1, 'Data', '48K', '0,4'), (1, 'Instruction', '32K', '0,4'), (2, 'Unified', '1280K', '0,4'),
            (3, 'Unified', '12288K', '0-7')])
    attrs('/sys/devices/system/memory', block_size_bytes='80000000')
    for n in range(8):
        d(f'/sys/devices/system/memory/memory{n}')
    w('/proc/meminfo', 'MemTotal:       16146456 kB\nMemFree:         1234567 kB\nMemAvailable:    9876543 kB\n'
      'SwapTotal:       2097148 kB\nSwapFree:        1048574 kB\n')
    common_software('PRETTY_NAME="Ubuntu 22.04.3 LTS"\nNAME="Ubuntu"\nVERSION_ID="22.04"\n', '6.5.0-14-generic',
                    'x1carbon', '273845.12', 1700000000,
                    passwd='root:x:0:0:root:/root:/bin/bash\nada:x:1000:1000:Ada Lovelace,,,:/home/ada:/bin/bash\n')
    w('/etc/machine-info', 'PRETTY_HOSTNAME="Ada\'s ThinkPad"\n')
    w('/sys/firmware/efi/efivars/SecureBoot-8be4df61-93ca-11d2-aa0d-00e098032b8c', b'\x06\x00\x00\x00\x01')
    w('/proc/mounts', '/dev/nvme0n1p2 / ext4 rw,relatime 0 0\n'
      'proc /proc proc rw,nosuid 0 0\n'
      '/dev/nvme0n1p1 /boot/efi vfat rw,relatime 0 0\n'
      '/dev/nvme0n1p2 /var/snap ext4 rw,relatime 0 0\n'
      '/dev/loop0 /snap/core22/864 squashfs ro,nodev 0 0\n'
      'tmpfs /run tmpfs rw,nosuid 0 0\n'
      '/dev/sda1 /media/ada/USB\\040STICK vfat ro,nosuid 0 0\n'
      'server:/export /mnt/nfs nfs4 rw,relatime 0 0\n'
      '/dev/mapper/x1carbon--vg-home /home ext4 rw,relatime 0 0\n'
      '/dev/mapper/luks-c0ffee00-1111-4222-8333-444455556666 /srv ext4 rw,relatime 0 0\n'
      '/dev/sdb1 /run/media/ada/BACKUP ext4 rw,nosuid 0 0\n'
      '192.168.1.77:/share /mnt/share nfs4 rw,relatime 0 0\n')
    w('/fake/statvfs', '/ 502000000000 123456789000\n/boot/efi 535805952 529000000\n'
      '/media/ada/USB STICK 32000000000 31000000000\n/home 100000000000 50000000000\n'
      '/srv 200000000000 150000000000\n/run/media/ada/BACKUP 64000000000 60000000000\n')

    top = '/sys/devices/pci0000:00'
    pci(f'{top}/0000:00:00.0', 0x8086, 0x9a14, 0x060000, sub=(0x17aa, 0x22d8), rev=1)
    pci(f'{top}/0000:00:02.0', 0x8086, 0x9a49, 0x030000, 'i915', (0x17aa, 0x22d8), 1)
    pci(f'{top}/0000:00:14.0', 0x8086, 0xa0ed, 0x0c0330, 'xhci_hcd', (0x17aa, 0x22d8), 0x20)
    pci(f'{top}/0000:00:14.3', 0x8086, 0xa0f0, 0x028000, 'iwlwifi', (0x8086, 0x0070), 0x20)
    pci(f'{top}/0000:00:1d.0', 0x8086, 0xa0b0, 0x060400, 'pcieport', rev=0x20, link_width=4,
        link_speed='16.0 GT/s PCIe')
    pci(f'{top}/0000:00:1f.3', 0x8086, 0xa0c8, 0x040100, 'snd_hda_intel', (0x17aa, 0x22d8), 0x20)
    pci(f'{top}/0000:00:1f.6', 0x8086, 0x15fc, 0x020000, 'e1000e', (0x17aa, 0x22d8), 0x20)
    nvme_pci = f'{top}/0000:00:1d.0/0000:04:00.0'
    pci(nvme_pci, 0x144d, 0xa80a, 0x010802, 'nvme', (0x144d, 0xa801), 0, 4, '16.0 GT/s PCIe')

    ctrl = f'{nvme_pci}/nvme/nvme0'
    attrs(ctrl, model='SAMSUNG MZVL2512HCJQ-00BL7', serial='S64KNX0R123456', firmware_rev='GXA7401Q',
          transport='pcie')
    link(ctrl + '/device', nvme_pci)
    link('/sys/class/nvme/nvme0', ctrl)
    disk = block('nvme0n1', ctrl + '/nvme0n1', 1000215216, 0, 0, '259:0',
                 [('nvme0n1p1', '259:1'), ('nvme0n1p2', '259:2')], discard=2199023255040)
    link(disk + '/device', ctrl)
    w('/run/udev/data/b259:0', 'S:disk/by-id/nvme-SAMSUNG\nE:ID_PART_TABLE_TYPE=gpt\nE:ID_SERIAL_SHORT=S64KNX0R123456\n')
    w('/run/udev/data/b259:1', 'E:ID_FS_LABEL=SYSTEM\nE:ID_FS_UUID=4A1B-2C3D\nE:ID_FS_TYPE=vfat\n')
    w('/run/udev/data/b259:2', 'E:ID_FS_UUID=0f4e8c1a-6d3b-4b8e-9a51-2c7d1e9f0a11\nE:ID_FS_TYPE=ext4\n')

    usb_top = f'{top}/0000:00:14.0'
    root_hub(f'{usb_top}/usb1', 1, '2.00', 480)
    root_hub(f'{usb_top}/usb2', 2, '3.10', 10000)
    usb(f'{usb_top}/usb1/1-2', 0x046d, 0xc52b, 12, '2.00', manufacturer='Logitech', name='USB Receiver',
        interfaces=[(0x03, 'usbhid'), (0x03, 'usbhid')], bcd='1211', power='98mA')
    usb(f'{usb_top}/usb1/1-4', 0x04f2, 0xb6ea, 480, '2.01', 0xef, 'Chicony Electronics Co.,Ltd.',
        'Integrated Camera', '0001', [(0x0e, 'uvcvideo'), (0x0e, 'uvcvideo')], '5412', '500mA')
    usb(f'{usb_top}/usb1/1-10', 0x8087, 0x0026, 12, '2.00', 0xe0, interfaces=[(0xe0, 'btusb')], bcd='0002')
    stick = f'{usb_top}/usb2/2-1'
    usb(stick, 0x0781, 0x5583, 5000, '3.20', 0, 'SanDisk', 'Ultra Fit', '4C530001230517104424',
        [(0x08, 'usb-storage')], '0100', '896mA')
    scsi = f'{stick}/2-1:1.0/host0/target0:0:0/0:0:0:0'
    attrs(scsi, model='Ultra Fit', vendor='SanDisk', rev='1.00')
    sda = block('sda', scsi, 60063744, 1, 1, '8:0', [('sda1', '8:1')])
    link(sda + '/device', scsi)
    w('/run/udev/data/b8:0', 'E:ID_PART_TABLE_TYPE=dos\n')
    w('/run/udev/data/b8:1', 'E:ID_FS_LABEL=USB STICK\nE:ID_FS_UUID=1234-ABCD\n')

    net('wlp0s20f3', f'{top}/0000:00:14.3', address='a4:c3:f0:11:22:33', wireless=True)
    net('enp0s31f6', f'{top}/0000:00:1f.6', operstate='down', carrier=0, address='8c:8c:aa:44:55:66',
        speed=-1)
    net('docker0', bridge=True, operstate='down', carrier=0, address='02:42:ac:11:00:01', flags='0x1003')
    net('lo', kind=772, operstate='unknown', address='00:00:00:00:00:00')
    net('enx0c3796aabbcc', address='0c:37:96:aa:bb:cc', speed=1000, duplex='full')
    w('/fake/ifaddrs', 'lo 127.0.0.1/8\nwlp0s20f3 192.168.1.23/24\nenx0c3796aabbcc 10.20.30.40/24\nwlp0s20f3 fe80::a6c3:f0ff:fe11:2233/64\n'
      'wlp0s20f3 2001:db8::23/64\ndocker0 172.17.0.1/16\n')

    supply('AC', name='AC', type='Mains', online=1)
    supply('BAT0', name='BAT0', type='Battery', status='Charging', present=1, technology='Li-poly',
           cycle_count=123, voltage_min_design=11580000, voltage_now=12720000, power_now=15000000,
           energy_full_design=57000000, energy_full=51300000, energy_now=30000000, capacity=58,
           model_name='5B10W13975', manufacturer='SMP', serial_number=1234)
    supply('ucsi-source-psy-USBC000:001', name='ucsi-source-psy-USBC000:001', type='USB', online=1,
           usb_type='C [PD] PD_PPS', voltage_max=20000000, current_max=3250000)
    supply('hidpp_battery_0', name='hidpp_battery_0', type='Battery', scope='Device', status='Discharging',
           online=1, capacity=70, model_name='MX Master 3', manufacturer='Logitech', serial_number='4082-ab-cd')
    supply('hid-dc:2c:26:aa:bb:cc-battery', type='Battery', scope='Device', status='Discharging', capacity=40,
           model_name='Keyboard K380')

    card = drm_card('card1', f'{top}/0000:00:02.0')
    connector(card, 'card1-eDP-1', 'connected', ['1920x1200', '1600x1200'],
              edid('AUO', 0x2d8b, 0, 2020, 30, 19, 1920, 1200))
    connector(card, 'card1-HDMI-A-1', 'disconnected')
    connector(card, 'card1-DP-1', 'connected', ['3840x2160', '2560x1440'],
              edid('DEL', 0xa0d4, 0x4c4c4d, 2021, 60, 34, 3840, 2160, 'DELL U2720Q', 'CN0ABCDEF123'))
    d(f'{top}/0000:00:02.0/drm/renderD128')
    link('/sys/class/drm/renderD128', f'{top}/0000:00:02.0/drm/renderD128')

    w('/proc/asound/cards', ' 0 [sofhdadsp      ]: sof-hda-dsp - sof-hda-dsp\n'
      '                      LENOVO-20XW0055GE-ThinkPadX1CarbonGen9\n')
    w('/proc/asound/card0/codec#0', 'Codec: Realtek ALC287\nAddress: 0\nAFG Function Id: 0x1 (unsol 1)\n')
    w('/proc/asound/card0/codec#2', 'Codec: Intel Tigerlake HDMI\nAddress: 2\n')
    w('/proc/asound/pcm', '00-00: HDA Analog (*) :  : playback 1 : capture 1\n00-03: HDMI1 (*) :  : playback 1\n'
      '00-06: DMIC (*) :  : capture 1\n')
    d(f'{top}/0000:00:1f.3/sound/card0')
    link(f'{top}/0000:00:1f.3/sound/card0/device', f'{top}/0000:00:1f.3')
    link('/sys/class/sound/card0', f'{top}/0000:00:1f.3/sound/card0')

    hci = f'{usb_top}/usb1/1-10/1-10:1.0/bluetooth/hci0'
    attrs(hci + '/rfkill1', hard=0, soft=0, type='bluetooth')
    link(hci + '/device', f'{usb_top}/usb1/1-10/1-10:1.0')
    link('/sys/class/bluetooth/hci0', hci)
    for node in ('video0', 'video1'):
        v = f'{usb_top}/usb1/1-4/1-4:1.0/video4linux/{node}'
        attrs(v, name='Integrated Camera: Integrated C', index=0 if node == 'video0' else 1)
        link(v + '/device', f'{usb_top}/usb1/1-4/1-4:1.0')
        link(f'/sys/class/video4linux/{node}', v)

    w('/usr/share/hwdata/pci.ids', IDS_PCI)
    w('/usr/share/hwdata/usb.ids', IDS_USB)
    w('/usr/share/hwdata/pnp.ids', IDS_PNP)


def desktop():
    # A self-built AMD desktop: firmware placeholders, memory modules in SMBIOS, SATA disk, UPS, Radeon card.
    attrs('/sys/class/dmi/id', sys_vendor='System manufacturer', product_name='System Product Name',
          product_version='System Version', chassis_type=3, board_vendor='ASUSTeK COMPUTER INC.',
          board_name='ROG STRIX B550-F GAMING', board_version='Rev X.0x', bios_vendor='American Megatrends Inc.',
          bios_version='2803', bios_date='04/27/2022', product_serial='System Serial Number')
    w('/proc/cpuinfo', cpuinfo('AMD Ryzen 7 5800X 8-Core Processor', 'AuthenticAMD', 16, 8,
                               'fpu vme de pse tsc msr ht svm', '3800.000', '0xa201016'))
    attrs('/sys/devices/system/cpu/cpu0/cpufreq', cpuinfo_max_freq=3800000, cpuinfo_min_freq=2200000)
    caches([(1, 'Data', '32K', '0,8'), (1, 'Instruction', '32K', '0,8'), (2, 'Unified', '512K', '0,8'),
            (3, 'Unified', '32768K', '0-15')])
    w('/proc/meminfo', 'MemTotal:       32823000 kB\nMemAvailable:   28000000 kB\nSwapTotal:             0 kB\n'
      'SwapFree:              0 kB\n')
    for n, (size, locator) in enumerate([(16384, 'DIMM_A1'), (0, 'DIMM_A2'), (16384, 'DIMM_B1'), (0, 'DIMM_B2')]):
        populated = size > 0
        w(f'/sys/firmware/dmi/entries/17-{n}/raw',
          smbios17(0x40 + n, size, locator, f'BANK {n}', 'G Skill Intl' if populated else 'Unknown',
                   f'0000000{n}' if populated else 'Unknown', 'F4-3200C16-16GVK' if populated else 'Unknown'))
    common_software('NAME="Arch Linux"\nBUILD_ID=rolling\n', '6.6.7-arch1-1', 'workstation', '59.9', 1700000000,
                    uid=0, passwd='root:x:0:0::/root:/bin/bash\n')
    w('/proc/mounts', '/dev/nvme0n1p1 / btrfs rw,relatime 0 0\n/dev/nvme0n1p1 /home btrfs rw,relatime 0 0\n'
      '/dev/sda1 /data ext4 rw,relatime 0 0\n')
    w('/fake/statvfs', '/ 1000000000000 400000000000\n/data 2000000000000 1500000000000\n')

    top = '/sys/devices/pci0000:00'
    pci(f'{top}/0000:00:00.0', 0x1022, 0x1480, 0x060000)
    pci(f'{top}/0000:00:03.1', 0x1022, 0x1483, 0x060400, 'pcieport', link_width=16, link_speed='16.0 GT/s PCIe')
    gpu = f'{top}/0000:00:03.1/0000:0b:00.0'
    pci(gpu, 0x1002, 0x73df, 0x030000, 'amdgpu', (0x1da2, 0xe445), 0xc1, 16, '16.0 GT/s PCIe')
    attrs(gpu, mem_info_vram_total=12868124672)
    pci(f'{top}/0000:00:03.1/0000:0b:00.1', 0x1002, 0xab28, 0x040300, 'snd_hda_intel')
    pci(f'{top}/0000:00:02.1/0000:05:00.0', 0x10ec, 0x8125, 0x020000, 'r8169', rev=5, link_width=1,
        link_speed='5.0 GT/s PCIe')
    nvme_pci = f'{top}/0000:00:01.1/0000:01:00.0'
    pci(nvme_pci, 0x144d, 0xa80a, 0x010802, 'nvme', link_width=4, link_speed='16.0 GT/s PCIe')
    ctrl = f'{nvme_pci}/nvme/nvme0'
    attrs(ctrl, model='Samsung SSD 980 PRO 1TB', serial='S5GXNF0R654321', firmware_rev='5B2QGXA7', transport='pcie')
    link(ctrl + '/device', nvme_pci)
    link('/sys/class/nvme/nvme0', ctrl)
    disk = block('nvme0n1', ctrl + '/nvme0n1', 1953525168, 0, 0, '259:0', [('nvme0n1p1', '259:1')], discard=0)
    link(disk + '/device', ctrl)
    ata = f'{top}/0000:00:08.1/0000:0c:00.0/ata2/host1/target1:0:0/1:0:0:0'
    attrs(ata, model='ST2000DM008-2FR102', vendor='ATA     ', rev='0001')
    sda = block('sda', ata, 3907029168, 1, 0, '8:0', [('sda1', '8:1')])
    link(sda + '/device', ata)
    w('/run/udev/data/b8:0', 'E:ID_PART_TABLE_TYPE=gpt\nE:ID_SERIAL_SHORT=ZFL1ABCD\n')
    w('/run/udev/data/b8:1', 'E:ID_FS_LABEL=data\n')
    for name in ('loop0', 'zram0'):
        attrs(f'/sys/devices/virtual/block/{name}', size=8388608, removable=0, dev='7:0')
        link(f'/sys/block/{name}', f'/sys/devices/virtual/block/{name}')

    net('enp5s0', f'{top}/0000:00:02.1/0000:05:00.0', address='04:42:1a:aa:bb:cc', speed=2500, duplex='full')
    w('/fake/ifaddrs', 'enp5s0 10.0.0.5/24\n')
    supply('ups', name='ups', type='UPS', status='Full', online=1, capacity=100, model_name='Back-UPS ES 700G',
           manufacturer='American Power Conversion', voltage_now=13600000)
    # A second UPS that Network UPS Tools serves, on battery; UPower knows a headset and the kernel's UPS.
    w('/fake/nut-ups', 'battery.charge: 64\nbattery.runtime: 900\nbattery.voltage: 12.2\nups.status: OB DISCHRG\n'
      'ups.mfr: EATON\nups.model: Eaton 5E 850i\nups.serial: G355E12345\n')
    w('/fake/upower-devices.plist', plistlib.dumps({
        '/org/freedesktop/UPower/devices/ups_hiddev0': {'NativePath': 'ups', 'Type': 3, 'Model': 'Back-UPS ES 700G',
                                                         'PowerSupply': True, 'Percentage': 100.0, 'State': 4},
        '/org/freedesktop/UPower/devices/headset_dev_00_1B_66_AA_BB_CC': {
            'NativePath': '/org/bluez/hci0/dev_00_1B_66_AA_BB_CC', 'Type': 17, 'Model': 'MOMENTUM 4',
            'Vendor': 'Sennheiser', 'PowerSupply': False, 'IsPresent': True, 'Percentage': 60.0, 'State': 2,
            'TimeToEmpty': 0},
    }))

    card = drm_card('card0', gpu)
    connector(card, 'card0-DP-1', 'connected', ['2560x1440'],
              edid('GSM', 0x5b7f, 0, 2022, 60, 34, 2560, 1440, 'LG ULTRAGEAR'))
    connector(card, 'card0-HDMI-A-1', 'disconnected')
    w('/proc/asound/cards', ' 0 [Generic        ]: HDA-Intel - HD-Audio Generic\n'
      '                      HD-Audio Generic at 0xfcc60000 irq 90\n')
    w('/proc/asound/pcm', '00-03: HDMI 0 : HDMI 0 : playback 1\n')
    d(f'{top}/0000:00:03.1/0000:0b:00.1/sound/card0')
    link(f'{top}/0000:00:03.1/0000:0b:00.1/sound/card0/device', f'{top}/0000:00:03.1/0000:0b:00.1')
    link('/sys/class/sound/card0', f'{top}/0000:00:03.1/0000:0b:00.1/sound/card0')
    w('/usr/share/misc/pci.ids', IDS_PCI)
    w('/usr/share/misc/pnp.ids', IDS_PNP)


def vm():
    # A QEMU/KVM guest booted through SeaBIOS: virtio disk and network, a framebuffer display, a USB tablet.
    attrs('/sys/class/dmi/id', sys_vendor='QEMU', product_name='Standard PC (Q35 + ICH9, 2009)',
          product_version='pc-q35-7.2', chassis_type=1, bios_vendor='SeaBIOS', bios_version='1.16.2-debian-1.16.2-1',
          bios_date='04/01/2014')
    w('/proc/cpuinfo', cpuinfo('QEMU Virtual CPU version 2.5+', 'GenuineIntel', 2, 2, 'fpu de pse tsc hypervisor',
                               '2495.998', core_ids=False))
    w('/proc/meminfo', 'MemTotal:        2014000 kB\nMemAvailable:    1500000 kB\n')
    common_software('PRETTY_NAME="Fedora Linux 39 (Server Edition)"\n', '6.5.6-300.fc39.x86_64', 'guest',
                    '86399.5', 1700000000)
    w('/proc/mounts', '/dev/vda1 / xfs rw,relatime 0 0\n')
    w('/fake/statvfs', '/ 20000000000 15000000000\n')
    top = '/sys/devices/pci0000:00'
    pci(f'{top}/0000:00:00.0', 0x8086, 0x29c0, 0x060000)
    pci(f'{top}/0000:00:01.0', 0x1234, 0x1111, 0x030000, 'bochs-drm', rev=2)
    pci(f'{top}/0000:00:02.0', 0x1af4, 0x1042, 0x010000, 'virtio-pci')
    pci(f'{top}/0000:00:03.0', 0x1af4, 0x1041, 0x020000, 'virtio-pci')
    pci(f'{top}/0000:00:04.0', 0x1b36, 0x000d, 0x0c0330, 'xhci_hcd')
    virtio_disk = f'{top}/0000:00:02.0/virtio1'
    attrs(virtio_disk, vendor='0x1af4')
    link(virtio_disk + '/subsystem', '/sys/bus/virtio')
    disk = block('vda', virtio_disk, 41943040, 1, 0, '252:0', [('vda1', '252:1')])
    attrs(disk, serial='vm-disk-0001')
    link(disk + '/device', virtio_disk)
    virtio_net = f'{top}/0000:00:03.0/virtio0'
    link(virtio_net + '/subsystem', '/sys/bus/virtio')
    link(virtio_net + '/driver', '/sys/bus/virtio/drivers/virtio_net')
    net('enp1s0', virtio_net, address='52:54:00:12:34:56', speed=-1)
    w('/fake/ifaddrs', 'enp1s0 192.168.122.10/24\n')
    card = drm_card('card0', f'{top}/0000:00:01.0')
    connector(card, 'card0-Virtual-1', 'connected', ['1280x800'])
    root_hub(f'{top}/0000:00:04.0/usb1', 1, '2.00', 480)
    usb(f'{top}/0000:00:04.0/usb1/1-1', 0x0627, 0x0001, 480, '2.00', manufacturer='QEMU', name='QEMU USB Tablet',
        serial='28754-0000:00:04.0-1', interfaces=[(0x03, 'usbhid')])
    w('/usr/share/hwdata/pci.ids', IDS_PCI)
    w('/usr/share/hwdata/usb.ids', IDS_USB)
    # No power supply at all, but power-management settings: sleep states, a platform profile, two CPU policies
    # that differ, power-profiles-daemon running, and logind settings spread over drop-ins.
    w('/sys/power/state', 'freeze mem disk\n')
    w('/sys/power/mem_sleep', 's2idle [deep]\n')
    w('/sys/power/disk', '[platform] shutdown reboot suspend test_resume\n')
    w('/sys/firmware/acpi/platform_profile', 'balanced\n')
    w('/sys/firmware/acpi/platform_profile_choices', 'low-power balanced performance\n')
    for policy, governor in (('policy0', 'powersave'), ('policy1', 'performance')):
        attrs(f'/sys/devices/system/cpu/cpufreq/{policy}', scaling_governor=governor, scaling_driver='intel_pstate',
              energy_performance_preference='balance_performance')
    w('/proc/812/comm', 'power-profiles-daemon\n')
    w('/var/lib/power-profiles-daemon/state.ini', '[State]\nDriver=intel_pstate\nProfile=power-saver\n')
    w('/etc/systemd/logind.conf', '[Login]\n#HandleLidSwitch=suspend\nHandleLidSwitch=lock\n')
    w('/usr/lib/systemd/logind.conf.d/10-idle.conf', '[Login]\nIdleAction=poweroff\n')
    w('/usr/lib/systemd/logind.conf.d/20-docked.conf', '[Login]\nHandleLidSwitchDocked=suspend\n')
    w('/etc/systemd/logind.conf.d/10-idle.conf', '[Login]\nIdleAction=suspend\nIdleActionSec=15min\n')


def broken():
    # Files that are missing, truncated, garbled or of the wrong kind, and no hardware database.
    w('/sys/class/dmi/id/product_name', b'Think\xffPad\x01 X\tY\n')
    attrs('/sys/class/dmi/id', sys_vendor='To be filled by O.E.M.', chassis_type='garbage', bios_date='13/45',
          bios_vendor='')
    d('/sys/class/dmi/id/product_serial')  # a directory where a file belongs
    w('/proc/cpuinfo', 'processor\t: 0\nmodel na')
    attrs('/sys/devices/system/cpu/cpu0/cpufreq', base_frequency='abc')
    attrs('/sys/devices/system/cpu/cpu0/cache/index0', level=1, type='Data', size='')
    w('/proc/meminfo', 'MemTotal: lots kB\nMemAvailable:\n')
    w('/sys/firmware/dmi/entries/17-0/raw', b'\x11\x28\x00')
    w('/proc/sys/kernel/hostname', 'broken\n')
    w('/proc/uptime', 'nonsense\n')
    w('/proc/stat', 'btime\n')
    w('/proc/mounts', 'short line\n/dev/sdz1 /mnt ext4 rw 0 0\n/dev/sdb1 /weird\\ name ext4 rw 0 0\n')
    w('/fake/statvfs', '/mnt\n/mnt x y\n')
    w('/fake/ifaddrs', 'garbage\n')
    attrs('/sys/devices/virtual/block/sdb', size=0, removable=0)
    link('/sys/block/sdb', '/sys/devices/virtual/block/sdb')
    attrs('/sys/devices/virtual/block/sdc', removable=0)
    link('/sys/block/sdc', '/sys/devices/virtual/block/sdc')
    base = '/sys/devices/virtual/net/eth0'
    d(base + '/type')
    attrs(base, operstate='up', carrier=1, address='00:11:22:33:44:55')
    d(base + '/speed')
    link('/sys/class/net/eth0', base)
    link('/sys/class/net/eth1', '/sys/devices/virtual/net/missing')
    bat0 = '/sys/devices/LNXSYSTM:00/power_supply/BAT0'
    d(bat0 + '/uevent')
    attrs(bat0, type='Battery', status='Discharging', capacity=85, energy_full=0, cycle_count=0,
          manufacturer='Not Specified')
    link('/sys/class/power_supply/BAT0', bat0)
    supply('BAT1', type='Battery', present=0, status='Unknown')
    supply('weird', type='Gizmo', online=1)
    top = '/sys/devices/pci0000:00'
    attrs(f'{top}/0000:00:00.0', vendor='0x8086', **{'class': 'zz'})  # no device file
    link('/sys/bus/pci/devices/0000:00:00.0', f'{top}/0000:00:00.0')
    attrs(f'{top}/0000:00:01.0', vendor='0xFFFFF', device='0x1234')
    link('/sys/bus/pci/devices/0000:00:01.0', f'{top}/0000:00:01.0')
    attrs(f'{top}/0000:00:02.0', vendor='0x8086', device='0x9a49', **{'class': 'zz'})
    link(f'{top}/0000:00:02.0/subsystem', '/sys/bus/pci')
    link('/sys/bus/pci/devices/0000:00:02.0', f'{top}/0000:00:02.0')
    link('/sys/bus/pci/devices/0000:00:09.0', f'{top}/0000:00:09.0')
    hub = f'{top}/0000:00:02.0/usb1'
    attrs(hub, busnum=1)
    link('/sys/bus/usb/devices/usb1', hub)
    attrs(f'{hub}/1-1', speed=12)
    link('/sys/bus/usb/devices/1-1', f'{hub}/1-1')
    link('/sys/bus/usb/devices/3-1', f'{top}/nowhere/3-1')
    card = drm_card('card0', f'{top}/0000:00:02.0')
    connector(card, 'card0-HDMI-A-1', 'connected', None, edid('DEL', 1, 2, 2020, 50, 30, 1920, 1080)[:64])
    w('/proc/asound/cards', '--- no soundcards ---\n x [broken\n')


def main():
    global TREE
    for name, build in (('laptop', laptop), ('desktop', desktop), ('vm', vm), ('broken', broken)):
        TREE = os.path.join(HERE, name)
        shutil.rmtree(TREE, ignore_errors=True)
        os.makedirs(TREE)
        build()
        keep_empty_directories(TREE)


def keep_empty_directories(tree):
    """Git does not keep empty directories, but the collectors look for some (bridge/, wireless/, memoryN/)."""
    for directory, subdirectories, files in os.walk(tree, followlinks=False):
        if not subdirectories and not files and not os.path.islink(directory):
            open(os.path.join(directory, '.keep'), 'w').close()


if __name__ == '__main__':
    main()
