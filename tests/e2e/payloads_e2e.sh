#!/usr/bin/env bash
# Runs the six payloads under wine64 on their own, without the setup, and checks
# what each must do. Every scenario gets a fresh copy of one wine prefix and an
# Xvfb display of its own; only processes started here are stopped.
#
# usage: tests/e2e/payloads_e2e.sh [build folder]   (default build/win64)
# The folder must be a win64 build; missing payloads and the probe are built.
# A win32 build beside it (build/win32) has its payload files checked as well.
# Prints one PASS/FAIL line per check, then "N passed, N failed".
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${1:-build/win64}
[[ $BUILD = /* ]] || BUILD=$ROOT/$BUILD
BIN=$BUILD/payloads/bin
PROBE_EXE=$BUILD/tests/e2e/payload_probe.exe
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
TARGETS="sorvane_tessen sorvane_harlock sorvane_marrow sorvane_sporder sorvane_pellin sorvane_uninstall sorvane_payload_probe"

PASSED=0
FAILED=0
WORK=$(mktemp -d /tmp/payloads-e2e.XXXXXX)
XVFB_PID=
BACKGROUND=()

pass_fail() {  # name status(0 = pass) [detail]
    if [ "$2" -eq 0 ]; then
        echo "PASS $1"
        PASSED=$((PASSED + 1))
    else
        echo "FAIL $1${3:+ ($3)}"
        FAILED=$((FAILED + 1))
    fi
}

check() {  # name command...: passes when the command succeeds
    local name=$1
    shift
    "$@" >>"$WORK/log" 2>&1
    pass_fail "$name" $?
}

wine_run() { timeout "${TIMEOUT:-60}" "$WINE" "$@"; }
probe() { wine_run 'C:\probe\payload_probe.exe' "$@"; }

# Starts a program with an exact command tail (wine would drop an empty field)
# and returns its exit code; 124 means it did not end by itself within 20 s.
run_exact() { probe run 20000 "$1" "$2"; }

start_scenario() {  # name
    SCENARIO=$1
    export WINEPREFIX=$WORK/prefix-$SCENARIO
    cp -a "$WORK/template" "$WINEPREFIX"
    mkdir -p "$WINEPREFIX/drive_c/probe"
    cp "$PROBE_EXE" "$WINEPREFIX/drive_c/probe/"
    C=$WINEPREFIX/drive_c
    local fd_file=$WORK/display-$SCENARIO
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 100); do [ -s "$fd_file" ] && break; sleep 0.1; done
    export DISPLAY=:$(head -n1 "$fd_file")
}

end_scenario() {
    local pid
    for pid in "${BACKGROUND[@]}"; do kill "$pid" 2>/dev/null; done
    BACKGROUND=()
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
    rm -rf "$WINEPREFIX"
}

cleanup() {
    [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && end_scenario
    if [ -d "$WORK/template" ]; then
        WINEPREFIX=$WORK/template "$WINESERVER" -k >/dev/null 2>&1
    fi
    [ -n "${KEEP_WORK:-}" ] || rm -rf "$WORK"
}
trap cleanup EXIT

contains() { grep -qF -- "$2" <<<"$1"; }
absent() { [ ! -e "$1" ]; }
reg_absent() { ! wine_run reg query "$@" >/dev/null 2>&1; }
reg_present() { wine_run reg query "$@" >/dev/null 2>&1; }
reg_set() { wine_run reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1; }

# --- preparation -------------------------------------------------------------

missing=0
for f in tessen.exe harlock.exe _marrow.exe sporder.dll _pellin.dll Uninstall.exe; do
    [ -f "$BIN/$f" ] || missing=1
done
[ -f "$PROBE_EXE" ] || missing=1
if [ $missing -eq 1 ]; then
    # shellcheck disable=SC2086
    cmake --build "$BUILD" --target $TARGETS >"$WORK/build.log" 2>&1 || {
        echo "FAIL build payloads in $BUILD (see cmake --build output)"
        cat "$WORK/build.log" | tail -20
        echo "0 passed, 1 failed"
        exit 1
    }
fi

export WINEDLLOVERRIDES=winemenubuilder.exe=d WINEDEBUG=-all WINEARCH=win64
WINEPREFIX=$WORK/template "$WINE" wineboot -i >/dev/null 2>&1
# Without a window manager wine would wait for one on every new window.
WINEPREFIX=$WORK/template "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    >/dev/null 2>&1
WINEPREFIX=$WORK/template "$WINESERVER" -w

# The shipped 32-bit payloads cannot run here, but their files are checked too
# when a win32 build lies beside this one.
PE_BUILDS=("$BUILD")
SIBLING32=$(dirname "$BUILD")/win32
[ -d "$SIBLING32/payloads/bin" ] && [ "$SIBLING32" != "$BUILD" ] && PE_BUILDS+=("$SIBLING32")
/usr/bin/python3 "$ROOT/tests/e2e/check_payload_pe.py" "${PE_BUILDS[@]}" | grep -E '^(PASS|FAIL) ' >"$WORK/pe"
[ -s "$WORK/pe" ] || pass_fail "pe: check_payload_pe.py ran" 1 "python3 with pefile is needed"
while read -r status name; do pass_fail "pe: $name" "$([ "$status" = PASS ] && echo 0 || echo 1)"; done \
    <"$WORK/pe"

# --- the filter client -------------------------------------------------------

start_scenario client-turkish
mkdir -p "$C/client/datax"
cp "$BIN/tessen.exe" "$C/client/"
printf '[Ayarlar]\r\nLanguage=turkce.lng\r\n' >"$C/client/datax/kayit.dat"
wine_run 'C:\client\tessen.exe' &
CLIENT=$!
BACKGROUND+=("$CLIENT")
check "tessen shows a window of class _quillon_filter" probe find _quillon_filter 20000
text=$(probe text _quillon_filter)
pass_fail "tessen says in Turkish that it runs" "$(contains "$text" 'Sorvane filtre istemcisi çalışıyor.' && echo 0 || echo 1)" "$text"
sleep 0.5
import -display "$DISPLAY" -window root "$WORK/tessen-turkish.png" 2>/dev/null
check "a second tessen exits 0 and leaves the first running" \
    bash -c "timeout 20 '$WINE' 'C:\\client\\tessen.exe' && '$WINE' 'C:\\probe\\payload_probe.exe' find _quillon_filter 0"
check "tessen window goes on message 1136" probe close _quillon_filter 1136 20000
wait "$CLIENT"
pass_fail "tessen exits 0 after message 1136" $?
end_scenario

start_scenario client-english
mkdir -p "$C/client"
cp "$BIN/tessen.exe" "$C/client/"
wine_run 'C:\client\tessen.exe' &
CLIENT=$!
BACKGROUND+=("$CLIENT")
probe find _quillon_filter 20000 >/dev/null
text=$(probe text _quillon_filter)
pass_fail "tessen without kayit.dat speaks English" "$(contains "$text" 'Sorvane filter client is running.' && echo 0 || echo 1)" "$text"
probe close _quillon_filter 1136 20000 >/dev/null
wait "$CLIENT"
pass_fail "tessen without kayit.dat exits 0 after message 1136" $?
end_scenario

# --- the firewall program ----------------------------------------------------

start_scenario firewall
mkdir -p "$C/fw"
cp "$BIN/harlock.exe" "$C/fw/"
wine_run 'C:\fw\harlock.exe' &
FIREWALL=$!
BACKGROUND+=("$FIREWALL")
check "harlock shows its window" probe find _sorvane_firewall 20000
text=$(probe text _sorvane_firewall)
pass_fail "harlock says it is Sorvane Firewall" "$(contains "$text" 'Sorvane Firewall' && echo 0 || echo 1)" "$text"
check "harlock closes on WM_CLOSE" probe close _sorvane_firewall 16 20000
wait "$FIREWALL"
pass_fail "harlock exits 0 when closed" $?
end_scenario

# --- the helper --------------------------------------------------------------

start_scenario helper
mkdir -p "$C/h/plugin"
cp "$BIN/_marrow.exe" "$C/h/"
cp "$BIN/_pellin.dll" "$C/h/plugin/"
HELPER='C:\h\_marrow.exe'
DLL='C:\h\plugin\_pellin.dll'
for tail in "0 a b IY" "0 $DLL IY extra" "abc $DLL IY" "12x $DLL IY" "0  IY" \
    "0 C:\\h\\missing.dll IY" "0 $DLL XY" "0 $DLL IUY"; do
    run_exact "$HELPER" "$tail" >/dev/null 2>&1
    rc=$?
    # 124: an error box held it up.
    pass_fail "helper refuses '$tail' silently with a non-zero exit" \
        "$([ $rc -ne 0 ] && [ $rc -ne 124 ] && [ $rc -ne 125 ] && echo 0 || echo 1)" "exit $rc"
done
check "helper left no window behind" bash -c "! '$WINE' 'C:\\probe\\payload_probe.exe' dialog Sorvane 0"

run_exact "$HELPER" "0 C:\\h\\missing.dll I" >"$WORK/helper-box" 2>&1 &
BOX=$!
BACKGROUND+=("$BOX")
text=$(probe dialog Sorvane 15000)
pass_fail "helper without Y shows an error box for a missing DLL" "$(contains "$text" 'missing.dll' && echo 0 || echo 1)" "$text"
probe answer Sorvane 1 >/dev/null
wait "$BOX"
pass_fail "helper exits 1 once the error box is closed" "$([ $? -eq 1 ] && echo 0 || echo 1)"

run_exact "$HELPER" "0 $DLL I" >/dev/null 2>&1 &
ASK=$!
BACKGROUND+=("$ASK")
text=$(probe dialog Sorvane 15000)
pass_fail "helper without Y asks before registering" "$(contains "$text" 'Register' && echo 0 || echo 1)" "$text"
probe answer Sorvane 7 >/dev/null
wait "$ASK"
pass_fail "helper changes nothing when the user says No (exit 3)" "$([ $? -eq 3 ] && echo 0 || echo 1)"

check "helper '0 <dll> IY' exits 0" run_exact "$HELPER" "0 $DLL IY"
check "helper '0 <dll> IY' again (replacing) exits 0" run_exact "$HELPER" "0 $DLL IY"
check "helper '0 <dll> U' exits 0" run_exact "$HELPER" "0 $DLL U"
check "helper '0  UY' (empty path field) exits 0" run_exact "$HELPER" "0  UY"
end_scenario

# --- the two libraries -------------------------------------------------------

start_scenario libraries
cp "$BIN/sporder.dll" "$BIN/_pellin.dll" "$C/probe/"
check "sporder.dll WSCWriteProviderOrder is ws2_32's own" probe sporder 'C:\probe\sporder.dll'
check "_pellin.dll WSPStartup refuses what it cannot pass on" probe pellin 'C:\probe\_pellin.dll'
end_scenario

# --- the uninstaller ---------------------------------------------------------

INSTALL_WIN='C:\Program Files\Sorvane'
COMMON_GROUP='ProgramData/Microsoft/Windows/Start Menu/Programs/Sorvane'
USER_GROUP='users/root/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Sorvane'
RUN_KEY='SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
UNINSTALL_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Sorvane'

fake_installation() {
    INSTALL="$C/Program Files/Sorvane"
    mkdir -p "$INSTALL/plugin" "$INSTALL/datax" "$C/ProgramData/Sorvane/datax"
    for f in tessen.exe harlock.exe _marrow.exe sporder.dll Uninstall.exe; do cp "$BIN/$f" "$INSTALL/"; done
    cp "$BIN/_pellin.dll" "$INSTALL/plugin/"
    printf '[Ayarlar]\r\nLanguage=english.lng\r\n' >"$INSTALL/datax/kayit.dat"
    cp "$INSTALL/datax/kayit.dat" "$C/ProgramData/Sorvane/datax/"
    local group
    for group in "$COMMON_GROUP" "$USER_GROUP"; do
        mkdir -p "$C/$group"
        echo shortcut >"$C/$group/Sorvane.lnk"
    done
    local root
    for root in HKCU HKLM; do
        reg_set "$root\\Software\\OrvikSoft\\Sorvane" InstallDir "$INSTALL_WIN\\"
        reg_set "$root\\Software\\OrvikSoft\\Sorvane\\Settings" Language TR
        reg_set "$root\\$RUN_KEY" tessen "\"$INSTALL_WIN\\tessen.exe\""
        reg_set "$root\\$RUN_KEY" OtherProgram 'C:\other.exe'
    done
    reg_set "$UNINSTALL_KEY" UninstallString "\"$INSTALL_WIN\\Uninstall.exe\" -uninstall -f"
}

start_scenario uninstall
fake_installation
wine_run "$INSTALL_WIN\\tessen.exe" &
CLIENT=$!
BACKGROUND+=("$CLIENT")
probe find _quillon_filter 20000 >/dev/null
TIMEOUT=90 wine_run "$INSTALL_WIN\\Uninstall.exe" -uninstall -f
pass_fail "Uninstall.exe -uninstall -f exits 0" $?
check "uninstall closed the running client" bash -c "! '$WINE' 'C:\\probe\\payload_probe.exe' find _quillon_filter 0"
wait "$CLIENT"
pass_fail "the client ended with exit 0" $?
check "installation folder is gone" absent "$INSTALL"
check "data folder is gone" absent "$C/ProgramData/Sorvane"
check "all-users Start-menu group is gone" absent "$C/$COMMON_GROUP"
check "user Start-menu group is gone" absent "$C/$USER_GROUP"
for root in HKCU HKLM; do
    check "$root Software\\OrvikSoft is gone" reg_absent "$root\\Software\\OrvikSoft"
    check "$root Run value tessen is gone" reg_absent "$root\\$RUN_KEY" /v tessen
    check "$root other Run values stay" reg_present "$root\\$RUN_KEY" /v OtherProgram
done
check "Uninstall entry is gone" reg_absent "$UNINSTALL_KEY"
check "no uninstaller window is left" bash -c "! '$WINE' 'C:\\probe\\payload_probe.exe' dialog Sorvane 0"
end_scenario

start_scenario uninstall-keeps-foreign
fake_installation
reg_set 'HKLM\Software\OrvikSoft\OtherProduct' Version 1
echo mine >"$INSTALL/notes.txt"
wine_run "$INSTALL_WIN\\Uninstall.exe" -uninstall >/dev/null 2>&1 &
ASK=$!
BACKGROUND+=("$ASK")
text=$(probe dialog Sorvane 15000)
pass_fail "uninstall without -f asks first" "$(contains "$text" 'Remove Sorvane' && echo 0 || echo 1)" "$text"
probe answer Sorvane 7 >/dev/null
wait "$ASK"
pass_fail "answering No exits 3" "$([ $? -eq 3 ] && echo 0 || echo 1)"
check "answering No removes nothing" test -f "$INSTALL/Uninstall.exe" -a -f "$INSTALL/plugin/_pellin.dll"
TIMEOUT=90 wine_run "$INSTALL_WIN\\Uninstall.exe" -uninstall -f
pass_fail "uninstall beside a foreign file exits 0" $?
check "the foreign file and its folder stay" test -f "$INSTALL/notes.txt"
check "the product's files are gone beside it" bash -c "[ \"\$(ls -A '$INSTALL')\" = notes.txt ]"
check "another product's key under OrvikSoft stays" reg_present 'HKLM\Software\OrvikSoft\OtherProduct'
check "the product's own key goes" reg_absent 'HKLM\Software\OrvikSoft\Sorvane'
end_scenario

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
