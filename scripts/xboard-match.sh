#!/bin/sh
# Plays Vekran against another engine under Debian's xboard on a virtual screen and leaves
# games.pgn, xboard's debug log (xb.debug) and xboard's own output in the output directory.
#
#   scripts/xboard-match.sh [games] [base] [increment] [output-dir]
#   e.g. scripts/xboard-match.sh 3 0:20 0.3 /tmp/xb
#
# Environment: VEKRAN (engine binary, default build/release/vekran), OPPONENT (default
# /usr/games/fairymax), PONDER (1: both engines ponder), TRIES (default 3), LIMIT (seconds per
# try, default 600). Needs: apt-get install xboard xvfb fairymax.
#
# xboard's -noGUI mode hangs in Debian's build, and a run now and then hangs after the first
# go, so every try is bounded and a run without a finished match is tried again. Vekran is
# started in the output directory, normally without any book files there.
set -u

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
games=${1:-3}
base=${2:-0:20}
inc=${3:-0.3}
out=${4:-"$root/build/xboard-match"}
vekran=${VEKRAN:-"$root/build/release/vekran"}
opponent=${OPPONENT:-/usr/games/fairymax}
tries=${TRIES:-3}
limit=${LIMIT:-600}

[ -x "$vekran" ] || { echo "engine not found: $vekran (set VEKRAN)" >&2; exit 2; }
command -v xvfb-run >/dev/null && [ -x /usr/games/xboard ] || { echo "needs xboard and xvfb" >&2; exit 2; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
ponder=-xponder
[ "${PONDER:-0}" = 1 ] && ponder=-ponder

try=1
while [ "$try" -le "$tries" ]; do
    rm -f "$out/games.pgn" "$out/xb.debug"
    HOME=$(mktemp -d) timeout "$limit" xvfb-run -a -s "-screen 0 1024x768x24" /usr/games/xboard \
        -fcp "$vekran" -fd "$out" -scp "$opponent" -sd "$out" -mg "$games" -tc "$base" -inc "$inc" \
        $ponder -xanimate -xexit -sgf "$out/games.pgn" -saveSettingsOnExit false \
        -debug -nameOfDebugFile "$out/xb.debug" > "$out/xboard.out" 2>&1
    status=$?
    played=$(grep -c '^\[Result ' "$out/games.pgn" 2>/dev/null || echo 0)
    echo "try $try: xboard exit $status, $played of $games games"
    [ "$status" -eq 0 ] && [ "$played" -ge "$games" ] && break
    try=$((try + 1))
done
grep -h 'final score' "$out/xboard.out"
grep -h '^\[Result ' "$out/games.pgn" 2>/dev/null | sort | uniq -c
echo "PGN: $out/games.pgn  debug log: $out/xb.debug"
[ "$try" -le "$tries" ]
