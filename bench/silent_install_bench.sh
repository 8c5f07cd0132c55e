#!/usr/bin/env bash
# Side-by-side benchmark: the Sorvane setup's silent install against a peer installer
# that carries the same six files and writes the same settings file, folders, shortcut
# and registry values (bench/peer_installer.nsi). The product, 32-bit, against the peer
# built with its 32-bit stub, both run by wine's 32-bit loader under WoW64 as on a 64-bit
# Windows; then the 64-bit build against the peer's 64-bit stub under wine64. Each pair
# runs interleaved, each run in a fresh prefix whose wine services, the desktop among
# them, are up before the clock starts, as they are on a logged-on system that an
# updater runs on. Prints the median and minimum of each, their ratio, each executable's
# overhead, and the floor of each width: a program that only connects to the desktop and
# creates one hidden window; then the size of each setup file and the payloads' figures.
# A benchmark, not a test: it reports figures and fails only when it cannot measure.
# Where the kernel runs no 32-bit code, the 32-bit figures include its emulation.
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
for width in 32 64; do
  arch=(); [[ $width == 64 ]] && arch=(-DAMD64)
  PAYLOADS=$PWD/build/win$width/payloads/bin
  makensis -V1 "${arch[@]}" -DPAYLOADS="$PAYLOADS" -DOUT="$OUT/peer_setup$width.exe" bench/peer_installer.nsi >/dev/null || exit 1
  makensis -V1 "${arch[@]}" -DEMPTY -DPAYLOADS="$PAYLOADS" -DOUT="$OUT/peer_empty$width.exe" bench/peer_installer.nsi >/dev/null || exit 1
done

# shellcheck source=tests/e2e/lib.sh
source tests/e2e/lib.sh
e2e_use_build build/win32
e2e_begin bench
for width in 32 64; do
  mingw=$E2E_MINGW; [[ $width == 32 ]] && mingw=$E2E_MINGW32
  "$mingw" -O2 -mwindows -static -o "$OUT/desktop_probe$width.exe" bench/desktop_probe.cpp || { echo "probe not built"; exit 1; }
done
code32=$(source scripts/code32.sh && code32_how)

# One timed install in a fresh prefix; echoes its milliseconds, or nothing when it failed.
timed_install() {  # sorvane|peer|floor 32|64 ROUND
    local who=$1 width=$2 loader=$WINE64 target='C:\Program Files\Sorvane'
    [[ $width == 32 ]] && loader=$WINE32 target='C:\Program Files (x86)\Sorvane'
    scenario_begin "$who$width-$3" >/dev/null || return 1
    # wine's own services come up first: only the installer itself is timed. The
    # desktop process stays only while a program is connected to it, so one holds it.
    env "${SC_ENV[@]}" "$WINESERVER" -p 2>/dev/null
    sc_exec 120 "$SC_DIR/warmup.log" cmd /c exit
    sc_start "$SC_DIR/desktop.log" "$OUT/desktop_probe64.exe" hold 300
    if ! sc_wait_line "$SC_DIR/desktop.log" ready 120; then
        scenario_end >/dev/null
        return 1
    fi
    local ok=0
    case $who in
        sorvane) SC_LOADER=$loader sc_exec 120 "$SC_DIR/run.log" "$PWD/build/win$width/app/sorvane_setup.exe" -silent 0 "$target" ;;
        peer) SC_LOADER=$loader sc_exec 120 "$SC_DIR/run.log" "$OUT/peer_setup$width.exe" /S "/D=$target" ;;
        floor) SC_LOADER=$loader sc_exec 120 "$SC_DIR/run.log" "$OUT/desktop_probe$width.exe" floor ;;
    esac
    if [[ $who == floor ]]; then
        [[ $RUN_RC -eq 0 ]] && ok=1
    else
        [[ $RUN_RC -eq 0 && -f "$(sc_path "$target")/tessen.exe" && -f "$(sc_path "$target")/datax/kayit.dat" ]] && ok=1
    fi
    local ms=$RUN_MS
    scenario_end >/dev/null
    [[ $ok == 1 ]] && echo "$ms"
}

declare -A times=()
for ((r = 1; r <= ROUNDS; r++)); do
    # Rotate who goes first, so none always meets a warmer machine.
    case $((r % 3)) in
        1) order=(sorvane peer floor) ;;
        2) order=(peer floor sorvane) ;;
        0) order=(floor sorvane peer) ;;
    esac
    for width in 32 64; do
        for who in "${order[@]}"; do
            ms=$(timed_install "$who" "$width" "$r")
            if [[ -z $ms ]]; then echo "round $r: $who$width did not run"; continue; fi
            times[$who$width]+=" $ms"
            echo "round $r: $who ($width-bit) $ms ms"
        done
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
report() {  # WIDTH TITLE
    local our_med our_min peer_med peer_min floor_med floor_min
    # shellcheck disable=SC2086  # the lists are numbers
    read -r our_med our_min < <(stats ${times[sorvane$1]:-})
    # shellcheck disable=SC2086
    read -r peer_med peer_min < <(stats ${times[peer$1]:-})
    # shellcheck disable=SC2086
    read -r floor_med floor_min < <(stats ${times[floor$1]:-})
    echo
    echo "$2, runs in fresh prefixes:"
    printf '  %-26s median %6s ms   minimum %6s ms\n' "Sorvane setup" "$our_med" "$our_min" \
        "peer installer" "$peer_med" "$peer_min" "floor (one hidden window)" "$floor_med" "$floor_min"
    if [[ $peer_med != - && $our_med != - && $floor_med != - ]]; then
        awk -v a="$our_med" -v b="$peer_med" -v c="$our_min" -v d="$peer_min" -v e="$floor_med" -v f="$floor_min" \
            'BEGIN { printf "  ratio Sorvane/peer: median %.2f, minimum %.2f\n", a / b, c / d
                     printf "  ratio floor/peer:   median %.2f, minimum %.2f\n", e / b, f / d }'
    fi
}
report 32 "silent install of the product (32-bit) and the peer's 32-bit stub under WoW64, 32-bit code run $code32"
report 64 "silent install of the 64-bit build and the peer's 64-bit stub under wine64"
echo "executable overhead (size less the six compressed payloads):"
echo "  Sorvane setup win32: $(overhead build/win32/app/sorvane_setup.exe) KiB"
echo "  Sorvane setup win64: $(overhead build/win64/app/sorvane_setup.exe) KiB"
for width in 32 64; do
  echo "  peer installer, $width-bit stub and script, built without the files: $(($(stat -c %s "$OUT/peer_empty$width.exe") / 1024)) KiB"
done
echo "setup files, whole:"
for f in build/win32/app/sorvane_setup.exe build/win64/app/sorvane_setup.exe "$OUT/peer_setup32.exe" "$OUT/peer_setup64.exe"; do
  printf '  %-40s %7d bytes\n' "${f#"$PWD/"}" "$(stat -c %s "$f")"
done
echo "win32 setup and its payloads, raw, packed, and what zlib -9 and zopfli give:"
/usr/bin/python3 tests/package/size_figures.py build/win32/app/sorvane_setup.exe | sed 's/^size: /  /'
[[ -n ${times[sorvane32]:-} && -n ${times[peer32]:-} ]]
