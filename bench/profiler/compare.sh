#!/bin/sh
# Compares the inventory tool with inxi and lshw on this machine, in one hyperfine run.
# Usage: bench/profiler/compare.sh [path/to/cellsheet-profiler]
# Needs hyperfine, inxi and lshw (for the benchmark only):
#   apt-get install -y hyperfine inxi lshw
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tool=${1:-$here/../../build/profiler-bench/src/tools/profiler/cellsheet-profiler}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for program in hyperfine inxi lshw; do
  command -v "$program" > "$out/found" || { echo "compare.sh: $program is not installed" >&2; exit 2; }
done
[ -x "$tool" ] || { echo "compare.sh: no executable at $tool" >&2; exit 2; }
# inxi reads its own configuration and may ask the network for nothing with -F; -c0 drops the colours. Each tool
# writes into this run's folder.
hyperfine --warmup 3 --min-runs 10 --export-markdown "$out/results.md" --export-json "$out/results.json" \
  -n cellsheet-profiler "$tool --xml > $out/profiler.xml" \
  -n "inxi -F" "inxi -F -c0 > $out/inxi.txt 2>&1" \
  -n "lshw -xml" "lshw -xml > $out/lshw.xml 2>&1"
cat "$out/results.md"
python3 - "$out/results.json" <<'PY'
import json, sys
results = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
ours = results.pop("cellsheet-profiler")
fastest = min(results, key=results.get)
print(f"cellsheet-profiler: {ours * 1000:.1f} ms")
for name, mean in sorted(results.items(), key=lambda item: item[1]):
    print(f"{name}: {mean * 1000:.1f} ms, {mean / ours:.1f} times slower")
print(f"against the fastest ({fastest}): {results[fastest] / ours:.1f} times faster")
PY
