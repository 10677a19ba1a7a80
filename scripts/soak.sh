#!/usr/bin/env bash
# Soak test: many fast games through the referee against several Debian engines, half of them
# with pondering on, then one table of results, faults by kind and the engine's memory.
#
#   scripts/soak.sh [games] [time-control] [output-dir]
#   e.g. scripts/soak.sh 1000 "0 0:10 0.1" build/soak
#
# The games are shared out evenly over the opponents found (fairymax, phalanx, sjeng, hoichess
# under /usr/games; apt-get install them) and, per opponent, over pondering off and on. Each run
# is one referee match with one Vekran process for all its games (unless a fault restarts it),
# so its resident memory after the 10th game and after the last shows any growth.
# Each run is a scripts/match.sh match, leaving its files in <output-dir>/<opponent>-ponder<0|1>.
# Environment: VEKRAN (default build/release/vekran); JOBS (default 1): how many runs play at once.
# Runs played at once share the processors, so each engine searches less deeply than alone, but
# the clocks are wall clocks, so a game lasts as long as it would alone: JOBS=4 plays a thousand
# games in about a quarter of the time, and tests time keeping under load as well.
# Exit status 0 when Vekran committed no fault.
set -u

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
games=${1:-1000}
tc=${2:-"0 0:10 0.1"}
out=${3:-"$root/build/soak"}
vekran=${VEKRAN:-"$root/build/release/vekran"}
jobs=${JOBS:-1}

[ -x "$vekran" ] || { echo "engine not found: $vekran (set VEKRAN)" >&2; exit 2; }
opponents=()
for name in fairymax phalanx sjeng hoichess; do
    [ -x "/usr/games/$name" ] && opponents+=("$name")
done
[ ${#opponents[@]} -gt 0 ] || { echo "no opponent installed (apt-get install fairymax phalanx sjeng)" >&2; exit 2; }
mkdir -p "$out"

runs=$(( ${#opponents[@]} * 2 ))
status=0
index=0
running=0
for name in "${opponents[@]}"; do
    for ponder in 0 1; do
        # The first runs take the remainder, so the counts add up to the games asked for.
        count=$(( games / runs + (index < games % runs ? 1 : 0) ))
        index=$((index + 1))
        [ "$count" -gt 0 ] || continue
        if [ "$running" -ge "$jobs" ]; then
            wait -n || status=1
            running=$((running - 1))
        fi
        VEKRAN="$vekran" OPPONENT="/usr/games/$name" PONDER="$ponder" FAIL_ON=first \
            "$here/match.sh" "$count" "$tc" "$out/$name-ponder$ponder" > /dev/null 2>&1 &
        running=$((running + 1))
    done
done
while [ "$running" -gt 0 ]; do
    wait -n || status=1
    running=$((running - 1))
done

node - "$out" <<'JS'
const fs = require('fs');
const path = require('path');
const out = process.argv[2];
const kinds = (faults) => Object.entries(faults).map(([k, n]) => `${k} ${n}`).join(', ') || '-';
let total = { games: 0, score: 0, faults: {}, growth: null };
console.log('run                  games   score   Vekran faults         opponent faults       RSS kB after 10 / last   growth');
for (const run of fs.readdirSync(out).sort()) {
  const file = path.join(out, run, 'summary.json');
  if (!fs.existsSync(file)) continue;
  const s = JSON.parse(fs.readFileSync(file, 'utf8'));
  const at10 = s.rss.find((r) => r.game === 10);
  const last = s.rss[s.rss.length - 1];
  const restarted = at10 && last && at10.pid !== last.pid;
  const memory = `${at10 ? at10.kB : '-'} / ${last ? last.kB : '-'}` + (restarted ? ' (restarted)' : '');
  // Growth of one process's resident memory from its 10th game to its last.
  const growth = at10 && last && !restarted ? (100 * (last.kB - at10.kB)) / at10.kB : null;
  if (growth !== null && (total.growth === null || growth > total.growth)) total.growth = growth;
  console.log(`${run.padEnd(20)} ${String(s.games).padStart(5)} ${s.score.first.toFixed(1).padStart(7)}   ` +
    `${kinds(s.faults.first).padEnd(21)} ${kinds(s.faults.second).padEnd(21)} ${memory.padEnd(24)}` +
    (growth === null ? '-' : `${growth.toFixed(1)}%`));
  total.games += s.games;
  total.score += s.score.first;
  for (const [k, n] of Object.entries(s.faults.first)) total.faults[k] = (total.faults[k] || 0) + n;
}
console.log(`${'total'.padEnd(20)} ${String(total.games).padStart(5)} ${total.score.toFixed(1).padStart(7)}   ` +
  `${kinds(total.faults).padEnd(21)} ${''.padEnd(21)} ${'largest growth'.padEnd(24)}` +
  (total.growth === null ? '-' : `${total.growth.toFixed(1)}%`));
JS
exit $status
