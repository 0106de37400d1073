"""UDisks2 (a python3-dbusmock template): a removable drive put in or mounted elsewhere (PutIn),
whose Unmount refuses while a file "busy" lies in its mount point."""
import os

import dbus
import dbusmock
from dbusmock import MOCK_IFACE, OBJECT_MANAGER_IFACE

BUS_NAME, MAIN_OBJ, MAIN_IFACE = "org.freedesktop.UDisks2", "/org/freedesktop/UDisks2", "org.freedesktop.UDisks2.Manager"
SYSTEM_BUS = IS_OBJECT_MANAGER = True
FS = "org.freedesktop.UDisks2.Filesystem"


def load(mock, _parameters):
    mock.AddProperties(MAIN_IFACE, {"Version": "2.9.4"})


def points(mount_point):
    return dbus.Array([dbus.ByteArray(mount_point.encode() + b"\0")] if mount_point else [], signature="ay")


def unmount(block, _options):
    if os.path.exists(os.path.join(bytes(block.Get(FS, "MountPoints")[0][:-1]).decode(), "busy")):
        raise dbus.exceptions.DBusException("Target is busy", name="org.freedesktop.UDisks2.Error.DeviceBusy")
    block.UpdateProperties(FS, {"MountPoints": points("")})


@dbus.service.method(MOCK_IFACE, in_signature="ssss", out_signature="")
def PutIn(self, name, mount_point, uuid, label):
    drive, block = f"{MAIN_OBJ}/drives/{name}", f"{MAIN_OBJ}/block_devices/{name}"
    if block in dbusmock.mockobject.objects:
        dbusmock.get_object(block).UpdateProperties(FS, {"MountPoints": points(mount_point)})
        return
    self.AddObject(drive, "org.freedesktop.UDisks2.Drive", {"Removable": True, "CanPowerOff": True},
                   [("PowerOff", "a{sv}", "", "")])
    properties = {"IdUUID": uuid, "IdLabel": label, "Drive": dbus.ObjectPath(drive)}
    self.AddObject(block, "org.freedesktop.UDisks2.Block", properties, [])
    dbusmock.get_object(block).AddProperties(FS, {"MountPoints": points(mount_point)})
    dbusmock.get_object(block).AddMethod(FS, "Unmount", "a{sv}", "", unmount)
    self.EmitSignal(OBJECT_MANAGER_IFACE, "InterfacesAdded", "oa{sa{sv}}", [
        dbus.ObjectPath(block), {"org.freedesktop.UDisks2.Block": properties, FS: {"MountPoints": points(mount_point)}}])
