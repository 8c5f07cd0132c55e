#!/usr/bin/env bash
# Runs each fuzz target for a bounded number of inputs from a small seed corpus;
# a crash, a sanitizer report or a broken property fails the target.
set -u -o pipefail
cd "$(dirname "$0")/../.."
bin=build/fuzz/tests/fuzz
work=build/fuzz/work
rm -rf "$work" && mkdir -p "$work/seeds/extraction" "$work/seeds/command_line" "$work/seeds/gif"
cp wizard/welcome.gif wizard/logo.gif "$work/seeds/gif/"
head -c 600 wizard/logo.gif >"$work/seeds/gif/cut"
/usr/bin/python3 - "$work/seeds" <<'PY'
import sys, zlib
d = sys.argv[1]
program = b"MZ" + bytes(range(256)) * 8
open(f"{d}/extraction/level1", "wb").write(zlib.compress(program, 1))
open(f"{d}/extraction/level9", "wb").write(zlib.compress(program, 9))
open(f"{d}/extraction/truncated", "wb").write(zlib.compress(program, 1)[:40])
open(f"{d}/command_line/silent", "wb").write(b'"C:\\Setup\\s.exe" -silent 1 "C:\\Program Files\\Sorvane\\"')
open(f"{d}/command_line/quotes", "wb").write(b'a""b "" "c d" \x81" e\tf')
PY
passed=0 failed=0
run() {  # TARGET SEEDS RUNS [MAX_LEN]
  if (cd "$work" && "../../../$bin/$1" -runs="$3" -max_len="${4:-4096}" -timeout=10 "seeds/$2" >"$1.log" 2>&1); then
    echo "PASS: $1 ($3 inputs)"; passed=$((passed + 1))
  else
    echo "FAIL: $1: see $work/$1.log"; tail -20 "$work/$1.log"; failed=$((failed + 1))
  fi
}
run fuzz_command_line command_line 200000
run fuzz_payload_extraction extraction 20000
run fuzz_gif_image gif 30000 20000
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
