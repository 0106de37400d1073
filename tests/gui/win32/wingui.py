#!/usr/bin/env python3
"""End-to-end tests of ZWQManager.exe: the real program under Wine on a virtual X display.

The program is started as a user starts it (a book path on the command line, or nothing),
its windows are found by their titles and answered with keys through xdotool, and the
memory card, a removable Wine drive E: on a test folder, is checked afterwards.

    wingui.py --build DIR --program EXE --unrar EXE --probe EXE start       the session: Xvfb
                                                                            and the prefix
    wingui.py --build DIR --program EXE --unrar EXE --probe EXE stop        ends the Wine
                                                                            server and Xvfb
    wingui.py --build DIR --program EXE --unrar EXE --probe EXE <scenario>  one scenario (see
                                                                            SCENARIOS)
    wingui.py --program EXE program-file                       the program file's resources
                                                               and libraries (any build)

The session lives in DIR/gui-session (state, card, logs) and the Wine prefix in
DIR/wineprefix-gui, apart from the prefix of the core suites. Screenshots go to
DIR/artifacts. Every wait has a time limit; every xdotool call runs under `timeout`.
"""

import argparse
import glob
import json
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import time
import zlib
from pathlib import Path

# ----- Limits (seconds) -----

PREFIX_CREATION_LIMIT = 240
WINE_COMMAND_LIMIT = 60
DISPLAY_START_LIMIT = 20
DISPLAY_NUMBER_READ = 16   # bytes; Xvfb writes the display number and a line feed
WINDOW_LIMIT = 30          # a window of the program appears
PROGRAM_END_LIMIT = 20     # the program ends after its last box
XDOTOOL_LIMIT = 5
TYPE_DELAY_MS = "20"        # between typed characters
POLL_INTERVAL = 0.2
KEY_DELAY_MS = "300"       # between the keys of one press, as a person types

SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768
SCREEN = f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24"
DESIGN_DPI = 96
HIGH_DPI = 144

# ----- Texts of the program (its own, byte for byte) -----

MAIN_TITLE = "ZWQ-менеджер zwq-books.example библиотека ZWQ-книг"
WRITE_BOX = "Запись книги на карту памяти"
DELETE_BOX = "Удаление книги"
CARD_DIALOG = "Выбор карты памяти"
INTEGRATION_BOX = "Интеграция с проводником Windows"
ABOUT_BOX = "ZWQ-менеджер О программе"
CHECK_BOX = "Проверка карты памяти"
OPEN_DIALOG = "Open"  # Wine's English open-file dialog (LANG=C.UTF-8)
NEW_BOOK_DIALOG = "Новая книга"

MAIN_WIDTH, MAIN_HEIGHT = 468, 373
# The book whose write the progress scenario holds at its first file.
HELD_BOOK_FILES = 8
CARD_DIALOG_CLIENT = (241, 123)

CODEPAGE = "cp1251"

# With 32-bit Wine installed beside 64-bit Wine, the command `wine` is the 32-bit loader, which
# runs Wine's own tools (reg, regedit, cmd, wineboot) as 32-bit programs: in a 64-bit prefix they
# would read and write the registry's 32-bit view. A 64-bit prefix gets the 64-bit loader.
WINE64_LOADER = "/usr/lib/wine/wine64"
CRLF = "\r\n"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def check_soon(condition, message, limit=WINDOW_LIMIT):
    """Like check, for a state the program reaches on its own a little later (a box closed
    by a key returns to the program, which then goes on with its work)."""
    deadline = time.monotonic() + limit
    while not condition():
        if time.monotonic() >= deadline:
            raise Failure(message())
        time.sleep(POLL_INTERVAL)


def log(message):
    print(message, flush=True)


# ----- The session: paths and environment -----

class Session:
    def __init__(self, build, program, unrar, probe="", held_program="", arch="win64", listener=""):
        self.build = os.path.abspath(build)
        self.program = os.path.abspath(program)
        self.held_program = os.path.abspath(held_program) if held_program else ""
        self.arch = arch
        self.unrar = os.path.abspath(unrar)
        self.probe = os.path.abspath(probe) if probe else ""
        self.listener = os.path.abspath(listener) if listener else ""
        self.folder = os.path.join(self.build, "gui-session")
        self.prefix = os.path.join(self.build, "wineprefix-gui")
        self.card = os.path.join(self.folder, "card")
        self.artifacts = os.path.join(self.build, "artifacts")
        self.state_file = os.path.join(self.folder, "state.json")

    def state(self):
        try:
            with open(self.state_file, encoding="utf-8") as f:
                return json.load(f)
        except (OSError, ValueError):
            return {}

    def env(self, display=None):
        env = dict(os.environ)
        env.update({
            "WINEPREFIX": self.prefix,
            "WINEARCH": self.arch,
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            # Cyrillic window titles stay readable for xdotool.
            "LANG": "C.UTF-8",
            "LC_ALL": "C.UTF-8",
        })
        # Only the session's own display, never the one of the caller.
        env.pop("DISPLAY", None)
        display = display or self.state().get("display")
        if display:
            env["DISPLAY"] = display
        return env

    def command(self, *args):
        """The command line, with "wine" and "wineboot" run by the prefix's own loader."""
        loader = WINE64_LOADER if self.arch == "win64" and os.path.exists(WINE64_LOADER) else "wine"
        if args[0] == "wine":
            return [loader, *args[1:]]
        if args[0] == "wineboot":
            return [loader, "wineboot", *args[1:]]
        return list(args)

    def wine(self, *args, limit=WINE_COMMAND_LIMIT, display=None):
        return subprocess.run(self.command(*args), env=self.env(display), stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=limit).returncode

    def run_probe(self, *args):
        """The lines windowprobe.exe prints about the program's windows (empty when it finds none)."""
        result = subprocess.run(self.command("wine", self.probe, *args), env=self.env(), stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=WINE_COMMAND_LIMIT)
        return result.stdout.decode("utf-8", "replace").splitlines() if result.returncode == 0 else []

    def roaming(self):
        """The user's application-data folder inside the prefix."""
        for folder in sorted(glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", "AppData", "Roaming"))):
            if os.sep + "Public" + os.sep not in folder:
                return folder
        raise Failure("no user folder in the Wine prefix " + self.prefix)

    def settings_file(self):
        return os.path.join(self.roaming(), "kv8102tz", "ZWQManager", "ZWQManager.ini")


def windows_path(path):
    """The Windows path of a Linux path, through Wine's drive Z: (the root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def require_tools():
    for tool in ("Xvfb", "xdotool", "import", "wine", "wineserver", "wineboot", "timeout"):
        check(shutil.which(tool) is not None, f"{tool} is missing (scripts/setup.sh installs it)")


def our_xvfb(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return f.read().split(b"\0")[0].endswith(b"Xvfb")
    except OSError:
        return False


def stop_xvfb(session):
    pid = session.state().get("xvfb_pid")
    if pid and our_xvfb(pid):
        os.kill(pid, signal.SIGTERM)
        deadline = time.monotonic() + DISPLAY_START_LIMIT
        while our_xvfb(pid) and time.monotonic() < deadline:
            time.sleep(POLL_INTERVAL)


def start_xvfb(session):
    """A virtual display on the first free number; returns its name and the server's pid."""
    read_end, write_end = os.pipe()
    with open(os.path.join(session.folder, "xvfb.log"), "wb") as xvfb_log:
        # A session of its own, so that the server outlives this setup step.
        server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN,
                                   "-nolisten", "tcp"], pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                                  stdout=xvfb_log, stderr=xvfb_log, start_new_session=True)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + DISPLAY_START_LIMIT
    while not number.endswith(b"\n") and time.monotonic() < deadline:
        ready, _, _ = select.select([read_end], [], [], POLL_INTERVAL)
        if ready:
            chunk = os.read(read_end, DISPLAY_NUMBER_READ)
            if not chunk:
                break
            number += chunk
    os.close(read_end)
    check(number.strip().isdigit(), "Xvfb did not start (see gui-session/xvfb.log)")
    return ":" + number.strip().decode(), server.pid


# ----- Session start and stop -----

PREFIX_SETTINGS = r"""REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_LOCAL_MACHINE\Software\Wine\Drives]
"e:"="floppy"
"f:"="floppy"
"g:"="floppy"
"h:"="floppy"

[HKEY_CURRENT_USER\Control Panel\Desktop]
"LogPixels"=dword:00000060
"""


def command_start(session):
    require_tools()
    os.makedirs(session.folder, exist_ok=True)
    # Leftovers of an interrupted run.
    session.wine("wineserver", "-k")
    stop_xvfb(session)
    for old in glob.glob(os.path.join(session.artifacts, "failed-*.png")):
        os.remove(old)

    display, pid = start_xvfb(session)
    with open(session.state_file, "w", encoding="utf-8") as f:
        json.dump({"display": display, "xvfb_pid": pid}, f)
    log(f"Xvfb on {display} (pid {pid})")

    # The prefix is made with the display set: a Wine server started without one cannot
    # make windows later.
    if not os.path.isfile(os.path.join(session.prefix, "system.reg")):
        shutil.rmtree(session.prefix, ignore_errors=True)
        started = time.monotonic()
        check(session.wine("wineboot", "--init", limit=PREFIX_CREATION_LIMIT) == 0, "wineboot failed")
        session.wine("wineserver", "-w", limit=PREFIX_CREATION_LIMIT)
        log(f"Wine prefix made in {time.monotonic() - started:.0f} s")

    # No window manager: Wine draws the frames itself (otherwise every hide or close waits
    # for a manager). The card E: is a removable drive on a test folder. The screen has
    # 96 dpi, whatever an interrupted run left.
    settings = os.path.join(session.folder, "prefix-settings.reg")
    with open(settings, "w", encoding="ascii", newline="\r\n") as f:
        f.write(PREFIX_SETTINGS)
    check(session.wine("wine", "regedit", "/S", windows_path(settings)) == 0, "regedit failed")
    fonts = os.path.join(session.prefix, "drive_c", "windows", "Fonts")
    os.makedirs(fonts, exist_ok=True)
    shutil.copy("/usr/share/wine/fonts/marlett.ttf", fonts)  # the caption buttons
    os.makedirs(session.card, exist_ok=True)
    link = os.path.join(session.prefix, "dosdevices", "e:")
    if os.path.islink(link) or os.path.exists(link):
        os.remove(link)
    os.symlink(session.card, link)

    check(restart_wine(session) == 0, "wine does not run programs")
    session.roaming()


def restart_wine(session):
    """A fresh Wine server, kept running, and its first program: they read the screen's resolution
    and the drives' types (a drive is of its registry type only when its link is there then)."""
    session.wine("wineserver", "-k")
    session.wine("wineserver", "-w")
    session.wine("wineserver", "-p")
    return session.wine("wine", "cmd", "/c", "exit")


def command_stop(session):
    if os.path.isdir(session.prefix):
        session.wine("wineserver", "-k")
    stop_xvfb(session)
    if os.path.exists(session.state_file):
        os.remove(session.state_file)


# ----- The display -----

def ere(text):
    """A POSIX extended regular expression matching exactly the text."""
    return "^" + re.sub(r"([.^$*+?()\[\]{}|\\])", r"\\\1", text) + "$"


class Desktop:
    def __init__(self, session):
        self.session = session
        self.env = session.env()
        check("DISPLAY" in self.env, "no session: run the start step first")
        check(our_xvfb(session.state().get("xvfb_pid", 0)), "the session's virtual display is gone")

    def xdotool(self, *args):
        result = subprocess.run(["timeout", str(XDOTOOL_LIMIT), "xdotool", *args], env=self.env,
                                stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                timeout=XDOTOOL_LIMIT * 2)
        return result.returncode, result.stdout.strip()

    def windows(self, title):
        """Ids of the mapped windows with exactly this title."""
        code, out = self.xdotool("search", "--onlyvisible", "--name", ere(title))
        return out.split() if code == 0 else []

    def titles(self):
        _, out = self.xdotool("search", "--onlyvisible", "--name", ".")
        titles = []
        for window in out.split():
            _, name = self.xdotool("getwindowname", window)
            titles.append(name)
        return titles

    def wait_window(self, title, program=None, limit=WINDOW_LIMIT):
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            found = self.windows(title)
            if found:
                return found[-1]
            if program is not None and program.ended():
                raise Failure(f'the program ended (exit code {program.code()}) without showing "{title}"')
            time.sleep(POLL_INTERVAL)
        raise Failure(f'no window "{title}" within {limit} s; windows: {self.titles()}')

    def wait_gone(self, title, limit=WINDOW_LIMIT):
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            if not self.windows(title):
                return
            time.sleep(POLL_INTERVAL)
        raise Failure(f'the window "{title}" is still there after {limit} s')

    def focus(self, window):
        """Gives the window the keyboard focus and waits until the display says it has it."""
        def focused():
            self.xdotool("windowfocus", window)
            return self.xdotool("getwindowfocus")[1] == window
        check_soon(focused, lambda: f"the window {window} does not get the keyboard focus")

    def press(self, window, *keys):
        """Gives the window the keyboard focus and presses the keys one after another."""
        self.focus(window)
        code, _ = self.xdotool("key", "--delay", KEY_DELAY_MS, *keys)
        check(code == 0, f"xdotool could not press {keys}")

    def type_text(self, window, text):
        self.focus(window)
        code, _ = self.xdotool("type", "--delay", TYPE_DELAY_MS, text)
        check(code == 0, "xdotool could not type " + text)

    def geometry(self, window):
        """Position and outer size of a window: x, y, width, height."""
        code, out = self.xdotool("getwindowgeometry", "--shell", window)
        check(code == 0, "no geometry for window " + window)
        values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def screenshot(self, name):
        os.makedirs(self.session.artifacts, exist_ok=True)
        path = os.path.join(self.session.artifacts, name)
        subprocess.run(["import", "-window", "root", path], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=WINE_COMMAND_LIMIT)
        return path


# ----- The program -----

class Program:
    """ZWQManager.exe copied into a test folder (with the stand-in unrar.exe beside it), run
    under Wine. Used as a context: when the scenario fails, the screen is recorded while the
    program still runs, then the program is ended."""

    def __init__(self, session, desktop, folder, with_unrar=False, hold=None, ejected=None):
        """hold: (folder, point) runs the test build that holds the card work at the point
        ("copy" or "move") until the test releases it (see Hold); ejected: where it writes ejects,
        refused with the error code in ejected.error while that file is there."""
        self.session = session
        self.desktop = desktop
        self.folder = folder
        self.hold = hold
        self.ejected = ejected
        os.makedirs(folder, exist_ok=True)
        self.exe = os.path.join(folder, "ZWQManager.exe")
        shutil.copy(session.held_program if hold or ejected else session.program, self.exe)
        if with_unrar:
            shutil.copy(session.unrar, os.path.join(folder, "unrar.exe"))
        self.process = None
        self.output = None

    def start(self, *arguments):
        self.output = open(os.path.join(self.folder, "program.log"), "wb")
        env = self.session.env()
        if self.hold:
            env.update({"ZWQ_TEST_HOLD": windows_path(self.hold.folder), "ZWQ_TEST_HOLD_AT": self.hold.point})
        if self.ejected:
            env.update({"ZWQ_TEST_EJECTED": windows_path(self.ejected),
                        "ZWQ_TEST_EJECT_ERROR": windows_path(self.ejected + ".error")})
        self.process = subprocess.Popen(self.session.command("wine", self.exe, *arguments), cwd=self.folder, env=env,
                                        stdin=subprocess.DEVNULL, stdout=self.output, stderr=self.output)
        return self

    def __enter__(self):
        return self

    def __exit__(self, kind, error, trace):
        if error is not None:
            log("windows on the screen: " + repr(self.desktop.titles()))
            name = os.path.basename(os.path.dirname(self.folder))
            log("screenshot: " + self.desktop.screenshot(f"failed-{name}.png"))
        self.close()
        return False

    def ended(self):
        return self.process.poll() is not None

    def code(self):
        return self.process.returncode

    def wait_end(self, limit=PROGRAM_END_LIMIT):
        try:
            self.process.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program is still running {limit} s later")
        check(self.process.returncode == 0, f"the program's exit code is {self.process.returncode}, not 0")

    def close(self):
        """Ends the program if it still runs (only this process of ours, by its id)."""
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=PROGRAM_END_LIMIT)
        if self.output is not None:
            self.output.close()


class Hold:
    """The point where the test build holds the card work: when the work gets there the file
    "held" appears in the folder, and the work waits there until the file "release" is made
    (a held copy also ends when the write is stopped)."""

    def __init__(self, folder, point):
        self.folder, self.point = folder, point
        empty_folder(folder)

    def reached(self):
        return os.path.exists(os.path.join(self.folder, "held"))

    def wait(self, program):
        def reached():
            check(not program.ended(), f"the program ended (exit code {program.code()}) before the held point")
            return self.reached()
        check_soon(reached, lambda: f"the card work did not reach the held {self.point}")

    def release(self):
        write_bytes(os.path.join(self.folder, "release"), b"")


# ----- Books, cards and archives on disk -----

def encoded(lines):
    return "".join(line + CRLF for line in lines).encode(CODEPAGE)


def write_bytes(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def make_source_book(folder, headers, files):
    """A descriptor BOOK_001.ydr with its files beside it (entries may name subfolders);
    returns the descriptor's path."""
    for entry, content in files:
        write_bytes(os.path.join(folder, *entry.split("\\")), content)
    descriptor = os.path.join(folder, "BOOK_001.ydr")
    write_bytes(descriptor, encoded(headers + [entry for entry, _ in files]))
    return descriptor


def make_card_book(card, number, title, author):
    slot = f"BOOK_{number:03d}"
    write_bytes(os.path.join(card, slot, "01.mp3"), f"{slot} {title}".encode("utf-8"))
    write_bytes(os.path.join(card, slot + ".ydr"),
                encoded([f"#TITLE={title}", f"#AUTHOR={author}", "#TOTAL_SIZE_KB=3072", slot + "\\01.mp3"]))


def card_books(card):
    """Slot number → title, read from the descriptors in the card's root."""
    books = {}
    for name in sorted(os.listdir(card)):
        match = re.fullmatch(r"BOOK_(\d{3})\.ydr", name)
        if match:
            for line in read_bytes(os.path.join(card, name)).decode(CODEPAGE).split(CRLF):
                if line.startswith("#TITLE="):
                    books[int(match.group(1))] = line[len("#TITLE="):]
    return books


def folder_state(folder):
    """Every file under the folder with its bytes, and every folder, by relative path."""
    state = {}
    for root, folders, files in os.walk(folder):
        for name in folders:
            state[os.path.relpath(os.path.join(root, name), folder) + "/"] = None
        for name in files:
            state[os.path.relpath(os.path.join(root, name), folder)] = read_bytes(os.path.join(root, name))
    return state


def empty_folder(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)


def store_settings(session, lines):
    """The settings file, and no card known by its volume from an earlier scenario."""
    write_bytes(session.settings_file(), encoded(lines))
    identity = os.path.splitext(session.settings_file())[0] + ".card"
    if os.path.exists(identity):
        os.remove(identity)


def remove_settings(session):
    shutil.rmtree(os.path.join(session.roaming(), "kv8102tz"), ignore_errors=True)


RAR4_MARKER = b"Rar!\x1a\x07\x00"
RAR4_END = b"\xc4\x3d\x7b\x00\x40\x07\x00"
RAR4_BASE_HEADER = 7          # HEAD_CRC, HEAD_TYPE, HEAD_FLAGS, HEAD_SIZE
RAR4_CRC_MASK = 0xFFFF        # a header's CRC is the low half of its CRC-32
RAR4_MAIN, RAR4_FILE = 0x73, 0x74
RAR4_LONG_BLOCK = 0x8000      # the packed size follows the header
RAR4_HOST_WINDOWS = 2
RAR4_VERSION = 29
RAR4_STORE = 0x30
ARCHIVE_ATTRIBUTE = 0x20
DOS_TIME = 0x5A210000         # 2025-01-01 00:00


def rar4(entries):
    """A RAR 4 archive of stored entries: (name with '\\' between folders, bytes)."""
    def header(kind, flags, fields):
        body = struct.pack("<BHH", kind, flags, RAR4_BASE_HEADER + len(fields)) + fields
        return struct.pack("<H", zlib.crc32(body) & RAR4_CRC_MASK) + body

    parts = [RAR4_MARKER, header(RAR4_MAIN, 0, struct.pack("<HI", 0, 0))]
    for name, data in entries:
        raw_name = name.encode("ascii")
        fields = struct.pack("<IIBIIBBHI", len(data), len(data), RAR4_HOST_WINDOWS, zlib.crc32(data), DOS_TIME,
                             RAR4_VERSION, RAR4_STORE, len(raw_name), ARCHIVE_ATTRIBUTE) + raw_name
        parts += [header(RAR4_FILE, RAR4_LONG_BLOCK, fields), data]
    parts.append(RAR4_END)
    return b"".join(parts)


# ----- Scenarios -----

def list_state(session):
    """The control with the keyboard focus, and the book list's rows as (flags, caption): "FS"
    for LVIS_FOCUSED and LVIS_SELECTED, "-" in place of a state the row lacks."""
    focus, rows = None, []
    for line in session.run_probe():
        kind, _, rest = line.partition(" ")
        if kind == "focus":
            focus = rest
        elif kind == "row":
            _, flags, caption = rest.split(" ", 2)
            rows.append((flags, caption))
    return focus, rows


def check_current(session, caption, when):
    """The list has the focus and exactly one row, the given book's, is focused and selected."""
    def state():
        focus, rows = list_state(session)
        marked = [(flags, text) for flags, text in rows if flags != "--"]
        return focus == "SysListView32" and marked == [("FS", caption)], (focus, rows)
    check_soon(lambda: state()[0], lambda: f'{when}: "{caption}" is not the one focused and selected row '
                                           f'of the focused list: {state()[1]}')


def wait_box(session, desktop, title, text, program):
    """The box with the title once it shows the text and is the only one so called: boxes may
    share a title, and the one answered before it may still be going."""
    desktop.wait_window(title, program)
    check_soon(lambda: ("text " + text) in session.run_probe(title) and len(desktop.windows(title)) == 1,
               lambda: f'the boxes "{title}" ({len(desktop.windows(title))}) say {session.run_probe(title)}, '
                       f'not "{text}" alone')
    return desktop.windows(title)[0]


def write_through_dialog(desktop, program, main, key, source):
    """The key opens the open-file dialog, the source's path is typed into it, and the success
    box that follows is closed with Enter."""
    desktop.press(main, key)
    dialog = desktop.wait_window(OPEN_DIALOG, program)
    desktop.type_text(dialog, windows_path(source))
    desktop.press(dialog, "Return")
    box = desktop.wait_window(WRITE_BOX, program)
    desktop.press(box, "Return")
    desktop.wait_gone(WRITE_BOX)


def scenario_folder(session, name):
    folder = os.path.join(session.folder, name)
    empty_folder(folder)
    empty_folder(session.card)
    return folder


def write_from_command_line(session, desktop):
    """A book path on the command line: the success box, Enter, the program ends, and the
    card holds BOOK_001.ydr (the source's header lines, then one line per copied file) and
    the files, flat, in BOOK_001."""
    work = scenario_folder(session, "write")
    store_settings(session, ["CARD_PATH=E:\\", "IS_ASKED_FOR_INTEGRATION=YES"])
    headers = ["#TITLE=Война и мир", "#AUTHOR=Лев Толстой", "#TOTAL_SIZE_KB=1", "", "#COMMENT=том первый"]
    files = [("CD1\\01.mp3", b"first part"), ("02.mp3", b"second part")]
    # A folder with Cyrillic letters and a blank: the path goes through the W functions.
    descriptor = make_source_book(os.path.join(work, "Книги для теста"), headers, files)
    settings_before = read_bytes(session.settings_file())

    with Program(session, desktop, os.path.join(work, "program")).start(windows_path(descriptor)) as program:
        box = desktop.wait_window(WRITE_BOX, program)
        desktop.press(box, "Return")
        program.wait_end()

    check(sorted(os.listdir(session.card)) == ["BOOK_001", "BOOK_001.ydr"],
          f"card holds {sorted(os.listdir(session.card))}")
    expected = encoded(headers + ["BOOK_001\\01.mp3", "BOOK_001\\02.mp3"])
    check(read_bytes(os.path.join(session.card, "BOOK_001.ydr")) == expected,
          "BOOK_001.ydr is not the card copy of the source descriptor")
    check(sorted(os.listdir(os.path.join(session.card, "BOOK_001"))) == ["01.mp3", "02.mp3"], "files not flattened")
    for entry, content in files:
        copy = os.path.join(session.card, "BOOK_001", entry.split("\\")[-1])
        check(read_bytes(copy) == content, copy + " differs from its source")
    check(read_bytes(session.settings_file()) == settings_before, "the settings file changed")


def write_daisy_book(folder, audio):
    """A DAISY 2.02 book: ncc.html ("Сказки" by "Пушкин", read by "Иванов") reaching one SMIL
    file whose clips play the audio files in the order given; the files hold no real audio."""
    ncc = ('<?xml version="1.0" encoding="utf-8"?>\n<html xmlns="http://www.w3.org/1999/xhtml"><head>'
           '<title>Сказки</title><meta name="dc:title" content="Сказки"/><meta name="dc:creator" content="Пушкин"/>'
           '<meta name="ncc:narrator" content="Иванов"/></head><body><h1><a href="a.smil#p1">Сказки</a></h1>'
           '</body></html>\n')
    clips = "".join(f'<par id="p{n}"><audio src="{name}" clip-begin="npt=0s" clip-end="npt=1s"/></par>'
                    for n, name in enumerate(audio, 1))
    write_bytes(os.path.join(folder, "ncc.html"), ncc.encode("utf-8"))
    write_bytes(os.path.join(folder, "a.smil"),
                f'<?xml version="1.0" encoding="utf-8"?>\n<smil><body><seq>{clips}</seq></body></smil>\n'.encode())
    for name in audio:
        write_bytes(os.path.join(folder, name), b"audio " + name.encode())


def new_book_dialog(session, desktop):
    """A DAISY book chosen in the open dialog (its ncc.html): "Новая книга" comes with the
    book's data, the author typed over it is what Enter writes, the files in the order of the
    clips under the names 001.mp3, 002.mp3. A folder of MP3 files on the command line is
    written without the dialog, its files in natural order."""
    work = scenario_folder(session, "newbook")
    store_settings(session, ["CARD_PATH=E:\\", "IS_ASKED_FOR_INTEGRATION=YES"])
    daisy = os.path.join(work, "daisy")
    write_daisy_book(daisy, ["b.mp3", "a.mp3"])

    with Program(session, desktop, os.path.join(work, "program")).start() as program:
        main = desktop.wait_window(MAIN_TITLE, program)
        desktop.press(main, "Return")
        dialog = desktop.wait_window(OPEN_DIALOG, program)
        desktop.type_text(dialog, windows_path(os.path.join(daisy, "ncc.html")))
        desktop.press(dialog, "Return")
        book = desktop.wait_window(NEW_BOOK_DIALOG, program)
        desktop.screenshot("new-book-dialog.png")
        # The author's field has the focus with its text selected: typing replaces it.
        desktop.type_text(book, "Typed Author")
        desktop.press(book, "Return")
        box = desktop.wait_window(WRITE_BOX, program)
        desktop.press(box, "Return")
        desktop.wait_gone(WRITE_BOX)
        desktop.press(main, "F10", "Down", "Up", "Return")
        program.wait_end()
    # The playing time is the book's own, its two clips of a second each, as on Linux.
    expected = encoded(["#TITLE=Сказки", "#AUTHOR=Typed Author", "#ANNOUNCER=Иванов", "#TOTAL_SIZE_KB=1",
                        "#TOTAL_LENGTH_SEC=2", "#FILE_NUM=2", "BOOK_001\\001.mp3", "BOOK_001\\002.mp3"])
    written = read_bytes(os.path.join(session.card, "BOOK_001.ydr"))
    check(written == expected, f"BOOK_001.ydr holds {written!r}")
    check(read_bytes(os.path.join(session.card, "BOOK_001", "001.mp3")) == b"audio b.mp3",
          "001.mp3 is not the first file the clips play")

    folder = os.path.join(work, "Лев Толстой - Детство")
    for name in ("Глава 10.mp3", "Глава 2.mp3", "обложка.jpg"):
        write_bytes(os.path.join(folder, name), name.encode("utf-8"))
    with Program(session, desktop, os.path.join(work, "program2")).start(windows_path(folder)) as program:
        box = desktop.wait_window(WRITE_BOX, program)
        desktop.press(box, "Return")
        program.wait_end()
    check(card_books(session.card).get(2) == "Детство", f"books on the card: {card_books(session.card)}")
    check(read_bytes(os.path.join(session.card, "BOOK_002", "001.mp3")) == "Глава 2.mp3".encode("utf-8"),
          "the folder's files are not in natural order")


def delete_from_command_line(session, desktop):
    """A path on the card on the command line: the deletion question, Yes (Enter on the
    default button), the program ends; the named book is gone and the one above it moved
    down into its slot."""
    work = scenario_folder(session, "delete")
    store_settings(session, ["CARD_PATH=E:\\", "IS_ASKED_FOR_INTEGRATION=YES"])
    titles = {1: "Война и мир", 2: "Мёртвые души", 3: "Евгений Онегин"}
    authors = {1: "Лев Толстой", 2: "Николай Гоголь", 3: "Александр Пушкин"}
    for number, title in titles.items():
        make_card_book(session.card, number, title, authors[number])

    # The drive letter in small letters: the card path is compared without letter case.
    with Program(session, desktop, os.path.join(work, "program")).start("e:\\BOOK_002.ydr") as program:
        box = desktop.wait_window(DELETE_BOX, program)
        desktop.press(box, "Return")
        program.wait_end()

    books = card_books(session.card)
    check(books == {1: titles[1], 2: titles[3]}, f"books on the card afterwards: {books}")
    check(not os.path.exists(os.path.join(session.card, "BOOK_003")), "BOOK_003 was not moved to BOOK_002")
    moved = read_bytes(os.path.join(session.card, "BOOK_002", "01.mp3")).decode("utf-8")
    check(moved == "BOOK_003 " + titles[3], "BOOK_002 does not hold the files of the former BOOK_003")


def delete_refused(session, desktop):
    """The deletion question answered with N (No): the program ends, the card is unchanged."""
    work = scenario_folder(session, "delete-refused")
    store_settings(session, ["CARD_PATH=E:\\", "IS_ASKED_FOR_INTEGRATION=YES"])
    make_card_book(session.card, 1, "Война и мир", "Лев Толстой")
    before = card_books(session.card)

    with Program(session, desktop, os.path.join(work, "program")).start("E:\\BOOK_001.ydr") as program:
        box = desktop.wait_window(DELETE_BOX, program)
        desktop.press(box, "n")
        program.wait_end()
    check(card_books(session.card) == before, "a refused deletion changed the card")


def first_start_cancelled(session, desktop):
    """No settings: the card-selection dialog comes up centred with its client size;
    Esc ends the program and nothing is written to the settings."""
    work = scenario_folder(session, "first-start-cancelled")
    remove_settings(session)
    with Program(session, desktop, os.path.join(work, "program")).start() as program:
        dialog = desktop.wait_window(CARD_DIALOG, program)
        x, y, width, height = desktop.geometry(dialog)
        check(width > CARD_DIALOG_CLIENT[0] and height > CARD_DIALOG_CLIENT[1],
              f"the dialog is {width}x{height}, smaller than its client area")
        check(abs(x + width / 2 - SCREEN_WIDTH / 2) <= 1 and abs(y + height / 2 - SCREEN_HEIGHT / 2) <= 1,
              f"the dialog at {x},{y} ({width}x{height}) is not centred on the screen")
        desktop.screenshot("card-select-dialog.png")
        desktop.press(dialog, "Escape")
        program.wait_end()
    check(not os.path.exists(os.path.join(session.roaming(), "kv8102tz")),
          "cancelling the first card choice wrote settings")


def first_start_card_chosen(session, desktop):
    """No settings: Down in the dialog's field takes the removable drive E:\\ from the list,
    Enter confirms; the choice is stored, then the integration question comes (Esc: asked
    again next time), and the main window stays open until Alt+F4."""
    work = scenario_folder(session, "first-start-chosen")
    remove_settings(session)
    with Program(session, desktop, os.path.join(work, "program")).start() as program:
        dialog = desktop.wait_window(CARD_DIALOG, program)
        desktop.press(dialog, "Down", "Return")
        question = desktop.wait_window(INTEGRATION_BOX, program)
        check(read_bytes(session.settings_file()) == encoded(["CARD_PATH=E:\\"]),
              "the settings do not hold the chosen card before the integration question")
        desktop.press(question, "Escape")
        main = desktop.wait_window(MAIN_TITLE, program)
        # The window still answers after the question: its about box comes and goes.
        desktop.press(main, "F10", "Right", "Right", "Down", "Return")
        box = desktop.wait_window(ABOUT_BOX, program)
        desktop.press(box, "Return")
        desktop.wait_gone(ABOUT_BOX)
        check(not program.ended(), "the program ended after the integration question")
        desktop.press(main, "alt+F4")
        program.wait_end()
    check(read_bytes(session.settings_file()) == encoded(["CARD_PATH=E:\\"]),
          "the settings changed after the card was chosen")


def rar_from_command_line(session, desktop):
    """A RAR archive on the command line is unpacked by unrar.exe beside the program (the
    stand-in extractor) and written to the card."""
    work = scenario_folder(session, "rar")
    store_settings(session, ["CARD_PATH=E:\\", "IS_ASKED_FOR_INTEGRATION=YES"])
    headers = ["#TITLE=Капитанская дочка", "#AUTHOR=Александр Пушкин", "#TOTAL_SIZE_KB=1"]
    descriptor = encoded(headers + ["01.mp3", "CD2\\02.mp3"])
    archive = os.path.join(work, "Архив книги.rar")
    write_bytes(archive, rar4([("BOOK_001.ydr", descriptor), ("01.mp3", b"chapter one"),
                               ("CD2\\02.mp3", b"chapter two")]))
    # The program lies in a folder whose path holds a blank: the extractor is started by its
    # short path.
    program_folder = os.path.join(work, "Программа ZWQ")
    with Program(session, desktop, program_folder, with_unrar=True).start(windows_path(archive)) as program:
        box = desktop.wait_window(WRITE_BOX, program)
        desktop.press(box, "Return")
        program.wait_end()

    extractor_log = os.path.join(program.folder, "unrar-log.txt")
    check(os.path.isfile(extractor_log), "unrar.exe beside the program was not run")
    call = read_bytes(extractor_log).decode("utf-8")
    check(" x " in call and windows_path(archive) in call, "unexpected extractor call: " + call)
    check(read_bytes(os.path.join(session.card, "BOOK_001.ydr")) ==
          encoded(headers + ["BOOK_001\\01.mp3", "BOOK_001\\02.mp3"]), "BOOK_001.ydr differs")
    check(read_bytes(os.path.join(session.card, "BOOK_001", "02.mp3")) == b"chapter two", "02.mp3 differs")


def keyboard_and_menu(session, desktop):
    """The main window with books listed: its outer size and place, a screenshot; Tab and
    Shift+Tab between the list and the status line; the about box through the menu; Delete
    with Ctrl or Alt on the selected row asks about that book; Shift+Enter opens the open-file
    dialog, whose typed path writes a book; the card check through the menu; the menu item
    "Выход" ends the program."""
    work = scenario_folder(session, "keyboard")
    store_settings(session, ["CARD_PATH=E:\\", "IS_ASKED_FOR_INTEGRATION=YES"])
    make_card_book(session.card, 1, "Война и мир", "Лев Толстой")
    make_card_book(session.card, 2, "Мёртвые души", "Николай Гоголь")
    make_card_book(session.card, 3, "Евгений Онегин", "Александр Пушкин")
    source = make_source_book(os.path.join(work, "source"), ["#TITLE=Test book", "#TOTAL_SIZE_KB=1"],
                              [("01.mp3", b"test")])

    with Program(session, desktop, os.path.join(work, "program")).start() as program:
        main = desktop.wait_window(MAIN_TITLE, program)
        check_soon(lambda: desktop.geometry(main)[2:] == (MAIN_WIDTH, MAIN_HEIGHT),
                   lambda: f"the main window is {desktop.geometry(main)[2:]}, not {(MAIN_WIDTH, MAIN_HEIGHT)}")
        x, y, width, height = desktop.geometry(main)
        check((x, y) == ((SCREEN_WIDTH - MAIN_WIDTH) // 2, (SCREEN_HEIGHT - MAIN_HEIGHT) // 2),
              f"the main window at {x},{y} is not centred")
        desktop.screenshot("main-window.png")

        # Home selects the first row. Tab moves to the status line, where Delete asks
        # nothing; Shift+Tab goes back to the list, where the modifiers do not matter to
        # Delete.
        desktop.press(main, "Home", "Tab", "Delete")
        # F10 opens the menu bar at "Файл"; two steps right is "Справка", whose only item is
        # "О программе...". The window takes the keys in order, so once the about box is up the
        # Delete before it has been handled; had it asked, its box would have taken these keys.
        desktop.press(main, "F10", "Right", "Right", "Down", "Return")
        box = desktop.wait_window(ABOUT_BOX, program)
        check(not desktop.windows(DELETE_BOX), "Delete in the status line asked to delete a book")
        desktop.press(box, "Return")
        desktop.wait_gone(ABOUT_BOX)
        desktop.press(main, "shift+Tab", "ctrl+Delete")
        box = desktop.wait_window(DELETE_BOX, program)
        desktop.press(box, "Escape")
        desktop.wait_gone(DELETE_BOX)
        desktop.press(main, "alt+Delete")
        box = desktop.wait_window(DELETE_BOX, program)
        desktop.press(box, "y")
        # The deletion and the renumbering run after the question is answered; a box tells it.
        box = wait_box(session, desktop, DELETE_BOX, "Книга Лев Толстой - Война и мир удалена с карты памяти", program)
        check(card_books(session.card) == {1: "Мёртвые души", 2: "Евгений Онегин"},
              f"Alt+Delete and Yes deleted the wrong book: {card_books(session.card)}")
        desktop.press(box, "Return")
        desktop.wait_gone(DELETE_BOX)

        write_through_dialog(desktop, program, main, "shift+Return", source)
        check(card_books(session.card).get(3) == "Test book", "the book chosen in the open dialog was not written")

        # "Проверить карту" is the fourth item of "Файл"; on this card it finds nothing.
        desktop.press(main, "F10", "Down", "Down", "Down", "Down", "Return")
        box = desktop.wait_window(CHECK_BOX, program)
        desktop.press(box, "Return")
        desktop.wait_gone(CHECK_BOX)

        # "Выход" is the last item of "Файл".
        desktop.press(main, "F10", "Down", "Up", "Return")
        program.wait_end()


def card_comes_and_goes(session, desktop):
    """The card taken out and put in again (WM_DEVICECHANGE) is followed, at E: and at F:; Ctrl+E
    ejects it or tells the system's refusal. While it is away a removable volume with books is
    offered: "Нет" holds while the program runs, "Да" takes it. Wine reads a drive's serial and
    label from the files .windows-serial and .windows-label of the folder it had as the session
    started (the serial is made of the letter without them): each volume gets a letter of its own."""
    work = scenario_folder(session, "comes-and-goes")
    other, third = os.path.join(work, "other"), os.path.join(work, "third")
    store_settings(session, ["CARD_PATH=E:\\", "IS_ASKED_FOR_INTEGRATION=YES"])
    settings = read_bytes(session.settings_file())
    for folder, books, serial, label in ((session.card, 2, "1234abcd", "CARD"), (other, 1, "2222bbbb", "OTHER"),
                                         (third, 1, "3333cccc", "THIRD")):
        for number in range(1, books + 1):
            make_card_book(folder, number, ("Война и мир", "Мёртвые души")[number - 1], "Лев Толстой")
        write_bytes(os.path.join(folder, ".windows-serial"), serial.encode() + b"\n")
        write_bytes(os.path.join(folder, ".windows-label"), label.encode() + b"\n")
    links = {letter: os.path.join(session.prefix, "dosdevices", letter.lower() + ":") for letter in "EFGH"}
    ejected = os.path.join(work, "ejected.txt")
    went, came = "Карта памяти отключена", "Карта памяти подключена: "

    def box(title, text, key):
        desktop.press(wait_box(session, desktop, title, text, program), key)
        desktop.wait_gone(title)

    def follow(*steps):
        """Drives come (a folder) and go (None), the program maybe asks (the volume and the answer)."""
        for letter, folder, rows, heard, card, *asked in steps:
            os.remove(links[letter]) if folder is None else os.symlink(folder, links[letter])
            session.run_probe("volume", "removal" if folder is None else "arrival", letter)
            if asked:
                box(CARD_DIALOG, f"Обнаружена карта памяти {asked[0]} (1 книга). Работать с ней?", asked[1])
            check_soon(lambda: len(list_state(session)[1]) == rows and ("text " + heard) in session.run_probe(MAIN_TITLE),
                       lambda: f"{letter}: {folder}: {list_state(session)}, {session.run_probe(MAIN_TITLE)}")
            check(read_bytes(session.settings_file()) == settings.replace(b"E:", card),
                  f"{letter}: {folder}: the settings are {read_bytes(session.settings_file())!r}")

    # A drive is removable only when its link is there as the Wine session starts.
    for letter, folder in (("F", session.card), ("G", other), ("H", third)):
        os.symlink(folder, links[letter])
    restart_wine(session)
    for letter in "FGH":
        os.remove(links[letter])
    try:
        with Program(session, desktop, os.path.join(work, "program"), ejected=ejected).start() as program:
            desktop.wait_window(MAIN_TITLE, program)
            check_soon(lambda: len(list_state(session)[1]) == 2, lambda: f"the card is not listed: {list_state(session)}")
            follow(("E", None, 0, went, b"E:"), ("E", session.card, 2, came + "2 книги", b"E:"),
                   ("E", None, 0, went, b"E:"), ("F", session.card, 2, came + "2 книги", b"F:"))
            for error, text in ((b"32", "Карту памяти нельзя извлечь: Sharing violation."),  # ERROR_SHARING_VIOLATION
                                (None, "Карту памяти можно извлечь.")):
                write_bytes(ejected + ".error", error) if error else os.remove(ejected + ".error")
                desktop.press(desktop.wait_window(MAIN_TITLE, program), "ctrl+e")
                box("Извлечь карту памяти", text, "Return")
            check(read_bytes(ejected) == b"F:\\\nF:\\\n", f"the roots taken out: {read_bytes(ejected)!r}")
            # While the card is away: OTHER is asked again after Esc, not after "Нет"; THIRD is taken.
            follow(("F", None, 0, went, b"F:"), ("G", other, 0, went, b"F:", "OTHER", "Escape"), ("G", None, 0, went, b"F:"),
                   ("G", other, 0, went, b"F:", "OTHER", "n"), ("G", None, 0, went, b"F:"), ("G", other, 0, went, b"F:"),
                   ("H", third, 1, came + "1 книга", b"H:", "THIRD", "y"))
    finally:
        for link in links.values():
            if os.path.lexists(link):
                os.remove(link)
        os.symlink(session.card, links["E"])
        restart_wine(session)


def current_row(session, desktop):
    """What Windows screen readers read: the book list keeps the focus and one row focused and
    selected (LVIS_FOCUSED | LVIS_SELECTED). After start-up it is the first book, on which Delete
    asks without the arrows being touched; after a write the new book; after a deletion, told in
    a box, the book now in the deleted one's place."""
    work = scenario_folder(session, "current-row")
    store_settings(session, ["CARD_PATH=E:\\", "IS_ASKED_FOR_INTEGRATION=YES"])
    make_card_book(session.card, 1, "Война и мир", "Лев Толстой")
    make_card_book(session.card, 2, "Мёртвые души", "Николай Гоголь")
    make_card_book(session.card, 3, "Евгений Онегин", "Александр Пушкин")
    source = make_source_book(os.path.join(work, "source"),
                              ["#TITLE=Капитанская дочка", "#AUTHOR=Александр Пушкин", "#TOTAL_SIZE_KB=1"],
                              [("01.mp3", b"chapter")])

    with Program(session, desktop, os.path.join(work, "program")).start() as program:
        main = desktop.wait_window(MAIN_TITLE, program)
        check_current(session, "Лев Толстой - Война и мир", "after start-up")
        # A click below the rows unselects them in a list view: the current row is selected again.
        x, y, width, height = desktop.geometry(main)
        desktop.xdotool("mousemove", str(x + width // 2), str(y + height * 2 // 3), "click", "1")
        check_current(session, "Лев Толстой - Война и мир", "after a click below the rows")
        desktop.press(main, "Delete")
        box = wait_box(session, desktop, DELETE_BOX,
                       "Вы действительно хотите удалить книгу Лев Толстой - Война и мир с карты памяти", program)
        desktop.press(box, "Escape")
        desktop.wait_gone(DELETE_BOX)

        write_through_dialog(desktop, program, main, "Return", source)
        check_current(session, "Александр Пушкин - Капитанская дочка", "after a write")

        desktop.press(main, "Home", "Down")
        check_current(session, "Николай Гоголь - Мёртвые души", "after Home and Down")
        desktop.press(main, "Delete")
        box = wait_box(session, desktop, DELETE_BOX,
                       "Вы действительно хотите удалить книгу Николай Гоголь - Мёртвые души с карты памяти", program)
        desktop.press(box, "Return")
        box = wait_box(session, desktop, DELETE_BOX, "Книга Николай Гоголь - Мёртвые души удалена с карты памяти",
                       program)
        desktop.press(box, "Return")
        desktop.wait_gone(DELETE_BOX)
        # Slots 3 and 4 moved down to 2 and 3: the second row is now the former third book.
        check_current(session, "Александр Пушкин - Евгений Онегин", "after a deletion")
        desktop.press(main, "alt+F4")
        program.wait_end()


def arrange_books(session, desktop):
    """Ctrl+Down and Ctrl+Up move the current book on the card; the list keeps it the one
    focused and selected row. Ctrl+M opens its dialog, which Esc closes unchanged; F2 opens
    "Описание книги", whose typed author Enter saves in the descriptor. "Упорядочить книги…"
    by title asks how many books move, sorts them and says so; the book stays current."""
    work = scenario_folder(session, "arrange")
    store_settings(session, ["CARD_PATH=E:\\", "IS_ASKED_FOR_INTEGRATION=YES"])
    make_card_book(session.card, 1, "Война и мир", "Лев Толстой")
    make_card_book(session.card, 2, "Мёртвые души", "Николай Гоголь")
    make_card_book(session.card, 3, "Евгений Онегин", "Александр Пушкин")
    steps = [("ctrl+Down", {1: "Мёртвые души", 2: "Война и мир", 3: "Евгений Онегин"}, 2),
             ("ctrl+Down", {1: "Мёртвые души", 2: "Евгений Онегин", 3: "Война и мир"}, 3),
             ("ctrl+Up", {1: "Мёртвые души", 2: "Война и мир", 3: "Евгений Онегин"}, 2)]

    with Program(session, desktop, os.path.join(work, "program")).start() as program:
        main = desktop.wait_window(MAIN_TITLE, program)
        check_current(session, "Лев Толстой - Война и мир", "after start-up")
        for key, slots, place in steps:
            desktop.press(main, key)
            check_soon(lambda: card_books(session.card) == slots,
                       lambda: f"after {key} the card holds {card_books(session.card)}, not {slots}")
            check_current(session, "Лев Толстой - Война и мир", "after " + key)
            # The status bar says where the book went, for a screen reader to read.
            said = f"text Книга перемещена на место {place}"
            check_soon(lambda: said in session.run_probe(MAIN_TITLE),
                       lambda: f"after {key} the window says {session.run_probe(MAIN_TITLE)}, not {said!r}")
        # Each field right after its label (a screen reader names it so), filled as the book
        # stands, and the dialog's default button. Esc closes "Перемещение книги" unchanged; in
        # "Описание книги" the author's field has the focus with its text selected, and the
        # author typed over it is saved by Enter.
        dialogs = (("ctrl+m", "Перемещение книги", ["&Место книги (от 1 до 3)", "2"], "Переместить", None),
                   ("F2", "Описание книги", ["&Автор:", "Лев Толстой", "&Название:", "Война и мир"], "Сохранить",
                    "Lev Tolstoy"))
        for key, title, fields, button, typed in dialogs:
            desktop.press(main, key)
            dialog = desktop.wait_window(title, program)
            desktop.screenshot(f"arrange-{key.replace('+', '-')}.png")
            texts = [line[len("text "):] for line in session.run_probe(title) if line.startswith("text ")]
            check(any(texts[i:i + len(fields)] == fields for i in range(len(texts))) and button in texts,
                  f'"{title}" shows {texts}, not {fields} and "{button}"')
            if typed:
                desktop.type_text(dialog, typed)
            desktop.press(dialog, "Return" if typed else "Escape")
            desktop.wait_gone(title)
            check_current(session, (typed or "Лев Толстой") + " - Война и мир", "after " + key)
        check(card_books(session.card) == steps[-1][1], f"the dialogs moved books: {card_books(session.card)}")
        corrected = encoded(["#TITLE=Война и мир", "#AUTHOR=Lev Tolstoy", "#TOTAL_SIZE_KB=3072", "BOOK_002\\01.mp3"])
        check(read_bytes(os.path.join(session.card, "BOOK_002.ydr")) == corrected,
              f"the corrected BOOK_002.ydr holds {read_bytes(os.path.join(session.card, 'BOOK_002.ydr'))!r}")

        # "Упорядочить книги…" is the item above "Выход"; Down chooses "По названию".
        desktop.press(main, "F10", "Down", "Up", "Up", "Return")
        dialog = desktop.wait_window("Упорядочить книги", program)
        texts = session.run_probe("Упорядочить книги")
        check(texts == ["text По &автору и названию", "text По &названию", "text Упорядочить", "text Отмена"],
              f'"Упорядочить книги" shows {texts}')
        desktop.press(dialog, "Down", "Return")
        for text in ("Книги будут переставлены: 3 из 3. Продолжить?", "Книги переставлены: 3."):
            desktop.press(wait_box(session, desktop, "Перемещение книг", text, program), "Return")
        desktop.wait_gone("Перемещение книг")
        sorted_slots = {1: "Война и мир", 2: "Евгений Онегин", 3: "Мёртвые души"}
        check(card_books(session.card) == sorted_slots, f"after the sort the card holds {card_books(session.card)}")
        check_current(session, "Lev Tolstoy - Война и мир", "after the sort")
        desktop.press(main, "alt+F4")
        program.wait_end()


def progress_and_cancel(session, desktop):
    """Two books chosen together in the open dialog (typed as "BOOK_001.ydr" "BOOK_002.ydr" in
    their folder) are written as one batch behind the progress window: its title names the
    book and "книга 1 из 2", it shows what it is doing, a native progress bar and "Отмена".
    The write is held at its first file while the window is looked at; Escape stops it, the
    box says so, and the card is as it was."""
    work = scenario_folder(session, "progress")
    store_settings(session, ["CARD_PATH=E:\\", "IS_ASKED_FOR_INTEGRATION=YES"])
    make_card_book(session.card, 1, "Война и мир", "Лев Толстой")
    folder = os.path.join(work, "books")
    names = [f"part{n:02d}.mp3" for n in range(1, HELD_BOOK_FILES + 1)]
    for name in names:
        write_bytes(os.path.join(folder, name), name.encode("ascii") * 1000)
    write_bytes(os.path.join(folder, "BOOK_001.ydr"),
                encoded(["#TITLE=Большая книга", "#AUTHOR=Автор", "#TOTAL_SIZE_KB=80"] + names))
    write_bytes(os.path.join(folder, "small.mp3"), b"small")
    write_bytes(os.path.join(folder, "BOOK_002.ydr"),
                encoded(["#TITLE=Малая", "#AUTHOR=Автор", "#TOTAL_SIZE_KB=1", "small.mp3"]))
    before = folder_state(session.card)
    hold = Hold(os.path.join(work, "hold"), "copy")

    with Program(session, desktop, os.path.join(work, "program"), hold=hold).start() as program:
        main = desktop.wait_window(MAIN_TITLE, program)
        desktop.press(main, "Return")
        dialog = desktop.wait_window(OPEN_DIALOG, program)
        desktop.type_text(dialog, windows_path(folder))
        desktop.press(dialog, "Return")
        desktop.type_text(dialog, '"BOOK_001.ydr" "BOOK_002.ydr"')
        desktop.press(dialog, "Return")
        hold.wait(program)
        title = "Запись книги Автор - Большая книга (книга 1 из 2)"
        window = desktop.wait_window(title, program)

        def shows_progress():
            texts = session.run_probe(title)
            return ("text Отмена" in texts and "text копирование: файл 1 из 8" in texts
                    and any(re.fullmatch(r"progress \d+", t) for t in texts))
        check_soon(shows_progress, lambda: "the progress window does not show Отмена, the file it copies "
                                           f"(1 of 8) and a progress bar: {session.run_probe(title)}")
        desktop.screenshot("progress-window.png")
        desktop.press(window, "Escape")
        box = wait_box(session, desktop, WRITE_BOX, "Запись книги Автор - Большая книга отменена, на карту памяти "
                       "книга не записана. До отмены записано книг: 0 из 2.", program)
        desktop.press(box, "Return")
        desktop.wait_gone(WRITE_BOX)
        check_current(session, "Лев Толстой - Война и мир", "after the stopped write")
        desktop.press(main, "alt+F4")
        program.wait_end()
    after = folder_state(session.card)
    check(after == before, f"the stopped write changed the card: {sorted(after)}")


def heard_lines(path):
    try:
        with open(path, encoding="utf-8") as f:
            return [line.rstrip("\n").split("\t") for line in f]
    except OSError:
        return []


def heard(entry, line):
    """Whether a line of the listener's transcript is what the step's entry (walksteps.py) wants."""
    kind, *want = entry
    if kind == "focus":
        return line[0] == "focus" and line[1:3] == want[:2] and line[4].startswith(want[2] if want[2:] else "")
    if kind == "dialog":
        return line[0] == "dialog" and line[1].startswith(want[0]) and want[1] in line[2]
    return kind == "value" and line[0] == "valuechange" and line[2:3] == want


def listener_walk(session, desktop):
    """The walk of walksteps.py: the program driven by keys only while the listener writes down
    what a screen reader is told; each step waits for what it must hear, and reads what Wine
    does not tell another way (the row through the list's messages, a menu by what it opens)."""
    import walksteps
    work = scenario_folder(session, "listener-walk")
    store_settings(session, ["CARD_PATH=E:\\", "IS_ASKED_FOR_INTEGRATION=YES"])
    for number, (author, title) in enumerate(walksteps.CARD, 1):
        make_card_book(session.card, number, title, author)
    write_daisy_book(os.path.join(work, "daisy"), ["a.mp3"])
    names = [f"part{n:02d}.mp3" for n in range(1, HELD_BOOK_FILES + 1)]
    for name in names:
        write_bytes(os.path.join(work, "book", name), name.encode("ascii") * 1000)
    author, title = walksteps.WRITTEN.split(" - ")
    book = os.path.join(work, "book", "BOOK_001.ydr")
    write_bytes(book, encoded([f"#TITLE={title}", f"#AUTHOR={author}", "#TOTAL_SIZE_KB=8"] + names))
    paths = {"ncc": windows_path(os.path.join(work, "daisy", "ncc.html")), "book": windows_path(book)}
    transcript, stop = os.path.join(work, "heard.txt"), os.path.join(work, "listener", "stop")
    os.makedirs(os.path.dirname(stop))
    listener = subprocess.Popen(session.command("wine", session.listener, windows_path(transcript), windows_path(stop)),
                                env=session.env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
    hold = Hold(os.path.join(work, "hold"), "copy")
    try:
        check_soon(lambda: ["ready"] in heard_lines(transcript), "the listener did not start")
        start = len(heard_lines(transcript))
        with Program(session, desktop, os.path.join(work, "program"), hold=hold,
                     ejected=os.path.join(work, "ejected.txt")).start() as program:
            desktop.wait_window(MAIN_TITLE, program)
            for step in walksteps.STEPS:
                window = desktop.wait_window(MAIN_TITLE if step.window == "main" else step.window, program)
                if step.text:
                    desktop.type_text(window, step.text.format(**paths))
                if step.keys:
                    desktop.press(window, *step.keys)
                if step.release:
                    hold.wait(program)
                    hold.release()
                for entry in step.heard:
                    if entry[0] == "row":
                        check_current(session, entry[1], step.name)
                    elif entry[0] == "opens":
                        desktop.wait_window(entry[1], program)
                    else:
                        check_soon(lambda: any(heard(entry, line) for line in heard_lines(transcript)[start:]),
                                   lambda: f"{step.name}: {entry} not heard in {heard_lines(transcript)[start:]}")
                log(f"heard: {step.name}")
                start = len(heard_lines(transcript))
            desktop.press(desktop.wait_window(MAIN_TITLE, program), "alt+F4")
            program.wait_end()
    finally:
        write_bytes(stop, b"")
        listener.wait(timeout=PROGRAM_END_LIMIT)
        if os.path.exists(transcript):
            os.makedirs(session.artifacts, exist_ok=True)
            shutil.copy(transcript, os.path.join(session.artifacts, "listener-walk.txt"))


def high_dpi(session, desktop):
    """At 144 dpi the main window's outer size is 1.5 times its 96-dpi size, still centred."""
    work = scenario_folder(session, "high-dpi")
    store_settings(session, ["CARD_PATH=E:\\", "IS_ASKED_FOR_INTEGRATION=YES"])
    make_card_book(session.card, 1, "Война и мир", "Лев Толстой")
    set_dpi(session, HIGH_DPI)
    try:
        with Program(session, desktop, os.path.join(work, "program")).start() as program:
            main = desktop.wait_window(MAIN_TITLE, program)
            expected = (scaled(MAIN_WIDTH, HIGH_DPI), scaled(MAIN_HEIGHT, HIGH_DPI))
            check_soon(lambda: desktop.geometry(main)[2:] == expected,
                       lambda: f"at {HIGH_DPI} dpi the main window is {desktop.geometry(main)[2:]}, not {expected}")
            x, y, width, height = desktop.geometry(main)
            desktop.screenshot("main-window-144dpi.png")
            check((width, height) == expected,
                  f"at {HIGH_DPI} dpi the main window is {width}x{height}, not {expected}")
            check((x, y) == ((SCREEN_WIDTH - width) // 2, (SCREEN_HEIGHT - height) // 2),
                  f"the main window at {x},{y} is not centred")
            desktop.press(main, "alt+F4")
            program.wait_end()
    finally:
        set_dpi(session, DESIGN_DPI)


def scaled(pixels, dpi):
    """A 96-dpi size at the DPI, rounded as MulDiv rounds (halves away from zero)."""
    return (pixels * dpi + DESIGN_DPI // 2) // DESIGN_DPI


def set_dpi(session, dpi):
    """Wine's screen resolution for the session; a fresh server takes it."""
    settings = os.path.join(session.folder, "dpi.reg")
    with open(settings, "w", encoding="ascii", newline="\r\n") as f:
        f.write("REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"
                f'"LogPixels"=dword:{dpi:08x}\n')
    check(session.wine("wine", "regedit", "/S", windows_path(settings)) == 0, "regedit failed")
    restart_wine(session)


# ----- The program file -----

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
FIXED_FILE_INFO_SIGNATURE = struct.pack("<I", 0xFEEF04BD)
FILE_VERSION_FIELD = 8        # dwFileVersionMS, dwFileVersionLS after the signature and struct version
WORD_BITS, WORD_MASK = 16, 0xFFFF
# The version the top-level CMakeLists.txt gives, as the resources carry it.
PROGRAM_VERSION_TEXT = re.search(r"project\(ZwqManager VERSION ([0-9.]+)",
                                 (Path(__file__).resolve().parents[3] / "CMakeLists.txt").read_text()).group(1)
PROGRAM_VERSION = tuple(map(int, PROGRAM_VERSION_TEXT.split("."))) + (0,)
# What a statically linked MinGW program must not need beside it.
MINGW_RUNTIME_DLLS = ("libstdc++-6.dll", "libgcc_s_seh-1.dll", "libgcc_s_dw2-1.dll", "libwinpthread-1.dll")


class PortableExecutable:
    """The resources and imported libraries of a PE file (32- or 64-bit)."""

    PE_HEADER_POINTER = 0x3C      # in the DOS header
    SIGNATURE = b"PE\0\0"
    SECTION_COUNT = 6             # from the signature
    OPTIONAL_HEADER_SIZE = 20     # from the signature
    OPTIONAL_HEADER = 24          # from the signature
    PE32_PLUS = 0x20B
    DIRECTORIES_PE32_PLUS, DIRECTORIES_PE32 = 112, 96  # in the optional header
    DIRECTORY_COUNT, DIRECTORY_SIZE = 16, 8
    IMPORT_DIRECTORY, RESOURCE_DIRECTORY = 1, 2
    SECTION_SIZE, SECTION_FIELDS = 40, 8  # VirtualSize, VirtualAddress, SizeOfRawData, PointerToRawData
    IMPORT_DESCRIPTOR_SIZE, IMPORT_NAME = 20, 12
    RESOURCE_COUNTS, RESOURCE_ENTRIES, RESOURCE_ENTRY_SIZE = 12, 16, 8
    SUBDIRECTORY = 0x80000000

    def __init__(self, path):
        self.data = read_bytes(path)
        pe = struct.unpack_from("<I", self.data, self.PE_HEADER_POINTER)[0]
        check(self.data[pe:pe + len(self.SIGNATURE)] == self.SIGNATURE, path + " is not a PE file")
        sections = struct.unpack_from("<H", self.data, pe + self.SECTION_COUNT)[0]
        optional_size = struct.unpack_from("<H", self.data, pe + self.OPTIONAL_HEADER_SIZE)[0]
        optional = pe + self.OPTIONAL_HEADER
        plus = struct.unpack_from("<H", self.data, optional)[0] == self.PE32_PLUS
        directories = optional + (self.DIRECTORIES_PE32_PLUS if plus else self.DIRECTORIES_PE32)
        self.directories = [struct.unpack_from("<II", self.data, directories + self.DIRECTORY_SIZE * i)
                            for i in range(self.DIRECTORY_COUNT)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", self.data, table + self.SECTION_SIZE * i + self.SECTION_FIELDS)
                         for i in range(sections)]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw_offset in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise Failure(f"address {rva:#x} lies in no section")

    def resources(self):
        """Resource type → list of the resources' bytes (all names and languages)."""
        found = {}
        if self.directories[self.RESOURCE_DIRECTORY][0] == 0:
            return found
        root = self.offset(self.directories[self.RESOURCE_DIRECTORY][0])

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, directory + self.RESOURCE_COUNTS)
            for i in range(named + numbered):
                yield struct.unpack_from("<II", self.data,
                                         directory + self.RESOURCE_ENTRIES + self.RESOURCE_ENTRY_SIZE * i)

        def leaves(target):
            if target & self.SUBDIRECTORY:
                for _, child in entries(root + (target & ~self.SUBDIRECTORY)):
                    yield from leaves(child)
            else:
                rva, size = struct.unpack_from("<II", self.data, root + target)
                yield self.data[self.offset(rva):self.offset(rva) + size]

        for kind, target in entries(root):
            found[kind] = list(leaves(target))
        return found

    def imported_libraries(self):
        descriptor = self.offset(self.directories[self.IMPORT_DIRECTORY][0])
        names = []
        while True:
            name_rva = struct.unpack_from("<I", self.data, descriptor + self.IMPORT_NAME)[0]
            if name_rva == 0:
                return names
            start = self.offset(name_rva)
            names.append(self.data[start:self.data.index(b"\0", start)].decode("ascii").lower())
            descriptor += self.IMPORT_DESCRIPTOR_SIZE


def program_file(session, desktop):
    """ZWQManager.exe needs no MinGW runtime beside it and carries its icon, its manifest
    (common controls 6, per-monitor DPI awareness, asInvoker) and the project's version."""
    exe = PortableExecutable(session.program)
    libraries = exe.imported_libraries()
    check(not any(dll in libraries for dll in MINGW_RUNTIME_DLLS), f"imports a MinGW runtime: {libraries}")

    resources = exe.resources()
    check(resources.get(RT_ICON) and resources.get(RT_GROUP_ICON), "no icon")
    manifests = resources.get(RT_MANIFEST, [])
    check(len(manifests) == 1, f"{len(manifests)} manifests")
    manifest = manifests[0].decode("utf-8")
    for needed in ('name="Microsoft.Windows.Common-Controls" version="6.0.0.0"', "PerMonitorV2", "true/pm",
                   'level="asInvoker"'):
        check(needed in " ".join(manifest.split()), "the manifest lacks " + needed)

    versions = resources.get(RT_VERSION, [])
    check(len(versions) == 1, f"{len(versions)} version resources")
    info = versions[0]
    fixed = info.index(FIXED_FILE_INFO_SIGNATURE)
    most, least = struct.unpack_from("<II", info, fixed + FILE_VERSION_FIELD)
    version = (most >> WORD_BITS, most & WORD_MASK, least >> WORD_BITS, least & WORD_MASK)
    check(version == PROGRAM_VERSION, "file version " + ".".join(map(str, version)))
    for text in ("ZWQ-менеджер", PROGRAM_VERSION_TEXT):
        check(text.encode("utf-16-le") in info, "the version information lacks " + text)


SCENARIOS = {
    "write-from-command-line": write_from_command_line,
    "delete-from-command-line": delete_from_command_line,
    "delete-refused": delete_refused,
    "first-start-cancelled": first_start_cancelled,
    "first-start-card-chosen": first_start_card_chosen,
    "rar-from-command-line": rar_from_command_line,
    "keyboard-and-menu": keyboard_and_menu,
    "card-comes-and-goes": card_comes_and_goes,
    "new-book-dialog": new_book_dialog,
    "current-row": current_row,
    "arrange-books": arrange_books,
    "progress-and-cancel": progress_and_cancel,
    "high-dpi": high_dpi,
    "listener-walk": listener_walk,
}
# Steps that look at the program file only, without a session.
FILE_CHECKS = {
    "program-file": program_file,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", required=True, help="ZWQManager.exe")
    parser.add_argument("--build", help="the build folder (not needed for the program-file check)")
    parser.add_argument("--unrar", help="the stand-in unrar.exe (not needed for the program-file check)")
    parser.add_argument("--probe", help="windowprobe.exe, which reads the program's windows")
    parser.add_argument("--listener", help="listener.exe, which writes down what a screen reader is told")
    parser.add_argument("--held-program", help="the test build of the program that holds the card work")
    parser.add_argument("--arch", default="win64", choices=["win64", "win32"],
                        help="the Wine prefix's architecture: win32 is a 32-bit Windows")
    parser.add_argument("step", choices=["start", "stop", *SCENARIOS, *FILE_CHECKS])
    args = parser.parse_args()
    if args.step not in FILE_CHECKS and (args.build is None or args.unrar is None):
        parser.error("--build and --unrar are needed for " + args.step)
    session = Session(args.build or ".", args.program, args.unrar or "", args.probe or "", args.held_program or "",
                      args.arch, args.listener or "")
    try:
        if args.step == "start":
            command_start(session)
        elif args.step == "stop":
            command_stop(session)
        elif args.step in FILE_CHECKS:
            FILE_CHECKS[args.step](session, None)
        else:
            SCENARIOS[args.step](session, Desktop(session))
    except (Failure, subprocess.TimeoutExpired) as error:
        log("FAILED: " + str(error))
        return 1
    log("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
