#!/usr/bin/env bash
# Libraries, shared objects and rebuilds, through the headless build: a
# library built with "Win32 Library" and used by a program; a shared object
# from Option DLL On called by a C program; a declarations module of C
# functions; the messages for a missing library and a missing Sub Main; and
# a rebuild after an edit compiling only the module that changed; and a
# solution of two modules using an installed library, libc and a file.
#
#   run_libraries.sh BUILD_DIR SOURCE_DIR
set -u
BUILD=$(cd "$1" && pwd)
CASES=$(cd "$2/libraries" && pwd)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/zbl-libraries.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
source "$(dirname "$0")/program_home.sh"
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}
build() {  # build FILE [CONFIG]: the headless build's output in $WORK/log
    "$BUILD/zide" --build "$1" --config "${2:-Win32 Release}" >"$WORK/log" 2>&1
}
same() {  # same NAME EXPECTED ACTUAL
    cmp -s "$2" "$3" || { fail "$1: output differs"; diff -u "$2" "$3" | head -n 20; }
}
# A C program is built as the tool chain builds programs: with the sanitizers
# when the tool chain has them, as a shared object it makes then needs them.
c_compiler() {
    if grep -q '^ZIDE_\(FUZZ\|SANITIZE\):BOOL=ON' "$BUILD/CMakeCache.txt" 2>/dev/null; then
        "$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$BUILD/CMakeCache.txt")" \
            -fsanitize=address,undefined -x c "$@"
    else
        cc -x c "$@"
    fi
}
runs() {  # runs WHAT MODULE EXPECTED: builds MODULE and runs its program
    if build "$2"; then
        "./${2%.zbl}.exe" >got 2>&1
        same "$1" "$3" got
    else
        fail "$1: build failed"
        cat log
    fi
}
cd "$WORK" && cp -r "$CASES"/* .

# A library, then a program that includes its declarations.
build Geometry.zbl "Win32 Library" || { fail "library build"; cat log; }
[ -f Geometry.zlm ] && [ -f Geometry.lib ] || fail "library: no Geometry.zlm and Geometry.lib"
grep -q "Helper" Geometry.zlm && fail "library: a private procedure in its declarations"
runs "library use" UseGeometry.zbl UseGeometry.out

# Without its code, the declarations are refused where they are included.
rm Geometry.lib
build UseGeometry.zbl && fail "a missing Geometry.lib went unnoticed"
grep -q "UseGeometry.zbl:2:1: error: the library 'Geometry.lib' that 'Geometry.zlm' declares is missing" log ||
    { fail "missing library message"; cat log; }
build UseMissing.zbl && fail "a declarations module without its library built"
grep -q "UseMissing.zbl:3:1: error: the library 'Missing.lib'" log || { fail "missing library message"; cat log; }

# A declarations module of C functions needs no library.
runs "declarations of C functions" UsePosix.zbl UsePosix.out

# A shared object, called from C; an error inside it is reported and the
# caller goes on.
if build Counter.zbl; then
    [ -f Counter.so ] || fail "shared object: no Counter.so"
    nm -D --defined-only Counter.so | grep -qw Hidden && fail "shared object exports a private name"
    c_compiler caller.c -x none ./Counter.so -o caller || fail "C program does not link"
    ./caller >got 2>err
    same "shared object" caller.out got
    grep -q "Division by zero" err || fail "shared object: error not reported"
else
    fail "shared object build"
    cat log
fi

# A module without Sub Main builds as a library only.
printf 'Sub Helper()\r\nEnd Sub\r\n' >NoMain.zbl
build NoMain.zbl && fail "a program without Sub Main linked"
grep -q "NoMain.zbl:1:1: error: the module has no 'Sub Main()'" log || { fail "no Sub Main message"; cat log; }
build NoMain.zbl "Win32 Library" || fail "a module without Sub Main as a library"

# Rebuilds: a chain of modules; after an edit to one, only its unit is
# compiled again; the others' objects come from the cache.
mkdir chain && cd chain || exit 1
printf '#Include "part1.zbl"\r\nSub Main()\r\n    Print Part1()\r\nEnd Sub\r\n' >main.zbl
for i in 1 2 3 4; do
    next=$((i + 1))
    {
        [ $i -lt 4 ] && printf '#Include "part%d.zbl"\r\n' $next
        printf 'Public Function Part%d() As String\r\n' $i
        if [ $i -lt 4 ]; then
            printf '    Part%d = "p%d " & Part%d()\r\n' $i $i $next
        else
            printf '    Part%d = "p%d"\r\n' $i $i
        fi
        printf 'End Function\r\n'
    } >part$i.zbl
done
objects() { find "$ZIDE_HOME/objects" -name '*.o' 2>/dev/null | wc -l; }
before=$(objects)
build main.zbl || { fail "chain build"; cat ../log; }
[ "$(./main.exe)" = "p1 p2 p3 p4" ] || fail "chain output: $(./main.exe)"
[ $(($(objects) - before)) -eq 5 ] || fail "chain: $(($(objects) - before)) objects for 5 modules"
before=$(objects)
sed -i 's/"p3 "/"P3 "/' part3.zbl
build main.zbl || fail "chain rebuild"
[ "$(./main.exe)" = "p1 p2 P3 p4" ] || fail "chain output after the edit: $(./main.exe)"
[ $(($(objects) - before)) -eq 1 ] || fail "rebuild compiled $(($(objects) - before)) units, not 1"
# A debug build is compiled apart, its objects never taken for release ones.
before=$(objects)
build main.zbl "Win32 Debug" || fail "chain debug build"
[ $(($(objects) - before)) -eq 5 ] || fail "debug build reused release objects"
cd ..

# A solution: its modules are copied into Release/ and the start-up module
# built there, reaching the others, an installed library and libc.
cd solution || exit 1
if "$BUILD/zide" --build Ledger.zsl >../log 2>&1; then
    (cd Release && ./Ledger.exe) >got 2>&1
    same "solution" expected.out got
else
    fail "solution build"
    cat ../log
fi
cd ..

[ $failures -eq 0 ] && echo "libraries: all passed" || echo "libraries: $failures failed"
[ $failures -eq 0 ]
