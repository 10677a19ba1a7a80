#!/bin/sh
# Plays a match of Vekran against Debian's fairymax through the referee and writes a PGN
# file and a summary (score and counts of each kind of fault).
#
#   scripts/match.sh [games] [time-control] [output-dir]
#   e.g. scripts/match.sh 20 "0 0:10 0.1" match-out
#
# Environment: VEKRAN (engine binary, default build/release/vekran),
#              OPPONENT (default /usr/games/fairymax), PONDER (1: both engines ponder),
#              FAIL_ON (both, the default: any fault fails; first: only Vekran's do).
# Exit status 0 when no engine (or, with FAIL_ON=first, Vekran) committed a fault.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
games=${1:-20}
tc=${2:-"0 0:10 0.1"}
out=${3:-"$root/build/match"}
vekran=${VEKRAN:-"$root/build/release/vekran"}
opponent=${OPPONENT:-/usr/games/fairymax}

[ -x "$vekran" ] || { echo "engine not found: $vekran (set VEKRAN)" >&2; exit 2; }
[ -x "$opponent" ] || { echo "opponent not found: $opponent (apt-get install fairymax)" >&2; exit 2; }
[ -d "$here/node_modules/chess.js" ] || (cd "$here" && npm install --silent)
mkdir -p "$out"

status=0
node "$here/referee.js" --first "$vekran" --second "$opponent" --games "$games" --tc "$tc" \
    --ponder "${PONDER:-0}" --failOn "${FAIL_ON:-both}" --pgn "$out/games.pgn" --summary "$out/summary.json" --logDir "$out/logs" > "$out/match.txt" || status=$?
cat "$out/match.txt"
echo "PGN: $out/games.pgn  summary: $out/summary.json  engine logs: $out/logs"
exit $status
