"""Checks the program's accessibility tree as a screen reader reads it through AT-SPI.

Run by Accessibilitytest.sh while the program shows its main window on a card with three books.
"""
import sys
import time

import pyatspi

WAIT_SECONDS = 30
POLL_SECONDS = 0.2

TITLE = "ZWQ-менеджер zwq-books.example библиотека ZWQ-книг"
LIST_NAME = "Содержимое карты памяти"
STATUS_NAME = "Информация о карте памяти"
BOOKS = {"Иван Петров - Звуки леса", "Мария Соколова - Морские истории", "Пётр Иванов - Короткий рассказ"}
MENU_ITEMS = {
    "Файл", "Записать книгу на карту памяти (Enter)", "Записать папку с книгой на карту памяти", "Удалить с карты памяти выбранную книгу (Delete)",
    "Проверить карту", "Извлечь карту памяти", "Изменить описание книги", "Переместить выше", "Переместить ниже", "Переместить на место…",
    "Упорядочить книги…", "Выход",
    "Настройки", "Выбрать карту памяти", "Интегрировать в файловый менеджер", "Проверять записанное",
    "Справка", "О программе...",
}
# Roles a person moves to or reads as a control: each needs a name.
NAMED_ROLES = {
    pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_MENU, pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE,
    pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TABLE_COLUMN_HEADER, pyatspi.ROLE_FRAME,
    pyatspi.ROLE_PANEL,
}
# The book list is a table or a list to a screen reader, never a tree.
LIST_ROLES = {pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE}
TREE_ROLES = {pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def nodes(root):
    stack = [root]
    while stack:
        node = stack.pop()
        if node is None:
            continue
        yield node
        stack.extend(child for child in node)


def text_of(node):
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return ""


def wait_for(probe):
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        try:
            found = probe()
            if found is not None:
                return found
        except Exception:  # the tree changes while it is read
            pass
        time.sleep(POLL_SECONDS)
    return None


def program():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "ZWQ-менеджер":
            return app
    return None


def started_window():
    """The main window once the start-up has filled the status line."""
    app = program()
    if app is None:
        return None
    for node in nodes(app):
        if node.getRole() == pyatspi.ROLE_FRAME and node.name == TITLE:
            for inner in nodes(node):
                if inner.name == STATUS_NAME and text_of(inner).startswith("Записано книг: 3"):
                    return node
    return None


def main():
    window = wait_for(started_window)
    if window is None:
        app = program()
        print("the program's window did not appear with its books" + ("" if app else " (no application 'ZWQ-менеджер')"))
        return 1

    everything = list(nodes(window))
    for node in everything:
        role = node.getRole()
        if role == pyatspi.ROLE_SEPARATOR:
            continue
        # The toolkit's table has a corner cell above its row headers: no name, nothing in it.
        corner = role == pyatspi.ROLE_PANEL and node.parent.getRole() == pyatspi.ROLE_TABLE and node.childCount == 0
        if role in NAMED_ROLES and not corner:
            check(node.name != "", f"a {node.getRoleName()} without a name")

    lists = [node for node in everything if node.getRole() in LIST_ROLES]
    check(len(lists) == 1, f"one book list expected, found {len(lists)}")
    trees = [node.name for node in everything if node.getRole() in TREE_ROLES]
    check(not trees, f"trees found: {trees}")
    if lists:
        books = lists[0]
        check(books.name == LIST_NAME, f"the book list is named {books.name!r}")
        cells = [child for child in books if child.getRole() in (pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_LIST_ITEM)]
        names = {cell.name for cell in cells}
        check(BOOKS <= names, f"rows read as {sorted(names)}")
        check({"0 Мб", "1 Мб", "2 Мб"} <= names, f"sizes read as {sorted(names)}")
        for cell in cells:
            # A flat list: no row opens into further rows.
            check(cell.childCount == 0, f"the row {cell.name!r} has children")
            check(not cell.getState().contains(pyatspi.STATE_EXPANDABLE), f"the row {cell.name!r} is expandable")
        headers = [child.name for child in books if child.getRole() == pyatspi.ROLE_TABLE_COLUMN_HEADER]
        check(headers == ["Наименование книги", "Размер"], f"column headers read as {headers}")

    statuses = [node for node in everything if node.getRole() == pyatspi.ROLE_TEXT and node.name == STATUS_NAME]
    check(len(statuses) == 1, "no text field named for the status line")
    if statuses:
        check(statuses[0].getState().contains(pyatspi.STATE_FOCUSABLE), "the status line cannot take the focus")
        check(statuses[0].getState().contains(pyatspi.STATE_READ_ONLY), "the status line is not read-only")

    items = {node.name for node in everything if node.getRole() in (pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_MENU)}
    check(items == MENU_ITEMS, f"menu items read as {sorted(items)}")

    for message in failures:
        print("FAILED:", message)
    if not failures:
        print(f"accessibility tree: {len(everything)} objects, list, status line and {len(items)} menu items named")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
