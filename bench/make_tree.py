#!/usr/bin/env python3
"""Make a deterministic synthetic directory tree for the benchmarks.

Usage: make_tree.py DIR [ENTRIES]

Layout for the default ENTRIES, 220,000: DIR/part0 .. DIR/part3, then four
more levels (5, 10, 10, 9 subdirs per dir), about 20,000 directories in all,
each holding 0-20 files (about 200,000 files).  DIR/part0 is a quarter of the
tree.  Another ENTRIES keeps the first levels and makes the last one wider or
narrower, or adds or drops one, for about ENTRIES entries (20,000 gives 4, 5,
10, 8; 2,000,000 gives 4, 5, 10, 10, 9, 9).  Names mix ASCII,
hidden (leading dot) and Japanese ones, several with characters whose CP932
second byte is 0x5C (表 ソ 能 十 予 申 構).  Files are 0-4 KiB, many empty;
their bytes are holes (ftruncate), their mtimes are spread over 2000-2024,
and some are read-only.
"""
import os
import random
import sys
import time

LEVELS = [4, 5, 10, 10, 9, 9, 10, 10]
DEFAULT_ENTRIES = 220000
DIR_WORDS = ["src", "lib", "docs", "資料", "表計算", "ソース", "能力", "十月",
             "予定", "申請書", "構成", "data", "old copy", "テスト"]
FILE_WORDS = ["readme", "main", "表", "ソース", "能力表", "notes", "予算",
              "申込", "構造", "image", "log", "報告書", "data set"]
EXTS = [".txt", ".cpp", ".h", ".csv", ".xlsx", ".dat", ".log", ""]
T0, T1 = 946684800, 1735689600  # 2000-01-01 .. 2025-01-01 UTC


def dir_name(rng, i):
    r = rng.random()
    if r < 0.05:
        return f".hidden{i}"
    if r < 0.35:
        return f"{rng.choice(DIR_WORDS)}{i}"
    return f"d{i:02}"


def file_name(rng, i):
    r = rng.random()
    stem = f".dot{i}" if r < 0.05 else f"{rng.choice(FILE_WORDS)}_{i}"
    return stem + rng.choice(EXTS)


def fanout_for(entries):
    """Subdirs per dir at each level for about entries entries: a directory
    holds 10 files on average, so there are about entries / 11 directories."""
    dirs = max(4, entries // 11)
    fan, total, width = [], 0, 1
    for f in LEVELS:
        if total + width * f > dirs:
            f = round((dirs - total) / width)
            if f > 0:
                fan.append(f)
            break
        fan.append(f)
        width *= f
        total += width
    return fan


def make(root, entries):
    fanout = fanout_for(entries)
    rng = random.Random(20240601)
    ndirs = nfiles = 0
    level = [root]
    os.makedirs(root)
    for depth, fan in enumerate(fanout):
        nxt = []
        for parent in level:
            for i in range(fan):
                name = f"part{i}" if depth == 0 else dir_name(rng, i)
                path = os.path.join(parent, name)
                os.mkdir(path)
                nxt.append(path)
        ndirs += len(nxt)
        level = nxt
        for d in nxt:
            for i in range(rng.randint(0, 20)):
                fd = os.open(os.path.join(d, file_name(rng, i)),
                             os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
                if rng.random() >= 0.4:
                    os.ftruncate(fd, rng.randint(1, 4096))
                t = rng.randint(T0, T1)
                os.utime(fd, (t, t))
                if rng.random() < 0.1:
                    os.fchmod(fd, 0o444)
                os.close(fd)
                nfiles += 1
    return ndirs, nfiles


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: make_tree.py DIR [ENTRIES]")
    start = time.perf_counter()
    d, f = make(sys.argv[1], int(sys.argv[2]) if len(sys.argv) == 3 else DEFAULT_ENTRIES)
    print(f"{d} directories, {f} files (made in {time.perf_counter() - start:.1f} s)")
