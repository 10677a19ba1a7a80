#!/usr/bin/env bash
# Mutation check of the test suite: plants the faults listed in scripts/mutations.txt one
# at a time, rebuilds, runs the tests and reports which faults no test notices.
#
#   scripts/mutate.sh [--check] [--list] [id...]
#
#   id...      run only these faults (default: all of them)
#   --list     print the ids and descriptions and stop
#   --check    only check that every snippet can still be applied (no build, no tests);
#              run it after moving code around to see which entries need updating
#
# Per fault one line: caught, MISSED, not-applied (the snippet is gone or no longer unique:
# update the list) or build-error (the fault does not compile: fix the entry). The last line
# reads "caught N of M (not applied K)", M counting every fault selected.
#
# Settings (environment):
#   MUTATE_LIST       the fault list (default scripts/mutations.txt)
#   MUTATE_BUILD      build folder (default build/mutate)
#   MUTATE_JOBS       parallel build and test jobs (default 2)
#   MUTATE_TESTS      a ctest -R pattern: run only the tests it selects (default: all), for a
#                     quick look at one area; the full list is the real measure
#   MUTATE_BASELINE   1 (default): first build and test the tree as it is, and stop when it
#                     is not green, since every fault would then read as caught; 0: skip that
#   MUTATE_TIMEOUT    seconds one test-suite run may take before it is stopped and the fault
#                     counted as caught by a hang (default: 3 times the baseline run, at least
#                     600 s; 3600 s when the baseline is skipped)
#
# The source file is copied aside before the fault goes in and copied back afterwards, also
# when the run is interrupted. Logs of every build and test run go to $MUTATE_BUILD/logs.
# Exit status: 0 when every fault was caught, 1 when any was not, 2 on a setup error.

set -u
set -o pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT" || exit 2

LIST="${MUTATE_LIST:-scripts/mutations.txt}"
BUILD="${MUTATE_BUILD:-build/mutate}"
JOBS="${MUTATE_JOBS:-2}"
SELECT=()
[ -n "${MUTATE_TESTS:-}" ] && SELECT=(-R "$MUTATE_TESTS")
BASELINE="${MUTATE_BASELINE:-1}"
SUITE_TIMEOUT="${MUTATE_TIMEOUT:-}"
LOGS="$BUILD/logs"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$ROOT}"

MODE=run
SELECTED=()
for arg in "$@"; do
    case "$arg" in
    --check) MODE=check ;;
    --list) MODE=list ;;
    -h | --help)
        sed -n '2,/^$/s/^# \{0,1\}//p' "$0"
        exit 0
        ;;
    -*)
        echo "mutate.sh: unknown option $arg" >&2
        exit 2
        ;;
    *) SELECTED+=("$arg") ;;
    esac
done

# ---- the fault list -------------------------------------------------------------------

IDS=()
declare -A DESC FILE FIND REPL

add_entry() {
    [ -z "$id" ] && [ -z "$desc$file$find$repl" ] && return 0
    if [ -z "$id" ] || [ -z "$desc" ] || [ -z "$file" ] || [ -z "$find" ]; then
        echo "mutate.sh: $LIST: incomplete entry before line $lineno (id '$id')" >&2
        exit 2
    fi
    if [ -n "${DESC[$id]+x}" ]; then
        echo "mutate.sh: $LIST: id $id used twice" >&2
        exit 2
    fi
    if [ "$find" = "$repl" ]; then
        echo "mutate.sh: $LIST: $id replaces its snippet by itself" >&2
        exit 2
    fi
    IDS+=("$id")
    DESC[$id]="$desc"
    FILE[$id]="$file"
    FIND[$id]="$find"
    REPL[$id]="$repl"
}

# Reads "key: value" lines; the value is everything after the first ':' and the blanks
# that follow it (the snippets keep their inner and trailing blanks).
read_list() {
    if [ ! -f "$LIST" ]; then
        echo "mutate.sh: no fault list $LIST" >&2
        exit 2
    fi
    id="" desc="" file="" find="" repl="" lineno=0
    local line key value
    while IFS= read -r line || [ -n "$line" ]; do
        lineno=$((lineno + 1))
        case "$line" in
        '#'*) continue ;;
        '' | *[![:space:]]*) ;;
        *) line="" ;;
        esac
        if [ -z "$line" ]; then
            add_entry
            id="" desc="" file="" find="" repl=""
            continue
        fi
        key="${line%%:*}"
        value="${line#*:}"
        value="${value#"${value%%[! ]*}"}"
        case "$key" in
        id) id="$value" ;;
        desc) desc="$value" ;;
        file) file="$value" ;;
        find) find="$value" ;;
        repl) repl="$value" ;;
        *)
            echo "mutate.sh: $LIST:$lineno: unknown field '$key'" >&2
            exit 2
            ;;
        esac
    done <"$LIST"
    add_entry
}

read_list

if [ ${#SELECTED[@]} -eq 0 ]; then
    SELECTED=("${IDS[@]}")
else
    for id in "${SELECTED[@]}"; do
        if [ -z "${DESC[$id]+x}" ]; then
            echo "mutate.sh: no fault with id $id in $LIST" >&2
            exit 2
        fi
    done
fi

if [ "$MODE" = list ]; then
    for id in "${SELECTED[@]}"; do
        printf '%-30s %s\n' "$id" "${DESC[$id]}"
    done
    exit 0
fi

# ---- planting and removing a fault ---------------------------------------------------------

# Occurrences of the snippet $2 in the file $1 (literal text, may span nothing but one line).
count_in() {
    SNIPPET="$1" perl -0777 -ne 'BEGIN { $n = 0 } $n += () = /\Q$ENV{SNIPPET}\E/g; END { print $n }' "$2"
}

# Sets TARGET to the one file holding the snippet exactly once, or WHY to the reason there
# is none: the file named in the list first, else wherever in src/ the snippet now lives.
locate() {
    local id="$1" snippet="${FIND[$1]}" path="${FILE[$1]}" n f total=0
    TARGET="" WHY=""
    if [ -f "$path" ]; then
        n=$(count_in "$snippet" "$path")
        if [ "$n" -eq 1 ]; then
            TARGET="$path"
            return 0
        fi
        if [ "$n" -gt 1 ]; then
            WHY="snippet occurs $n times in $path"
            return 1
        fi
    fi
    local found=()
    while IFS= read -r -d '' f; do
        n=$(count_in "$snippet" "$f")
        if [ "$n" -gt 0 ]; then
            found+=("$f")
            total=$((total + n))
        fi
    done < <(grep -rlZF --include='*.cpp' --include='*.h' -e "$snippet" src 2>/dev/null)
    if [ "$total" -eq 1 ]; then
        TARGET="${found[0]}"
        return 0
    fi
    if [ "$total" -eq 0 ]; then
        WHY="snippet not found in ${path} nor elsewhere in src/"
    else
        WHY="snippet occurs $total times in ${#found[@]} files of src/"
    fi
    return 1
}

BACKUP_DIR="$(mktemp -d "${TMPDIR:-/tmp}/vekran-mutate.XXXXXX")" || exit 2
PLANTED=""   # the file that holds a fault right now
CHILD=""     # the build or test run under way, leader of its own process group

# Puts the original back. Copying (rather than moving) gives the file a new time stamp, so
# the next build recompiles it even though its text is the one built before.
restore() {
    if [ -n "$PLANTED" ]; then
        cp "$BACKUP_DIR/original" "$PLANTED" && PLANTED=""
    fi
}

cleanup() {
    restore
    rm -rf "$BACKUP_DIR"
}

on_signal() {
    if [ -n "$CHILD" ]; then
        kill -TERM -- "-$CHILD" 2>/dev/null || kill -TERM "$CHILD" 2>/dev/null
        wait "$CHILD" 2>/dev/null
    fi
    echo >&2
    echo "mutate.sh: interrupted; the source file is restored" >&2
    exit 130
}

trap cleanup EXIT
trap on_signal INT TERM HUP

# Runs a command into a log file in a process group of its own, so that an interrupt
# can stop it together with everything it started (compilers, test programs).
run_logged() {
    local log="$1" status
    shift
    setsid "$@" >"$log" 2>&1 </dev/null &
    CHILD=$!
    wait "$CHILD"
    status=$?
    CHILD=""
    return "$status"
}

plant() {
    local id="$1"
    cp "$TARGET" "$BACKUP_DIR/original" || return 1
    PLANTED="$TARGET"
    SNIPPET="${FIND[$id]}" REPLACEMENT="${REPL[$id]}" \
        perl -0777 -i -pe 's/\Q$ENV{SNIPPET}\E/$ENV{REPLACEMENT}/' "$TARGET" || return 1
    ! cmp -s "$BACKUP_DIR/original" "$TARGET"
}

# ---- build and test -------------------------------------------------------------------------

configure() {
    run_logged "$LOGS/configure.log" cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVEKRAN_HEAVY_TESTS=ON -DVEKRAN_TESTS=ON
}

build() {
    run_logged "$1" cmake --build "$BUILD" -j "$JOBS"
}

# Runs the suite, stopping at the first failure; 0 when all passed, 124 on the time limit.
run_suite() {
    run_logged "$1" timeout -k 30 "$2" ctest --test-dir "$BUILD" --stop-on-failure --output-on-failure -j "$JOBS" "${SELECT[@]}"
}

# The first test that failed, from ctest's summary (empty when none is named).
first_failure() {
    local name
    name=$(sed -n '/The following tests FAILED:/,$p' "$1" | sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\).*/\1/p' | head -n 1)
    if [ -z "$name" ]; then
        name=$(sed -n 's/.*Test *#[0-9]*: \([^ ]*\) .*\*\*\*.*/\1/p' "$1" | head -n 1)
    fi
    printf '%s' "$name"
}

seconds_since() { echo $(($(date +%s) - $1)); }

# ---- the run --------------------------------------------------------------------------------

if [ "$MODE" = check ]; then
    bad=0
    for id in "${SELECTED[@]}"; do
        if locate "$id"; then
            if [ "$TARGET" = "${FILE[$id]}" ]; then
                printf '%-30s ok\n' "$id"
            else
                printf '%-30s ok (found in %s)\n' "$id" "$TARGET"
            fi
        else
            printf '%-30s not-applied  %s\n' "$id" "$WHY"
            bad=$((bad + 1))
        fi
    done
    echo "applicable $((${#SELECTED[@]} - bad)) of ${#SELECTED[@]} (not applied $bad)"
    [ "$bad" -eq 0 ]
    exit
fi

mkdir -p "$LOGS" || exit 2
START=$(date +%s)
if ! configure; then
    echo "mutate.sh: cmake could not configure $BUILD (see $LOGS/configure.log)" >&2
    exit 2
fi

if [ "$BASELINE" != 0 ]; then
    t0=$(date +%s)
    if ! build "$LOGS/baseline-build.log"; then
        echo "mutate.sh: the unchanged tree does not build (see $LOGS/baseline-build.log)" >&2
        exit 2
    fi
    echo "baseline build: $(seconds_since "$t0") s"
    t0=$(date +%s)
    if ! run_suite "$LOGS/baseline-test.log" "${SUITE_TIMEOUT:-7200}"; then
        echo "mutate.sh: the unchanged tree fails its tests (see $LOGS/baseline-test.log)" >&2
        exit 2
    fi
    took=$(seconds_since "$t0")
    echo "baseline tests: $took s"
    if [ -z "$SUITE_TIMEOUT" ]; then
        SUITE_TIMEOUT=$((3 * took))
        [ "$SUITE_TIMEOUT" -lt 600 ] && SUITE_TIMEOUT=600
    fi
fi
SUITE_TIMEOUT="${SUITE_TIMEOUT:-3600}"

caught=0 missed=0 unapplied=0 broken=0
MISSED_IDS=()
for id in "${SELECTED[@]}"; do
    t0=$(date +%s)
    if ! locate "$id"; then
        printf '%-30s not-applied  %s\n' "$id" "$WHY"
        unapplied=$((unapplied + 1))
        continue
    fi
    where="$TARGET"
    if ! plant "$id"; then
        restore
        printf '%-30s not-applied  replacing the snippet in %s changed nothing\n' "$id" "$where"
        unapplied=$((unapplied + 1))
        continue
    fi
    if ! build "$LOGS/$id-build.log"; then
        restore
        printf '%-30s build-error  (%s; see %s)\n' "$id" "$where" "$LOGS/$id-build.log"
        broken=$((broken + 1))
        continue
    fi
    run_suite "$LOGS/$id-test.log" "$SUITE_TIMEOUT"
    status=$?
    restore
    if [ "$status" -eq 0 ]; then
        printf '%-30s MISSED       %s (%s s)\n' "$id" "${DESC[$id]}" "$(seconds_since "$t0")"
        missed=$((missed + 1))
        MISSED_IDS+=("$id")
    elif [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
        printf '%-30s caught       by the %s s time limit (%s s)\n' "$id" "$SUITE_TIMEOUT" "$(seconds_since "$t0")"
        caught=$((caught + 1))
    else
        failed="$(first_failure "$LOGS/$id-test.log")"
        printf '%-30s caught       by %s (%s s)\n' "$id" "${failed:-ctest status $status}" "$(seconds_since "$t0")"
        caught=$((caught + 1))
    fi
done

total=${#SELECTED[@]}
echo "total time: $(seconds_since "$START") s"
[ "$broken" -gt 0 ] && echo "build errors: $broken (these faults need fixing in $LIST)"
[ "$missed" -gt 0 ] && echo "missed: ${MISSED_IDS[*]}"
echo "caught $caught of $total (not applied $unapplied)"
[ "$caught" -eq "$total" ]
