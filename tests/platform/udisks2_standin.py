"""UDisks2 as the tests need it (a python3-dbusmock template): removable drives with one file
system each, put in, mounted elsewhere and taken away by the test; Unmount refuses while a file
"busy" lies in the mount point, PowerOff is recorded."""
import os

import dbus
import dbusmock
from dbusmock import MOCK_IFACE, OBJECT_MANAGER_IFACE

BUS_NAME = "org.freedesktop.UDisks2"
MAIN_OBJ = "/org/freedesktop/UDisks2"
MAIN_IFACE = "org.freedesktop.UDisks2.Manager"
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True
FS = "org.freedesktop.UDisks2.Filesystem"


def load(mock, _parameters):
    mock.AddProperties(MAIN_IFACE, {"Version": "2.9.4"})


def points(mount_point):
    return dbus.Array([dbus.ByteArray(mount_point.encode() + b"\0")] if mount_point else [], signature="ay")


def unmount(block, _options):
    mount_point = bytes(block.Get(FS, "MountPoints")[0][:-1]).decode()
    if os.path.exists(os.path.join(mount_point, "busy")):
        raise dbus.exceptions.DBusException("Target is busy", name="org.freedesktop.UDisks2.Error.DeviceBusy")
    block.UpdateProperties(FS, {"MountPoints": points("")})


@dbus.service.method(MOCK_IFACE, in_signature="ssss", out_signature="")
def AddCard(self, name, mount_point, uuid, label):
    drive, block = f"{MAIN_OBJ}/drives/{name}", f"{MAIN_OBJ}/block_devices/{name}"
    self.AddObject(drive, "org.freedesktop.UDisks2.Drive", {"Removable": True, "CanPowerOff": True},
                   [("PowerOff", "a{sv}", "", "")])
    properties = {"IdUUID": uuid, "IdLabel": label, "Drive": dbus.ObjectPath(drive)}
    self.AddObject(block, "org.freedesktop.UDisks2.Block", properties, [])
    device = dbusmock.get_object(block)
    device.AddProperties(FS, {"MountPoints": points(mount_point)})
    device.AddMethod(FS, "Unmount", "a{sv}", "", unmount)
    self.EmitSignal(OBJECT_MANAGER_IFACE, "InterfacesAdded", "oa{sa{sv}}",
                    [dbus.ObjectPath(block), {"org.freedesktop.UDisks2.Block": properties,
                                              FS: {"MountPoints": points(mount_point)}}])


@dbus.service.method(MOCK_IFACE, in_signature="ss", out_signature="")
def Remount(self, name, mount_point):
    dbusmock.get_object(f"{MAIN_OBJ}/block_devices/{name}").UpdateProperties(FS, {"MountPoints": points(mount_point)})


@dbus.service.method(MOCK_IFACE, in_signature="s", out_signature="")
def RemoveCard(self, name):
    for path in (f"{MAIN_OBJ}/block_devices/{name}", f"{MAIN_OBJ}/drives/{name}"):
        self.RemoveObject(path)
        self.EmitSignal(OBJECT_MANAGER_IFACE, "InterfacesRemoved", "oas", [dbus.ObjectPath(path), []])
