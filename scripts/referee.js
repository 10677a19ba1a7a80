#!/usr/bin/env node
// Match referee: plays games between two engines, each speaking xboard (protocol 2) or UCI, the
// way a GUI does, keeps both clocks, checks every move with chess.js and records every fault.
//
//   node referee.js --first "build/vekran" --second "/usr/games/fairymax" \
//        --games 20 --tc "0 0:10 0.1" --pgn games.pgn --summary summary.json
//   node referee.js --first "build/vekran" --firstProtocol uci \
//        --second "/usr/games/stockfish" --secondProtocol uci --secondOptions "Skill Level=2" ...
//
// --firstOptions/--secondOptions "Name=value;Name=value" are sent to a UCI engine as setoption
// lines after its handshake. A UCI engine gets "position startpos moves ..." and "go" with both
// clocks before each of its moves; with --ponder 1 it ponders on the reply it names ("go ponder",
// then "ponderhit", or "stop" when another move came).
//
// With --ponder 1 --takebacks P, after each move of the first engine the referee, with
// probability P, acts as a GUI user taking moves back while that engine ponders: "remove"
// (its move and the opponent's before it; the opponent retracts its own move with "force" and
// "undo" and is told to "go" on), "undo" (its move only; it is then told to "go" again), or
// "new" to both engines (the game starts again, at most twice per game).
//
// Faults (each fails the run): illegal move, rejected legal move, time loss, stall (no move at
// all), crash, false result claim, bell byte on stdout, quit not obeyed. With --failOn first
// only the first engine's faults fail it (the opponent's are still counted and reported).
'use strict';

const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { Chess } = require('chess.js');

// VmRSS of a running engine from /proc, null where it cannot be read.
function residentKb(engine) {
  if (engine.exited || !engine.proc) return null;
  try {
    const match = /VmRSS:\s+(\d+) kB/.exec(fs.readFileSync(`/proc/${engine.proc.pid}/status`, 'utf8'));
    return match ? Number(match[1]) : null;
  } catch (err) {
    return null;
  }
}

function parseArgs(argv) {
  const opts = {
    first: null, second: null, games: 2, tc: '0 0:10 0.1', pgn: 'games.pgn', summary: null,
    grace: 0.1, stall: 30, maxPlies: 400, logDir: null, ponder: 0, takebacks: 0, firstDir: null,
    secondDir: null,
    firstProtocol: 'xboard', secondProtocol: 'xboard', firstOptions: '', secondOptions: '',
    failOn: 'both',
  };
  for (let i = 2; i < argv.length; i++) {
    const key = argv[i].replace(/^--/, '');
    const value = argv[++i];
    if (!(key in opts) || value === undefined) {
      console.error(`unknown or incomplete option ${argv[i - 1]}`);
      process.exit(2);
    }
    opts[key] = typeof opts[key] === 'number' ? Number(value) : value;
  }
  if (!opts.first || !opts.second) {
    console.error('usage: referee.js --first CMD --second CMD [--games N] [--tc "MPS BASE INC"] ' +
      '[--pgn FILE] [--summary FILE] [--grace SECS] [--stall SECS] [--maxPlies N] [--logDir DIR] [--ponder 0|1] [--takebacks P] ' +
      '[--firstDir DIR] [--secondDir DIR] ' +
      '[--firstProtocol xboard|uci] [--secondProtocol xboard|uci] [--firstOptions "N=v;..."] [--secondOptions "N=v;..."] ' +
      '[--failOn both|first]');
    process.exit(2);
  }
  for (const key of ['firstProtocol', 'secondProtocol']) {
    if (opts[key] !== 'xboard' && opts[key] !== 'uci') {
      console.error(`--${key} must be xboard or uci`);
      process.exit(2);
    }
  }
  if (opts.failOn !== 'both' && opts.failOn !== 'first') {
    console.error('--failOn must be both or first');
    process.exit(2);
  }
  return opts;
}

// "MPS BASE INC" with BASE as minutes or minutes:seconds, as the level command has it.
function parseTimeControl(text) {
  const [mps, base, inc] = text.trim().split(/\s+/);
  const [min, sec] = base.split(':');
  return { mps: Number(mps), base: Number(min) * 60 + Number(sec || 0), inc: Number(inc), text };
}

class Engine {
  constructor(label, command, logDir, workDir, protocol = 'xboard', options = '') {
    this.label = label;
    this.workDir = workDir;
    this.command = command;
    this.logDir = logDir;
    this.uci = protocol === 'uci';
    this.options = options.split(';').map((o) => o.trim()).filter(Boolean);
    this.pondering = null;
    this.features = {};
    this.name = command.split(/\s+/)[0];
    this.faults = [];
  }

  start() {
    const parts = this.command.split(/\s+/).filter(Boolean);
    // Each engine gets a directory of its own: engines write game and log files there. A given
    // directory is kept from game to game and run to run (files the engine learns into stay).
    if (this.workDir) fs.mkdirSync(this.workDir, { recursive: true });
    this.dir = this.workDir ? path.resolve(this.workDir) : fs.mkdtempSync(path.join(os.tmpdir(), `referee-${this.label}-`));
    this.proc = spawn(path.resolve(parts[0]), parts.slice(1), { cwd: this.dir, stdio: ['pipe', 'pipe', 'pipe'] });
    this.exited = false;
    this.buffer = '';
    this.lines = [];
    this.waiters = [];
    this.log = this.logDir ? fs.createWriteStream(path.join(this.logDir, `${this.label}.log`), { flags: 'a' }) : null;
    this.proc.stdout.on('data', (chunk) => this.receive(chunk));
    this.proc.stderr.on('data', () => {});
    this.proc.stdin.on('error', () => {});
    this.proc.on('exit', (code, signal) => {
      this.exited = true;
      this.exitInfo = signal ? `signal ${signal}` : `code ${code}`;
      this.note(`exit ${this.exitInfo}`);
      this.wake();
    });
  }

  note(text) { if (this.log) this.log.write(`## ${text}\n`); }

  receive(chunk) {
    const text = chunk.toString('latin1');
    if (text.includes('\x07')) this.bell = true;
    this.buffer += text;
    let cut;
    while ((cut = this.buffer.indexOf('\n')) >= 0) {
      const line = this.buffer.slice(0, cut).replace(/\r$/, '');
      this.buffer = this.buffer.slice(cut + 1);
      if (this.log) this.log.write(`< ${line}\n`);
      this.lines.push(line);
    }
    this.wake();
  }

  wake() {
    const waiters = this.waiters;
    this.waiters = [];
    for (const w of waiters) w();
  }

  send(line) {
    if (this.log) this.log.write(`> ${line}\n`);
    if (!this.exited) this.proc.stdin.write(line + '\n');
  }

  // Takes lines until `match` returns a value; resolves with it, or null on timeout or exit.
  async expect(match, seconds) {
    const deadline = Date.now() + seconds * 1000;
    for (;;) {
      while (this.lines.length) {
        const line = this.lines.shift();
        const found = match(line);
        if (found) return found;
      }
      if (this.exited) return null;
      const left = deadline - Date.now();
      if (left <= 0) return null;
      await new Promise((resolve) => {
        const timer = setTimeout(resolve, left);
        this.waiters.push(() => { clearTimeout(timer); resolve(); });
      });
    }
  }

  async handshake() {
    if (this.uci) return this.uciHandshake();
    this.send('xboard');
    this.send('protover 2');
    let waitingForDone = false;
    const done = await this.expect((line) => {
      const m = line.match(/^feature\s+(.*)$/);
      if (!m) return null;
      for (const f of m[1].matchAll(/(\w+)=("([^"]*)"|\S+)/g)) {
        const value = f[3] !== undefined ? f[3] : f[2];
        this.features[f[1]] = value;
        if (f[1] === 'done') {
          if (value === '0') waitingForDone = true;
          else return 'done';
        } else {
          this.send(`accepted ${f[1]}`);
        }
      }
      return null;
    }, 10);
    if (!done && !waitingForDone && this.exited) return false;
    if (this.features.myname) this.name = this.features.myname;
    return !this.exited;
  }

  async uciHandshake() {
    this.pondering = null;
    this.send('uci');
    const ok = await this.expect((line) => {
      const m = line.match(/^id\s+name\s+(.*)$/);
      if (m) this.name = m[1].trim();
      return /^uciok\b/.test(line) ? 'ok' : null;
    }, 10);
    if (!ok) return false;
    for (const option of this.options) {
      const cut = option.indexOf('=');
      if (cut < 0) this.send(`setoption name ${option}`);
      else this.send(`setoption name ${option.slice(0, cut).trim()} value ${option.slice(cut + 1).trim()}`);
    }
    return this.sync();
  }

  async sync() {
    if (this.uci) {
      this.send('isready');
      return (await this.expect((line) => /^readyok\b/.test(line), 10)) !== null;
    }
    if (this.features.ping !== '1') return true;
    const n = Math.floor(Math.random() * 1e6);
    this.send(`ping ${n}`);
    return (await this.expect((line) => line.trim() === `pong ${n}`, 10)) !== null;
  }

  moveCommand(move) { return this.features.usermove === '1' ? `usermove ${move}` : move; }

  // UCI: the game so far and both clocks, then go (ponder: on the position after the reply).
  uciGo(moves, clock, tc, ponder) {
    this.send(`position startpos${moves.length ? ' moves ' + moves.join(' ') : ''}`);
    const ms = (s) => Math.max(0, Math.round(s * 1000));
    let go = `go${ponder ? ' ponder' : ''} wtime ${ms(clock.w)} btime ${ms(clock.b)}`;
    if (tc.inc > 0) go += ` winc ${ms(tc.inc)} binc ${ms(tc.inc)}`;
    if (tc.mps > 0) {
      // Moves left in the control for the side to move once the moves given have been made.
      const number = Math.floor(moves.length / 2) + 1;
      go += ` movestogo ${tc.mps - ((number - 1) % tc.mps)}`;
    }
    this.send(go);
  }

  // UCI: ends a ponder search whose move did not come; its bestmove is read and dropped.
  async stopPondering() {
    if (!this.uci || !this.pondering) return true;
    this.pondering = null;
    this.send('stop');
    return (await this.expect((line) => /^bestmove\b/.test(line), 5)) !== null;
  }

  async quit() {
    if (this.exited) return true;
    this.send('quit');
    const t0 = Date.now();
    while (!this.exited && Date.now() - t0 < 2000) await new Promise((r) => setTimeout(r, 20));
    if (!this.exited) {
      this.proc.kill('SIGKILL');
      return false;
    }
    return true;
  }
}

const RESULT_LINE = /^(1-0|0-1|1\/2-1\/2)\s*(\{[^}]*\})?/;

function coordinate(move) {
  return move.from + move.to + (move.promotion || '');
}

// The result chess.js sees on the board, or null while the game goes on.
function boardResult(chess) {
  if (chess.isCheckmate()) return { result: chess.turn() === 'w' ? '0-1' : '1-0', reason: 'checkmate' };
  if (chess.isStalemate()) return { result: '1/2-1/2', reason: 'stalemate' };
  if (chess.isInsufficientMaterial()) return { result: '1/2-1/2', reason: 'insufficient material' };
  if (chess.isThreefoldRepetition()) return { result: '1/2-1/2', reason: 'repetition' };
  if (chess.isDraw()) return { result: '1/2-1/2', reason: '50 move rule' };
  return null;
}

// A draw claim is sound when the position repeated or fifty moves passed (or material is short).
function drawClaimSound(chess) {
  return chess.isDraw() || chess.isThreefoldRepetition() || chess.isStalemate();
}

async function playGame(round, white, black, tc, opts) {
  const chess = new Chess();
  const clock = { w: tc.base, b: tc.base };
  const engine = { w: white, b: black };
  const other = { w: 'b', b: 'w' };
  let last = null;
  let outcome = null;
  const faults = [];
  const fail = (side, kind, detail) => {
    faults.push({ engine: engine[side].label, kind, detail });
    outcome = { result: side === 'w' ? '0-1' : '1-0', reason: `${engine[side].name} ${kind}: ${detail}` };
  };

  const takebacks = { remove: 0, undo: 0, new: 0 };
  const startGame = async () => {
    for (const side of ['w', 'b']) {
      const e = engine[side];
      if (e.uci) {
        if (!(await e.stopPondering())) fail(side, 'stall', 'no bestmove after stop');
        e.send('ucinewgame');
        if (!(await e.sync())) fail(side, 'stall', 'no readyok after ucinewgame');
        continue;
      }
      e.send('new');
      e.send('random');
      e.send(`level ${tc.text}`);
      e.send('post');
      e.send(opts.ponder ? 'hard' : 'easy');
      if (!(await e.sync())) fail(side, 'stall', 'no pong after new');
    }
  };
  white.lines = [];
  black.lines = [];
  await startGame();

  const plyOf = () => chess.history().length;
  while (!outcome) {
    const side = chess.turn();
    const e = engine[side];
    const history = chess.history({ verbose: true }).map(coordinate);
    if (e.uci) {
      // A ponder search on the move that came goes on as the engine's own; any other ends.
      if (e.pondering && e.pondering === last) {
        e.pondering = null;
        e.send('ponderhit');
      } else {
        if (!(await e.stopPondering())) { fail(side, 'stall', 'no bestmove after stop'); break; }
        e.uciGo(history, clock, tc, false);
      }
    } else {
      e.send(`time ${Math.max(0, Math.round(clock[side] * 100))}`);
      e.send(`otim ${Math.max(0, Math.round(clock[other[side]] * 100))}`);
      e.send(last ? e.moveCommand(last) : 'go');
    }
    const t0 = process.hrtime.bigint();
    let claim = null;
    const reply = await e.expect((line) => {
      let m;
      if (e.uci) {
        if ((m = line.match(/^bestmove\s+(\S+)(?:\s+ponder\s+(\S+))?/))) return { move: m[1], ponder: m[2] };
        return null;
      }
      if ((m = line.match(/^move\s+(\S+)/))) return { move: m[1] };
      if (/^resign\b/.test(line)) return { resign: true };
      if (/^(Illegal|Invalid) move/.test(line)) return { rejected: line };
      if ((m = line.match(RESULT_LINE))) claim = { result: m[1], text: line };
      if (claim && claim.result !== undefined && plyOf() > 0 && boardResult(chess) === null) {
        return { claim };
      }
      return null;
    }, clock[side] + opts.stall);
    const used = Number(process.hrtime.bigint() - t0) / 1e9;
    if (e.bell) { e.bell = false; faults.push({ engine: e.label, kind: 'bell', detail: 'bell byte on stdout' }); }

    if (!reply) {
      if (e.exited) fail(side, 'crash', `engine exited (${e.exitInfo})`);
      else fail(side, 'stall', `no move after ${used.toFixed(1)}s`);
      break;
    }
    if (reply.rejected) { fail(side, 'rejected', `${reply.rejected} (move ${last})`); break; }
    if (reply.resign) { outcome = { result: side === 'w' ? '0-1' : '1-0', reason: `${e.name} resigns` }; break; }
    if (reply.claim) { fail(side, 'false-claim', reply.claim.text); break; }

    clock[side] -= used;
    if (clock[side] < -opts.grace) {
      fail(side, 'time', `used ${used.toFixed(3)}s, clock ${clock[side].toFixed(3)}s`);
      break;
    }
    const text = reply.move;
    let played = null;
    try {
      // Coordinate notation as a rule; xboard also takes SAN from engines (some send castling
      // as "O-O"/"O-O-O" or "0-0"), so anything else is tried as SAN.
      if (/^[a-h][1-8][a-h][1-8][qrbn]?$/.test(text)) {
        played = chess.move({ from: text.slice(0, 2), to: text.slice(2, 4), promotion: text[4] || undefined });
      } else {
        played = chess.move(text.replace(/0/g, 'O'));
      }
    } catch (err) {
      played = null;
    }
    if (!played) { fail(side, 'illegal', `${text} in ${chess.fen()}`); break; }
    clock[side] += tc.inc;
    const moveNo = Math.ceil(plyOf() / 2);
    if (tc.mps > 0 && side === 'b' && moveNo % tc.mps === 0) clock.w += tc.base, clock.b += tc.base;
    last = coordinate(played);

    const over = boardResult(chess);
    if (over) { outcome = over; break; }
    if (e.uci && opts.ponder && reply.ponder) {
      // The reply it expects must be legal; then it ponders on the position after it.
      const probe = new Chess(chess.fen());
      let legal = null;
      try {
        legal = /^[a-h][1-8][a-h][1-8][qrbn]?$/.test(reply.ponder) &&
          probe.move({ from: reply.ponder.slice(0, 2), to: reply.ponder.slice(2, 4), promotion: reply.ponder[4] || undefined });
      } catch (err) {
        legal = null;
      }
      if (!legal) { fail(side, 'illegal', `ponder move ${reply.ponder} in ${chess.fen()}`); break; }
      e.pondering = reply.ponder;
      e.uciGo(chess.history({ verbose: true }).map(coordinate).concat([reply.ponder]), clock, tc, true);
    }
    // An engine may resign right after its move (as xboard allows): the move stands and the
    // game ends there, not one move later when that engine is next asked to move.
    await new Promise((resolve) => setTimeout(resolve, 30));
    if (!e.uci && e.lines.some((line) => /^resign\b/.test(line))) {
      outcome = { result: side === 'w' ? '0-1' : '1-0', reason: `${e.name} resigns` };
      break;
    }
    if (plyOf() >= opts.maxPlies) { outcome = { result: '1/2-1/2', reason: 'adjudicated: move limit' }; break; }
    // A sound draw claim (fifty moves or repetition as the engine counts them) ends the game.
    if (claim && claim.result === '1/2-1/2' && drawClaimSound(chess)) {
      outcome = { result: '1/2-1/2', reason: claim.text };
      break;
    }
    if (claim) { fail(side, 'false-claim', claim.text); break; }

    // A user taking moves back while the first engine ponders (its output is still read: an
    // "Invalid move" for any of these commands counts as a rejection at its next move).
    if (opts.takebacks > 0 && e.label === 'first' && Math.random() < opts.takebacks) {
      await new Promise((resolve) => setTimeout(resolve, Math.random() * 200));
      const o = engine[other[side]];
      const roll = Math.random();
      if (roll < 0.15 && takebacks.new < 2) {
        takebacks.new++;
        chess.reset();
        clock.w = clock.b = tc.base;
        await startGame();
      } else if (roll < 0.6 && plyOf() >= 2) {
        // The engine's move and the opponent's before it; the opponent, which has not seen the
        // engine's move yet, takes back its own and moves again when told to go. A UCI engine
        // only stops pondering: it gets the whole game with its next go.
        takebacks.remove++;
        if (e.uci) await e.stopPondering(); else e.send('remove');
        if (o.uci) await o.stopPondering(); else { o.send('force'); o.send('undo'); }
        chess.undo();
        chess.undo();
      } else {
        // The engine's move only: it is to move again.
        takebacks.undo++;
        if (e.uci) await e.stopPondering(); else e.send('undo');
        chess.undo();
      }
      last = null;
    }
  }

  // The side that moved last may still print its own result line; give it a moment and
  // check that any claim agrees with the board.
  for (const side of ['w', 'b']) {
    const e = engine[side];
    if (e.uci) {
      if (!(await e.stopPondering())) faults.push({ engine: e.label, kind: 'stall', detail: 'no bestmove after stop' });
      continue;
    }
    await e.expect(() => null, 0.05);
    e.send(`result ${outcome.result} {${outcome.reason}}`);
  }

  chess.header('Event', 'Vekran referee match', 'Site', os.hostname(), 'Date',
    new Date().toISOString().slice(0, 10).replace(/-/g, '.'), 'Round', String(round),
    'White', white.name, 'Black', black.name, 'Result', outcome.result,
    'TimeControl', tc.text, 'Termination', outcome.reason);
  // Headers, a blank line, then the moves ending in the result (also for a game without moves).
  const pgn = chess.pgn().replace(/\s*$/, '');
  const cut = pgn.lastIndexOf(']') + 1;
  const moves = pgn.slice(cut).trim().replace(/\s*(1-0|0-1|1\/2-1\/2|\*)$/, '');
  const body = `${pgn.slice(0, cut)}\n\n${moves ? moves + ' ' : ''}${outcome.result}`;
  return { outcome, faults, pgn: body, plies: plyOf(), clocks: clock, takebacks };
}

async function main() {
  const opts = parseArgs(process.argv);
  const tc = parseTimeControl(opts.tc);
  if (opts.logDir) fs.mkdirSync(opts.logDir, { recursive: true });
  const first = new Engine('first', opts.first, opts.logDir, opts.firstDir, opts.firstProtocol, opts.firstOptions);
  const second = new Engine('second', opts.second, opts.logDir, opts.secondDir, opts.secondProtocol,
    opts.secondOptions);
  const summary = {
    timeControl: tc.text, games: 0, first: opts.first, second: opts.second,
    score: { first: 0, second: 0 }, wins: { first: 0, second: 0 }, draws: 0,
    faults: { first: {}, second: {} }, terminations: {}, takebacks: { remove: 0, undo: 0, new: 0 },
    // The first engine's resident memory in kB after each game, with the engine process it
    // was read from (a new one after a restart), to see whether memory grows over a match.
    rss: [],
  };
  const count = (who, kind) => { summary.faults[who][kind] = (summary.faults[who][kind] || 0) + 1; };
  const restart = async (e) => {
    await e.quit();
    e.start();
    if (!(await e.handshake())) count(e.label, 'crash');
  };

  for (const e of [first, second]) {
    e.start();
    if (!(await e.handshake())) { count(e.label, 'crash'); }
  }
  fs.writeFileSync(opts.pgn, '');

  for (let round = 1; round <= opts.games; round++) {
    const [white, black] = round % 2 === 1 ? [first, second] : [second, first];
    const game = await playGame(round, white, black, tc, opts);
    summary.games++;
    const { result, reason } = game.outcome;
    summary.terminations[reason.replace(/:.*/, '')] = (summary.terminations[reason.replace(/:.*/, '')] || 0) + 1;
    const whiteScore = result === '1-0' ? 1 : result === '0-1' ? 0 : 0.5;
    summary.score[white.label] += whiteScore;
    summary.score[black.label] += 1 - whiteScore;
    if (whiteScore === 1) summary.wins[white.label]++;
    else if (whiteScore === 0) summary.wins[black.label]++;
    else summary.draws++;
    for (const f of game.faults) count(f.engine, f.kind);
    for (const kind of Object.keys(game.takebacks)) summary.takebacks[kind] += game.takebacks[kind];
    fs.appendFileSync(opts.pgn, game.pgn + '\n\n');
    console.log(`game ${round}: ${white.name} - ${black.name} ${result} (${reason}), ${game.plies} plies, ` +
      `clocks ${game.clocks.w.toFixed(2)}/${game.clocks.b.toFixed(2)}` +
      (opts.takebacks > 0 ? `, takebacks ${JSON.stringify(game.takebacks)}` : ''));
    const rss = residentKb(first);
    if (rss !== null) summary.rss.push({ game: round, pid: first.proc.pid, kB: rss });
    // An engine that faulted may be in any state: start it afresh.
    for (const e of [first, second]) {
      if (e.exited || game.faults.some((f) => f.engine === e.label)) await restart(e);
    }
  }

  for (const e of [first, second]) {
    if (!(await e.quit())) count(e.label, 'quit-hang');
    if (e.bell) count(e.label, 'bell');
  }
  const sum = (faults) => Object.values(faults).reduce((a, b) => a + b, 0);
  const faultTotal = sum(summary.faults.first) + sum(summary.faults.second);
  summary.faultTotal = faultTotal;
  const failing = opts.failOn === 'first' ? sum(summary.faults.first) : faultTotal;
  const text = JSON.stringify(summary, null, 2);
  if (opts.summary) fs.writeFileSync(opts.summary, text + '\n');
  console.log(text);
  process.exit(failing === 0 ? 0 : 1);
}

main().catch((err) => { console.error(err); process.exit(3); });
