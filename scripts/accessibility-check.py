#!/usr/bin/python3
"""Drives a running Fenoris over the accessibility bus, as a screen reader or a desktop test tool sees
it, and reports every control without a name. Run by scripts/accessibility-check, which starts the
bus, the X server and the program in a temporary folder holding the SCBI crown table.

The walk: the about box's OK, the open dialog with SCBI_CROWN.DBF, Set OK, plot B0206 and species LT
(real clicks, as list clicks need them), the page "Regression model", "Last year", the grid read cell
by cell, "DBH", "Add polynom" with degree 2, "Show equation" and the clipboard. The grid and the
equation are compared with `fenoris-cli regression` on the same table. On every page and dialog met,
each showing control (button, box, edit, list, grid) must have a name.

Exit status 0 when everything agreed and every control had a name; 1 otherwise.
"""

import subprocess
import sys
import time

import pyatspi

CONTROL_ROLES = {
    "push button", "toggle button", "check box", "radio button", "text", "password text", "list",
    "table", "combo box", "spin button", "tree", "tree table", "slider",
}

problems = []


def children(acc):
    try:
        return [acc.getChildAtIndex(i) for i in range(acc.childCount)]
    except Exception:
        return []


def showing(acc):
    try:
        return acc.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def find_all(root, role=None, name=None, only_showing=True, limit=100000):
    found, stack = [], [root]
    while stack and len(found) < limit:
        acc = stack.pop()
        if acc is None:
            continue
        try:
            r, n = acc.getRoleName(), acc.name
        except Exception:
            continue
        if (role is None or r == role) and (name is None or n == name) and (not only_showing or showing(acc)):
            found.append(acc)
        # Cells of the big grids are not controls of their own.
        if r not in ("list item", "table cell"):
            stack.extend(reversed(children(acc)))
    return found


def wait_for(what, probe, timeout=15):
    end = time.time() + timeout
    while time.time() < end:
        result = probe()
        if result:
            return result
        time.sleep(0.2)
    raise RuntimeError("timed out waiting for " + what)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for acc in children(desktop):
        if acc is not None and acc.name == "Fenoris":
            return acc
    return None


def one(root, role, name, timeout=15):
    return wait_for(f"{role} '{name}'", lambda: (find_all(root, role, name) or [None])[0], timeout)


def window(app, title_start):
    def probe():
        for acc in children(app):
            if acc is not None and acc.name.startswith(title_start) and showing(acc):
                return acc
        return None
    return wait_for(f"window '{title_start}'", probe)


def press(acc):
    acc.queryAction().doAction(0)


def click(acc):
    """A real mouse click in the middle of the object."""
    box = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2), str(box.y + box.height // 2),
                    "click", "1"], check=True)


def check_names(root, where):
    controls = [acc for acc in find_all(root) if acc.getRoleName() in CONTROL_ROLES]
    print(f"{where}: {len(controls)} controls showing")
    for acc in controls:
        if not acc.name.strip():
            path, p = [], acc
            while p is not None and p.getRoleName() != "application":
                path.append(f"{p.getRoleName()} '{p.name}'")
                p = p.parent
            problems.append(f"{where}: control without a name: " + " < ".join(path))


def message_text(box):
    return " ".join(label.name for label in find_all(box, "label") if label.name)


def answer_message(app, title, button):
    box = window(app, title)
    check_names(box, f"message box '{title}'")
    text = message_text(box)
    press(one(box, "push button", button))
    wait_for("the message box to close", lambda: not showing(box))
    return text


def cli_figures(cli, table):
    out = subprocess.run([cli, "regression", table, "DBH", "D2021", "--plot", "B0206", "--species", "LT",
                          "--missing-x", "0", "--missing-y", "-1", "--degree", "2"],
                         check=True, capture_output=True, text=True).stdout
    return {name: float(value) for name, value in (line.split() for line in out.splitlines())}


def main():
    cli, table = sys.argv[1], sys.argv[2]
    app = wait_for("Fenoris on the accessibility bus", application, 30)

    info = window(app, "Program info")
    check_names(info, "about box")
    press(one(info, "push button", "OK"))

    opening = window(app, "Open")
    file_name = wait_for("the file name field",
                         lambda: [t for t in find_all(opening, "text") if t.getState().contains(pyatspi.STATE_EDITABLE)])
    file_name[0].queryEditableText().setTextContents(table)
    press(one(opening, "push button", "Open"))

    main_window = window(app, "Fenoris [")
    check_names(main_window, "Main Page")
    press(one(main_window, "push button", "Set OK"))
    click(one(main_window, "list item", "B0206"))
    click(one(main_window, "list item", "LT"))
    wait_for("the tree count", lambda: any(l.name.isdigit() for l in find_all(main_window, "label")))

    # The other pages; the two result pages warn that there are no stored statistics yet.
    for page, warns in (("Data table", False), ("Single plot model", False), ("Plot statistics", True),
                        ("Transit matrix", True)):
        # A tab's action runs the page entry before it replies, so a tab whose entry opens a message
        # box is clicked with the mouse.
        (click if warns else press)(one(main_window, "page tab", page))
        if warns:
            print(answer_message(app, "Warning", "OK"))
        check_names(main_window, page)

    press(one(main_window, "page tab", "Regression model"))
    press(one(main_window, "push button", "Last year"))
    one(main_window, "label", "2021")
    check_names(main_window, "Regression model")
    grid = one(main_window, "table", "Statistics of the series").queryTable()
    cells = [[grid.getAccessibleAt(r, c).name for c in range(7)] for r in range(5)]
    for row in cells:
        print(" | ".join(f"{cell:>10}" for cell in row))

    expected = cli_figures(cli, table)
    dbh_row = [f"DBH[{int(expected['N'])}]"] + [f"{expected[k]:.4f}" for k in ("XMean", "XStDev", "XMin", "XMax", "R")]
    dbh_row.append(f"{100 * expected['P']:.4f}")
    defoliation_row = [""] + [f"{expected[k]:.4f}" for k in ("YMean", "YStDev", "YMin", "YMax")] + ["", ""]
    if cells[2] != dbh_row or cells[1] != defoliation_row:
        problems.append(f"grid differs from fenoris-cli: {cells[1:3]} != {[defoliation_row, dbh_row]}")

    press(one(main_window, "radio button", "DBH"))
    add = one(main_window, "push button", "Add polynom")
    wait_for("Add polynom enabled", lambda: add.getState().contains(pyatspi.STATE_ENABLED))
    press(add)
    degree_box = window(app, "Polynomial regression")
    check_names(degree_box, "degree input box")
    degree = wait_for("the degree field", lambda: [t for t in find_all(degree_box, "text")
                                                   if t.getState().contains(pyatspi.STATE_EDITABLE)])
    degree[0].queryEditableText().setTextContents("2")
    press(one(degree_box, "push button", "OK"))
    print(answer_message(app, "Information", "OK"))

    press(one(main_window, "push button", "Show equation"))
    print(answer_message(app, "Information", "Yes"))
    clipboard = wait_for("the clipboard", lambda: subprocess.run(
        ["xclip", "-o", "-selection", "clipboard"], capture_output=True, text=True).stdout)
    print("clipboard:", clipboard)
    coefficient = lambda c: f"{c:.4g}"
    equation = (f"y = {coefficient(expected['Coef0'])} {coefficient(expected['Coef1'])}x "
                f"+ {coefficient(expected['Coef2'])}x^2")
    if clipboard != equation:
        problems.append(f"equation '{clipboard}' differs from fenoris-cli's '{equation}'")

    press(one(main_window, "page tab", "Main Page"))
    press(one(main_window, "push button", "Close"))

    for problem in problems:
        print("PROBLEM:", problem)
    print("accessibility check:", "failed" if problems else "passed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
