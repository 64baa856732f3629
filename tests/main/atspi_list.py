#!/usr/bin/python3
"""Reads the editor's question list through AT-SPI, as a screen reader does.

Starts the editor given as the argument, types two questions into it and
adds them, selects a line through the list's table interface, replaces that
question, and checks the lines, the selection and the events heard on the
way. Run it under with-accessibility-bus; every wait is bounded.
"""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

CAPTION = 'Редактор баз вопросов для игры "Верталина"'
heard = []


def fail(message):
    print("FAIL: " + message)
    for event in heard:
        print("  heard %s from %r (%d)" % event)
    sys.exit(1)


def pump(seconds):
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.01)


def wait_for(what, description, seconds=15):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        pump(0.05)
        try:
            found = what()
        except Exception:  # the object may not be on the bus yet
            found = None
        if found:
            return found
    fail("gave up waiting for " + description)


def find(root, role, name):
    return pyatspi.findDescendant(root, lambda a: a.getRoleName() == role and a.name == name)


def record(event):
    try:
        source = event.source.name
    except Exception:
        source = "?"
    heard.append((event.type, source, event.detail1))


def heard_since(mark, kind, name):
    return any(t.startswith(kind) and n == name for t, n, _ in heard[mark:])


def add_question(window, questions, text, count):
    """Types a question and presses the button; the press arrives a moment
    later, so this waits until the list has `count` lines and the fields
    are cleared."""
    question = find(window, "text", "Question")
    question.queryEditableText().setTextContents(text)
    for n in range(1, 6):
        find(window, "text", "Answer %d" % n).queryEditableText().setTextContents("ответ %d" % n)
    find(window, "push button", "Add Question").queryAction().doAction(0)
    wait_for(lambda: questions.childCount == count and question.queryText().characterCount == 0,
             "%d lines after adding %r" % (count, text))


def lines(questions):
    return [questions.getChildAtIndex(i).name for i in range(questions.childCount)]


def main():
    editor = subprocess.Popen([sys.argv[1]])
    try:
        pyatspi.Registry.registerEventListener(
            record, "object:children-changed", "object:state-changed:selected",
            "object:property-change:accessible-name", "object:state-changed:focused")
        desktop = pyatspi.Registry.getDesktop(0)
        app = wait_for(lambda: next((a for a in desktop if a is not None and a.get_process_id() == editor.pid),
                                    None), "the editor on the accessibility bus")
        window = wait_for(lambda: pyatspi.findDescendant(app, lambda a: a.name == CAPTION), "the main window")
        questions = wait_for(lambda: find(window, "list", "Questions"), "the list named Questions")
        if questions.childCount != 0:
            fail("a new window lists %d lines" % questions.childCount)

        mark = len(heard)
        add_question(window, questions, "Первый вопрос", 1)
        add_question(window, questions, "Второй вопрос", 2)
        if lines(questions) != ["0. Первый вопрос", "1. Второй вопрос"]:
            fail("lines after two adds: %r" % lines(questions))
        wait_for(lambda: any(t.startswith("object:children-changed:add") for t, _, _ in heard[mark:]),
                 "children-changed:add after an add")
        second = questions.getChildAtIndex(1)
        if second.getRoleName() != "list item":
            fail("a line's role is %r" % second.getRoleName())
        if not second.getState().contains(pyatspi.STATE_SELECTABLE):
            fail("a line is not selectable")

        mark = len(heard)
        table = questions.queryTable()
        if table.nRows != 2 or table.nColumns != 1:
            fail("the table is %d x %d" % (table.nRows, table.nColumns))
        table.addRowSelection(1)
        wait_for(lambda: list(table.getSelectedRows()) == [1], "line 1 selected")
        if not questions.getChildAtIndex(1).getState().contains(pyatspi.STATE_SELECTED):
            fail("the selected line has no selected state")
        if questions.getChildAtIndex(0).getState().contains(pyatspi.STATE_SELECTED):
            fail("an unselected line has the selected state")
        wait_for(lambda: heard_since(mark, "object:state-changed:selected", "1. Второй вопрос"),
                 "state-changed:selected of the selected line")

        # With a line selected, adding replaces that question.
        mark = len(heard)
        add_question(window, questions, "Иной вопрос", 2)
        wait_for(lambda: lines(questions) == ["0. Первый вопрос", "1. Иной вопрос"], "the replaced line")
        wait_for(lambda: heard_since(mark, "object:property-change:accessible-name", "1. Иной вопрос"),
                 "the name change of the replaced line")
        wait_for(lambda: list(table.getSelectedRows()) == [], "no line selected after the replace")
        print("PASS: %d lines read, selection and %d events heard" % (questions.childCount, len(heard)))
    finally:
        editor.terminate()
        try:
            editor.wait(timeout=10)
        except subprocess.TimeoutExpired:
            editor.kill()


main()
