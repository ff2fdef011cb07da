#!/usr/bin/env bash
# The Zorbel corpus: every program under run/ is built by the headless build
# and run, its standard output compared with NAME.out; every module under
# wrong/ is translated and must be refused with the messages in NAME.expect.
# A few hostile inputs are generated here as well. All programs build in
# parallel; one line per failure and a diff, then a summary.
#
#   run_corpus.sh BUILD_DIR SOURCE_DIR [NAME...]   (names limit the run)
set -u
BUILD=$(cd "$1" && pwd)
CORPUS=$(cd "$2" && pwd)
shift 2
ONLY=" $* "
JOBS=$(nproc 2>/dev/null || echo 2)
BUILD_TIMEOUT=180
RUN_TIMEOUT=20
TRANSLATE_TIMEOUT=20

WORK=$(mktemp -d "${TMPDIR:-/tmp}/zbl-corpus.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

mkdir -p "$WORK/results"
source "$(dirname "$0")/program_home.sh"
# What the programs read of their environment.
export ZBL_CORPUS_GREETING="hello from the environment"

wanted() { [ "$ONLY" = "  " ] || [[ "$ONLY" == *" $1 "* ]]; }

fail() {  # fail NAME TEXT...: records a failure with its details
    local name=$1
    shift
    printf 'FAIL %s: %s\n' "$name" "$*" >>"$WORK/results/$name"
}

# Every line of `output` that names `module` carries a line number.
messages_have_lines() {
    local module=$1 output=$2
    [ -n "$output" ] || return 1
    ! grep -v -E "^$(printf '%s' "$module" | sed 's/[][\.*^$/]/\\&/g'):[0-9]+:([0-9]+:)? " \
        <<<"$output" | grep -q .
}

# Each line of the file `want` must occur in the file `got`. A line
# "at: FILE LINE PROC" asks for one line naming all three, the number whole.
contains() {
    local name=$1 want=$2 got=$3 what=$4 line
    [ -f "$want" ] || return 0
    while IFS= read -r line || [ -n "$line" ]; do
        [ -z "$line" ] && continue
        if [[ "$line" =~ ^at:\ ([^ ]+)\ ([0-9]+)\ ([^ ]+)$ ]]; then
            grep -F -- "${BASH_REMATCH[1]}" "$got" | grep -F -- "${BASH_REMATCH[3]}" |
                grep -qw -- "${BASH_REMATCH[2]}" ||
                fail "$name" "$what names no ${BASH_REMATCH[1]}, line ${BASH_REMATCH[2]}, ${BASH_REMATCH[3]}"
        else
            grep -qF -- "$line" "$got" || fail "$name" "$what lacks \"$line\""
        fi
    done <"$want"
}

# Builds and runs one program. Its files: NAME.zbl; NAME.out (the exact
# standard output) or NAME.has (lines it must contain); and optionally
# NAME.in, NAME.status, NAME.err (lines standard error must contain),
# NAME.modules/ (modules it includes),
# NAME.args, and NAME.maymsg (refusing with messages that name lines passes).
run_one() {
    local src=$1 name
    name=$(basename "$src" .zbl)
    local dir="$WORK/run/$name" base=${src%.zbl}
    mkdir -p "$dir"
    cp "$src" "$dir/$name.zbl"
    # NAME.modules/ holds the modules NAME.zbl includes, copied beside it.
    [ -d "$base.modules" ] && cp "$base.modules"/* "$dir/"
    local log
    if ! log=$(timeout "$BUILD_TIMEOUT" "$BUILD/zide" --build "$dir/$name.zbl" 2>&1); then
        if [ -f "$base.maymsg" ]; then
            local msgs
            msgs=$(timeout "$TRANSLATE_TIMEOUT" "$BUILD/bin/zbltrans" "$dir/$name.zbl")
            local status=$?
            if [ $status -ne 0 ] && [ $status -lt 124 ] && messages_have_lines "$dir/$name.zbl" "$msgs"; then
                echo "PASS $name (refused with messages)" >"$WORK/results/$name"
                return
            fi
        fi
        fail "$name" "build failed"
        printf '%s\n' "$log" | head -n 15 >>"$WORK/results/$name"
        return
    fi
    local args=()
    [ -f "$base.args" ] && read -r -a args <"$base.args"
    local input=/dev/null
    [ -f "$base.in" ] && input="$base.in"
    (cd "$dir" && timeout "$RUN_TIMEOUT" "./$name.exe" "${args[@]}" <"$input" \
        >"$dir/stdout" 2>"$dir/stderr")
    local status=$? expected=0
    [ -f "$base.status" ] && expected=$(tr -d ' \r\n' <"$base.status")
    [ "$status" -eq "$expected" ] || fail "$name" "exit status $status, expected $expected"
    if [ -f "$base.out" ] && ! cmp -s "$base.out" "$dir/stdout"; then
        fail "$name" "standard output differs"
        diff -u --label expected --label actual "$base.out" "$dir/stdout" | head -n 40 \
            >>"$WORK/results/$name"
    fi
    contains "$name" "$base.has" "$dir/stdout" "standard output"
    contains "$name" "$base.err" "$dir/stderr" "standard error"
    [ -s "$WORK/results/$name" ] && { sed 's/^/    stderr: /' "$dir/stderr" | head -n 5 >>"$WORK/results/$name"; }
    [ -s "$WORK/results/$name" ] || echo "PASS $name" >"$WORK/results/$name"
}

# Translates one wrong module; NAME.expect lists "LINE[:COL]: error: text"
# or "LINE: text", each of which the translator must report.
wrong_one() {
    local src=$1 name
    name=wrong-$(basename "$src" .zbl)
    local dir="$WORK/wrong"
    mkdir -p "$dir"
    local module
    module="$dir/$(basename "$src")"
    cp "$src" "$module"
    local out status
    out=$(timeout "$TRANSLATE_TIMEOUT" "$BUILD/bin/zbltrans" "$module" 2>&1)
    status=$?
    if [ $status -eq 0 ]; then
        fail "$name" "translated without an error"
    elif [ $status -ge 124 ]; then
        fail "$name" "translator hung or crashed (status $status)"
    fi
    local expect=${src%.zbl}.expect
    while IFS= read -r want || [ -n "$want" ]; do
        [ -z "$want" ] && continue
        local line col text
        line=${want%%:*}
        text=${want#*:}
        col='[0-9]+'
        local where="line $line"
        if [[ "$text" =~ ^([0-9]+):(.*)$ ]]; then
            col=${BASH_REMATCH[1]}
            text=${BASH_REMATCH[2]}
            where="$where, column $col"
        fi
        text=${text# }
        text=${text#error: }
        local found=0
        while IFS= read -r got; do
            if [[ "$got" =~ ^.*:${line}:${col}:\ error:\ (.*)$ ]] &&
                [[ "${BASH_REMATCH[1],,}" == *"${text,,}"* ]]; then
                found=1
                break
            fi
        done <<<"$out"
        [ $found -eq 1 ] || fail "$name" "no message \"$text\" at $where"
    done <"$expect"
    [ -s "$WORK/results/$name" ] && printf '%s\n' "$out" | sed 's/^/    got: /' | head -n 8 \
        >>"$WORK/results/$name"
    [ -s "$WORK/results/$name" ] || echo "PASS $name" >"$WORK/results/$name"
}

# A hostile input: the translator must end within the time allowed, without
# a crash, and either translate or give messages that name lines.
hostile_one() {
    local module=$1 name
    name=hostile-$(basename "$module" .zbl)
    local out status
    out=$(timeout "$TRANSLATE_TIMEOUT" "$BUILD/bin/zbltrans" "$module" 2>&1)
    status=$?
    if [ $status -ge 124 ]; then
        fail "$name" "translator hung or crashed (status $status)"
    elif [ $status -ne 0 ] && ! messages_have_lines "$module" "$out"; then
        fail "$name" "refused without messages naming lines"
        printf '%s\n' "$out" | head -c 600 | sed 's/^/    got: /' >>"$WORK/results/$name"
    fi
    [ -s "$WORK/results/$name" ] || echo "PASS $name" >"$WORK/results/$name"
}

# The generated inputs. Programs that must also run go with the run/ ones.
generate() {
    local gen="$WORK/gen"
    mkdir -p "$gen/run" "$gen/hostile"
    # Every byte value, several times over.
    for _ in 1 2 3 4; do
        for i in $(seq 0 255); do printf "\\$(printf '%03o' "$i")"; done
    done >"$gen/hostile/binary.zbl"
    # One line of 100,000 characters, as a string and as an expression.
    {
        printf 'Sub Main\r\n    Print "'
        head -c 100000 /dev/zero | tr '\0' 'x'
        printf '"\r\nEnd Sub\r\n'
    } >"$gen/hostile/longstring.zbl"
    {
        printf 'Sub Main\r\n    Dim x As Long\r\n    x = 1'
        for _ in $(seq 1 25000); do printf ' + 1'; done
        printf '\r\nEnd Sub\r\n'
    } >"$gen/hostile/longexpr.zbl"
    # Block structure 1,000 deep: runs, or is refused with a message.
    {
        printf 'Option Explicit\r\nSub Main\r\n    Dim n As Long\r\n    n = 1\r\n'
        for _ in $(seq 1 1000); do printf 'If n = 1 Then\r\n'; done
        printf 'Print "deep"\r\n'
        for _ in $(seq 1 1000); do printf 'End If\r\n'; done
        printf 'End Sub\r\n'
    } >"$gen/run/nested_ifs.zbl"
    printf 'deep\n' >"$gen/run/nested_ifs.out"
    : >"$gen/run/nested_ifs.maymsg"
    # Names that are C++ keywords are ordinary Zorbel names.
    printf '%s\r\n' 'Option Explicit' '' 'Sub delete()' '    Print "deleted"' 'End Sub' '' \
        'Function register(ByVal int As Long) As Long' '    register = int * 2' 'End Function' '' \
        'Sub Main' '    Dim class As Long, template As String, namespace As Integer' \
        '    Dim auto As Double, this As Long, struct As Long' \
        '    class = 20: template = "t": namespace = 3: auto = 1.5: this = 4: struct = 5' \
        '    delete' '    Print class + namespace; template; auto; this * struct; register(class)' \
        'End Sub' >"$gen/run/cpp_keywords.zbl"
    printf 'deleted\n 23 t 1.5  20  40 \n' >"$gen/run/cpp_keywords.out"
    # Letters outside ASCII in names: built, or refused naming the line.
    printf '%s\r\n' 'Option Explicit' 'Sub Main' '    Dim café As Long, größe As Long' \
        '    café = 2: größe = 3' '    Print café * größe' 'End Sub' >"$gen/run/accented.zbl"
    printf ' 6 \n' >"$gen/run/accented.out"
    : >"$gen/run/accented.maymsg"
}

export -f run_one wrong_one hostile_one fail messages_have_lines contains
export BUILD WORK RUN_TIMEOUT BUILD_TIMEOUT TRANSLATE_TIMEOUT

generate
{
    for f in "$CORPUS"/run/*.zbl "$WORK"/gen/run/*.zbl; do
        wanted "$(basename "$f" .zbl)" && printf 'run_one\0%s\0' "$f"
    done
    for f in "$CORPUS"/wrong/*.zbl; do
        wanted "$(basename "$f" .zbl)" && printf 'wrong_one\0%s\0' "$f"
    done
    for f in "$WORK"/gen/hostile/*.zbl; do
        wanted "$(basename "$f" .zbl)" && printf 'hostile_one\0%s\0' "$f"
    done
} | xargs -0 -n 2 -P "$JOBS" bash -c '"$0" "$1"'

passed=$(cat "$WORK"/results/* 2>/dev/null | grep -c '^PASS')
failed=$(grep -l '^FAIL' "$WORK"/results/* 2>/dev/null | wc -l)
for r in "$WORK"/results/*; do
    grep -q '^FAIL' "$r" && cat "$r"
done
echo "corpus: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
