#!/usr/bin/env bash
# Benchmark quorvel against `find`, `fdfind` and `tree` on a synthetic tree of
# about 20,000 directories and 200,000 files.
#
# Usage: bench/run.sh [--cold | --memory | --scaling | --small | --formats | --flat] [QUORVEL]
#   QUORVEL    the executable (default: build/linux/quorvel in the repo root)
#   (none)     page cache warm: the timing table and the warm targets
#   --cold     the page cache dropped before each timed run (needs root and a
#              writable /proc/sys/vm/drop_caches; says so and measures warm
#              only when it cannot), then the warm table; both targets
#   --memory   instead of the timing table, show quorvel's peak RSS on the
#              whole tree and on a quarter of it, and on 50,000 names without
#              a code page 932 form against 50,000 ASCII names
#   --scaling  time and peak RSS, warm, on trees of about 20,000, 200,000 and
#              2,000,000 entries (made once; the largest takes minutes)
#   --small    time, warm, on docs/sample-tree and a 1,000-entry tree; with
#              BASELINE set to another build, that build in turn with QUORVEL
#   --formats  time and peak RSS, warm, of the csv, json and html reports and
#              of du against the text report with the same columns, on the
#              whole tree and on a quarter of it
#   --flat     time and peak RSS, warm, on one directory of 1,000,000 empty
#              files (made once) against find; target: within 1.5 x of find
#   --share [DELAY_US]  on a stand-in for a file server (bench/share.sh)
# Environment: BENCH_DIR (default /tmp/quorvel-bench), REPS (default 7 warm,
# 5 cold, 3 scaling and flat, 200 small, 7 formats), BASELINE.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=warm
case ${1:-} in
  --cold) mode=cold; shift ;;
  --memory) mode=memory; shift ;;
  --scaling) mode=scaling; shift ;;
  --small) mode=small; shift ;;
  --formats) mode=formats; shift ;;
  --flat) mode=flat; shift ;;
  --share) shift; exec bash "$root/bench/share.sh" "$@" ;;
esac
quorvel=${1:-$root/build/linux/quorvel}
bench_dir=${BENCH_DIR:-/tmp/quorvel-bench}
tree_dir=$bench_dir/tree
marker=$bench_dir/tree-v1.complete

if [[ ! -x $quorvel ]]; then
  echo "error: quorvel executable not found: $quorvel (build it or pass its path)" >&2
  exit 1
fi
quorvel=$(realpath "$quorvel")

# Tools from Debian packages: installed only as root with apt, else skipped or
# refused below.
install_package() {
  if [[ $(id -u) == 0 ]] && command -v apt-get >/dev/null; then
    echo "installing package '$1'" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$1" >/dev/null || true
  fi
}
command -v tree >/dev/null || install_package tree
if ! command -v tree >/dev/null; then
  echo "error: the 'tree' command is missing; install it with: apt-get install -y tree" >&2
  exit 1
fi
command -v fdfind >/dev/null || install_package fd-find
if ! command -v fdfind >/dev/null; then
  echo "note: fdfind missing (apt-get install -y fd-find), its column is skipped" >&2
fi
# GNU time gives peak RSS.
gnu_time=/usr/bin/time
[[ -x $gnu_time ]] || install_package time
[[ -x $gnu_time ]] || { echo "note: /usr/bin/time missing, peak RSS skipped" >&2; gnu_time=; }

# make_tree DIR MARKER [ENTRIES]
make_tree() {
  if [[ ! -f $2 ]]; then
    echo "generating $1 ..."
    rm -rf "$1"
    mkdir -p "$bench_dir"
    python3 "$root/bench/make_tree.py" "$1" ${3:-} | tee "$2.tmp"
    mv "$2.tmp" "$2"
  else
    echo "reusing $1: $(cat "$2")"
  fi
}
[[ $mode == flat ]] || make_tree "$tree_dir" "$marker"
if [[ $mode == small ]]; then
  make_tree "$bench_dir/tree-1000" "$bench_dir/tree-1000-v1.complete" 1000
fi
if [[ $mode == scaling ]]; then
  for n in 20000 2000000; do
    make_tree "$bench_dir/tree-$n" "$bench_dir/tree-$n-v1.complete" $n
  done
fi
if [[ $mode == flat && ! -f $bench_dir/flat-v1.complete ]]; then
  echo "generating $bench_dir/flat (1,000,000 files) ..."
  rm -rf "$bench_dir/flat"
  mkdir -p "$bench_dir/flat"
  python3 -c '
import os, sys
d = sys.argv[1]
for i in range(1000000):
    os.close(os.open(os.path.join(d, f"file-{i:07}.txt"), os.O_CREAT | os.O_WRONLY, 0o644))
' "$bench_dir/flat"
  echo "1,000,000 files" >"$bench_dir/flat-v1.complete"
fi
mkdir -p "$bench_dir/out"

can_drop=0
if [[ $mode == cold ]]; then
  if [[ $(id -u) == 0 ]] && sync && (echo 3 >/proc/sys/vm/drop_caches) 2>/dev/null; then
    can_drop=1
  else
    echo "NOTE: cannot drop the page cache (needs root and a writable" \
      "/proc/sys/vm/drop_caches): no cold figures, measuring warm only" >&2
  fi
fi

MODE=$mode CAN_DROP=$can_drop REPS=${REPS:-} GNU_TIME=$gnu_time Q=$quorvel T=$tree_dir \
B=$bench_dir O=$bench_dir/out SAMPLE=$root/docs/sample-tree BASELINE=${BASELINE:-} python3 - <<'EOF'
import os, shutil, statistics, subprocess, sys, time

Q, T, B, O = os.environ["Q"], os.environ["T"], os.environ["B"], os.environ["O"]
gnu_time, mode = os.environ["GNU_TIME"], os.environ["MODE"]
can_drop = os.environ["CAN_DROP"] == "1"
have_fd = shutil.which("fdfind") is not None

def reps_for(default):
    return int(os.environ["REPS"]) if os.environ["REPS"] else default

def drop_caches():
    subprocess.run(["sync"], check=True)
    with open("/proc/sys/vm/drop_caches", "w") as f:
        f.write("3\n")

def run(argv, out, stdout_file=False, cold=False):
    """Run once; return (wall seconds, peak RSS KiB or None)."""
    if os.path.exists(out):
        os.unlink(out)
    rss_file = os.path.join(O, "rss")
    if gnu_time:
        argv = [gnu_time, "-f", "%M", "-o", rss_file] + argv
    if cold:
        drop_caches()
    sink = open(out, "wb") if stdout_file else subprocess.DEVNULL
    t = time.perf_counter()
    p = subprocess.run(argv, stdout=sink, stderr=subprocess.PIPE)
    wall = time.perf_counter() - t
    if stdout_file:
        sink.close()
    if p.returncode != 0:
        sys.exit(f"error: {' '.join(argv)} exited {p.returncode}\n{p.stderr.decode(errors='replace')}")
    rss = int(open(rss_file).read().split()[-1]) if gnu_time else None
    return wall, rss

if mode == "memory":
    if not gnu_time:
        sys.exit("error: peak RSS needs /usr/bin/time")
    out = os.path.join(O, "quorvel-mem.txt")
    for label, d in [("whole tree", T), ("quarter (part0)", os.path.join(T, "part0"))]:
        for cols in ([], ["s", "t", "a", "f"]):
            run([Q, "in", d + "/", "out", out, "all"] + cols, out)  # warm
            rss = max(run([Q, "in", d + "/", "out", out, "all"] + cols, out)[1] for _ in range(3))
            lines = sum(1 for _ in open(out, "rb"))
            what = "all columns" if cols else "names only"
            print(f"quorvel {what:11}, {label:16} {lines:8} lines  peak RSS {rss} KiB")
    # 50,000 names with no code page 932 form against as many ASCII names.
    peaks = {}
    for label, letter in [("ASCII names", "e"), ("non-CP932 names", "\u00e9")]:
        d = os.path.join(O, f"names-{'ascii' if letter == 'e' else 'lossy'}")
        if not os.path.isdir(d) or len(os.listdir(d)) != 50000:
            os.makedirs(d, exist_ok=True)
            for i in range(50000):
                open(os.path.join(d, f"f{letter}-{i:05}.txt"), "w").close()
        run([Q, "in", d + "/", "out", out], out)  # warm
        peaks[label] = max(run([Q, "in", d + "/", "out", out], out)[1] for _ in range(3))
        print(f"quorvel 50,000 {label:16}          peak RSS {peaks[label]} KiB")
    ratio = peaks["non-CP932 names"] / peaks["ASCII names"]
    print(f"non-CP932 / ASCII peak: {ratio:.2f} ({'holds' if ratio <= 1.2 else 'MISSED'} <= 1.2)")
    sys.exit(0)

COLS = ["s", "t", "a", "f"]

if mode == "flat":
    reps = reps_for(3)
    d = os.path.join(B, "flat")
    cmds = [("quorvel", [Q, "in", d + "/", "out", os.path.join(O, "flat-quorvel.txt"), "all"]),
            ("find", ["find", d, "-fprint", os.path.join(O, "flat-find.txt")])]
    for _, argv in cmds:  # warm the page cache
        run(argv, argv[-1] if argv[0] == "find" else argv[-2])
    results = {n: [] for n, _ in cmds}
    for _ in range(reps):  # in turn, so that a busy moment weighs on both
        for n, argv in cmds:
            results[n].append(run(argv, argv[-1] if n == "find" else argv[-2]))
    med = {n: statistics.median(w for w, _ in r) for n, r in results.items()}
    peak = {n: max((x for _, x in r if x is not None), default=None) for n, r in results.items()}
    print(f"\none directory of 1,000,000 files, warm, medians of {reps} runs in turn")
    for n in ("quorvel", "find"):
        print(f"{n:8} {med[n]:8.3f} s  peak RSS {peak[n] or '-'} KiB")
    ratio = med["quorvel"] / med["find"]
    print(f"target: quorvel <= 1.5 x find: {'holds' if ratio <= 1.5 else 'MISSED'} ({ratio:.2f})")
    sys.exit(0)

if mode == "small":
    reps = reps_for(200)
    builds = [("quorvel", Q)] + ([("baseline", os.environ["BASELINE"])] if os.environ["BASELINE"] else [])
    out = os.path.join(O, "small.txt")
    print(f"\nwarm, median of {reps} runs in turn (milliseconds)")
    print(f"{'tree':24} {'group':12} " + " ".join(f"{n:>9}" for n, _ in builds) +
          (f" {'q/base':>7}" if len(builds) > 1 else ""))
    for label, d in [("docs/sample-tree", os.environ["SAMPLE"]), ("1,000 entries", os.path.join(B, "tree-1000"))]:
        for g, cols in [("names only", []), ("all columns", COLS)]:
            times = {n: [] for n, _ in builds}
            for _ in range(reps):
                for n, exe in builds:
                    argv = [exe, "in", d + "/", "out", out, "all"] + cols
                    t = time.perf_counter()
                    subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
                    times[n].append(time.perf_counter() - t)
            med = {n: statistics.median(v) * 1000 for n, v in times.items()}
            cells = " ".join(f"{med[n]:9.2f}" for n, _ in builds)
            ratio = f" {med['quorvel'] / med['baseline']:7.2f}" if len(builds) > 1 else ""
            print(f"{label:24} {g:12} {cells}{ratio}")
    sys.exit(0)

if mode == "formats":
    reps = reps_for(7)
    # (group, label, options): each against the text report of its group,
    # which reads the same details of each entry.
    runs = [("names only", "text", []), ("names only", "csv", ["csv"]),
            ("names only", "json", ["json"]), ("names only", "html", ["html"]),
            ("sizes", "text s", ["s"]), ("sizes", "du s", ["du", "s"]),
            ("sizes", "csv s du", ["csv", "s", "du"]), ("sizes", "json s du", ["json", "s", "du"]),
            ("all columns", "text s t a f", COLS), ("all columns", "csv s t a", ["csv", "s", "t", "a"]),
            ("all columns", "json s t a", ["json", "s", "t", "a"]),
            ("all columns", "html s t a f du", ["html", "du"] + COLS)]
    out = os.path.join(O, "formats.out")
    verdict = []
    for label_tree, d in [("whole tree", T), ("quarter (part0)", os.path.join(T, "part0"))]:
        walls, peaks = {}, {}
        for _, label, opts in runs:
            run([Q, "in", d + "/", "out", out, "all"] + opts, out)  # warm
            walls[label], peaks[label] = [], []
        for _ in range(reps):
            for _, label, opts in runs:
                w, r = run([Q, "in", d + "/", "out", out, "all"] + opts, out)
                walls[label].append(w)
                if r is not None:
                    peaks[label].append(r)
        print(f"\n{label_tree}, warm, medians of {reps} runs in turn; peak RSS the largest")
        print(f"{'group':12} {'report':16} {'seconds':>8} {'/ text':>7} {'RSS KiB':>8}")
        base = {}
        for g, label, _ in runs:
            med = statistics.median(walls[label])
            base.setdefault(g, med)
            ratio = med / base[g]
            rss = max(peaks[label]) if peaks[label] else "-"
            print(f"{g:12} {label:16} {med:8.3f} {ratio:7.2f} {rss:>8}")
            if label.split()[0] in ("csv", "json", "du") and label_tree == "whole tree":
                verdict.append(f"{label} <= 1.3 x {g} text: {'holds' if ratio <= 1.3 else 'MISSED'} ({ratio:.2f})")
    print("targets:\n  " + "\n  ".join(verdict))
    sys.exit(0)

if mode == "scaling":
    reps = reps_for(3)
    trees = [os.path.join(B, "tree-20000"), T, os.path.join(B, "tree-2000000")]
    print(f"\nwarm, median of {reps} runs; peak RSS the largest of them")
    print(f"{'entries':>10} {'group':12} {'seconds':>8} {'us/entry':>9} {'RSS KiB':>8} {'RSS/smallest':>13}")
    verdict, first_rss, per_entry = [], {}, {}
    for d in trees:
        for g, cols in [("names only", []), ("all columns", COLS)]:
            out = os.path.join(O, "scaling.txt")
            argv = [Q, "in", d + "/", "out", out, "all"] + cols
            run(argv, out)  # warm the page cache
            results = [run(argv, out) for _ in range(reps)]
            entries = sum(1 for _ in open(out, "rb")) - 1
            wall = statistics.median(w for w, _ in results)
            rss = max((r for _, r in results if r is not None), default=None)
            first_rss.setdefault(g, rss)
            per_entry.setdefault(g, []).append(wall / entries)
            ratio = f"{rss / first_rss[g]:.2f}" if rss and first_rss[g] else "-"
            print(f"{entries:10,} {g:12} {wall:8.3f} {wall / entries * 1e6:9.2f} {rss or '-':>8} {ratio:>13}")
            if rss and first_rss[g]:
                verdict.append((g, rss <= 2 * first_rss[g]))
    rss_ok = all(ok for _, ok in verdict)
    # Linear: the time per entry of the largest tree within 1.5 x of the middle one's
    # (the smallest carries the start-up).
    lin_ok = all(v[2] <= 1.5 * v[1] for v in per_entry.values())
    print(f"targets: time linear (us/entry of the largest <= 1.5 x the middle): "
          f"{'holds' if lin_ok else 'MISSED'}; peak RSS <= 2 x the smallest tree's: "
          f"{'holds' if rss_ok else 'MISSED'}")
    sys.exit(0)

# (group, tool, output file, argv, output on stdout)
def commands(with_tree):
    cmds = []
    for g, cols in [("names only", []), ("all columns", COLS)]:
        tag = "cols" if cols else "names"
        o = {n: os.path.join(O, f"{n}-{tag}.txt") for n in ("quorvel", "tree", "find", "fdfind")}
        cmds.append((g, "quorvel", o["quorvel"], [Q, "in", T + "/", "out", o["quorvel"], "all"] + cols, False))
        cmds.append((g, "find", o["find"], ["find", T] + (["-fprintf", o["find"], "%s %T@ %p\n"] if cols else ["-fprint", o["find"]]), False))
        if have_fd and not cols:
            cmds.append((g, "fdfind", o["fdfind"], ["fdfind", "-u", ".", T], True))
        if with_tree:
            cmds.append((g, "tree", o["tree"], ["tree", "-a"] + (["-s", "-D", "-p", "-f"] if cols else []) + ["-o", o["tree"], T], False))
    return cmds

def measure(cmds, reps, cold):
    walls = {(g, n): [] for g, n, *_ in cmds}
    rss = {(g, n): [] for g, n, *_ in cmds}
    if not cold:
        for g, n, out, argv, so in cmds:  # warm the page cache
            run(argv, out, so)
    for i in range(reps):
        for g, n, out, argv, so in cmds:
            w, r = run(argv, out, so, cold)
            walls[g, n].append(w)
            if r is not None:
                rss[g, n].append(r)
        print(f"  {'cold' if cold else 'warm'} rep {i + 1}/{reps} done", file=sys.stderr)
    return {k: statistics.median(v) for k, v in walls.items()}, rss

def table(title, med, rss, tools):
    print(f"\n{title}; tree: {T}")
    print(f"{'group':12} {'quorvel':>8} " + " ".join(f"{t:>8}" for t in tools) + " " +
          " ".join(f"{'q/' + t:>9}" for t in tools) + f" {'q RSS KiB':>10}")
    for g in ("names only", "all columns"):
        q = med[g, "quorvel"]
        cells = [f"{med[g, t]:8.3f}" if (g, t) in med else f"{'-':>8}" for t in tools]
        ratios = [f"{q / med[g, t]:9.2f}" if (g, t) in med else f"{'-':>9}" for t in tools]
        r = max(rss[g, "quorvel"]) if rss[g, "quorvel"] else "-"
        print(f"{g:12} {q:8.3f} " + " ".join(cells) + " " + " ".join(ratios) + f" {r:>10}")

def check(med, targets):
    out = []
    for g, tool, limit in targets:
        if (g, tool) not in med:
            out.append(f"{g} <= {limit} x {tool}: not measured")
            continue
        ratio = med[g, "quorvel"] / med[g, tool]
        out.append(f"{g} <= {limit} x {tool}: {'holds' if ratio <= limit else 'MISSED'} ({ratio:.2f})")
    return out

verdict = []
if mode == "cold" and can_drop:
    reps = reps_for(5)
    med, rss = measure(commands(False), reps, True)
    table(f"cold (page cache dropped before each run), medians of {reps} runs (seconds)",
          med, rss, ["find", "fdfind"])
    verdict += ["cold: " + v for v in check(med, [("names only", "find", 0.5), ("names only", "fdfind", 0.7),
                                                 ("all columns", "find", 0.5)])]
reps = reps_for(7)
med, rss = measure(commands(True), reps, False)
table(f"warm, medians of {reps} runs (seconds)", med, rss, ["find", "fdfind", "tree"])
verdict += ["warm: " + v for v in check(med, [("names only", "find", 0.5), ("names only", "tree", 0.5),
                                             ("all columns", "find", 0.6), ("all columns", "tree", 0.5)])]
print("targets:\n  " + "\n  ".join(verdict))
EOF
