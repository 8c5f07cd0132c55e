#!/usr/bin/env bash
# Updates on a live machine, under wine: an update while a program holds the provider
# library loaded and the firewall runs (silent and through the wizard), an update on a
# drive that fills up while the new files are written, and an installation reached
# through a link an administrator made.
#
# usage: tests/e2e/update_e2e.sh [build folder]   (default build/win32, the product under WoW64)
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_use_build "${1:-}"
E2E_LABEL=update
BIN=$E2E_BUILD/payloads/bin
PRODUCT="$E2E_PROGRAM_FILES\\Sorvane"
PAYLOADS=(tessen.exe harlock.exe _marrow.exe sporder.dll 'plugin\_pellin.dll' Uninstall.exe)
SESSION_MANAGER='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager'

e2e_require_setup
e2e_begin last-run-update
e2e_prepare_tools || fail "payloads_tools.exe built"

# check_payloads WHAT FOLDER: the six files equal the built payloads, byte for byte.
check_payloads() {
    local p differ=()
    for p in "${PAYLOADS[@]}"; do
        cmp -s "$BIN/${p##*\\}" "$2/${p//\\//}" || differ+=("$p")
    done
    check_eq "$1" "" "${differ[*]}"
}

# What the system deletes at its next start, one path a line.
pending_deletions() {
    sc_wine reg query "$SESSION_MANAGER" /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' |
        sed -n 's/.*REG_MULTI_SZ *//p' | sed 's/\\0/\n/g' |
        awk 'NR % 2 { source = $0; next } $0 == "" { sub(/^\\\?\?\\/, "", source); print source }'
}

log_text() { tr -d '\r' <"$(sc_c)/users/$(id -un)/Temp/Sorvane Setup.log" 2>/dev/null; }

# A 32-bit program holds the provider loaded and the firewall runs, as on any machine
# with the product in use. Sets HOLDER and FIREWALL.
put_in_use() {
    rm -f "$(sc_c)/hold.stop" "$(sc_c)/hold.stop.ready"
    sc_start_product "$SC_DIR/hold.log" "$E2E_TOOLS" hold "$PRODUCT\\plugin\\_pellin.dll" 'C:\hold.stop'
    HOLDER=$BG_PID
    check "a program holds the provider loaded" sc_wait_line "$(sc_c)/hold.stop.ready" LOADED $((30 * E2E_PATIENCE))
    sc_start_product "$SC_DIR/harlock.log" "$PRODUCT\\harlock.exe"
    FIREWALL=$BG_PID
    check "the firewall runs" sc_find _sorvane_firewall '*' $((10000 * E2E_PATIENCE))
}

# What an update over files in use leaves: the new files under their names, the old
# provider and firewall set aside, both waiting for the restart and named in the log,
# and a program started afterwards loads the new provider.
check_updated_in_use() {
    local product aside pending name
    product=$(sc_path "$PRODUCT")
    check_payloads "every file is the new one" "$product"
    pending=$(pending_deletions)
    printf '%s\n' "$pending" >"$SC_DIR/pending.txt"
    for name in 'plugin\_pellin.dll' harlock.exe; do
        aside=$(cd "$product" && find . -name "~sorvane-*-${name##*\\}.del" | sed 's|^\./||; s|/|\\|g')
        if [[ -z $aside ]]; then
            fail "the old $name is set aside"
            continue
        fi
        pass "the old $name is set aside"
        check "the old $name waits for deletion at the restart" grep -qxF "$PRODUCT\\$aside" <<<"$pending"
        check_contains "the log names the old $name waiting for the restart" <(log_text) \
            "ok     old file deleted at the next restart: $PRODUCT\\$aside"
    done
    check_eq "nothing else of the old set is left" "" \
        "$(cd "$product" && find . -name '~sorvane-*' | grep -vE '(_pellin\.dll|harlock\.exe)\.del$')"
    rm -f "$(sc_c)/fresh.stop" "$(sc_c)/fresh.stop.ready"
    sc_start_product "$SC_DIR/fresh.log" "$E2E_TOOLS" hold "$PRODUCT\\plugin\\_pellin.dll" 'C:\fresh.stop'
    check "a program started now loads the new provider" sc_wait_line "$(sc_c)/fresh.stop.ready" LOADED $((30 * E2E_PATIENCE))
    touch "$(sc_c)/fresh.stop" "$(sc_c)/hold.stop"
}

scenario_silent_in_use() {
    scenario_begin update-in-use || { fail "scenario prepared"; scenario_end; return; }
    sc_run 120 -silent 1 "$PRODUCT"
    check_eq "the first installation exits 0" 0 "$RUN_RC"
    sc_run 120 -silent 1 "$PRODUCT"
    note "an update with nothing in use: $RUN_MS ms"
    put_in_use
    sc_run 120 -silent 1 "$PRODUCT"
    check_eq "a silent update with the provider loaded and the firewall running exits 0" 0 "$RUN_RC"
    note "an update with the provider loaded and the firewall running: $RUN_MS ms"
    check_updated_in_use
    sc_close_window "the firewall" "$FIREWALL" _sorvane_firewall 16
    scenario_end
}

# wizard_shows CAPTION TEXT SECONDS: waits until a shown control of the wizard reads as
# TEXT ends ("enabled=1 checked=0 text=&Son"), at most SECONDS times the patience.
wizard_shows() {
    local end=$((SECONDS + $3 * E2E_PATIENCE)) line
    while ((SECONDS < end)); do
        while IFS= read -r line; do
            [[ $line == "CONTROL shown=1 "*"$2" ]] && return 0
        done <<<"$(sc_probe controls qnInstaller "$1")"
        sleep 0.2
    done
    return 1
}

# The same update through the wizard's pages.
scenario_wizard_in_use() {
    local cap='Sorvane Installation'
    scenario_begin update-in-use-wizard || { fail "scenario prepared"; scenario_end; return; }
    sc_run 120 -silent 1 "$PRODUCT"
    check_eq "the first installation exits 0" 0 "$RUN_RC"
    put_in_use
    sc_start_setup wizard
    local pid=$BG_PID
    if ! sc_find qnInstaller "$cap" $((10000 * E2E_PATIENCE)); then
        fail "the wizard is shown"
        scenario_end
        return
    fi
    sc_click qnInstaller "$cap" 'İleri >'
    sc_click qnInstaller "$cap" 'Sözleşmeyi kabul ediyorum'
    sc_click qnInstaller "$cap" 'İleri >'
    sc_click qnInstaller "$cap" 'İleri >'
    check "the summary names the installed folder" wizard_shows "$cap" "text=$PRODUCT\\" 20
    sc_click qnInstaller "$cap" '&Kur'
    check "the wizard reaches its finish page" wizard_shows "$cap" 'enabled=1 checked=0 text=&Son' 60
    sc_probe_ok click qnInstaller "$cap" "Sorvane'nı çalıştır" 5000  # the client is not started
    sc_click qnInstaller "$cap" '&Son'
    sc_wait "$pid" $((30 * E2E_PATIENCE))
    check_eq "the wizard's update ends with 0" 0 "$WAIT_RC"
    check_updated_in_use
    sc_close_window "the firewall" "$FIREWALL" _sorvane_firewall 16
    scenario_end
}

# A drive of its own, mounted for the scenario, that holds an installation but not a
# second set of its files: the update that cannot write its new files changes nothing.
scenario_disk_full() {
    scenario_begin update-disk-full || { fail "scenario prepared"; scenario_end; return; }
    local mnt=$SC_DIR/drive
    mkdir -p "$mnt"
    if ! mount -t tmpfs -o size=4m tmpfs "$mnt" 2>"$SC_DIR/mount.log"; then
        skip "a small drive of its own" "tmpfs cannot be mounted here: $(head -c 200 "$SC_DIR/mount.log")"
        scenario_end
        return
    fi
    ln -sfn "$mnt" "$SC_PREFIX/dosdevices/s:"
    sc_run 120 -silent 1 'S:\Sorvane'
    check_eq "the installation on the small drive exits 0" 0 "$RUN_RC"
    # Room for the installation and a little more, not for a second set of its files.
    local used payload_bytes
    used=$(df -k --output=used "$mnt" | tail -1 | tr -d ' ')
    payload_bytes=$(cat "$BIN"/{tessen.exe,harlock.exe,_marrow.exe,sporder.dll,_pellin.dll,Uninstall.exe} | wc -c)
    mount -o remount,size=$((used + payload_bytes / 2048))k "$mnt"
    (cd "$mnt" && find . -type f -exec md5sum {} + | sort) >"$SC_DIR/before.txt"
    sc_run 120 -silent 1 'S:\Sorvane'
    check_eq "an update that fills the drive exits 1" 1 "$RUN_RC"
    check "the log names the payload that could not be written" \
        grep -qE '^FAILED file: S:\\Sorvane\\.* \(Windows error 112\)$' <(log_text)
    (cd "$mnt" && find . -type f -exec md5sum {} + | sort) >"$SC_DIR/after.txt"
    check "the installation is left byte for byte as it was" cmp -s "$SC_DIR/before.txt" "$SC_DIR/after.txt"
    env "${SC_ENV[@]}" "$WINESERVER" -k 2>/dev/null
    env "${SC_ENV[@]}" timeout 30 "$WINESERVER" -w 2>/dev/null
    umount "$mnt" || umount -l "$mnt"
    scenario_end
}

# An installation folder an administrator linked elsewhere is installed and updated
# where the link leads; the link stays, and the installation names the real folder.
scenario_through_link() {
    scenario_begin update-through-link || { fail "scenario prepared"; scenario_end; return; }
    local real
    real=$(sc_c)/Apps/Sorvane
    mkdir -p "$real" "$(dirname "$(sc_path "$PRODUCT")")"
    ln -s "$real" "$(sc_path "$PRODUCT")"
    sc_run 120 -silent 1 "$PRODUCT"
    check_eq "the installation through the link exits 0" 0 "$RUN_RC"
    sc_run 120 -silent 1 "$PRODUCT"
    check_eq "the update through the link exits 0" 0 "$RUN_RC"
    check_payloads "the files lie where the link leads" "$real"
    check "the link stays as it was" test -L "$(sc_path "$PRODUCT")"
    check_eq "the installation names the real folder" 'C:\Apps\Sorvane\' \
        "$(sc_wine reg query 'HKLM\Software\OrvikSoft\Sorvane' /v Path "$E2E_REG_VIEW" 2>/dev/null |
            tr -d '\r' | sed -n 's/.*REG_SZ *//p')"
    scenario_end
}

# An update opens an installation of the product to every user again, whatever the
# client left beside it; a folder of others' programs stays closed, also at updates.
scenario_grant() {
    scenario_begin update-grant || { fail "scenario prepared"; scenario_end; return; }
    sc_run 120 -silent 1 "$PRODUCT"
    echo "client's log" >"$(sc_path "$PRODUCT")/tessen.log"
    sc_run 120 -silent 1 "$PRODUCT"
    check_eq "the update exits 0" 0 "$RUN_RC"
    check_eq "the update grants on the installation with the client's log in it" \
        "done   access rights: C:\\ProgramData\\Sorvane\\ $PRODUCT\\" "$(log_text | grep '^done   access rights' | tail -1)"
    mkdir -p "$(sc_c)/Tools" && echo "someone's" >"$(sc_c)/Tools/notes.txt"
    local run
    for run in install update; do
        sc_run 120 -silent 1 'C:\Tools'
        check_eq "the $run into a folder of others exits 0" 0 "$RUN_RC"
        check "the $run keeps that folder's access rights" \
            grep -qE '^kept   access rights: C:\\Tools\\ \(holds notes.txt' <(log_text | tail -20)
    done
    scenario_end
}

# E2E_ONLY="name ..." runs only the scenarios named.
for sc in silent_in_use wizard_in_use disk_full through_link grant; do
    [[ -z ${E2E_ONLY:-} || " $E2E_ONLY " == *" $sc "* ]] && "scenario_$sc"
done
e2e_summary
