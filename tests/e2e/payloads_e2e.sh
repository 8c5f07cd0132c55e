#!/usr/bin/env bash
# Runs the six payloads under wine on their own, without the setup, and checks
# what each must do: the client and firewall windows, the helper's command lines,
# the two libraries loaded by a process of their bitness, the uninstaller on a
# prepared fake installation.
#
# usage: tests/e2e/payloads_e2e.sh [build folder]   (default build/win32, under WoW64)
# Missing payloads are built. The other build beside it (build/win64 beside
# build/win32, and the reverse) has its payload files checked as well.
# E2E_KEEP=1 keeps the prefixes. Prints PASS/FAIL lines, then "N passed, N failed".
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_use_build "${1:-}"
BUILD=$E2E_BUILD
BIN=$BUILD/payloads/bin
BUILT=(tessen.exe harlock.exe _marrow.exe sporder.dll _pellin.dll Uninstall.exe)
E2E_LABEL=payloads

unbuilt=0
for f in "${BUILT[@]}"; do [[ -f $BIN/$f ]] || unbuilt=1; done
mkdir -p "$E2E_OUT"
if [[ $unbuilt -eq 1 ]] && ! cmake --build "$BUILD" --target sorvane_tessen sorvane_harlock sorvane_marrow \
    sorvane_sporder sorvane_pellin sorvane_uninstall >"$E2E_OUT/payloads-build.log" 2>&1; then
    tail -20 "$E2E_OUT/payloads-build.log"
    fail "build payloads in $BUILD" "see $E2E_OUT/payloads-build.log"
    e2e_summary
    exit 1
fi
e2e_begin last-run-payloads

# The scenarios' own helper program (payloads_tools.cpp).
e2e_prepare_tools || fail "payloads_tools.exe built"
TOOLS=$E2E_TOOLS

# --- the files ---------------------------------------------------------------

# The files of the other architecture's build are checked too, when it lies beside.
pe_builds=("$BUILD")
sibling=$(dirname "$BUILD")/$([[ $E2E_ARCH == win32 ]] && echo win64 || echo win32)
[[ -d $sibling/payloads/bin ]] && pe_builds+=("$sibling")
E2E_LABEL=pe
/usr/bin/python3 "$E2E_SRC/check_payload_pe.py" "${pe_builds[@]}" | grep -E '^(PASS|FAIL) ' >"$E2E_RUN/pe.log"
[[ -s $E2E_RUN/pe.log ]] || fail "check_payload_pe.py ran" "python3 with pefile is needed"
while read -r status name; do
    if [[ $status == PASS ]]; then pass "$name"; else fail "$name"; fi
done <"$E2E_RUN/pe.log"
E2E_LABEL=payloads

# put WINDOWS_FOLDER FILE...: built payloads copied into the scenario's drive C:.
put() {
    local dir f
    dir=$(sc_path "$1")
    shift
    mkdir -p "$dir"
    for f in "$@"; do cp "$BIN/$f" "$dir/"; done
}

# --- the filter client -------------------------------------------------------

scenario_client_turkish() {
    scenario_begin client-turkish || { fail "scenario prepared"; return; }
    put 'C:\client' tessen.exe
    mkdir -p "$(sc_path 'C:\client\datax')"
    printf '[Ayarlar]\r\nLanguage=turkce.lng\r\n' >"$(sc_path 'C:\client\datax\kayit.dat')"
    sc_open_window "tessen with turkce.lng" 'C:\client\tessen.exe' _quillon_filter 'Sorvane filtre istemcisi çalışıyor.'
    local client=$BG_PID
    sc_screenshot tessen-turkish "$FOUND_RECT"
    sc_exec_product 20 "$SC_DIR/second.log" 'C:\client\tessen.exe'
    if [[ $RUN_RC -eq 0 && "$(sc_count _quillon_filter)" == 1 ]]; then
        pass "a second tessen exits 0 and leaves the first running"
    else
        fail "a second tessen exits 0 and leaves the first running" "exit $RUN_RC, $(sc_count _quillon_filter) windows"
    fi
    sc_close_window "tessen" "$client" _quillon_filter 1136
}

scenario_client_english() {
    scenario_begin client-english || { fail "scenario prepared"; return; }
    put 'C:\client' tessen.exe
    sc_open_window "tessen without kayit.dat" 'C:\client\tessen.exe' _quillon_filter 'Sorvane filter client is running.'
    sc_close_window "tessen without kayit.dat" "$BG_PID" _quillon_filter 1136
}

# --- the firewall program ----------------------------------------------------

scenario_firewall() {
    scenario_begin firewall || { fail "scenario prepared"; return; }
    put 'C:\fw' harlock.exe
    sc_open_window harlock 'C:\fw\harlock.exe' _sorvane_firewall 'Sorvane Firewall'
    sc_close_window harlock "$BG_PID" _sorvane_firewall 16  # WM_CLOSE
}

# --- the helper and the two libraries ----------------------------------------

HELPER='C:\h\_marrow.exe'
DLL='C:\h\plugin\_pellin.dll'

# helper TAIL: the helper with exactly that command tail, in the foreground; its
# exit code in RUN_RC (124: it did not end within 20 s, an error box held it up).
helper() { sc_exec 30 "$SC_DIR/helper.log" "$E2E_PROBE" run $((20000 * E2E_PATIENCE)) "$HELPER" "$1"; }

# helper_in_background TAIL: the same, for a run that shows a box (BG_PID).
helper_in_background() { sc_start "$SC_DIR/helper-box.log" "$E2E_PROBE" run $((20000 * E2E_PATIENCE)) "$HELPER" "$1"; }

# library_probe sporder|pellin DLL: the probe of the product's bitness tries the library.
library_probe() {
    SC_LOADER=$E2E_WINE sc_wine "$E2E_PROBE_PRODUCT" "$1" "$(unix_to_win "$2")" >>"$SC_DIR/probe.log" 2>&1
}

scenario_helper() {
    scenario_begin helper || { fail "scenario prepared"; return; }
    put 'C:\h' _marrow.exe
    put 'C:\h\plugin' _pellin.dll
    local tail box ask
    sc_watch_start _marrow.exe || fail "window watch started"
    for tail in "0 a b IY" "0 $DLL IY extra" "abc $DLL IY" "12x $DLL IY" "0  IY" \
        "0 C:\\h\\missing.dll IY" "0 $DLL XY" "0 $DLL IUY"; do
        helper "$tail"
        if [[ $RUN_RC -ne 0 && $RUN_RC -ne 124 && $RUN_RC -ne 125 ]]; then
            pass "helper refuses '$tail' silently with a non-zero exit"
        else
            fail "helper refuses '$tail' silently with a non-zero exit" "exit $RUN_RC"
        fi
    done
    sc_watch_stop
    check_no_window "helper showed no window while refusing"

    helper_in_background "0 C:\\h\\missing.dll I"
    box=$BG_PID
    sc_find '#32770' Sorvane 15000
    check_contains "helper without Y shows an error box for a missing DLL" <(echo "$FOUND") missing.dll
    sc_click '#32770' Sorvane '#1'  # OK
    sc_wait "$box" 20
    check_eq "helper exits 1 once the error box is closed" 1 "$WAIT_RC"

    helper_in_background "0 $DLL I"
    ask=$BG_PID
    sc_find '#32770' Sorvane 15000
    check_contains "helper without Y asks before registering" <(echo "$FOUND") Register
    sc_click '#32770' Sorvane '#7'  # No
    sc_wait "$ask" 20
    check_eq "helper changes nothing when the user says No (exit 3)" 3 "$WAIT_RC"

    helper "0 $DLL IY"
    check_eq "helper '0 <dll> IY' exits 0" 0 "$RUN_RC"
    helper "0 $DLL IY"
    check_eq "helper '0 <dll> IY' again (replacing) exits 0" 0 "$RUN_RC"
    helper "0 $DLL U"
    check_eq "helper '0 <dll> U' exits 0" 0 "$RUN_RC"
    helper "0  UY"
    check_eq "helper '0  UY' (empty path field) exits 0" 0 "$RUN_RC"

    # Loaded by a process of the product's bitness: a 32-bit process on a 64-bit system.
    check "sporder.dll WSCWriteProviderOrder is ws2_32's own ($E2E_ARCH process)" \
        library_probe sporder "$BIN/sporder.dll"
    check "_pellin.dll WSPStartup refuses what it cannot pass on ($E2E_ARCH process)" \
        library_probe pellin "$BIN/_pellin.dll"
}

# --- the uninstaller ---------------------------------------------------------

INSTALL_WIN="$E2E_PROGRAM_FILES\\Sorvane"
RUN_KEY='SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
ENTRY_KEY='SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Sorvane'
UNINSTALL_KEY="HKLM\\$ENTRY_KEY"

# What a setup leaves behind, made by hand, with the Start-menu groups and
# registry entries that the setup does not write yet.
fake_installation() {
    INSTALL=$(sc_path "$INSTALL_WIN")
    put "$INSTALL_WIN" tessen.exe harlock.exe _marrow.exe sporder.dll Uninstall.exe
    put "$INSTALL_WIN\\plugin" _pellin.dll
    mkdir -p "$INSTALL/datax" "$(sc_c)/ProgramData/Sorvane/datax"
    printf '[Ayarlar]\r\nLanguage=english.lng\r\n' >"$INSTALL/datax/kayit.dat"
    cp "$INSTALL/datax/kayit.dat" "$(sc_c)/ProgramData/Sorvane/datax/"
    local group root
    mapfile -t MENU_GROUPS < <(sc_menu_groups Sorvane)
    for group in "${MENU_GROUPS[@]}"; do
        mkdir -p "$group"
        echo shortcut >"$group/Sorvane.lnk"
    done
    for root in HKCU HKLM; do
        sc_reg_set "$root\\Software\\OrvikSoft\\Sorvane" InstallDir "$INSTALL_WIN\\"
        sc_reg_set "$root\\Software\\OrvikSoft\\Sorvane\\Settings" Language TR
        sc_reg_set "$root\\$RUN_KEY" tessen "\"$INSTALL_WIN\\tessen.exe\""
        sc_reg_set "$root\\$RUN_KEY" OtherProgram 'C:\other.exe'
    done
    # Unquoted, blanks and all, as the setup writes it.
    sc_reg_set "$UNINSTALL_KEY" UninstallString "$INSTALL_WIN\\Uninstall.exe -uninstall -f"
}

# Runs the Uninstall entry's command line as the list of installed programs
# does; the uninstaller's exit code in RUN_RC.
uninstall_from_entry() { sc_exec_product 120 "$SC_DIR/uninstall.log" "$TOOLS" entry 90000 "$ENTRY_KEY" UninstallString; }

# A stand-in for the helper that only leaves C:\stand-in-started.txt when run.
stand_in_helper() {
    cp "$TOOLS" "$INSTALL/_marrow.exe"
    mkdir -p "$(sc_c)/try"
    cp "$TOOLS" "$(sc_c)/try/_marrow.exe"
    sc_exec_product 30 "$SC_DIR/stand-in.log" 'C:\try\_marrow.exe' 0 x UY
    check_file "the stand-in helper leaves its mark when run" "$(sc_c)/stand-in-started.txt"
    rm -rf "$(sc_c)/stand-in-started.txt" "$(sc_c)/try"
}

scenario_uninstall() {
    scenario_begin uninstall || { fail "scenario prepared"; return; }
    fake_installation
    stand_in_helper
    sc_start_product "$SC_DIR/tessen.log" "$INSTALL_WIN\\tessen.exe"
    local client=$BG_PID root
    sc_find _quillon_filter '*' 20000 >/dev/null
    sc_watch_start Uninstall.exe || fail "window watch started"
    uninstall_from_entry
    local uninstall_rc=$RUN_RC
    sc_watch_stop
    check_eq "the unquoted entry line, run as the system runs it, exits 0" 0 "$uninstall_rc"
    check_absent "the helper in the installation folder was never started" "$(sc_c)/stand-in-started.txt"
    check_eq "uninstall closed the running client" NOTFOUND "$(sc_probe exists _quillon_filter 0)"
    sc_wait "$client" 10
    check_eq "the client ended with exit 0" 0 "$WAIT_RC"
    check_absent "installation folder is gone" "$INSTALL"
    check_absent "data folder is gone" "$(sc_c)/ProgramData/Sorvane"
    check_absent "all-users Start-menu group is gone" "${MENU_GROUPS[0]}"
    check_absent "user Start-menu group is gone" "${MENU_GROUPS[1]}"
    for root in HKCU HKLM; do
        check "$root Software\\OrvikSoft is gone" sc_reg_absent "$root\\Software\\OrvikSoft"
        check "$root Run value tessen is gone" sc_reg_absent "$root\\$RUN_KEY" /v tessen
        check "$root other Run values stay" sc_reg query "$root\\$RUN_KEY" /v OtherProgram
    done
    check "Uninstall entry is gone" sc_reg_absent "$UNINSTALL_KEY"
    check_no_window "no uninstaller window shown"
}

scenario_uninstall_keeps_foreign() {
    scenario_begin uninstall-keeps-foreign || { fail "scenario prepared"; return; }
    fake_installation
    sc_reg_set 'HKLM\Software\OrvikSoft\OtherProduct' Version 1
    sc_reg_set 'HKLM\Software\Victim\Sub' Kept 1
    # Registry links in the product's key: to another key, and back to itself.
    # The links name their targets as the kernel does, below the product's view.
    sc_exec_product 30 "$SC_DIR/reglink.log" "$TOOLS" reglink 'Software\OrvikSoft\Sorvane\ToVictim' \
        "$E2E_HKLM_SOFTWARE\\Victim"
    check_eq "a registry link to another key made" 0 "$RUN_RC"
    sc_exec_product 30 "$SC_DIR/reglink.log" "$TOOLS" reglink 'Software\OrvikSoft\Sorvane\Loop' \
        "$E2E_HKLM_SOFTWARE\\OrvikSoft\\Sorvane"
    echo mine >"$INSTALL/notes.txt"
    sc_start_product "$SC_DIR/ask.log" "$INSTALL_WIN\\Uninstall.exe" -uninstall
    local ask=$BG_PID
    sc_find '#32770' Sorvane 15000
    check_contains "uninstall without -f asks first" <(echo "$FOUND") 'Remove Sorvane'
    sc_click '#32770' Sorvane '#7'  # No
    sc_wait "$ask" 20
    check_eq "answering No exits 3" 3 "$WAIT_RC"
    check "answering No removes nothing" test -f "$INSTALL/Uninstall.exe" -a -f "$INSTALL/plugin/_pellin.dll"
    sc_exec_product 90 "$SC_DIR/uninstall.log" "$INSTALL_WIN\\Uninstall.exe" -uninstall -f
    check_eq "uninstall beside a foreign file exits 0" 0 "$RUN_RC"
    check_file "the foreign file and its folder stay" "$INSTALL/notes.txt"
    check_eq "the product's files are gone beside it" notes.txt "$(ls -A "$INSTALL")"
    check "another product's key under OrvikSoft stays" sc_reg query 'HKLM\Software\OrvikSoft\OtherProduct'
    check "the product's own key goes" sc_reg_absent 'HKLM\Software\OrvikSoft\Sorvane'
    check "a key behind a registry link in it stays" sc_reg query 'HKLM\Software\Victim\Sub' /v Kept
}

# A user's link in the data folder to a folder of someone else's.
scenario_uninstall_link_in_datax() {
    scenario_begin uninstall-link-in-datax || { fail "scenario prepared"; return; }
    fake_installation
    local victim datax junction
    victim=$(sc_c)/victim
    datax=$(sc_c)/ProgramData/Sorvane/datax
    mkdir -p "$victim/sub"
    echo 1 >"$victim/a.txt"
    echo 2 >"$victim/sub/b.txt"
    ln -s ../../../victim "$datax/link"
    # A junction made inside wine, where this wine can make one.
    sc_exec_product 30 "$SC_DIR/junction.log" "$TOOLS" junction 'C:\ProgramData\Sorvane\datax\junction' 'C:\victim'
    junction=$RUN_RC
    sc_exec_product 30 "$SC_DIR/reparse.log" "$TOOLS" reparse 'C:\ProgramData\Sorvane\datax\link'
    local link_on_handle=$RUN_RC
    note "junction made in wine: $([[ $junction -eq 0 ]] && echo yes || echo "no (exit $junction)");" \
        "the Linux link seen as a reparse point on its handle: $([[ $link_on_handle -eq 0 ]] && echo yes || echo no)"

    uninstall_from_entry
    local rc=$RUN_RC
    check_eq "the folder behind the link keeps every file" "a.txt sub sub/b.txt" \
        "$(cd "$victim" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
    check_absent "the product's files are gone" "$INSTALL/tessen.exe"
    check_absent "datax\\kayit.dat is gone" "$datax/kayit.dat"
    if [[ $link_on_handle -eq 0 ]]; then
        check_eq "the link goes as a link, and the uninstall completes" 0 "$rc"
        check_absent "the link is gone" "$datax/link"
    else
        # This wine follows the link on every open handle: the uninstaller cannot
        # delete it as a link, leaves it and says so.
        skip "the link goes as a link" "$("$WINE64" --version) follows it on every open handle"
        check "the link is left, not followed" test -L "$datax/link"
        check_eq "an incomplete removal exits 2" 2 "$rc"
        check "an incomplete removal keeps the Uninstall entry" sc_reg query "$UNINSTALL_KEY" /v UninstallString
        check_file "an incomplete removal keeps the uninstaller" "$INSTALL/Uninstall.exe"
        rm "$datax/link"
        uninstall_from_entry
        check_eq "run again from the kept entry, the removal completes" 0 "$RUN_RC"
    fi
    if [[ $junction -eq 0 ]]; then
        check_absent "the junction is gone" "$datax/junction"
    else
        skip "a junction made in wine goes as a link" "FSCTL_SET_REPARSE_POINT is not supported here"
    fi
    check_absent "the data folder is gone" "$(sc_c)/ProgramData/Sorvane"
    check_absent "the installation folder is gone" "$INSTALL"
    check "the Uninstall entry is gone" sc_reg_absent "$UNINSTALL_KEY"
}

# --- the uninstaller of a product in use -------------------------------------

# The product as a user has it: on a 64-bit Windows the 32-bit build works in the 32-bit
# registry view and in "Program Files (x86)"; the helper that holds its library loaded
# and reads its registry is of its bitness.
PRODUCT_WIN="$E2E_PROGRAM_FILES\\Sorvane"
PRODUCT_TOOLS=$TOOLS

SESSION_MANAGER='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager'

# What the system deletes at its next start, one path a line, in its order: the
# sources of PendingFileRenameOperations whose target is empty.
pending_deletions() {
    sc_wine reg query "$SESSION_MANAGER" /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' |
        sed -n 's/.*REG_MULTI_SZ *//p' | sed 's/\\0/\n/g' |
        awk 'NR % 2 { source = $0; next } $0 == "" { sub(/^\\\?\?\\/, "", source); print source }'
}

# The last block the uninstaller wrote into the log FILE, without line ends.
last_uninstall_block() {
    tr -d '\r' <"$1" 2>/dev/null | awk '/^==== Sorvane Uninstall /{ b = "" } { b = b $0 "\n" } END { printf "%s", b }'
}

# index_of TEXT LINES: the line number of TEXT in LINES; 0 when it is not there.
index_of() { grep -nxF -- "$1" <<<"$2" | head -n 1 | cut -d: -f1 | grep . || echo 0; }

# The removal from Windows' list while a program holds the provider loaded and the
# firewall runs: what cannot go now is set aside and goes at the restart.
scenario_uninstall_in_use() {
    scenario_begin uninstall-in-use || { fail "scenario prepared"; return; }
    local product log entry left pending holder firewall
    product=$(sc_path "$PRODUCT_WIN")
    sc_run 240 -silent 1 "$PRODUCT_WIN"
    check_eq "the product installs silently" 0 "$RUN_RC"
    # As the setup writes the entry from now on; the unquoted form of earlier
    # versions is run by the scenario "uninstall".
    entry=$(sc_wine reg query "$UNINSTALL_KEY" /v UninstallString "$E2E_REG_VIEW" | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
    if [[ $entry != \"* ]]; then
        note "the setup wrote the entry unquoted: $entry"
        sc_reg add "$UNINSTALL_KEY" /v UninstallString /d "\"$PRODUCT_WIN\\Uninstall.exe\" -uninstall -f" /f
    fi
    entry=$(sc_wine reg query "$UNINSTALL_KEY" /v UninstallString "$E2E_REG_VIEW" | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
    check_eq "the entry's line is quoted" "\"$PRODUCT_WIN\\Uninstall.exe\" -uninstall -f" "$entry"

    sc_start_product "$SC_DIR/hold.log" "$PRODUCT_TOOLS" hold "$PRODUCT_WIN\\plugin\\_pellin.dll" 'C:\hold.stop'
    holder=$BG_PID
    check "a program holds the provider loaded" sc_wait_line "$(sc_c)/hold.stop.ready" LOADED 90
    sc_start_product "$SC_DIR/harlock.log" "$PRODUCT_WIN\\harlock.exe"
    firewall=$BG_PID
    check "the firewall runs" sc_find _sorvane_firewall '*' 30000

    sc_exec_product 300 "$SC_DIR/uninstall.log" "$PRODUCT_TOOLS" entry 240000 "$ENTRY_KEY" UninstallString
    check_eq "the removal from the entry exits 0" 0 "$RUN_RC"
    check "the Uninstall entry is gone" sc_reg_absent "$UNINSTALL_KEY"
    check "the product's key is gone" sc_reg_absent 'HKLM\Software\OrvikSoft'
    check_absent "the data folder is gone" "$(sc_c)/ProgramData/Sorvane"

    left=$(cd "$product" 2>/dev/null && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort)
    check_eq "only the files set aside are left, in their folders" "ASIDE plugin plugin/ASIDE " \
        "$(sed -E 's/~sorvane-[0-9]+-[0-9]+\.del$/ASIDE/' <<<"$left" | LC_ALL=C sort | tr '\n' ' ')"
    local dll_aside fw_aside
    dll_aside=$(grep '^plugin/~' <<<"$left")
    fw_aside=$(grep '^~' <<<"$left")
    check_same_bytes "the provider set aside is the installed one" "$BIN/_pellin.dll" "$product/$dll_aside"
    check_same_bytes "the firewall set aside is the installed one" "$BIN/harlock.exe" "$product/$fw_aside"

    pending=$(pending_deletions)
    printf '%s\n' "$pending" >"$SC_DIR/pending.txt"
    local at_dll at_fw at_plugin at_product
    at_dll=$(index_of "$PRODUCT_WIN\\${dll_aside//\//\\}" "$pending")
    at_fw=$(index_of "$PRODUCT_WIN\\$fw_aside" "$pending")
    at_plugin=$(index_of "$PRODUCT_WIN\\plugin" "$pending")
    at_product=$(index_of "$PRODUCT_WIN" "$pending")
    if ((at_dll && at_fw && at_plugin && at_product)); then
        pass "every file and folder left waits for deletion at the restart"
    else
        fail "every file and folder left waits for deletion at the restart" "see $SC_DIR/pending.txt"
    fi
    check "the files go before their folders" test "$at_dll" -lt "$at_plugin" -a "$at_plugin" -lt "$at_product" \
        -a "$at_fw" -lt "$at_product"
    check "the uninstaller's own file waits for the restart too" grep -q '\\~sorvane-uninstall-[0-9-]*\.tmp$' "$SC_DIR/pending.txt"

    log=$(sc_c)/users/$(id -un)/Temp/Sorvane\ Setup.log
    last_uninstall_block "$log" >"$SC_DIR/block.txt"
    check_contains "the log's block names the uninstaller and its version" "$SC_DIR/block.txt" "==== Sorvane Uninstall 2.2.0.0, "
    check_contains "the block holds the command line" "$SC_DIR/block.txt" "command line: $entry"
    check_contains "the block says the provider waits for the restart" "$SC_DIR/block.txt" \
        "later  file: $PRODUCT_WIN\\plugin\\_pellin.dll (in use: set aside as $PRODUCT_WIN\\${dll_aside//\//\\}, deleted at the next restart)"
    check_contains "the block says the firewall waits for the restart" "$SC_DIR/block.txt" \
        "later  file: $PRODUCT_WIN\\harlock.exe (in use: set aside as $PRODUCT_WIN\\$fw_aside,"
    check_contains "the block says a restart completes the removal" "$SC_DIR/block.txt" \
        "restart: a restart of Windows completes the removal"
    check_eq "the exit code comes last" "exit code 0" "$(tail -n 1 "$SC_DIR/block.txt")"

    # A new session of the prefix starts wine's own boot, which deletes what waits.
    touch "$(sc_c)/hold.stop"
    sc_wait "$holder" 30
    sc_close_window "the firewall" "$firewall" _sorvane_firewall 16
    env "${SC_ENV[@]}" "$WINESERVER" -k 2>/dev/null
    env "${SC_ENV[@]}" timeout 30 "$WINESERVER" -w 2>/dev/null
    sc_reg query "$SESSION_MANAGER"
    check_absent "after the restart the installation folder is gone" "$product"
    check_eq "after the restart nothing waits" "" "$(pending_deletions)"

    # Installed again, with the entry's line unquoted, blanks and all, as earlier
    # versions wrote it; nothing in use this time.
    sc_run 240 -silent 1 "$PRODUCT_WIN"
    check_eq "the product installs again" 0 "$RUN_RC"
    sc_reg add "$UNINSTALL_KEY" /v UninstallString /d "$PRODUCT_WIN\\Uninstall.exe -uninstall -f" /f
    sc_exec_product 300 "$SC_DIR/uninstall-unquoted.log" "$PRODUCT_TOOLS" entry 240000 "$ENTRY_KEY" UninstallString
    check_eq "the unquoted line of earlier versions, run from the entry, exits 0" 0 "$RUN_RC"
    check "the Uninstall entry is gone again" sc_reg_absent "$UNINSTALL_KEY"
    check_absent "with nothing in use the installation folder goes at once" "$product"
    check_eq "only the uninstaller's own file waits for a restart" "" \
        "$(pending_deletions | grep -v '\\~sorvane-uninstall-[0-9-]*\.tmp$')"
    last_uninstall_block "$log" >"$SC_DIR/block-unquoted.txt"
    check_eq "that run's block says nothing of a restart, and ends with its exit code" "0 exit code 0" \
        "$(grep -c '^restart:' "$SC_DIR/block-unquoted.txt") $(tail -n 1 "$SC_DIR/block-unquoted.txt")"

    # A log that is a link is never written through, and changes nothing of a removal.
    echo victim >"$(sc_c)/victim.txt"
    rm -f "$log"
    ln -s ../../../victim.txt "$log"
    put 'C:\again' Uninstall.exe
    sc_exec_product 120 "$SC_DIR/uninstall-link.log" 'C:\again\Uninstall.exe' -uninstall -f
    check_eq "with the log a link, a removal still exits 0" 0 "$RUN_RC"
    check_eq "the file behind the link is untouched" victim "$(cat "$(sc_c)/victim.txt")"
}

# The uninstaller started by hand while the provider is loaded: its closing message says
# that a restart completes the removal.
scenario_uninstall_asked_in_use() {
    scenario_begin uninstall-asked-in-use || { fail "scenario prepared"; return; }
    sc_run 240 -silent 0 "$PRODUCT_WIN"
    check_eq "the product installs silently" 0 "$RUN_RC"
    sc_start_product "$SC_DIR/hold.log" "$PRODUCT_TOOLS" hold "$PRODUCT_WIN\\plugin\\_pellin.dll" 'C:\hold.stop'
    check "a program holds the provider loaded" sc_wait_line "$(sc_c)/hold.stop.ready" LOADED 90
    sc_start_product "$SC_DIR/asked.log" "$PRODUCT_WIN\\Uninstall.exe" -uninstall
    local asked=$BG_PID
    sc_find '#32770' Sorvane 20000
    check_contains "it asks first" <(echo "$FOUND") 'Remove Sorvane'
    sc_click '#32770' Sorvane '#6'  # Yes
    sc_find '#32770' '?Restart the computer' 60000
    check_contains "its closing message says a restart completes the removal" <(echo "$FOUND") \
        'Sorvane was removed from this computer. Restart the computer to complete the removal.'
    sc_screenshot uninstall-restart "$FOUND_RECT"
    sc_click '#32770' '?Restart the computer' '#1'  # OK
    sc_wait "$asked" 30
    check_eq "the removal exits 0" 0 "$WAIT_RC"
    touch "$(sc_c)/hold.stop"
}

# Each in a fresh prefix and display of its own; E2E_SCENARIOS picks some of them.
for sc in ${E2E_SCENARIOS:-client_turkish client_english firewall helper uninstall \
    uninstall_keeps_foreign uninstall_link_in_datax uninstall_in_use uninstall_asked_in_use}; do
    "scenario_$sc"
    scenario_end
done
# E2E_DOCS=1 keeps the uninstaller's closing message for the README.
if [[ ${E2E_DOCS:-0} == 1 && -f $E2E_SHOTS/uninstall-restart.png ]]; then
    mkdir -p "$E2E_REPO/docs/screenshots"
    cp "$E2E_SHOTS/uninstall-restart.png" "$E2E_REPO/docs/screenshots/"
fi
e2e_summary
