#!/usr/bin/env python3
"""The csv, json and html reports read back by the readers other programs use.

Builds a tree with awkward names (a comma, quotes, a line break, <>&, a
character with no code page 932 form, bytes that are no UTF-8), runs the real
program on it and checks that Python's json module gives back the tree the
test built, names byte for byte, with every directory's total computed here;
that Python's csv module reads one row per entry; that an HTML parser finds
the page well formed, its names and links exact; and that headless Chromium
loads the page with one <details> per directory.

Usage: formats_read_back_test.py QUORVEL [CHROMIUM]
"""
import csv
import html.parser
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

QUORVEL = sys.argv[1]
CHROMIUM = sys.argv[2] if len(sys.argv) > 2 else shutil.which("chromium")

# Relative path (bytes) -> size; directories are those on the way.
FILES = {
    b"docs/notes.txt": 6,
    b"src/lib/util.c": 19,
    b"src/lib/util.h": 13,
    b"src/main.c": 25,
    "資料/表計算/売上.csv".encode(): 11,
    b"odd/a,b.txt": 3,
    b'odd/say "hi".txt': 4,
    b"odd/two\nlines.txt": 5,
    b"odd/<b>&.txt": 7,
    "odd/café.txt".encode(): 8,
    b"odd/\xff\xfe.bin": 9,
    b"odd/=sum.txt": 1,
    b"empty/.keep": 0,
}

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


def run(root, *options):
    """The report of root with options, written beside the tree (du goes
    back into the lines it has written, which standard output cannot)."""
    out = os.path.join(os.path.dirname(root), b"report.out")
    result = subprocess.run([QUORVEL, "in", root + b"/", "out", out, *options],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            env=dict(os.environ, TZ="JST-9", LC_ALL="C.UTF-8"))
    check(result.returncode == 0, f"{options}: status {result.returncode} {result.stderr!r}")
    with open(out, "rb") as f:
        return f.read()


def build_tree(top):
    root = os.path.join(top, b"t")
    for relative, size in FILES.items():
        path = os.path.join(root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(b"x" * size)
    return root


def expected_tree(root):
    """The tree as the reports should list it: hidden entries left out."""
    def entries(directory):
        names = [n for n in os.listdir(directory) if not n.startswith(b".")]
        subdirectories = sorted(n for n in names if os.path.isdir(os.path.join(directory, n)))
        files = sorted(n for n in names if not os.path.isdir(os.path.join(directory, n)))
        return subdirectories, files

    def node(directory, name):
        subdirectories, files = entries(directory)
        contents = [node(os.path.join(directory, d), d) for d in subdirectories]
        contents += [{"type": "file", "name": f,
                      "size": os.path.getsize(os.path.join(directory, f))} for f in files]
        total = sum(c["size"] for c in contents)
        return {"type": "directory", "name": name, "contents": contents, "size": total}

    return node(root, root + b"/")


def as_bytes(name):
    return os.fsencode(name)


def compare_json(got, want, where):
    check(got["type"] == want["type"], f"{where}: type {got['type']}")
    check(as_bytes(got["name"]) == want["name"], f"{where}: name {got['name']!r}")
    check(got.get("size") == want["size"], f"{where}: size {got.get('size')} != {want['size']}")
    if want["type"] == "directory":
        got_names = sorted(as_bytes(c["name"]) for c in got["contents"])
        want_names = sorted(c["name"] for c in want["contents"])
        check(got_names == want_names, f"{where}: contents {got_names} != {want_names}")
        by_name = {as_bytes(c["name"]): c for c in got["contents"]}
        for child in want["contents"]:
            if child["name"] in by_name:
                compare_json(by_name[child["name"]], child, where + b"/" + child["name"])


def walk_entries(node, path):
    """(path, name, is directory, size) of every entry, in the walk's order."""
    for child in node["contents"]:
        if child["type"] == "directory":
            yield path + child["name"], child["name"], True, child["size"]
            yield from walk_entries(child, path + child["name"] + b"/")
    for child in node["contents"]:
        if child["type"] == "file":
            yield path + child["name"], child["name"], False, child["size"]


def sort_like_report(node):
    """Orders each directory's entries as the report does: ASCII letters as
    upper case, then the bytes."""
    key = lambda c: (c["name"].upper() if c["name"].isascii() else
                     bytes(b - 32 if 97 <= b <= 122 else b for b in c["name"]), c["name"])
    node["contents"].sort(key=key)
    for child in node["contents"]:
        if child["type"] == "directory":
            sort_like_report(child)


class PageParser(html.parser.HTMLParser):
    """Checks that every element the page opens is closed in order, and
    collects the names shown and the links."""
    VOID = {"meta"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.links, self.texts, self.details = [], [], [], 0
        self.external = []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "details":
            self.details += 1
        if tag == "a":
            self.links.append(attrs["href"])
        if tag in ("script", "link", "img", "iframe") or "src" in attrs:
            self.external.append(tag)
        if tag not in self.VOID:
            self.stack.append(tag)

    def handle_endtag(self, tag):
        check(self.stack and self.stack[-1] == tag, f"page: </{tag}> closes {self.stack[-1:]}")
        if self.stack:
            self.stack.pop()

    def handle_data(self, data):
        if self.stack and self.stack[-1] in ("a", "summary"):
            self.texts.append(data)


def main():
    top = tempfile.mkdtemp().encode()
    try:
        root = build_tree(top)
        want = expected_tree(root)
        sort_like_report(want)

        # JSON: the tree itself, names as the file system holds them.
        document = json.loads(run(root, "json", "s", "du").decode("utf-8"))
        check(len(document) == 2, "json: the tree and the counts")
        compare_json(document[0], want, b"json")
        entries = list(walk_entries(want, root + b"/"))
        directories = sum(1 for e in entries if e[2])
        check(document[1] == {"type": "report", "directories": directories,
                              "files": len(entries) - directories, "bytes": want["size"]},
              f"json: counts {document[1]}")

        # CSV, UTF-8: one row per entry in the walk's order.
        text = run(root, "csv", "utf8", "s", "du")
        check(text.startswith(b"\xef\xbb\xbf"), "csv: byte-order mark")
        rows = list(csv.reader(io.StringIO(text.decode("utf-8-sig", "surrogateescape"),
                                           newline="")))
        check(rows[0] == ["パス", "名前", "種類", "サイズ", "更新日時", "属性"], f"csv: {rows[0]}")
        # A reader undoes the "'" that keeps a formula-looking field text.
        unguard = lambda f: f[1:] if f[:1] == "'" and f[1:2] in ("=", "+", "-", "@") else f
        got = [(as_bytes(r[0]), as_bytes(unguard(r[1])), r[2] == "ディレクトリ", int(r[3]))
               for r in rows[1:]]
        check(got == entries, f"csv: rows {got} != {entries}")
        # Code page 932: the same rows, the names without a CP932 form shown
        # with "?", a formula-looking name kept as text.
        rows932 = list(csv.reader(io.StringIO(run(root, "csv", "s", "du").decode("cp932"),
                                               newline="")))
        check(len(rows932) == len(rows), "csv cp932: row count")
        check([r[3].strip() for r in rows932] == [r[3].strip() for r in rows], "csv cp932: sizes")
        check(["'=sum.txt"] == [r[1] for r in rows932 if "sum" in r[1]], "csv: formula kept text")
        check(["two\nlines.txt"] == [r[1] for r in rows932 if "lines" in r[1]], "csv: line break")

        # HTML: well formed, self-contained, names and links exact.
        page = run(root, "html", "f", "s", "du")
        parser = PageParser()
        parser.feed(page.decode("utf-8"))
        parser.close()
        check(parser.stack == [], f"page: left open {parser.stack}")
        check(parser.external == [], f"page: fetches {parser.external}")
        check(parser.details == directories + 1, f"page: {parser.details} <details>")
        files = [e for e in entries if not e[2]]
        links = [urllib.parse.unquote_to_bytes(link[len("file://"):]) for link in parser.links]
        check(links == [e[0] for e in files], f"page: links {links}")
        shown = {t for t in parser.texts}
        for name in ("<b>&.txt", 'say "hi".txt', "two?lines.txt", "café.txt", "\ufffd\ufffd.bin"):
            check(name in shown, f"page: name {name!r} shown")

        # Chromium: the page as a browser builds it.
        if CHROMIUM is None:
            check(False, "chromium not found")
        else:
            page_path = os.path.join(top, b"page.html")
            with open(page_path, "wb") as f:
                f.write(page)
            profile = tempfile.mkdtemp()
            dom = subprocess.run(
                [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--user-data-dir=" + profile,
                 "--dump-dom", "file://" + page_path.decode()],
                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120).stdout.decode()
            shutil.rmtree(profile, ignore_errors=True)
            check(dom.count("<details") == directories + 1, "chromium: one <details> per directory")
            check("R&amp;D" not in dom and "&lt;b&gt;&amp;.txt" in dom, "chromium: names escaped")
    finally:
        shutil.rmtree(top, ignore_errors=True)
    if failures:
        sys.exit(1)
    print("csv, json and html read back")


main()
