#!/usr/bin/env bash
# Benchmark quorvel against `tree` and `find` on a synthetic tree of about
# 20,000 directories and 200,000 files.
#
# Usage: bench/run.sh [--memory] [QUORVEL]
#   QUORVEL   the executable (default: build/linux/quorvel in the repo root)
#   --memory  instead of the timing table, show quorvel's peak RSS on the
#             whole tree and on a quarter of it, and on 50,000 names without
#             a code page 932 form against 50,000 ASCII names
# Environment: BENCH_DIR (default /tmp/quorvel-bench), REPS (default 7).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
memory=0
if [[ ${1:-} == --memory ]]; then memory=1; shift; fi
quorvel=${1:-$root/build/linux/quorvel}
bench_dir=${BENCH_DIR:-/tmp/quorvel-bench}
reps=${REPS:-7}
tree_dir=$bench_dir/tree
marker=$bench_dir/tree-v1.complete

if [[ ! -x $quorvel ]]; then
  echo "error: quorvel executable not found: $quorvel (build it or pass its path)" >&2
  exit 1
fi
quorvel=$(realpath "$quorvel")
if ! command -v tree >/dev/null; then
  echo "error: the 'tree' command is missing; install it with: apt-get install -y tree" >&2
  exit 1
fi

# GNU time gives peak RSS; install it only as root with apt, else skip RSS.
gnu_time=/usr/bin/time
if [[ ! -x $gnu_time ]]; then
  if [[ $(id -u) == 0 ]] && command -v apt-get >/dev/null; then
    echo "installing package 'time' for peak RSS" >&2
    apt-get install -y -qq time >/dev/null || true
  fi
  [[ -x $gnu_time ]] || { echo "note: /usr/bin/time missing, peak RSS skipped" >&2; gnu_time=; }
fi

if [[ ! -f $marker ]]; then
  echo "generating $tree_dir ..."
  rm -rf "$tree_dir"
  mkdir -p "$bench_dir"
  python3 "$root/bench/make_tree.py" "$tree_dir" | tee "$marker.tmp"
  mv "$marker.tmp" "$marker"
else
  echo "reusing $tree_dir: $(cat "$marker")"
fi
mkdir -p "$bench_dir/out"

MEMORY=$memory REPS=$reps GNU_TIME=$gnu_time Q=$quorvel T=$tree_dir O=$bench_dir/out \
python3 - <<'EOF'
import os, statistics, subprocess, sys, time

Q, T, O, gnu_time = os.environ["Q"], os.environ["T"], os.environ["O"], os.environ["GNU_TIME"]
reps = int(os.environ["REPS"])

def run(argv, out):
    """Run once; return (wall seconds, peak RSS KiB or None)."""
    if os.path.exists(out):
        os.unlink(out)
    rss_file = os.path.join(O, "rss")
    if gnu_time:
        argv = [gnu_time, "-f", "%M", "-o", rss_file] + argv
    t = time.perf_counter()
    p = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = time.perf_counter() - t
    if p.returncode != 0:
        sys.exit(f"error: {' '.join(argv)} exited {p.returncode}\n{p.stderr.decode(errors='replace')}")
    rss = int(open(rss_file).read().split()[-1]) if gnu_time else None
    return wall, rss

if os.environ["MEMORY"] == "1":
    if not gnu_time:
        sys.exit("error: peak RSS needs /usr/bin/time")
    out = os.path.join(O, "quorvel-mem.txt")
    for label, d in [("whole tree", T), ("quarter (part0)", os.path.join(T, "part0"))]:
        run([Q, "in", d + "/", "out", out, "all"], out)  # warm
        rss = max(run([Q, "in", d + "/", "out", out, "all"], out)[1] for _ in range(3))
        lines = sum(1 for _ in open(out, "rb"))
        print(f"quorvel names only, {label:16} {lines:8} lines  peak RSS {rss} KiB")
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

# (group, tool, output file, argv); output files sit on the tree's filesystem
cmds = []
for g, cols in [("names only", []), ("all columns", ["s", "t", "a", "f"])]:
    o = {n: os.path.join(O, f"{n}-{'cols' if cols else 'names'}.txt") for n in ("quorvel", "tree", "find")}
    cmds += [
        (g, "quorvel", o["quorvel"], [Q, "in", T + "/", "out", o["quorvel"], "all"] + cols),
        (g, "tree", o["tree"], ["tree", "-a"] + (["-s", "-D", "-p", "-f"] if cols else []) + ["-o", o["tree"], T]),
        (g, "find", o["find"], ["find", T] + (["-fprintf", o["find"], "%s %T@ %p\n"] if cols else ["-fprint", o["find"]])),
    ]
groups = ["names only", "all columns"]
for g, n, out, argv in cmds:  # warm the page cache
    run(argv, out)
walls = {(g, n): [] for g, n, _, _ in cmds}
rss = {(g, n): [] for g, n, _, _ in cmds}
for i in range(reps):
    for g, n, out, argv in cmds:
        w, r = run(argv, out)
        walls[g, n].append(w)
        if r is not None:
            rss[g, n].append(r)
    print(f"  rep {i + 1}/{reps} done", file=sys.stderr)

med = {k: statistics.median(v) for k, v in walls.items()}
print(f"\nmedians of {reps} runs (seconds); tree: {T}")
print(f"{'group':12} {'quorvel':>8} {'find':>8} {'tree':>8} {'q/find':>7} {'q/tree':>7} {'q RSS KiB':>10}")
limits = {"names only": 1.0, "all columns": 1.2}
verdict = []
for g in groups:
    q, fi, tr = med[g, "quorvel"], med[g, "find"], med[g, "tree"]
    r = max(rss[g, "quorvel"]) if rss[g, "quorvel"] else "-"
    print(f"{g:12} {q:8.3f} {fi:8.3f} {tr:8.3f} {q / fi:7.2f} {q / tr:7.2f} {r:>10}")
    ok = q <= limits[g] * fi and q <= 0.5 * tr
    verdict.append(f"{g}: {'holds' if ok else 'MISSED'} (<= {limits[g]} x find, <= 0.5 x tree)")
print("targets: " + "; ".join(verdict))
EOF
