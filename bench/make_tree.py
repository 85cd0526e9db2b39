#!/usr/bin/env python3
"""Make a deterministic synthetic directory tree for the benchmarks.

Usage: make_tree.py DIR

Layout: DIR/part0 .. DIR/part3, then four more levels (5, 10, 10, 9 subdirs
per dir), about 20,000 directories in all, each holding 0-20 files (about
200,000 files).  DIR/part0 is a quarter of the tree.  Names mix ASCII,
hidden (leading dot) and Japanese ones, several with characters whose CP932
second byte is 0x5C (表 ソ 能 十 予 申 構).  Files are 0-4 KiB, many empty;
their bytes are holes (ftruncate), their mtimes are spread over 2000-2024,
and some are read-only.
"""
import os
import random
import sys
import time

FANOUT = [4, 5, 10, 10, 9]
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


def make(root):
    rng = random.Random(20240601)
    ndirs = nfiles = 0
    level = [root]
    os.makedirs(root)
    for depth, fan in enumerate(FANOUT):
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
    if len(sys.argv) != 2:
        sys.exit("usage: make_tree.py DIR")
    start = time.perf_counter()
    d, f = make(sys.argv[1])
    print(f"{d} directories, {f} files (made in {time.perf_counter() - start:.1f} s)")
