#!/usr/bin/env bash
# Side-by-side benchmark: the Sorvane setup's silent install against a peer installer
# that carries the same six files and writes the same settings file, folders, shortcut
# and registry values (bench/peer_installer.nsi). Both are 64-bit and run under wine64,
# interleaved, each in a fresh prefix whose wine services, the desktop among them, are up
# before the clock starts, as they are on a logged-on system that an updater runs on.
# Prints the median and minimum of each, their ratio, each executable's overhead, and the
# floor: a program that only connects to the desktop and creates one hidden window; then
# the size of each setup file and the payloads' figures.
# A benchmark, not a test: it reports figures and fails only when it cannot measure.
# Usage: bench/silent_install_bench.sh [ROUNDS]   (default 9)
set -u -o pipefail
cd "$(dirname "$0")/.."
ROUNDS=${1:-9}
bash scripts/prepare_machine.sh >/dev/null || exit 1
command -v makensis >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q nsis >/dev/null || exit 1

for preset in win32 win64; do
  { cmake --preset "$preset" && cmake --build --preset "$preset"; } >/dev/null || { echo "build $preset failed"; exit 1; }
done

OUT=$PWD/build/bench
mkdir -p "$OUT"
PAYLOADS=$PWD/build/win64/payloads/bin
makensis -V1 -DPAYLOADS="$PAYLOADS" -DOUT="$OUT/peer_setup.exe" bench/peer_installer.nsi >/dev/null || exit 1
makensis -V1 -DEMPTY -DPAYLOADS="$PAYLOADS" -DOUT="$OUT/peer_empty.exe" bench/peer_installer.nsi >/dev/null || exit 1
PROBE=$OUT/desktop_probe.exe

# shellcheck source=tests/e2e/lib.sh
source tests/e2e/lib.sh
E2E_SETUP=$PWD/build/win64/app/sorvane_setup.exe
PEER=$OUT/peer_setup.exe
TARGET='C:\Program Files\Sorvane'
e2e_begin bench
"$E2E_MINGW" -O2 -mwindows -static -o "$PROBE" bench/desktop_probe.cpp || { echo "probe not built"; exit 1; }

# One timed install in a fresh prefix; echoes its milliseconds, or nothing when it failed.
timed_install() {  # sorvane|peer|floor ROUND
    scenario_begin "$1-$2" >/dev/null || return 1
    # wine's own services come up first: only the installer itself is timed. The
    # desktop process stays only while a program is connected to it, so one holds it.
    env "${SC_ENV[@]}" "$WINESERVER" -p 2>/dev/null
    sc_exec 120 "$SC_DIR/warmup.log" cmd /c exit
    sc_start "$SC_DIR/desktop.log" "$PROBE" hold 300
    if ! sc_wait_line "$SC_DIR/desktop.log" ready 120; then
        scenario_end >/dev/null
        return 1
    fi
    local ok=0
    case $1 in
        sorvane) sc_exec 120 "$SC_DIR/run.log" "$E2E_SETUP" -silent 0 "$TARGET" ;;
        peer) sc_exec 120 "$SC_DIR/run.log" "$PEER" /S "/D=$TARGET" ;;
        floor) sc_exec 120 "$SC_DIR/run.log" "$PROBE" floor ;;
    esac
    if [[ $1 == floor ]]; then
        [[ $RUN_RC -eq 0 ]] && ok=1
    else
        [[ $RUN_RC -eq 0 && -f "$(sc_path "$TARGET")/tessen.exe" && -f "$(sc_path "$TARGET")/datax/kayit.dat" ]] && ok=1
    fi
    local ms=$RUN_MS
    scenario_end >/dev/null
    [[ $ok == 1 ]] && echo "$ms"
}

declare -a ours=() peers=() floors=()
for ((r = 1; r <= ROUNDS; r++)); do
    # Rotate who goes first, so none always meets a warmer machine.
    case $((r % 3)) in
        1) order=(sorvane peer floor) ;;
        2) order=(peer floor sorvane) ;;
        0) order=(floor sorvane peer) ;;
    esac
    for who in "${order[@]}"; do
        ms=$(timed_install "$who" "$r")
        if [[ -z $ms ]]; then echo "round $r: $who did not run"; continue; fi
        case $who in
            sorvane) ours+=("$ms") ;;
            peer) peers+=("$ms") ;;
            floor) floors+=("$ms") ;;
        esac
        echo "round $r: $who $ms ms"
    done
done

overhead() {  # EXE: its size less the six payload resources it carries
    /usr/bin/python3 - "$1" <<'PY'
import os, sys, pefile
path = sys.argv[1]
pe = pefile.PE(path, fast_load=True)
pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY['IMAGE_DIRECTORY_ENTRY_RESOURCE']])
payload = 0
for t in getattr(pe, 'DIRECTORY_ENTRY_RESOURCE', None).entries if hasattr(pe, 'DIRECTORY_ENTRY_RESOURCE') else []:
    if t.id != 10:
        continue
    for e in t.directory.entries:
        if e.id is not None and 101 <= e.id <= 106:
            for lang in e.directory.entries:
                payload += lang.data.struct.Size
print((os.path.getsize(path) - payload) // 1024)
PY
}

stats() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) { print "- -"; exit } m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%d %d\n", m, v[1] }'; }
read -r our_med our_min < <(stats "${ours[@]}")
read -r peer_med peer_min < <(stats "${peers[@]}")
read -r floor_med floor_min < <(stats "${floors[@]}")
echo
echo "silent install under wine64, ${#ours[@]} + ${#peers[@]} + ${#floors[@]} runs in fresh prefixes:"
printf '  %-26s median %6s ms   minimum %6s ms\n' "Sorvane setup" "$our_med" "$our_min" \
    "peer installer" "$peer_med" "$peer_min" "floor (one hidden window)" "$floor_med" "$floor_min"
if [[ $peer_med != - && $our_med != - && $floor_med != - ]]; then
    awk -v a="$our_med" -v b="$peer_med" -v c="$our_min" -v d="$peer_min" -v e="$floor_med" -v f="$floor_min" \
        'BEGIN { printf "  ratio Sorvane/peer: median %.2f, minimum %.2f\n", a / b, c / d
                 printf "  ratio floor/peer:   median %.2f, minimum %.2f\n", e / b, f / d }'
fi
echo "executable overhead (size less the six compressed payloads):"
echo "  Sorvane setup win32: $(overhead build/win32/app/sorvane_setup.exe) KiB"
echo "  Sorvane setup win64: $(overhead build/win64/app/sorvane_setup.exe) KiB"
echo "  peer installer (its stub and script, built without the files): $(($(stat -c %s "$OUT/peer_empty.exe") / 1024)) KiB"
echo "setup files, whole:"
for f in build/win32/app/sorvane_setup.exe build/win64/app/sorvane_setup.exe "$OUT/peer_setup.exe"; do
  printf '  %-40s %7d bytes\n' "${f#"$PWD/"}" "$(stat -c %s "$f")"
done
echo "win32 setup and its payloads, raw, packed, and what zlib -9 and zopfli give:"
/usr/bin/python3 tests/package/size_figures.py build/win32/app/sorvane_setup.exe | sed 's/^size: /  /'
[[ ${#ours[@]} -gt 0 && ${#peers[@]} -gt 0 ]]
