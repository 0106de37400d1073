"""The listener's walk through ZWQManager.exe under Wine: the keys of each step and what a Windows
screen reader must be told, read beside the Orca walk (tests/gui/qt/Screenreadertest.py).

A step is Step(name, keys, heard, ...):
  keys     pressed one after another in the window titled `window` (after typing `text`, whose
           {ncc} and {book} are the test's DAISY book and book descriptor)
  heard    what must come after the keys, each one of
             ("focus", name, role[, value])  a focus event on an object of that name and role
                                        (and a value that begins so)
             ("dialog", title, text)    a dialog or box of that title, its texts holding text
             ("value", role)            value changes of an object of that role
             ("row", caption)           the list's focused and selected row (see ROW_LIMIT)
             ("opens", title)           the window keys lead to (see MENU_LIMIT)
  orca     the words (or the words of its steps) the Orca walk hears at the same step, as written
           there ({...} stands for a book's name), or None when it has no such step
  differs  why the two programs' steps differ, where they do on purpose
  wine     Wine's limit, where an event a screen reader gets on Windows is read another way
"""
from collections import namedtuple

Step = namedtuple("Step", "name keys heard window text orca differs wine release",
                  defaults=("main", "", None, None, None, False))

LIST = "Содержимое карты памяти"
STATUS = "Информация о карте памяти"
CARD = [("Лев Толстой", "Война и мир"), ("Николай Гоголь", "Мёртвые души"), ("Александр Пушкин", "Евгений Онегин")]
BOOKS = [f"{author} - {title}" for author, title in CARD]
WRITTEN = "Автор - Большая книга"
EJECT = "Извлечь карту памяти"
QUESTION = "Вы действительно хотите удалить книгу {} с карты памяти"

ROW_LIMIT = ("Wine 8 raises no focus or selection event for a list view's rows and shows them as one "
             "nameless child: the row is read through the list view's messages, as NVDA reads it")
MENU_LIMIT = ("Wine 8 raises no event for a menu opened by keys (no menu start, popup start or focus): the "
              "item is checked by what Enter on it opens")
BOX_LIMIT = ("Wine 8 raises no dialog-start or alert event: the box is read when the focus enters it, as a "
             "screen reader reads a new foreground window")
OPEN_DIALOG = "the open dialog is the system's (Wine's, Qt's), which neither walk listens to"
START_LIMIT = ("Wine 8 raises no focus (nor foreground) event for the focus a window takes as it first shows: "
               "the focused control and row are read through the window's own messages")
# Wine 8 gives list views and buttons the role "client" (Windows: "list", "push button"), an
# edit the role "text" (Windows: "editable text"); its boxes' buttons say "Yes", "No" in English.
BUTTON = "client"
COMBO_LIMIT = ("Wine 8 names a combo box by its text (the drive), and its edit field by nothing: the label "
               "is heard as the dialog's text")
VALUE_LIMIT = ("Wine 8's progress bar raises no value change itself (the program raises it) and is a plain "
               "client object without a value: the percent is read among the progress window's texts")

LIST_FOCUS = ("focus", LIST, "client")

STEPS = [
    Step("start-up", [], [("row", BOOKS[0])], orca="at start-up", wine=START_LIMIT),
    Step("Down", ["Down"], [("row", BOOKS[1])], orca="the second book", wine=ROW_LIMIT),
    Step("Up", ["Up"], [("row", BOOKS[0])], wine=ROW_LIMIT,
         differs="the Orca walk moves by Home and End only after its start-up"),
    Step("End", ["End"], [("row", BOOKS[2])], orca="{rows[row]} after {name}", wine=ROW_LIMIT),
    Step("Home", ["Home"], [("row", BOOKS[0])], orca="{rows[row]} after {name}", wine=ROW_LIMIT),
    Step("Ctrl+End", ["ctrl+End"], [("row", BOOKS[2])], orca="{rows[row]} after {name}", wine=ROW_LIMIT),
    Step("Tab to the status line", ["Tab"], [("focus", STATUS, "text", "Записано книг")], orca="Записано книг"),
    Step("Tab back into the list", ["Tab"], [LIST_FOCUS, ("row", BOOKS[2])], orca="{rows[row]} after {name}",
         wine=ROW_LIMIT),
    Step("Ctrl+Home", ["ctrl+Home"], [("row", BOOKS[0])], orca="{rows[row]} after {name}", wine=ROW_LIMIT),
    Step("Delete asks", ["Delete"], [("dialog", "Удаление книги", QUESTION.format(BOOKS[0])),
                                     ("focus", "Yes", BUTTON)],
         orca="Вы действительно хотите удалить книгу {first} с карты памяти", wine=BOX_LIMIT),
    Step("Esc back on the same row", ["Escape"], [LIST_FOCUS, ("row", BOOKS[0])], window="Удаление книги",
         orca="after the question", wine=ROW_LIMIT),
    Step("Down, Delete", ["Down", "Delete"], [("dialog", "Удаление книги", QUESTION.format(BOOKS[1]))],
         orca="Вы действительно хотите удалить книгу {second} с карты памяти", wine=BOX_LIMIT),
    Step("Yes deletes", ["Return"], [("dialog", "Удаление книги", f"Книга {BOOKS[1]} удалена с карты памяти")],
         window="Удаление книги", orca="Книга {second} удалена с карты памяти", wine=BOX_LIMIT),
    Step("OK back on the book in its place", ["Return"], [LIST_FOCUS, ("row", BOOKS[2])], window="Удаление книги",
         orca="after the deletion", wine=ROW_LIMIT),
    Step("F10, Файл: Проверить карту", ["F10", "Down", "Down", "Down", "Down", "Return"],
         [("opens", "Проверка карты памяти"), ("dialog", "Проверка карты памяти", "Неполадок на карте памяти не найдено.")],
         orca="Файл", wine=MENU_LIMIT, differs="the Orca walk hears the menu items; Wine's menus are silent"),
    Step("OK after the check", ["Return"], [LIST_FOCUS, ("row", BOOKS[2])], window="Проверка карты памяти", wine=ROW_LIMIT,
         differs="the Orca walk declines the check that a broken removal offers, after its write"),
    Step("F10, Файл: Удалить с карты памяти выбранную книгу", ["F10", "Down", "Down", "Down", "Return"],
         [("opens", "Удаление книги"), ("dialog", "Удаление книги", QUESTION.format(BOOKS[2]))], wine=MENU_LIMIT,
         differs="the Orca walk reaches the deletion by Delete only"),
    Step("Esc on the same row", ["Escape"], [LIST_FOCUS, ("row", BOOKS[2])], window="Удаление книги",
         differs="the Orca walk reaches the deletion by Delete only", wine=ROW_LIMIT),
    Step("F10, Файл: Упорядочить книги…", ["F10", "Down", "Up", "Up", "Return"],
         [("opens", "Упорядочить книги"), ("focus", "По автору и названию", BUTTON)], orca="Упорядочить книги",
         wine=MENU_LIMIT),
    Step("Esc sorts nothing", ["Escape"], [LIST_FOCUS, ("row", BOOKS[2])], window="Упорядочить книги",
         differs="the Orca walk sorts the books (the Windows sort is win32gui.arrange-books)", wine=ROW_LIMIT),
    Step("F10, Настройки: Выбрать карту памяти", ["F10", "Right", "Down", "Return"],
         [("opens", "Выбор карты памяти"), ("focus", "E:\\", "client"),
          ("dialog", "Выбор карты памяти", "Выберите букву диска соответствующую карте памяти с ZWQ-книгами")],
         orca="Выберите папку карты памяти с ZWQ-книгами", wine=MENU_LIMIT + "; " + COMBO_LIMIT,
         differs="Windows chooses the card by its drive letter, Linux by its folder"),
    Step("Tab to OK", ["Tab"], [("focus", "OK", BUTTON)], window="Выбор карты памяти",
         differs="the Orca walk types a missing folder here, which a list of drive letters cannot take"),
    Step("Tab to Отмена", ["Tab"], [("focus", "Отмена", BUTTON)], window="Выбор карты памяти",
         differs="the Orca walk types a missing folder here, which a list of drive letters cannot take"),
    Step("Esc back on the list", ["Escape"], [LIST_FOCUS, ("row", BOOKS[2])], window="Выбор карты памяти",
         orca="after the card dialog", wine=ROW_LIMIT),
    Step("Enter: the open dialog", ["Return"], [("opens", "Open")], differs=OPEN_DIALOG),
    Step("Новая книга: its author", ["Return"], [("focus", "Автор:", "text"), ("dialog", "Новая книга", "")],
         window="Open", text="{ncc}", orca=("Новая книга", "Автор")),
    Step("Tab to the title", ["Tab"], [("focus", "Название:", "text")], window="Новая книга",
         orca="Название"),
    Step("Esc writes nothing", ["Escape"], [LIST_FOCUS, ("row", BOOKS[2])], window="Новая книга",
         orca="after the new book was cancelled", wine=ROW_LIMIT),
    Step("Enter: the open dialog again", ["Return"], [("opens", "Open")], differs=OPEN_DIALOG),
    Step("the progress window", ["Return"], [("dialog", "Запись книги " + WRITTEN, "0 %"), ("focus", "Отмена", BUTTON)],
         window="Open", text="{book}", orca="the progress window ({PROGRESS_TITLE})", wine=BOX_LIMIT),
    Step("the write goes on: the bar's value changes", [], [("value", "client"),
                                                           ("dialog", "Запись книги на карту памяти",
                                                            f"Книга {WRITTEN} успешно записана на карту памяти")],
         release=True, wine=VALUE_LIMIT,
         differs="the Orca walk stops its held write with Escape (the Windows stop is win32gui.progress-and-cancel)"),
    Step("OK on the written book", ["Return"], [LIST_FOCUS, ("row", WRITTEN)], window="Запись книги на карту памяти",
         orca="after the write", wine=ROW_LIMIT),
    # Last: the walk's program only writes the eject down, so the card stays listed after it.
    Step("Ctrl+E ejects the card", ["ctrl+e"], [("dialog", EJECT, "Карту памяти можно извлечь."), ("focus", "OK", BUTTON)],
         orca="Карту памяти можно извлечь.", wine=BOX_LIMIT),
    Step("OK back on the list", ["Return"], [LIST_FOCUS, ("row", WRITTEN)], window=EJECT, wine=ROW_LIMIT,
         differs="the walk's program writes the eject down and the card stays in; in the Orca walk UDisks2's "
                 "stand-in takes it out and the list is heard empty"),
]

# What the Orca walk hears that the Windows walk does not, and why.
ORCA_ONLY = {
    "Книга перемещена на место {place}": "moving books is win32gui.arrange-books, read in the status bar",
    "Описание книги": "the F2 dialog is win32gui.arrange-books",
    "Перемещение книги": "the Ctrl+M dialog is win32gui.arrange-books",
    "Настройки": "Wine's menus are silent (MENU_LIMIT)",
    "Выбрать карту памяти": "Wine's menus are silent (MENU_LIMIT)",
    "Папка не найдена: {MISSING_FOLDER}": "Windows lists drive letters, a missing folder cannot be chosen",
    "Выбор карты памяти": "the Orca walk hears it back from the missing folder's warning",
    "Интегрировать в файловый менеджер": "Windows offers the integration with Explorer at the first start",
    "Интеграция с файловым менеджером включена": "Windows offers the integration with Explorer at the first start",
    "Удалить интеграцию из файлового менеджера": "Windows offers the integration with Explorer at the first start",
    "Проверять записанное отмечено": "Wine's menus are silent (MENU_LIMIT)",
    "Карта памяти отключена": "the card taken out and put in is win32gui.card-comes-and-goes, read in the status bar",
    "Карта памяти подключена: {books} книги": "the card taken out and put in is win32gui.card-comes-and-goes, "
                                               "read in the status bar",
}
