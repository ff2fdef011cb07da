#!/usr/bin/env bash
# The examples of the language reference (resources/program/zorbel.html):
# every <pre class="example"> is a program, the <pre class="output"> after it
# its exact standard output. Each is built by the headless build and run in a
# program folder of its own, all in parallel; a diff per failure, a summary.
#
#   run_reference.sh BUILD_DIR SOURCE_DIR
set -u
BUILD=$(cd "$1" && pwd)
SOURCE=$(cd "$2" && pwd)
PAGE="$SOURCE/resources/program/zorbel.html"
[ -f "$PAGE" ] || PAGE="$SOURCE/../../resources/program/zorbel.html"
JOBS=$(nproc 2>/dev/null || echo 2)
BUILD_TIMEOUT=180
RUN_TIMEOUT=20

WORK=$(mktemp -d "${TMPDIR:-/tmp}/zbl-reference.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

mkdir -p "$WORK/examples" "$WORK/results"
source "$(dirname "$0")/program_home.sh"

# Each pair becomes exNN.zbl (lines ending in CR LF) and exNN.out.
python3 - "$PAGE" "$WORK/examples" <<'PY' || exit 2
import html, re, sys
page = open(sys.argv[1], encoding="utf-8").read()
pairs = re.findall(r'<pre class="example">(.*?)</pre>\s*<pre class="output">(.*?)</pre>',
                   page, re.S)
if len(pairs) != page.count('<pre class="example">'):
    sys.exit("reference: an example without its output")
# The heading each example stands under, to name it in a failure.
starts = [m.start() for m in re.finditer('<pre class="example">', page)]
heads = [(m.start(), re.sub("<[^>]+>", "", m.group(1)))
         for m in re.finditer(r"<h[23][^>]*>(.*?)</h[23]>", page, re.S)]
for i, (src, out) in enumerate(pairs, 1):
    head = [t for at, t in heads if at < starts[i - 1]][-1:] or ["(no heading)"]
    with open(f"{sys.argv[2]}/ex{i:02d}.head", "w") as f:
        f.write(html.unescape(head[0]))
    src, out = html.unescape(src).strip("\n"), html.unescape(out)
    out = out[1:] if out.startswith("\n") else out
    with open(f"{sys.argv[2]}/ex{i:02d}.zbl", "w", newline="") as f:
        f.write(src.replace("\n", "\r\n") + "\r\n")
    with open(f"{sys.argv[2]}/ex{i:02d}.out", "w", newline="") as f:
        f.write(out)
PY

run_one() {
    local src=$1 name
    name=$(basename "$src" .zbl)
    local dir="$WORK/run/$name" res="$WORK/results/$name" log
    mkdir -p "$dir"
    cp "$src" "$dir/"
    if ! log=$(timeout "$BUILD_TIMEOUT" "$BUILD/zide" --build "$dir/$name.zbl" 2>&1); then
        {
            echo "FAIL $name, under \"$(cat "${src%.zbl}.head")\": build failed"
            printf '%s\n' "$log" | head -n 15
        } >"$res"
        return
    fi
    (cd "$dir" && timeout "$RUN_TIMEOUT" "./$name.exe" </dev/null >stdout 2>stderr)
    local status=$?
    if [ $status -ne 0 ] || ! cmp -s "${src%.zbl}.out" "$dir/stdout"; then
        local why="standard output differs"
        [ $status -ne 0 ] && why="exit status $status"
        {
            echo "FAIL $name, under \"$(cat "${src%.zbl}.head")\": $why"
            diff -u --label expected --label actual "${src%.zbl}.out" "$dir/stdout" | head -n 40
            sed 's/^/    stderr: /' "$dir/stderr" | head -n 5
        } >"$res"
        return
    fi
    echo "PASS $name" >"$res"
}
export -f run_one
export BUILD WORK BUILD_TIMEOUT RUN_TIMEOUT

printf '%s\0' "$WORK"/examples/*.zbl | xargs -0 -n 1 -P "$JOBS" bash -c 'run_one "$0"'

total=$(ls "$WORK"/examples/*.zbl | wc -l)
passed=$(cat "$WORK"/results/* 2>/dev/null | grep -c '^PASS')
failed=$((total - passed))
for r in "$WORK"/results/*; do
    grep -q '^FAIL' "$r" && cat "$r"
done
echo "reference: $total examples, $passed passed, $failed failed"
[ "$total" -gt 0 ] && [ "$failed" -eq 0 ]
