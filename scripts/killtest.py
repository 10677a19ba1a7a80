#!/usr/bin/env python3
"""Kill test for the hash book: kills the engine with SIGKILL at random moments
while it adds a PGN file to a book, and checks the book after every kill.

    scripts/killtest.py [--engine build/release/vekran] [--pgn FILE] [--repeat N] [--kills 200]
                        [--slow-writes US]

--repeat imports the PGN file N times over in one file (default 8), so that an
import lasts long enough for the engine to make its games permanent in several
steps, and kills can land between them.

--slow-writes runs the engine under strace with every pwrite delayed by US
microseconds, so the moments when the book file is being written last long
enough for random kills to land in them (a real import writes its pages in a
fraction of a millisecond and kills would almost never catch it at that).

Half of the kills hit an import into a fresh book, half an import into a book
that already holds the file's games. After each kill:
  - the book is read by the reader below, written from the file layout and not
    from the engine's code: every trie link must point inside the file, no
    bucket or node may be reached twice, and the records reached must be exactly
    as many as the header counts;
  - the games and points summed over every record, less those the book held
    before, must equal those of the first k games of the file for some k,
    counted here straight from the PGN text (a game adds one record visit per
    ply up to the import depth; points are White's half-points);
  - the engine must open the book without an error, and a second import of the
    same file must run to its end and add exactly the whole file.
Prints one line per failure and a summary; exit status 0 when nothing failed.
"""
import argparse
import os
import random
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

IMPORT_DEPTH = 40  # the engine's default "badd" depth in plies


def pgn_games(path):
    """(plies, White's half-points) of each game, read from the movetext."""
    text = open(path, encoding="utf-8", errors="replace").read()
    games = []
    for block in re.split(r"\n(?=\[Event )", text):
        result = re.search(r'\[Result "([^"]*)"\]', block)
        if result is None:
            continue
        movetext = re.sub(r"^\[.*\]\s*$", "", block, flags=re.M)
        movetext = re.sub(r"\{[^}]*\}|;[^\n]*|\$\d+", " ", movetext)
        tokens = [t for t in movetext.split() if not re.fullmatch(r"\d+\.+|\d+\.\.\.|1-0|0-1|1/2-1/2|\*", t)]
        tokens = [re.sub(r"^\d+\.+", "", t) for t in tokens]
        plies = len([t for t in tokens if t])
        points = {"1-0": 2, "0-1": 0}.get(result.group(1), 1)
        games.append((plies, points))
    return games


def prefix_totals(games):
    """(games, points) summed over the records after importing the first k games, for every k."""
    totals = [(0, 0)]
    for plies, points in games:
        inserted = min(plies, IMPORT_DEPTH)
        g, p = totals[-1]
        totals.append((g + inserted, p + inserted * points))
    return totals


class BookError(Exception):
    pass


def read_book(path):
    """Walks the book's trie; returns (records, games, points)."""
    data = open(path, "rb").read()
    if len(data) < 252 + 8:
        raise BookError("file of %d bytes is too short for a book" % len(data))
    magic, version, root, count = struct.unpack_from("<16sIII", data, 0)
    if not magic.startswith(b"VekHashBook"):
        raise BookError("bad magic")
    size = len(data)
    seen = set()
    records = games = points = 0
    stack = [("node", root)]
    while stack:
        kind, offset = stack.pop()
        if offset in seen:
            raise BookError("%s at %d reached twice" % (kind, offset))
        seen.add(offset)
        if kind == "node":
            if offset + 8 > size:
                raise BookError("node at %d beyond the end" % offset)
            for child in struct.unpack_from("<II", data, offset):
                if child == 0:
                    continue
                if child & 0x80000000:
                    stack.append(("bucket", child & 0x7FFFFFFF))
                else:
                    stack.append(("node", child))
        else:
            if offset + 4104 > size:
                raise BookError("bucket at %d beyond the end" % offset)
            for slot in range(256):
                key, word = struct.unpack_from("<QQ", data, offset + 8 + 16 * slot)
                if (word >> 56) & 128:
                    records += 1
                    games += word & 0xFFFFFF
                    points += (word >> 24) & 0xFFFFFF
    if records != count:
        raise BookError("header counts %d records, the trie holds %d" % (count, records))
    return records, games, points


def run_engine(engine, folder, commands, timeout=120):
    return subprocess.run([engine], input=commands, cwd=folder, capture_output=True, text=True, timeout=timeout)


def main():
    parser = argparse.ArgumentParser()
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser.add_argument("--engine", default=os.path.join(root, "build/release/vekran"))
    parser.add_argument("--pgn", default=os.path.join(root, "tests/data/pgn/pgn-parser-twic-01-232games.pgn"))
    parser.add_argument("--kills", type=int, default=200)
    parser.add_argument("--repeat", type=int, default=8)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--slow-writes", type=int, default=0, metavar="US")
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else int(time.time())
    rng = random.Random(seed)
    engine = os.path.abspath(args.engine)
    killed = [engine]
    if args.slow_writes > 0:
        killed = ["strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=pwrite64",
                  "-e", "inject=pwrite64:delay_exit=%d" % args.slow_writes, engine]

    games = pgn_games(args.pgn) * args.repeat
    totals = prefix_totals(games)
    whole = totals[-1]
    work = tempfile.mkdtemp(prefix="vekran-killtest-")
    pgn = os.path.join(work, "games.pgn")
    text = open(args.pgn, encoding="utf-8", errors="replace").read().rstrip("\n") + "\n\n"
    with open(pgn, "w", encoding="utf-8") as out:
        out.write(text * args.repeat)
    book = os.path.join(work, "book.hbk")
    journal = book + "-journal"
    add = "book book.hbk\nbadd games.pgn\nquit\n"

    # A book that already holds the games, and how long one import takes.
    run_engine(engine, work, "bcreate full.hbk\nbadd games.pgn\nquit\n")
    full = read_book(os.path.join(work, "full.hbk"))
    if (full[1], full[2]) != whole:
        print("setup: the engine's import of the whole file gives %s, the PGN count %s" % (full[1:], whole))
        return 1
    run_engine(engine, work, "bcreate fresh.hbk\nquit\n")
    started = time.monotonic()
    subprocess.run(killed, input="book fresh.hbk\nbadd games.pgn\nquit\n", cwd=work, capture_output=True, text=True)
    span = time.monotonic() - started

    failures = 0
    landed = {}
    for kill in range(args.kills):
        into_full = kill % 2 == 1
        for name in (book, journal):
            if os.path.exists(name):
                os.remove(name)
        if into_full:
            shutil.copyfile(os.path.join(work, "full.hbk"), book)
            base = full
        else:
            run_engine(engine, work, "bcreate book.hbk\nquit\n")
            base = (0, 0, 0)
        process = subprocess.Popen(killed, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, cwd=work, text=True, start_new_session=True)
        process.stdin.write(add)
        process.stdin.flush()
        time.sleep(rng.uniform(0, span * 1.2))
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
        label = "kill %d (%s book)" % (kill + 1, "full" if into_full else "fresh")

        def fail(text):
            nonlocal failures
            failures += 1
            print("%s: %s" % (label, text))

        opened = run_engine(engine, work, "book book.hbk\nquit\n")
        if 'book "book.hbk" contains' not in opened.stdout:
            fail("the engine does not open the book: " + " | ".join(opened.stdout.strip().splitlines()[-2:]))
            continue
        try:
            after = read_book(book)
        except BookError as error:
            fail(str(error))
            continue
        added = (after[1] - base[1], after[2] - base[2])
        if added not in totals:
            fail("the book gained %s, which is no whole prefix of the file" % (added,))
            continue
        prefix = totals.index(added)
        landed[prefix] = landed.get(prefix, 0) + 1
        second = run_engine(engine, work, add)
        if "Imported %d games..." % len(games) not in second.stdout or "Error" in second.stdout:
            fail("the second import did not complete: " + second.stdout.strip()[-200:])
            continue
        final = read_book(book)
        if (final[1] - after[1], final[2] - after[2]) != whole:
            fail("the second import added %s, not %s" % ((final[1] - after[1], final[2] - after[2]), whole))

    shutil.rmtree(work, ignore_errors=True)
    print("seed %d, %d kills over %.2f s imports, %d failures" % (seed, args.kills, span, failures))
    print("games held after a kill (prefix: kills): " +
          ", ".join("%d: %d" % (k, landed[k]) for k in sorted(landed)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
