"""Walks through the program by keyboard as a blind user does and checks what Orca says.

Run by Screenreadertest.sh inside a virtual display and a session bus of its own. Starts the
accessibility bus, a window manager, speech-dispatcher, Orca (through this same file with
--orca, which keeps Orca's debug log line-buffered) and the program on a demo card of three
books, then presses keys with xdotool and waits, with time limits, for the utterances each key
must bring. Every process it starts it ends again, by its id.
"""
import builtins
import os
import re
import runpy
import shutil
import subprocess
import sys
import time

START_LIMIT = 90      # seconds for Orca and the program to come up and speak
SPEECH_LIMIT = 20     # seconds for the utterances a key brings
QUIET_SECONDS = 1.0   # Orca has finished speaking once it has been silent this long
POLL_SECONDS = 0.1
XDOTOOL_LIMIT = 5

TITLE = "ZWQ-менеджер zwq-books.example библиотека ZWQ-книг"
LIST = "Содержимое карты памяти"
# How Orca calls the book list: a table or a list, never a tree ("дерево").
LIST_ROLE = re.compile(r"(^|\s)(таблица|список)(\s|\.|$)")
BOOKS = ["Иван Петров - Звуки леса", "Мария Соколова - Морские истории", "Пётр Иванов - Короткий рассказ"]
# The books a listener may be on: those of the demo card and the one whose author F2 corrects
# (typed in Latin letters: xdotool drops Cyrillic ones now and then).
CORRECTED_AUTHOR = "Lev Tolstoy"
KNOWN_BOOKS = BOOKS + [CORRECTED_AUTHOR + " - " + book.split(" - ", 1)[1] for book in BOOKS]
SIZE = re.compile(r"^\d+ Мб\.?$")
MISSING_FOLDER = "/nonexistent/card"
BIG_BOOK = "Автор - Большая книга"
PROGRESS_TITLE = "Запись книги " + BIG_BOOK
WRITE_BOX = "Запись книги на карту памяти"
CANCELLED = "отменена, на карту памяти книга не записана"
TROUBLE = "На карте памяти есть неполадки"
CHECK_BOX = "Проверка карты памяти"
# The book whose write the program (the tests' build) holds at its first file until it is
# stopped: the hold folder gets the file "held" when the write is there.
BIG_BOOK_FILES = 8
HOLD = os.path.join(os.environ.get("ZWQ_WORK", ""), "hold")

# Orca's debug log: an utterance is "SPEECH OUTPUT: '<text>'" and the voice; line breaks in the
# text are followed by 18 blanks.
UTTERANCE = re.compile(r"SPEECH OUTPUT: '(.*?)'(?: voice=\S+)? ?\{", re.S)
CONTINUATION = re.compile(r"\n {18}")

# The card is a removable volume of UDisks2, played by the tests' stand-in on a bus of the walk's
# own taken for the system's: it is taken out and put back in, and ejected, while the window is open.
STANDIN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "platform", "udisks2_standin.py")
CARD_DEVICE = "/org/freedesktop/UDisks2/block_devices/sdc"

WORK = os.environ.get("ZWQ_WORK", "")
ARTIFACTS = os.environ.get("ZWQ_ARTIFACTS", "")
ORCA_LOG = os.path.join(WORK, "orca-debug.log")


class Failure(Exception):
    pass


def run_orca(log, prefs):
    """Orca with its debug log written line by line: Orca opens the file block-buffered and loses
    what is buffered when it is ended. Orca also refuses to start beside another Orca of the
    same user; ours runs alone on its own display and bus."""
    real_open = builtins.open

    def line_buffered(file, mode="r", *args, **kwargs):
        if file == log:
            return real_open(file, mode, 1, encoding="utf-8")
        return real_open(file, mode, *args, **kwargs)

    builtins.open = line_buffered
    sys.argv = ["orca", "--debug-file=" + log, "--user-prefs=" + prefs]
    orca = runpy.run_path("/usr/bin/orca", run_name="orca_launcher")
    orca["main"].__globals__["otherOrcas"] = lambda: []
    return orca["main"]()


class Speech:
    """What Orca has said, read from its log as it grows."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.pending = ""
        self.heard = []
        self.cursor = 0  # utterances before it have been looked at

    def read(self):
        try:
            with open(self.path, encoding="utf-8", errors="replace") as log:
                log.seek(self.offset)
                chunk = log.read()
                self.offset = log.tell()
        except FileNotFoundError:
            return
        self.pending += chunk
        end = 0
        for match in UTTERANCE.finditer(self.pending):
            self.heard.append(CONTINUATION.sub(" ", match.group(1)).strip())
            end = match.end()
        self.pending = self.pending[end:]

    def expect(self, what, test, limit=SPEECH_LIMIT):
        """Waits for an utterance after the cursor that passes the test; returns it and moves
        the cursor past it."""
        deadline = time.monotonic() + limit
        while True:
            self.read()
            for index in range(self.cursor, len(self.heard)):
                if test(self.heard[index]):
                    self.cursor = index + 1
                    return self.heard[index]
            if time.monotonic() >= deadline:
                said = self.heard[self.cursor:]
                raise Failure(f"not heard within {limit} s: {what}; heard {said}")
            time.sleep(POLL_SECONDS)

    def expect_text(self, text, limit=SPEECH_LIMIT):
        return self.expect(repr(text), lambda said: text in said, limit)

    def settle(self):
        """Waits until Orca has finished speaking; everything said so far counts as looked at."""
        deadline = time.monotonic() + SPEECH_LIMIT
        count, quiet_since = -1, time.monotonic()
        while time.monotonic() < deadline:
            self.read()
            if len(self.heard) != count:
                count, quiet_since = len(self.heard), time.monotonic()
            elif time.monotonic() - quiet_since >= QUIET_SECONDS:
                break
            time.sleep(POLL_SECONDS)
        self.cursor = len(self.heard)

    def expect_each(self, *waits):
        """What each wait (a call that expects one thing) found from the cursor on, in any order."""
        start, end, found = self.cursor, self.cursor, []
        for wait in waits:
            self.cursor = start
            found.append(wait())
            end = max(end, self.cursor)
        self.cursor = end
        return found

    def expect_row(self, what, limit=SPEECH_LIMIT):
        """The list with its name and role, then a book and its size: where the listener is."""
        name = self.expect(f"the list's name ({what})", lambda said: said.startswith(LIST), limit)
        if not LIST_ROLE.search(name):
            self.expect(f"the list as a table or list ({what})", lambda said: LIST_ROLE.search(said) is not None, limit)
        book = self.expect(f"a book after the list's name ({what})", lambda said: said.rstrip(".") in KNOWN_BOOKS,
                           limit)
        self.expect(f"the book's size ({what})", lambda said: SIZE.match(said) is not None, limit)
        return book.rstrip(".")


def key(*names):
    for name in names:
        result = subprocess.run(["timeout", str(XDOTOOL_LIMIT), "xdotool", "key", name], stdin=subprocess.DEVNULL,
                                capture_output=True)
        if result.returncode != 0:
            raise Failure(f"xdotool could not press {name}")


def type_text(text):
    result = subprocess.run(["timeout", str(XDOTOOL_LIMIT * 4), "xdotool", "type", "--delay", "30", text],
                            stdin=subprocess.DEVNULL, capture_output=True)
    if result.returncode != 0:
        raise Failure("xdotool could not type " + text)


def card_titles():
    """The card's books by their numbers: the order the player plays them in and the program
    lists them in."""
    titles = []
    for name in sorted(os.listdir(os.environ["ZWQ_CARD"])):
        if re.fullmatch(r"BOOK_\d{3}\.ydr", name):
            with open(os.path.join(os.environ["ZWQ_CARD"], name), "rb") as f:
                lines = f.read().decode("cp1251").split("\r\n")
            fields = dict(line[1:].split("=", 1) for line in lines if line.startswith("#") and "=" in line)
            titles.append(f"{fields.get('AUTHOR', '')} - {fields.get('TITLE', '')}")
    return titles


def make_big_book():
    """The descriptor of a large book beside its files; returns its path."""
    folder = os.path.join(WORK, "big book")
    os.makedirs(folder, exist_ok=True)
    names = [f"{n:02d}.mp3" for n in range(1, BIG_BOOK_FILES + 1)]
    for name in names:
        with open(os.path.join(folder, name), "wb") as f:
            f.write(name.encode("ascii") * 1000)
    author, title = BIG_BOOK.split(" - ")
    descriptor = os.path.join(folder, "BOOK_001.ydr")
    with open(descriptor, "wb") as f:
        f.write("".join(line + "\r\n" for line in [f"#TITLE={title}", f"#AUTHOR={author}", "#TOTAL_SIZE_KB=80"] + names)
                .encode("cp1251"))
    return descriptor


def make_daisy_book():
    """A small DAISY 2.02 book ("Пушкин - Сказки", read by "Иванов"); returns its ncc.html."""
    folder = os.path.join(WORK, "daisy book")
    os.makedirs(folder, exist_ok=True)
    ncc = os.path.join(folder, "ncc.html")
    with open(ncc, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="utf-8"?>\n<html xmlns="http://www.w3.org/1999/xhtml"><head>'
                '<title>Сказки</title><meta name="dc:title" content="Сказки"/><meta name="dc:creator" content="Пушкин"/>'
                '<meta name="ncc:narrator" content="Иванов"/></head><body><h1><a href="a.smil#p1">Сказки</a></h1>'
                '</body></html>\n')
    with open(os.path.join(folder, "a.smil"), "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="utf-8"?>\n<smil><body><seq><par id="p1"><audio src="01.mp3"/></par>'
                '</seq></body></smil>\n')
    with open(os.path.join(folder, "01.mp3"), "wb") as f:
        f.write(b"audio" * 100)
    return ncc


def focused_title():
    result = subprocess.run(["timeout", str(XDOTOOL_LIMIT), "xdotool", "getwindowfocus", "getwindowname"],
                            stdin=subprocess.DEVNULL, capture_output=True)
    return result.stdout.decode("utf-8", "replace").strip() if result.returncode == 0 else ""


def key_in(title, *names):
    """Presses the keys once the window of this title has the keyboard focus: a box is heard as
    soon as it is shown, and the window manager may give it the focus a moment later."""
    try:
        wait_until(f"the focus in {title!r}", lambda: focused_title() == title)
    except Failure as failure:
        raise Failure(f"{failure}; the focus is in {focused_title()!r}") from None
    key(*names)


def window_shown(title):
    """Whether a window with exactly this title (no character special to a regular expression) is
    on the screen."""
    result = subprocess.run(["timeout", str(XDOTOOL_LIMIT), "xdotool", "search", "--onlyvisible", "--name",
                             "^" + title + "$"], stdin=subprocess.DEVNULL, capture_output=True)
    return result.returncode == 0 and result.stdout.strip() != b""


def walk(speech):
    """The steps of a listener's walk, each with what must be heard."""
    # Start-up: the window, then the list with its current row, the first book.
    speech.expect_text(TITLE, START_LIMIT)
    first = speech.expect_row("at start-up", START_LIMIT)
    rows = card_titles()
    if first != rows[0]:
        raise Failure(f"at start-up the current book is {first!r}, not the first row {rows[0]!r}")
    print("start-up: heard the list and", first, flush=True)
    speech.settle()

    # Home and End, with Ctrl too, reach the first and the last book, read by name; after End,
    # Tab to the status line and Tab again back into the list is on the last book, read whole.
    for name, row in (("End", -1), ("Home", 0), ("ctrl+End", -1), ("ctrl+Home", 0), ("End", -1), ("Tab", None),
                      ("Tab", -1), ("Home", 0)):
        key(name)
        if row is None:
            speech.expect_text("Записано книг")
        else:
            what = f"{rows[row]} after {name}"
            heard = speech.expect_row(what) if name == "Tab" else speech.expect(what, lambda said: said.rstrip(".") in KNOWN_BOOKS)
            if heard.rstrip(".") != rows[row]:
                raise Failure(f"after {name} the book heard is {heard!r}, not {rows[row]!r} of {rows}")
        speech.settle()
    print("Home, End, Ctrl+Home, Ctrl+End and Tab back into the list were heard on their books", flush=True)

    # Delete without touching the arrows asks about that book; Esc answers Cancel and the
    # listener is back on the same row.
    key("Delete")
    speech.expect_text(f"Вы действительно хотите удалить книгу {first} с карты памяти")
    speech.settle()
    key("Escape")
    back = speech.expect_row("after the question")
    if back != first:
        raise Failure(f"after the question the current book is {back!r}, not {first!r}")
    print("Delete asked about", first, "and Esc came back to it", flush=True)
    speech.settle()

    # Down to the second book, Delete, Enter (Yes): the outcome is heard, and after its OK the
    # book now in the deleted one's place.
    key("Down")
    second = speech.expect("the second book", lambda said: said.rstrip(".") in BOOKS).rstrip(".")
    speech.settle()
    key("Delete")
    speech.expect_text(f"Вы действительно хотите удалить книгу {second} с карты памяти")
    speech.settle()
    key("Return")
    speech.expect_text(f"Книга {second} удалена с карты памяти")
    speech.settle()
    key("Return")
    now = speech.expect_row("after the deletion")
    rows = card_titles()
    if second in rows or now != rows[min(1, len(rows) - 1)]:
        raise Failure(f"after deleting {second!r} the current book is {now!r}; the card lists {rows}")
    print("deleted", second, "and heard it; now on", now, flush=True)
    speech.settle()

    def moved(book, place, order, hear):
        """The book just moved is heard again with its new place, still current; the card follows."""
        heard, _ = speech.expect_each(hear, lambda: speech.expect_text(f"Книга перемещена на место {place}"))
        wait_until(f"{book} at place {place}", lambda: card_titles()[:len(order)] == order, SPEECH_LIMIT)
        if heard.rstrip(".") != book:
            raise Failure(f"after the move to place {place} the current book is {heard!r}, not {book!r}")
        speech.settle()

    def name_of(book):
        return lambda: speech.expect(f"the moved book ({book})", lambda said: said.rstrip(".") == book)

    # Ctrl+Up moves the current book, the last, one place up, now first on the card.
    key("ctrl+Up")
    moved(now, 1, [now], name_of(now))
    print("Ctrl+Up moved", now, "and it was heard", flush=True)

    # F2: "Описание книги" is heard with its first field, the author; a corrected author is
    # typed over it and Enter saves: the list is heard again on the book under its new name.
    key("F2")
    speech.expect_text("Описание книги")
    speech.expect_text("Автор")
    speech.settle()
    key("ctrl+a")
    type_text(CORRECTED_AUTHOR)
    speech.settle()
    key("Return")
    corrected = CORRECTED_AUTHOR + " - " + now.split(" - ", 1)[1]
    heard = speech.expect_row("after the correction")
    if heard != corrected or card_titles()[0] != corrected:
        raise Failure(f"after the correction the current book is {heard!r}; the card lists {card_titles()}")
    print("F2 corrected the author of", now, "aloud", flush=True)
    speech.settle()

    # Ctrl+Down moves it to the second place, Ctrl+M ("Перемещение книги", the place typed) back
    # to the first, where the list is heard again on it.
    other = card_titles()[1]
    key("ctrl+Down")
    moved(corrected, 2, [other, corrected], name_of(corrected))
    key("ctrl+m")
    speech.expect_text("Перемещение книги")
    speech.settle()
    key_in("Перемещение книги", "1", "Return")
    moved(corrected, 1, [corrected, other], lambda: speech.expect_row("after the move to place 1"))
    print("Ctrl+Down and Ctrl+M moved", corrected, "aloud", flush=True)

    # "Упорядочить книги…", the item above "Выход", by title: the question says how many books
    # move, Enter (Yes) sorts them, a box tells it, and the listener is on the same book.
    for name, said in (("F10", "Файл"), ("Down", "Записать книгу"), ("Up", "Выход"), ("Up", "Упорядочить книги"),
                       ("Return", "По автору и названию"), ("Down", "По названию")):
        key(name)
        speech.expect_text(said)
        speech.settle()
    key_in("Упорядочить книги", "Return")
    for said in ("Книги будут переставлены: 2 из 2. Продолжить?", "Книги переставлены: 2."):
        speech.expect_text(said)
        speech.settle()
        key_in("Перемещение книг", "Return")
    heard = speech.expect_row("after the sort")
    if heard != corrected or card_titles() != [other, corrected]:
        raise Failure(f"after the sort the current book is {heard!r}; the card lists {card_titles()}")
    print("the books were sorted by title aloud", flush=True)
    speech.settle()

    # F10 reaches "Файл"; Right and Down to "Выбрать карту памяти"; Enter opens the card dialog.
    key("F10")
    speech.expect_text("Файл")
    speech.settle()
    key("Right")
    speech.expect_text("Настройки")
    speech.settle()
    key("Down")
    speech.expect_text("Выбрать карту памяти")
    speech.settle()
    key("Return")
    speech.expect_text("Выберите папку карты памяти с ZWQ-книгами")
    speech.settle()
    print("F10 reached the menu and the card dialog opened", flush=True)

    # A folder that does not exist is refused, and the warning names it; its OK goes back to
    # the dialog, Esc closes it and the listener is on the list again.
    key("ctrl+a")
    type_text(MISSING_FOLDER)
    speech.settle()
    key("Return")
    speech.expect_text(f"Папка не найдена: {MISSING_FOLDER}")
    speech.settle()
    key("Return")
    speech.expect_text("Выбор карты памяти")
    speech.settle()
    key("Escape")
    speech.expect_row("after the card dialog")
    print("the missing folder was refused aloud", flush=True)
    speech.settle()

    # The integration item speaks of the file manager, and switching it tells the new state.
    key("F10", "Right", "Down")
    speech.expect_text("Выбрать карту памяти")
    speech.settle()
    key("Down")
    speech.expect_text("Интегрировать в файловый менеджер")
    speech.settle()
    key("Return")
    speech.expect_text("Интеграция с файловым менеджером включена")
    speech.settle()
    key("Return")
    speech.expect_row("after the integration")
    print("the integration was switched on aloud", flush=True)
    speech.settle()

    # "Проверять записанное", the last item of "Настройки", is heard ticked; Enter switches the
    # reading back off, which the settings keep.
    key("F10", "Right", "Down", "Down")
    speech.expect_text("Удалить интеграцию из файлового менеджера")
    speech.settle()
    key("Down")
    speech.expect_text("Проверять записанное отмечено")
    speech.settle()
    key("Return")
    speech.expect_row("after the reading back was switched")
    wait_until("the reading back off in the settings", lambda: "VERIFY_WRITES=0" in settings_text(), SPEECH_LIMIT)
    print("the reading back was switched off aloud", flush=True)
    speech.settle()

    # A DAISY book from the open dialog: "Новая книга" is heard with its first field, the author
    # as the book gives it; Tab reaches the title; Esc (Отмена) writes nothing.
    ncc = make_daisy_book()
    key("Return")
    speech.settle()
    type_text(ncc)
    key("Return")
    speech.expect_text("Новая книга", START_LIMIT)
    speech.expect_text("Автор")
    speech.settle()
    key("Tab")
    speech.expect_text("Название")
    speech.settle()
    key("Escape")
    speech.expect_row("after the new book was cancelled")
    if "Пушкин - Сказки" in card_titles():
        raise Failure("the cancelled DAISY book is on the card")
    print("the new book dialog was heard and cancelled", flush=True)
    speech.settle()

    # A book from the open dialog, its write held at the first file: the progress window is
    # heard (its title, the book), and Escape in it stops the write, which its box says.
    descriptor = make_big_book()
    key("Return")
    speech.settle()
    type_text(descriptor)
    key("Return")
    speech.expect(f"the progress window ({PROGRESS_TITLE})",
                  lambda said: said.startswith(PROGRESS_TITLE) and CANCELLED not in said, START_LIMIT)
    wait_until("the write held at its first file", lambda: os.path.exists(os.path.join(HOLD, "held")))
    # Meanwhile a removal cut short leaves its journal on the card (one that never began): the
    # list made after the write sees it and offers the check, declined here.
    with open(os.path.join(os.environ["ZWQ_CARD"], "ZWQJOURN.TMP"), "wb") as journal:
        journal.write(b"ZWQ JOURNAL 2\n")
    speech.settle()
    key("Escape")
    speech.expect_text(TROUBLE, START_LIMIT)
    speech.settle()
    key_in(CHECK_BOX, "Escape")
    outcome = speech.expect("the write's outcome", lambda said: CANCELLED in said, START_LIMIT)
    percents = [said for said in speech.heard if "процент" in said]
    speech.settle()
    if window_shown(WRITE_BOX):
        key("Return")
    speech.expect_row("after the write")
    if BIG_BOOK in card_titles():
        raise Failure(f"the box said {outcome!r}, but the book is on the card")
    print("the progress window was heard, then:", outcome, "; progress heard:", percents, flush=True)
    speech.settle()

    # While that journal waits for the check no book is deleted: Delete says why and offers the
    # check; Esc declines it and the listener is back on the same row.
    key("Delete")
    speech.expect("the refusal and the offer of the check",
                  lambda said: "не удалить, пока карта памяти не проверена" in said and "Проверить карту сейчас?" in said)
    speech.settle()
    key("Escape")
    back = speech.expect_row("after the refusal")
    if len(card_titles()) != len(BOOKS) - 1 or back not in card_titles():
        raise Failure(f"after the refusal the current book is {back!r}; the card lists {card_titles()}")
    print("Delete was refused while the journal waits, and heard", flush=True)
    speech.settle()

    # The card taken out and put back in while the window is open: each is heard, and the
    # list follows. Then Ctrl+E ejects it: the card is heard gone, its box says it can be taken
    # out, and the list is empty.
    books = len(card_titles())
    system_bus("--object-path", CARD_DEVICE, "--method", "org.freedesktop.UDisks2.Filesystem.Unmount", "{}")
    speech.expect_text("Карта памяти отключена")
    speech.settle()
    put_card_in()
    speech.expect_text(f"Карта памяти подключена: {books} книги")
    speech.settle()
    key("ctrl+e")
    speech.expect_each(lambda: speech.expect_text("Карта памяти отключена"),
                       lambda: speech.expect_text("Карту памяти можно извлечь."))
    speech.settle()
    key_in("Извлечь карту памяти", "Return")
    speech.expect("the list empty after the eject", lambda said: re.search(r"(таблица|список) с 0 ", said) is not None)
    print("the card was taken out, put back in and ejected aloud", flush=True)


def settings_text():
    with open(os.path.join(os.environ["XDG_CONFIG_HOME"], "kv8102tz", "ZWQManager", "ZWQManager.ini"), "rb") as f:
        return f.read().decode("cp1251")


def system_bus(*arguments):
    """A call on the walk's own system bus, to the UDisks2 stand-in."""
    subprocess.run(["timeout", str(XDOTOOL_LIMIT), "gdbus", "call", "--system", "--dest", "org.freedesktop.UDisks2",
                    *arguments], stdin=subprocess.DEVNULL, capture_output=True, check=True)


def put_card_in():
    system_bus("--object-path", "/org/freedesktop/UDisks2", "--method", "org.freedesktop.DBus.Mock.PutIn", "sdc",
               os.environ["ZWQ_CARD"], "WALK-0001", "PLAYER")


def start(command, log_name, **kwargs):
    log = open(os.path.join(WORK, log_name), "wb")
    return subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=log, **kwargs)


def wait_until(what, condition, limit=START_LIMIT):
    deadline = time.monotonic() + limit
    while not condition():
        if time.monotonic() >= deadline:
            raise Failure(f"{what}: not within {limit} s")
        time.sleep(POLL_SECONDS)


def wait_for_bus():
    deadline = time.monotonic() + START_LIMIT
    while subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                          "org.a11y.Bus.GetAddress"], capture_output=True).returncode != 0:
        if time.monotonic() >= deadline:
            raise Failure("the accessibility bus did not start")
        time.sleep(POLL_SECONDS)
    for flag in ("IsEnabled", "ScreenReaderEnabled"):
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                        "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", f"string:{flag}",
                        "variant:boolean:true"], capture_output=True, check=True)


def save_artifacts(speech, failed):
    os.makedirs(ARTIFACTS, exist_ok=True)
    speech.read()
    with open(os.path.join(ARTIFACTS, "orca-speech.txt"), "w", encoding="utf-8") as transcript:
        transcript.write("\n".join(speech.heard) + "\n")
    if failed:
        subprocess.run(["import", "-window", "root", os.path.join(ARTIFACTS, "orca-failed.png")],
                       capture_output=True, timeout=XDOTOOL_LIMIT * 4)
        if os.path.exists(ORCA_LOG):
            shutil.copy(ORCA_LOG, os.path.join(ARTIFACTS, "orca-debug.log"))


def main():
    processes = []
    speech = Speech(ORCA_LOG)
    failed = True
    for old in ("orca-failed.png", "orca-debug.log"):
        if os.path.exists(os.path.join(ARTIFACTS, old)):
            os.remove(os.path.join(ARTIFACTS, old))
    try:
        processes.append(start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], "at-spi.log"))
        wait_for_bus()
        processes.append(start(["openbox", "--sm-disable"], "openbox.log"))
        processes.append(start(["speech-dispatcher", "--run-single", "--timeout", "0", "--config-dir",
                                os.path.join(WORK, "speech-dispatcher")], "speech-dispatcher.log"))
        prefs = os.path.join(WORK, "orca-prefs")
        os.makedirs(prefs, exist_ok=True)
        processes.append(start([sys.executable, __file__, "--orca", ORCA_LOG, prefs], "orca.log"))
        speech.expect("Orca's greeting", lambda said: said != "", START_LIMIT)
        system = start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], "system-bus.log")
        processes.append(system)
        wait_until("the system bus", lambda: os.path.getsize(os.path.join(WORK, "system-bus.log")) > 0)
        with open(os.path.join(WORK, "system-bus.log")) as log:
            os.environ["DBUS_SYSTEM_BUS_ADDRESS"] = log.readline().strip()
        processes.append(start(["/usr/bin/python3", "-m", "dbusmock", "--template", STANDIN], "udisks2.log"))
        wait_until("the UDisks2 stand-in", lambda: subprocess.run(
            ["gdbus", "wait", "--system", "--timeout", "1", "org.freedesktop.UDisks2"], capture_output=True).returncode == 0)
        put_card_in()
        os.makedirs(HOLD, exist_ok=True)
        environment = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                           ZWQ_TEST_HOLD=HOLD, ZWQ_TEST_HOLD_AT="copy")
        processes.append(start([os.environ["ZWQ_MANAGER"]], "program.log", env=environment))
        walk(speech)
        failed = False
    except (Failure, subprocess.SubprocessError, OSError) as error:
        print("FAILED:", error, flush=True)
    finally:
        save_artifacts(speech, failed)
        for process in reversed(processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=XDOTOOL_LIMIT)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
    print("heard:", " | ".join(speech.heard), flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--orca":
        sys.exit(run_orca(sys.argv[2], sys.argv[3]))
    sys.exit(main())
