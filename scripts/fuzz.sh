#!/usr/bin/env bash
# Runs every fuzz target built in a folder (make fuzz builds them) for a given time each,
# seeding its corpus from tests/data, and reports executions per second and corpus size.
#
#   scripts/fuzz.sh [build-folder] [seconds-per-target] [target...]
#
# A crash, a hang (one input over 1 s), a leak or a sanitizer report stops that target and
# leaves the input as <build>/artifacts/<target>-crash-... ; turn it into a regression test
# with the input under tests/data. Exit status 1 when any target found something.
set -u

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build/fuzz}" && pwd)" || exit 2
SECONDS_EACH="${2:-60}"
shift $(( $# > 2 ? 2 : $# ))
TARGETS=("$@")
if [ ${#TARGETS[@]} -eq 0 ]; then
    TARGETS=(fen move pgn epd evalfile hashbook polyglot shell)
fi
DATA="$ROOT/tests/data"
mkdir -p "$BUILD/artifacts"

# One seed file per line of the given files (FENs, EPD lines).
seed_lines() {
    local dir="$1"; shift
    local n=0
    cat "$@" 2>/dev/null | while IFS= read -r line; do
        n=$((n + 1))
        printf '%s' "$line" > "$dir/line-$n"
    done
}

seed() {
    local name="$1" dir="$2"
    case "$name" in
    fen) find "$DATA/perft" -name '*.epd' -exec cut -d';' -f1 {} + > "$dir/.fens"
         seed_lines "$dir" "$dir/.fens" ;;
    move) n=0
          for fen in "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1" \
                     "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1" \
                     "8/P6k/8/8/8/8/6Kp/8 b - - 0 1"; do
              for move in e4 e2e4 Nf3 O-O 0-0-0 O-O-O exd6 Qxh3 a8=Q a8Q h1=N e1g1 Kxh2; do
                  n=$((n + 1)); printf '%s\n%s' "$fen" "$move" > "$dir/move-$n"
              done
          done ;;
    pgn) find "$DATA/pgn" -name '*.pgn' -size -64k -exec cp {} "$dir" \; ;;
    epd) seed_lines "$dir" "$DATA"/epd/*.epd ;;
    evalfile) cp "$DATA/golden/default.eval" "$dir/" 2>/dev/null ;;
    hashbook) (cd "$dir" && printf 'bcreate seed.hbk\nbadd %s\nquit\n' "$DATA/pgn/pgn-parser-32games.pgn" |
                   "$BUILD/vekran" >/dev/null 2>&1; rm -f seed.hbk-journal) ;;
    polyglot) [ -f /usr/share/games/gnuchess/book.bin ] &&
                  head -c 65536 /usr/share/games/gnuchess/book.bin > "$dir/book-head.bin" ;;
    shell) cp "$DATA"/golden/*.in "$dir/" ;;
    esac
    rm -f "$dir/.fens"
}

status=0
printf '%-10s %12s %10s %s\n' target execs/s corpus result
for name in "${TARGETS[@]}"; do
    binary="$BUILD/fuzz-$name"
    corpus="$BUILD/corpus/$name"
    seeds="$BUILD/seeds/$name"
    if [ ! -x "$binary" ]; then
        echo "$name: $binary not built" >&2
        status=1
        continue
    fi
    mkdir -p "$corpus" "$seeds"
    [ -n "$(ls -A "$seeds")" ] || seed "$name" "$seeds"
    log="$BUILD/fuzz-$name.log"
    # Run in a scratch folder: the shell target's commands may write the game record there.
    scratch=$(mktemp -d)
    (cd "$scratch" && "$binary" -max_total_time="$SECONDS_EACH" -timeout=1 -rss_limit_mb=2048 -max_len=4096 \
        -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$name-" "$corpus" "$seeds") > "$log" 2>&1
    result=$?
    rm -rf "$scratch"
    rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$')
    size=$(ls "$corpus" | wc -l)
    if [ $result -eq 0 ]; then
        verdict=clean
    else
        verdict="FOUND (exit $result, see $log)"
        status=1
    fi
    printf '%-10s %12s %10s %s\n' "$name" "${rate:-?}" "$size" "$verdict"
done
exit $status
