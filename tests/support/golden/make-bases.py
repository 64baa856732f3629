#!/usr/bin/env python3
"""Writes the .dat files whose exports and checks are kept beside them, so that
the bytes of every output can be compared with what earlier builds wrote.

Run once from this folder; the outputs are then made by ./capture."""
import struct

def pad(text, width):
    return (text + "|" * width)[:width] if len(text) < width else text[:width]

def units(text):
    # Texts are lists of UTF-16 code units, so that lone surrogates fit.
    if isinstance(text, list):
        return text
    data = text.encode("utf-16-le", "surrogatepass")
    return list(struct.unpack("<%dH" % (len(data) // 2), data))

def padded(text, width):
    u = units(text)
    return (u + [0x7C] * width)[:width]

def record(round_, question, answers, correct):
    t = units(round_) + padded(question, 255)
    for a in answers:
        t += padded(a, 40)
    t += units(correct)
    assert len(t) == 457, len(t)
    t = [c ^ ((p + 1) % 7) if p < len(t) - 1 else c for p, c in enumerate(t)]
    return struct.pack("<457H", *t)

def base(name, questions, count=None, extra=b""):
    n = len(questions) if count is None else count
    header = struct.pack("<5H", *padded(str(n), 5))
    with open(name, "wb") as f:
        f.write(header + b"".join(record(*q) for q in questions) + extra)

B = " "
# What the editor stores, with texts that CSV and JSON must quote or escape.
base("editor.dat", [
    ("1", "Небо?", ["синее", "зелёное", B, B, B], "0"),
    ("2", 'A "quoted", text; with\ttab', ["a,b", "c;d", "e\"f", B, B], "2"),
    ("3", "Line\r\nbreak and \\ backslash / slash", ["x\ny", "  lead", "trail  ", "😀", B], "3"),
    ("4", "\ufeffStarts with U+FEFF", ["\ufeff", "<>&'", "\u0001\u001f", "\u2028\u2029", "last"], "4"),
    ("5", "0123", ["1", "2.5", "-3", "1e5", "true"], "0"),
    # Texts whose last UTF-8 byte is that of a blank in Latin-1.
    ("2", "Ends in Ѕ", ["ЅЅ", "x\u00a0", "\u00a0y", B, B], "1"),
    ("1", "Controls \b\f\x7f\x1b and \uffff", ["\u0085", "\U0001F600", B, B, B], "1"),
])
# What a damaged or foreign file may hold: rounds and indexes outside the
# rules, lone surrogates, an empty question, a repeat, bytes after the end.
base("odd.dat", [
    ("7", "Round seven", ["a", "b", "c", "d", "e"], "9"),
    ("x", "Round x", ["a", "b", "", "", ""], "1"),
    ("1", [0xD800, 0x61], ["a", [0xDC00], B, B, B], "0"),
    ("3", "", ["", "b", "", "", ""], "5"),
    ("2", "Round seven", ["a", "b", "filled", B, B], "|"),
    ("0", "Round zero", ["a", "b", B, B, B], "0"),
], extra=b"\x01\x02\x03")
# A header that promises more than the file holds.
base("short.dat", [("1", "Only one", ["a", "b", B, B, B], "0")], count=3)
