#!/usr/bin/env python3
"""The Windows installer under Wine, in the session of wingui.py (its display and prefix).

    wininstaller.py --version X.Y.Z --installer EXE installer-file
        the shipped installer's file: a 32-bit program with the icon and version information
    wininstaller.py --version X.Y.Z --build DIR --program EXE --shellext64 DLL --shellext32 DLL --tar EXE
                    --installer EXE install-and-uninstall
        the 64-bit test installer walked by keyboard with the last page's tick "Интегрировать
        в проводник": the program, both context-menu libraries, the Start-menu shortcut and the
        "Programs and Features" entry are there (with --version-probe, the entry's values and
        the installed files' version information as Windows reads them) and the program has
        tied itself into Explorer without a box about a missing library, both libraries
        registered; the silent uninstaller removes and unregisters all of it and keeps the user's settings. Then a
        silent install, the installed program shows its window and, without unrar.exe, writes a RAR book through the
        system's tar.exe (the stand-in in the prefix's System32), and the silent uninstaller
        asked to remove the settings removes them too
    wininstaller.py --version X.Y.Z --build DIR --program EXE32 --shellext32 DLL --installer EXE
                    install-on-32-bit-windows
        the shipped installer, run silently on a 32-bit Windows (a prefix of its own), installs
        the 32-bit program with the 32-bit context-menu library only, and the program shows its
        window; the silent uninstaller removes it

The wizard walk runs the 64-bit twin of the shipped installer, made from the same script, in the
64-bit prefix of the window tests.
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

import wingui
from wingui import Failure, check, check_soon, log

PRODUCT = "ZWQ-менеджер"
PUBLISHER = "kv8102tz"
WEBSITE = "https://zwq-books.example/"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZWQManager"
INTEGRATION_KEYS = (r"HKCR\.ydr", r"HKCR\ZWQManager")
MISSING_LIBRARY_BOX = "Ошибка во время интеграции в проводник"
# The context-menu libraries: file name and registry view of each, the class they register and
# the menu handler keys they share.
SHELL_EXTENSIONS = (("ZWQShellExt64.dll", "64"), ("ZWQShellExt32.dll", "32"))
SHELL_EXTENSION_SERVER = r"HKCR\CLSID\{37F4263A-C525-48D1-AB5E-2817192A5411}\InprocServer32"
SHELL_EXTENSION_HANDLERS = (r"HKCR\*\shellex\ContextMenuHandlers\ZWQManager",
                            r"HKCR\Directory\shellex\ContextMenuHandlers\ZWQManager")
WIZARD_TITLE = "Установка " + PRODUCT
# The wizard's pages after the welcome page carry a blank after the title.
WIZARD_PAGE_TITLE = WIZARD_TITLE + " "
WELCOME_BUTTON, INSTALL_BUTTON = "&Далее >", "&Установить"
FINISH_TICK = "Интегрировать в проводник"
INSTALL_LIMIT = 120    # seconds
UNINSTALL_LIMIT = 60   # the uninstaller goes on in a copy of itself after the first process ends

PE_MACHINE = 4         # from the PE signature
MACHINE_I386 = 0x14C


def installer_file(installer, version):
    """The shipped installer: 32-bit (it must run on 32-bit Windows), with the program's icon
    and version information naming the product and its version."""
    exe = wingui.PortableExecutable(installer)
    pe = struct.unpack_from("<I", exe.data, exe.PE_HEADER_POINTER)[0]
    machine = struct.unpack_from("<H", exe.data, pe + PE_MACHINE)[0]
    check(machine == MACHINE_I386, f"the installer's machine is {machine:#x}, not i386")
    resources = exe.resources()
    check(resources.get(wingui.RT_ICON) and resources.get(wingui.RT_GROUP_ICON), "the installer has no icon")
    info = b"".join(resources.get(wingui.RT_VERSION, []))
    for text in (PRODUCT, version, PUBLISHER):
        check(text.encode("utf-16-le") in info, "the installer's version information lacks " + text)


class Installed:
    """Where the installation lands in the session's prefix."""

    def __init__(self, session):
        drive_c = os.path.join(session.prefix, "drive_c")
        self.folder = os.path.join(drive_c, "Program Files", PRODUCT)
        self.program = os.path.join(self.folder, "ZWQManager.exe")
        self.uninstaller = os.path.join(self.folder, "uninstall.exe")
        self.shortcut = os.path.join(drive_c, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs",
                                     PRODUCT + ".lnk")


class InstalledProgram(wingui.Program):
    """The installed ZWQManager.exe, run where the installer put it."""

    def __init__(self, session, installed, *arguments):
        self.session, self.folder, self.exe = session, session.folder, installed.program
        self.desktop = wingui.Desktop(session)
        self.process = self.output = None
        self.start(*arguments)

    def start(self, *arguments):
        self.output = open(os.path.join(self.folder, "installed-program.log"), "wb")
        self.process = subprocess.Popen(self.session.command("wine", self.exe, *arguments), env=self.session.env(),
                                        stdin=subprocess.DEVNULL, stdout=self.output, stderr=self.output)
        return self


def registry_values(session, key, view=None):
    """The values of a registry key (name → text as exported), or None when it is missing; in
    the given view of the registry ("32", "64"), or in reg.exe's own."""
    with tempfile.TemporaryDirectory(dir=session.folder) as folder:
        exported = os.path.join(folder, "key.reg")
        view_switch = ["/reg:" + view] if view else []
        if session.wine("wine", "reg", "export", key, wingui.windows_path(exported), "/y", *view_switch) != 0:
            return None
        with open(exported, encoding="utf-16") as f:
            lines = f.read().splitlines()
    values = {}
    for line in lines:
        if line.startswith("@="):  # the default value, named "@" here
            line = '"@"' + line[1:]
        if line.startswith('"') and '"=' in line:
            name, value = line[1:].split('"=', 1)
            # Text values are quoted, with their backslashes and quotes escaped.
            values[name] = re.sub(r"\\(.)", r"\1", value[1:-1]) if value.startswith('"') else value
    return values


def key_exists(session, key):
    return session.wine("wine", "reg", "query", key) == 0


def registered_library(session, view):
    """The file registered for the context menu's class in a registry view, or None."""
    values = registry_values(session, SHELL_EXTENSION_SERVER, view)
    if values is None or values.get("ThreadingModel") != "Apartment":
        return None
    return values.get("@")


def check_libraries_registered(session):
    """Both libraries registered from the program's folder (regsvr32 runs on its own after
    the program started it), the menu handlers of files and folders in place."""
    folder = r"C:\Program Files" + "\\" + PRODUCT
    for name, view in SHELL_EXTENSIONS:
        check_soon(lambda: registered_library(session, view) == folder + "\\" + name,
                   lambda: f"{name} is not registered in the {view}-bit view: {registered_library(session, view)!r}")
    for key in SHELL_EXTENSION_HANDLERS:
        check(key_exists(session, key), key + " is missing")


def version_information(session, path):
    """What versionprobe.exe reads from a file's version resource: name → text."""
    result = subprocess.run(session.command("wine", session.version_probe, wingui.windows_path(path)),
                            env=session.env(), stdin=subprocess.DEVNULL, capture_output=True,
                            timeout=wingui.WINE_COMMAND_LIMIT)
    check(result.returncode == 0, f"{path} has no version information ({result.returncode})")
    lines = result.stdout.decode("utf-8", "replace").splitlines()
    return dict(line.split(" ", 1) for line in lines if " " in line)


def check_version_information(session, installed, version, libraries):
    """The installed program and libraries name the product, its maker and this version, as
    their properties show them."""
    files = {"ZWQManager.exe": "app", **{name: "dll" for name in libraries}}
    for name, kind in files.items():
        info = version_information(session, os.path.join(installed.folder, name))
        expected = {"type": kind, "version": version + ".0", "product-version": version + ".0",
                    "FileVersion": version, "ProductVersion": version, "ProductName": PRODUCT,
                    "CompanyName": PUBLISHER, "OriginalFilename": name}
        wrong = {key: info.get(key) for key, value in expected.items() if info.get(key) != value}
        check(not wrong, f"{name}'s version information differs: {wrong}")
        check(PUBLISHER in info.get("LegalCopyright", "") and info.get("FileDescription", "").startswith(PRODUCT),
              f"{name}'s version information: {info}")


def check_installation(session, installed, version, libraries):
    """The program, the context-menu libraries (file name → the build it must be), the
    uninstaller, the shortcut and the entry in Programs and Features, whose size is the
    installed files'."""
    check(wingui.read_bytes(installed.program) == wingui.read_bytes(session.program),
          "the installed program is not the build for this Windows: " + session.program)
    for name, view in SHELL_EXTENSIONS:
        installed_library = os.path.join(installed.folder, name)
        if name not in libraries:
            check(not os.path.exists(installed_library), name + " is installed on this Windows")
            continue
        check(os.path.isfile(installed_library), "no " + name + " beside the program")
        check(wingui.read_bytes(installed_library) == wingui.read_bytes(libraries[name]),
              f"{name} is not the {view}-bit build")
    check(os.path.isfile(installed.uninstaller), "no uninstaller")
    folder = r"C:\Program Files" + "\\" + PRODUCT
    # The shortcut names the installed program. (Wine cannot follow it here: its ANSI code
    # page has no Cyrillic letters for the folder's name, which a Russian Windows has.)
    check(os.path.isfile(installed.shortcut), "no Start-menu shortcut " + installed.shortcut)
    target = (folder + "\\ZWQManager.exe").encode("utf-16-le")
    check(target in wingui.read_bytes(installed.shortcut), "the shortcut does not name " + folder)
    entry = registry_values(session, UNINSTALL_KEY)
    check(entry is not None, "no entry in Programs and Features")
    expected = {"DisplayName": PRODUCT, "DisplayVersion": version, "Publisher": PUBLISHER,
                "InstallLocation": folder, "DisplayIcon": f'"{folder}\\ZWQManager.exe",0',
                "URLInfoAbout": WEBSITE, "NoModify": "dword:00000001", "NoRepair": "dword:00000001",
                "UninstallString": f'"{folder}\\uninstall.exe"',
                "QuietUninstallString": f'"{folder}\\uninstall.exe" /S'}
    for name, value in expected.items():
        check(entry.get(name) == value, f"{name} is {entry.get(name)!r}, not {value!r}")
    # In KiB, of what lies in the folder: each file's rounding aside.
    size = entry.get("EstimatedSize", "")
    files = [os.path.join(installed.folder, name) for name in os.listdir(installed.folder)]
    kib = sum(os.path.getsize(path) for path in files) / 1024
    check(size.startswith("dword:") and abs(int(size[len("dword:"):], 16) - kib) <= len(files),
          f"EstimatedSize is {size}, the files take {kib:.0f} KiB")
    if session.version_probe:
        check_version_information(session, installed, version, libraries)


def uninstall(session, installed, *switches):
    """The silent uninstaller; it goes on in a copy of itself, so its end is its work done."""
    code = session.wine("wine", installed.uninstaller, "/S", *switches, limit=UNINSTALL_LIMIT)
    check(code == 0, f"the silent uninstaller ended with {code}")
    def left():
        """What the uninstaller has not removed yet."""
        remaining = []
        if os.path.exists(installed.folder):
            remaining.append(f"the program folder ({os.listdir(installed.folder)})")
        if os.path.exists(installed.shortcut):
            remaining.append("the Start-menu shortcut")
        if registry_values(session, UNINSTALL_KEY) is not None:
            remaining.append("the entry in Programs and Features")
        remaining += [key for key in INTEGRATION_KEYS + SHELL_EXTENSION_HANDLERS if key_exists(session, key)]
        remaining += [name + "'s registration" for name, view in SHELL_EXTENSIONS
                      if registered_library(session, view) is not None]
        return remaining
    check_soon(lambda: not left(), lambda: f"the uninstaller left {', '.join(left())}", limit=UNINSTALL_LIMIT)


def install_by_keyboard_with_integration(session, desktop, installer, installed):
    """The wizard walked with keys: Enter on the welcome page ("Далее") and on the folder page
    ("Установить"); on the last page the tick "Интегрировать в проводник" has the focus: Space
    ticks it, Tab and Enter press "Готово". The installed program then starts with /integrate."""
    with open(os.path.join(session.folder, "installer.log"), "wb") as output:
        wizard = subprocess.Popen(session.command("wine", installer), env=session.env(), stdin=subprocess.DEVNULL,
                                  stdout=output, stderr=output)
    try:
        window = desktop.wait_window(WIZARD_TITLE)
        check_soon(lambda: "text " + WELCOME_BUTTON in session.run_probe(WIZARD_TITLE),
                   lambda: f"the welcome page shows {session.run_probe(WIZARD_TITLE)}")
        desktop.press(window, "Return")
        check_soon(lambda: "text " + INSTALL_BUTTON in session.run_probe(WIZARD_PAGE_TITLE),
                   lambda: f"the folder page does not come: {session.run_probe(WIZARD_PAGE_TITLE)}")
        desktop.press(window, "Return")
        check_soon(lambda: registry_values(session, UNINSTALL_KEY) is not None, lambda: "the wizard installed nothing",
                   limit=INSTALL_LIMIT)
        check_soon(lambda: "text " + FINISH_TICK in session.run_probe(WIZARD_PAGE_TITLE),
                   lambda: f"the wizard's last page with the tick does not come: {session.run_probe(WIZARD_PAGE_TITLE)}",
                   limit=INSTALL_LIMIT)
        desktop.screenshot("installer-last-page.png")
        desktop.press(window, "space", "Tab", "Return")
        wizard.wait(timeout=wingui.PROGRAM_END_LIMIT)
        check(wizard.returncode == 0, f"the installer ended with {wizard.returncode}")
    finally:
        if wizard.poll() is None:
            wizard.kill()
            wizard.wait(timeout=wingui.PROGRAM_END_LIMIT)

    # The program started by the tick runs on its own; its boxes and window are on the screen.
    # The switch ends with a box that tells the integration's state; a missing library would
    # have been reported before it.
    check_soon(lambda: desktop.windows(wingui.INTEGRATION_BOX) or desktop.windows(MISSING_LIBRARY_BOX),
               lambda: "no box after integrating")
    check(not desktop.windows(MISSING_LIBRARY_BOX), "integrating reported a missing context-menu library")
    box = desktop.wait_window(wingui.INTEGRATION_BOX)
    desktop.press(box, "Return")
    desktop.wait_gone(wingui.INTEGRATION_BOX)
    window = desktop.wait_window(wingui.MAIN_TITLE)
    check_soon(lambda: all(key_exists(session, key) for key in INTEGRATION_KEYS),
               lambda: "the tick did not integrate: " + ", ".join(INTEGRATION_KEYS))
    check_libraries_registered(session)
    desktop.press(window, "alt+F4")
    desktop.wait_gone(wingui.MAIN_TITLE)


def write_rar_book_with_systems_tar(session, desktop, installed, tar):
    """A Windows 10 user without unrar.exe writes a RAR book: the installed program finds the
    system's tar.exe (here the stand-in, put into the prefix's System32) and the book lands on
    the card E:."""
    system_tar = os.path.join(session.prefix, "drive_c", "windows", "system32", "tar.exe")
    log_file = os.path.join(os.path.dirname(system_tar), "tar-log.txt")
    wingui.empty_folder(session.card)
    archive = os.path.join(session.folder, "installed", "Книга.rar")
    headers = ["#TITLE=Капитанская дочка", "#AUTHOR=Александр Пушкин", "#TOTAL_SIZE_KB=1"]
    wingui.write_bytes(archive, wingui.rar4([("BOOK_001.ydr", wingui.encoded(headers + ["01.mp3"])),
                                             ("01.mp3", b"chapter one")]))
    shutil.copy(tar, system_tar)
    try:
        with InstalledProgram(session, installed, wingui.windows_path(archive)) as program:
            box = desktop.wait_window(wingui.WRITE_BOX, program)
            desktop.press(box, "Return")
            program.wait_end()
        calls = wingui.read_bytes(log_file).decode("utf-8").splitlines()
        check([call.split('" ')[1].split()[0] for call in calls] == ["-tf", "-tvf", "-xf"],
              "tar.exe was not asked to list and unpack: " + repr(calls))
        check(wingui.read_bytes(os.path.join(session.card, "BOOK_001", "01.mp3")) == b"chapter one",
              "the book from the archive is not on the card")
    finally:
        for path in (system_tar, log_file):
            if os.path.exists(path):
                os.remove(path)


def install_and_uninstall(session, desktop, installer, version, tar, libraries):
    installed = Installed(session)
    if os.path.exists(installed.uninstaller):  # left by an interrupted run
        uninstall(session, installed)
    wingui.store_settings(session, ["CARD_PATH=E:\\", "IS_ASKED_FOR_INTEGRATION=YES"])
    settings = wingui.read_bytes(session.settings_file())

    install_by_keyboard_with_integration(session, desktop, installer, installed)
    check_installation(session, installed, version, libraries)
    uninstall(session, installed)
    check(wingui.read_bytes(session.settings_file()) == settings, "the uninstaller changed the user's settings")

    code = session.wine("wine", installer, "/S", limit=INSTALL_LIMIT)
    check(code == 0, f"the silent installer ended with {code}")
    check_installation(session, installed, version, libraries)
    with InstalledProgram(session, installed) as program:
        window = desktop.wait_window(wingui.MAIN_TITLE, program)
        desktop.screenshot("installed-program.png")
        desktop.press(window, "alt+F4")
        program.wait_end()
    write_rar_book_with_systems_tar(session, desktop, installed, tar)
    uninstall(session, installed, "/REMOVESETTINGS")
    check_soon(lambda: not os.path.exists(os.path.join(session.roaming(), "kv8102tz")),
               lambda: "asked to, the uninstaller kept the settings", limit=UNINSTALL_LIMIT)


def install_on_32_bit_windows(session, desktop, installer, version, libraries):
    """The shipped installer on a 32-bit Windows: silently, the 32-bit program; it starts; the
    silent uninstaller removes everything."""
    if not os.path.isfile(os.path.join(session.prefix, "system.reg")):
        shutil.rmtree(session.prefix, ignore_errors=True)
        check(session.wine("wineboot", "--init", limit=wingui.PREFIX_CREATION_LIMIT) == 0, "wineboot failed")
    try:
        installed = Installed(session)
        if os.path.exists(installed.uninstaller):  # left by an interrupted run
            uninstall(session, installed)
        card = os.path.join(session.folder, "card-32")
        wingui.empty_folder(card)
        wingui.store_settings(session, ["CARD_PATH=" + wingui.windows_path(card), "IS_ASKED_FOR_INTEGRATION=YES"])
        code = session.wine("wine", installer, "/S", limit=INSTALL_LIMIT)
        check(code == 0, f"the silent installer ended with {code}")
        check_installation(session, installed, version, libraries)
        with InstalledProgram(session, installed) as program:
            window = desktop.wait_window(wingui.MAIN_TITLE, program)
            desktop.screenshot("installed-program-32-bit.png")
            desktop.press(window, "alt+F4")
            program.wait_end()
        uninstall(session, installed, "/REMOVESETTINGS")
    finally:
        session.wine("wineserver", "-k")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--installer", required=True)
    parser.add_argument("--version", required=True, help="the version the installer must carry")
    parser.add_argument("--build")
    parser.add_argument("--program", help="the 64-bit ZWQManager.exe the installer holds")
    parser.add_argument("--tar", help="the stand-in tar.exe, put in place of the system's")
    parser.add_argument("--shellext64", help="the 64-bit context-menu library the installer holds")
    parser.add_argument("--shellext32", help="the 32-bit context-menu library the installer holds")
    parser.add_argument("--probe", help="windowprobe.exe, which reads the wizard's texts")
    parser.add_argument("--version-probe", help="versionprobe.exe, which reads the installed files' version information")
    parser.add_argument("step", choices=["installer-file", "install-and-uninstall", "install-on-32-bit-windows"])
    args = parser.parse_args()
    try:
        if args.step == "installer-file":
            installer_file(args.installer, args.version)
        elif args.step == "install-on-32-bit-windows":
            if args.build is None or args.program is None or args.shellext32 is None:
                parser.error("--build, --program and --shellext32 are needed for " + args.step)
            session = wingui.Session(args.build, args.program, "", args.probe or "", arch="win32")
            session.prefix = os.path.join(session.build, "wineprefix-win32")
            # The 64-bit probe cannot run on this 32-bit Windows.
            session.version_probe = None
            desktop = wingui.Desktop(session)
            try:
                install_on_32_bit_windows(session, desktop, os.path.abspath(args.installer), args.version,
                                          {"ZWQShellExt32.dll": os.path.abspath(args.shellext32)})
            except Failure:
                log("screenshot: " + desktop.screenshot("failed-installer-32-bit.png"))
                raise
        else:
            if None in (args.build, args.program, args.tar, args.shellext64, args.shellext32):
                parser.error("--build, --program, --shellext64, --shellext32 and --tar are needed for " + args.step)
            session = wingui.Session(args.build, args.program, "", args.probe or "")
            session.version_probe = args.version_probe
            desktop = wingui.Desktop(session)
            started = time.monotonic()
            try:
                install_and_uninstall(session, desktop, os.path.abspath(args.installer), args.version,
                                      os.path.abspath(args.tar),
                                      {"ZWQShellExt64.dll": os.path.abspath(args.shellext64),
                                       "ZWQShellExt32.dll": os.path.abspath(args.shellext32)})
            except Failure:
                log("windows on the screen: " + repr(desktop.titles()))
                log("screenshot: " + desktop.screenshot("failed-installer.png"))
                raise
            log(f"installed, started and uninstalled in {time.monotonic() - started:.0f} s")
    except (Failure, subprocess.TimeoutExpired) as error:
        log("FAILED: " + str(error))
        return 1
    log("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
