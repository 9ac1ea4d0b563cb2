#!/usr/bin/env python3
"""Writes a Notes database (NoteStore.sqlite) of NOTES notes for the importer's benchmark.

The schema, the entities and the store's metadata are a fixture's (a copy of a real database);
its notes, folders and accounts are replaced by generated ones: two accounts, folders nested up
to three deep (about 40 notes each), and notes whose gzipped bodies hold a title, paragraphs,
links, checklists and runs of bold and italic, every hundredth a long one (about 200 KB).

    bench/notes_database_generator.py NOTES FIXTURE.sqlite OUT.sqlite
"""
import random
import shutil
import sqlite3
import sys
import zlib


def varint(n):
    out = b""
    while True:
        b = n & 0x7F
        n >>= 7
        if n:
            out += bytes([b | 0x80])
        else:
            return out + bytes([b])


def field(number, payload):
    if isinstance(payload, int):
        return varint(number << 3) + varint(payload)
    if isinstance(payload, str):
        payload = payload.encode()
    return varint((number << 3) | 2) + varint(len(payload)) + payload


def units(text):
    return len(text.encode("utf-16-le")) // 2


WORDS = ("notes garden letter recipe meeting travel budget river window market seven "
         "quiet winter paper coffee bridge music story summer orange").split()


def body(rng, title, paragraphs):
    """The gzipped stored note: text and its attribute runs."""
    text = title + "\n"
    runs = [field(1, units(title) + 1) + field(2, field(1, 0))]  # the title paragraph
    for p in range(paragraphs):
        kind = rng.random()
        words = " ".join(rng.choice(WORDS) for _ in range(rng.randint(6, 30)))
        line = words + "\n"
        if kind < 0.15:  # a checklist item
            runs.append(field(1, units(line)) + field(2, field(1, 103) + field(5, field(2, 1))))
        elif kind < 0.3:  # a link inside plain text
            link = "https://example.com/" + rng.choice(WORDS)
            head = words.split(" ", 1)[0]
            runs.append(field(1, units(head)) + field(9, link))
            runs.append(field(1, units(line) - units(head)))
        elif kind < 0.5:  # bold, then italic
            half = len(words) // 2
            runs.append(field(1, units(words[:half])) + field(5, 1))
            runs.append(field(1, units(line) - units(words[:half])) + field(5, 2))
        else:
            runs.append(field(1, units(line)))
        text += line
    note = field(2, text) + b"".join(field(5, run) for run in runs)
    stored = field(2, field(3, note))
    compressor = zlib.compressobj(6, zlib.DEFLATED, 31)  # gzip
    return compressor.compress(stored) + compressor.flush()


def main():
    count, fixture, out = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    shutil.copyfile(fixture, out)
    db = sqlite3.connect(out)
    db.execute("PRAGMA journal_mode=DELETE")
    entity = dict(db.execute("SELECT Z_NAME, Z_ENT FROM Z_PRIMARYKEY"))
    note_e, folder_e, account_e = entity["ICNote"], entity["ICFolder"], entity["ICAccount"]
    db.execute("DELETE FROM ZICCLOUDSYNCINGOBJECT WHERE Z_ENT IN (?, ?) OR Z_ENT != ?",
               (note_e, folder_e, account_e))
    db.execute("DELETE FROM ZICNOTEDATA")
    account = db.execute("SELECT Z_PK FROM ZICCLOUDSYNCINGOBJECT WHERE Z_ENT = ?",
                         (account_e,)).fetchone()[0]
    rng = random.Random(18)
    pk = 1000
    accounts = [account, pk]
    db.execute("INSERT INTO ZICCLOUDSYNCINGOBJECT (Z_PK, Z_ENT, Z_OPT, ZNAME, ZMARKEDFORDELETION)"
               " VALUES (?, ?, 1, 'iCloud', 0)", (pk, account_e))
    folders = []
    for f in range(max(2, count // 40)):
        pk += 1
        owner = accounts[f % 2]
        parent = None
        if f >= 2 and f % 3:
            # nested under an earlier folder of the same account, at most three deep
            candidates = [c for c in folders[-6:] if c[1] == owner and c[2] < 3]
            if candidates:
                parent = rng.choice(candidates)
        db.execute("INSERT INTO ZICCLOUDSYNCINGOBJECT (Z_PK, Z_ENT, Z_OPT, ZTITLE2, ZPARENT, ZOWNER,"
                   " ZFOLDERTYPE, ZMARKEDFORDELETION, ZISHIDDENNOTECONTAINER)"
                   " VALUES (?, ?, 1, ?, ?, ?, 0, 0, 0)",
                   (pk, folder_e, "Folder %d" % f, parent[0] if parent else None, owner))
        folders.append((pk, owner, parent[2] + 1 if parent else 1))
    for n in range(count):
        pk += 1
        folder = folders[n % len(folders)]
        paragraphs = 2000 if n % 100 == 99 else rng.randint(3, 40)
        data = body(rng, "Note %d %s" % (n, rng.choice(WORDS)), paragraphs)
        db.execute("INSERT INTO ZICNOTEDATA (Z_PK, Z_ENT, Z_OPT, ZNOTE, ZDATA) VALUES (?, ?, 1, ?, ?)",
                   (pk, entity["ICNoteData"], pk, data))
        modified = 700000000 + rng.random() * 80000000
        db.execute("INSERT INTO ZICCLOUDSYNCINGOBJECT (Z_PK, Z_ENT, Z_OPT, ZTITLE1, ZFOLDER,"
                   " ZACCOUNT4, ZNOTEDATA, ZCREATIONDATE3, ZMODIFICATIONDATE1,"
                   " ZISPASSWORDPROTECTED, ZMARKEDFORDELETION) VALUES (?, ?, 1, ?, ?, ?, ?, ?, ?, 0, 0)",
                   (pk, note_e, "Note %d" % n, folder[0], folder[1], pk, modified - 1000, modified))
    db.commit()
    db.close()


if __name__ == "__main__":
    main()
