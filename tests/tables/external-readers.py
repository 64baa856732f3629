#!/usr/bin/env python3
"""Checks vertalina-base's question-bank exports with readers that are not
ours, and their round trips: a base of every round exported as Moodle XML,
GIFT and Aiken and built back gives the same .dat bytes; xmllint finds the
XML well formed, and its questions hold only elements that the hand-written
Moodle export in data/ holds; the npm package gift-pegjs parses the GIFT into
the same questions, answers and categories.

Usage: external-readers.py VERTALINA-BASE NPM-FOLDER. gift-pegjs is installed
into NPM-FOLDER when it is not there; without npm's registry that part is
skipped (exit status 77) once the rest has passed."""
import json, os, random, struct, subprocess, sys, tempfile
import xml.etree.ElementTree as ET

program, npm_folder = sys.argv[1], os.path.abspath(sys.argv[2])
here = os.path.dirname(os.path.abspath(__file__))
# GIFT's and XML's special characters, Cyrillic, and blanks inside texts only.
ALPHABET = "abcXYZ019 ,;\"'~=#{}:\\&<>]абвгдеёжЩЪЫ?!.-()+%"


def text(rng, length):
    if length < 2:
        return "z"
    # "->" makes a GIFT answer a matching pair.
    return ("x" + "".join(rng.choice(ALPHABET) for _ in range(length - 2)) + "y").replace("->", "-+")


def padded(t, width):
    data = t.encode("utf-16-le")
    units = list(struct.unpack("<%dH" % (len(data) // 2), data))
    return (units + [0x7C] * width)[:width]


def write_base(path, questions):
    with open(path, "wb") as f:
        f.write(struct.pack("<5H", *padded(str(len(questions)), 5)))
        for r, question, answers, correct in questions:
            units = padded(str(r), 1) + padded(question, 255)
            for n in range(5):
                units += padded(answers[n] if n < len(answers) else " ", 40)
            units += padded(str(correct), 1)
            units = [c ^ ((p + 1) % 7) if p < 456 else c for p, c in enumerate(units)]
            f.write(struct.pack("<457H", *units))


def make_questions(rng, count, rounds):
    questions = []
    for k in range(count):
        r = rng.choice(rounds)
        used = min(r + 1, 5)
        # Starting with a letter, so that no question reads as a GIFT comment or format.
        q = "Q%d " % k + text(rng, 1 + rng.randrange(200))
        questions.append((r, q, [text(rng, 1 + rng.randrange(40)) for _ in range(used)], rng.randrange(used)))
    return questions


def run(*arguments):
    return subprocess.run([program] + list(arguments), capture_output=True, check=False)


failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message, file=sys.stderr)


def elements(question, prefix=""):
    paths = set()
    for child in question:
        paths.add(prefix + child.tag)
        paths |= elements(child, prefix + child.tag + "/")
    return paths


with tempfile.TemporaryDirectory() as d:
    rng = random.Random(24)
    questions = make_questions(rng, 300, [1, 2, 3, 4, 5])
    base = os.path.join(d, "base.dat")
    write_base(base, questions)
    # Aiken carries round 5 only alone.
    aiken_bases = {"mixed": make_questions(rng, 200, [1, 2, 3, 4]), "fives": make_questions(rng, 50, [5])}

    for fmt, ext in (("moodle-xml", "xml"), ("gift", "gift")):
        out = os.path.join(d, "base." + ext)
        done = run("export", base, "--format", fmt, "-o", out)
        check(done.returncode == 0, "export %s: %s" % (fmt, done.stderr.decode()))
        back = os.path.join(d, "back-%s.dat" % fmt)
        done = run("build", out, "-o", back)
        check(done.returncode == 0, "build from %s: %s" % (fmt, done.stderr.decode()))
        check(os.path.exists(back) and open(back, "rb").read() == open(base, "rb").read(),
              "%s: the base built back differs" % fmt)
    for name, qs in aiken_bases.items():
        dat, txt, back = (os.path.join(d, name + e) for e in (".dat", ".txt", "-back.dat"))
        write_base(dat, qs)
        done = run("export", dat, "--format", "aiken", "-o", txt)
        check(done.returncode == 0, "export aiken %s: %s" % (name, done.stderr.decode()))
        done = run("build", txt, "-o", back, *(["--round", "5"] if name == "fives" else []))
        check(done.returncode == 0, "build from aiken %s: %s" % (name, done.stderr.decode()))
        check(os.path.exists(back) and open(back, "rb").read() == open(dat, "rb").read(),
              "aiken %s: the base built back differs" % name)

    xml = os.path.join(d, "base.xml")
    lint = subprocess.run(["xmllint", "--noout", xml], capture_output=True)
    check(lint.returncode == 0, "xmllint: " + lint.stderr.decode()[:500])
    real = ET.parse(os.path.join(here, "data", "moodle-export.xml")).getroot()
    ours = ET.parse(xml).getroot()
    for kind in ("multichoice", "category"):
        known = set().union(*(elements(q) for q in real.iter("question") if q.get("type") == kind))
        written = set().union(*(elements(q) for q in ours.iter("question") if q.get("type") == kind))
        check(written and written <= known, "%s questions hold elements that Moodle's export does not: %s"
              % (kind, sorted(written - known)))
    check(ours.tag == "quiz" and all(q.tag == "question" for q in ours), "the XML is not a quiz of questions")

    # The GIFT through an independent parser.
    parser = os.path.join(npm_folder, "node_modules", "gift-pegjs")
    if not os.path.isdir(parser):
        try:
            subprocess.run(["npm", "install", "--prefix", npm_folder, "--no-audit", "--no-fund", "--silent",
                            "gift-pegjs@1"], check=True, timeout=180, capture_output=True)
        except (OSError, subprocess.SubprocessError) as error:
            if failures:
                sys.exit(1)
            print("SKIP: gift-pegjs could not be installed from npm's registry (%s); the GIFT reader check did "
                  "not run" % error)
            sys.exit(77)
    parsed = subprocess.run(["node", "-e", "const p=require(process.argv[1]);"
                             "process.stdout.write(JSON.stringify(p.parse(require('fs').readFileSync(process.argv[2],"
                             "'utf8'))))", parser, os.path.join(d, "base.gift")],
                            capture_output=True, check=False)
    check(parsed.returncode == 0, "gift-pegjs: " + parsed.stderr.decode()[:500])
    if parsed.returncode == 0:
        items = json.loads(parsed.stdout)
        # gift-pegjs folds runs of blanks in texts, as HTML would show them.
        fold = lambda t: " ".join(w for w in t.split(" ") if w) if t.strip(" ") == t else t
        seen, category = [], None
        for item in items:
            if item["type"] == "Category":
                category = item["title"]
            else:
                seen.append((category, item["type"], fold(item["stem"]["text"]),
                             [fold(c["text"]["text"]) for c in item["choices"]],
                             [i for i, c in enumerate(item["choices"]) if c["isCorrect"]]))
        expected = [("Round %d" % r, "MC", fold(q), [fold(a) for a in answers], [correct]) for r, q, answers, correct in questions]
        check(len(seen) == len(expected), "gift-pegjs found %d questions, not %d" % (len(seen), len(expected)))
        for k, (got, want) in enumerate(zip(seen, expected)):
            if got != want:
                check(False, "gift-pegjs read question %d as %r, not %r" % (k, got, want))
                break

if failures:
    sys.exit(1)
print("the round trips and the external readers agree")
