#!/usr/bin/env bash
# End-to-end scenarios of the setup under wine, checked from the Linux side as a user
# would find things: the product (build/win32) under WoW64 in a 64-bit prefix, or its
# 64-bit sibling. Usage: run_e2e.sh [build folder or its setup.exe]   (default build/win32)
# E2E_KEEP=1 keeps the prefixes, E2E_QUICK=1 leaves out the 30-second client wait.
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_use_build "${1:-}"
PAYLOADS=(tessen.exe harlock.exe _marrow.exe sporder.dll 'plugin\_pellin.dll' Uninstall.exe)
EN_QUESTION='Kurulum sihirbazından çıkmak istediğinize emin misiniz?'

e2e_require_setup
e2e_begin last-run
echo "setup: $E2E_SETUP"

# The payloads built beside the setup, for the byte-for-byte comparison.
payload_reference() {  # NAME
    local base=${1##*\\} d
    for d in ${E2E_PAYLOAD_DIR:-} "$(dirname "$E2E_SETUP")/../payloads/bin" "$(dirname "$E2E_SETUP")/../payloads"; do
        [[ -f $d/$base ]] && { readlink -f "$d/$base"; return 0; }
    done
    return 1
}

# Sets EMBEDDED to how many of the six payload resources the setup carries.
detect_payloads() {
    EMBEDDED=$(sc_probe resources "$(unix_to_win "$E2E_SETUP")" | sed -n 's/^COUNT //p')
    note "payload resources in the setup: ${EMBEDDED:-unreadable}"
}

# What a finished installation leaves in TARGET (a Windows path).
check_installed() {  # TARGET LANGUAGE_FILE
    local t
    t=$(sc_path "$1")
    check_dir "target folder created" "$t"
    check_dir "plugin folder created" "$t/plugin"
    check_ini "settings file names $2" "$t/datax/kayit.dat" Ayarlar Language "$2"
    check_empty_dir "empty datax in ProgramData\\Sorvane" "$(sc_c)/ProgramData/Sorvane/datax"

    local expected=(./datax ./datax/kayit.dat ./plugin) p
    if [[ ${EMBEDDED:-0} -eq 6 ]]; then
        for p in "${PAYLOADS[@]}"; do expected+=("./${p//\\//}"); done
    fi
    check_eq "target holds exactly the installed files" \
        "$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)" \
        "$(cd "$t" 2>/dev/null && find . -mindepth 1 | LC_ALL=C sort)"

    if [[ ${EMBEDDED:-0} -eq 6 ]]; then
        local ref
        for p in "${PAYLOADS[@]}"; do
            if ref=$(payload_reference "$p"); then
                if [[ $ref -nt $E2E_SETUP ]] && ! cmp -s "$ref" "$t/${p//\\//}"; then
                    fail "$p equals the built payload" "$ref was built after the setup: rebuild the setup"
                    continue
                fi
                check_same_bytes "$p equals the built payload" "$ref" "$t/${p//\\//}"
            else
                fail "$p equals the built payload" "no built ${p##*\\} found beside the setup"
            fi
        done
    elif [[ ${EMBEDDED:-0} -eq 0 ]]; then
        skip "payload files" "this setup carries no payloads"
    else
        fail "setup carries all six payloads" "it carries $EMBEDDED"
    fi
}

# A silent run watched for windows. ARGS go to the setup. A run takes well under
# a second; past SILENT_LIMIT seconds it counts as hung (exit 124).
SILENT_LIMIT=30
silent_run() {
    sc_watch_start || fail "window watch started"
    sc_run "$SILENT_LIMIT" "$@"
    sc_watch_stop
    note "silent run: exit $RUN_RC after $RUN_MS ms"
}

scenario_silent() {  # NAME LANG TARGET MODE LANGUAGE_FILE
    scenario_begin "$1" "$2" || { fail "scenario prepared"; scenario_end; return; }
    [[ -n ${EMBEDDED:-} ]] || detect_payloads
    silent_run -silent "$4" "$3"
    check_eq "silent run exits 0" 0 "$RUN_RC"
    check_no_window "no window shown during the silent run"
    check_installed "$3" "$5"
    scenario_end
}

# What the silent run's own process creates, as wine's trace of window creation and
# library loading tells it: only its hidden top-level window of the wizard's class (and
# the windows that COM and the provider component keep for messages), no child window,
# no common-controls library; the installation is the same.
scenario_silent_lean() {
    scenario_begin silent-lean || { fail "scenario prepared"; scenario_end; return; }
    [[ -n ${EMBEDDED:-} ]] || detect_payloads
    local target='C:\Sorvane Lean' trace=$SC_DIR/trace.log pid own
    SC_ENV+=(WINEDEBUG=+pid,+win,+loaddll)
    sc_exec_product "$SILENT_LIMIT" "$trace" "$E2E_SETUP" -silent 0 "$target"
    check_eq "silent run exits 0" 0 "$RUN_RC"
    pid=$(grep -m1 'Loaded L".*sorvane_setup\.exe"' "$trace" | cut -d: -f1)
    if [[ -z $pid ]]; then
        fail "the setup's process found in the trace"
    else
        own=$(grep "^$pid:[0-9a-f]*:trace:win:WIN_CreateWindowEx" "$trace")
        check_eq "one window of the wizard's class" 1 "$(grep -c 'L"qnInstaller"' <<<"$own")"
        # Parents other than none (0) and the message-only parent (-3, in the width
        # of the program's pointers) are child windows.
        check_eq "no child window" "" \
            "$(grep -v -E 'parent=(0{8}|0{16}|FFFFFFFD|FFFFFFFFFFFFFFFD)( |$)' <<<"$own")"
        check_eq "no common controls loaded" "" \
            "$(grep "^$pid:[0-9a-f]*:trace:loaddll:.*Loaded" "$trace" | grep -i 'comctl32')"
    fi
    check_installed "$target" english.lng
    scenario_end
}

scenario_unwritable_settings() {
    scenario_begin silent-settings-unwritable || { fail "scenario prepared"; scenario_end; return; }
    local target='C:\Sorvane Locked' t
    t=$(sc_path "$target")
    mkdir -p "$t"
    echo "in the way" >"$t/datax"
    silent_run -silent 0 "$target"
    check_eq "silent run that cannot write its settings exits 1" 1 "$RUN_RC"
    check_no_window "no error box or window shown"
    check_file "the file in the way is left alone" "$t/datax"
    scenario_end
}

# The exit question of the wizard titled CAPTION, answered No then Yes.
close_wizard() {  # PID CAPTION CANCEL QUESTION
    check "cancel button pressed" sc_click qnInstaller "$2" "$3"
    if sc_find '#32770' "$2" 10000; then
        pass "exit question shown"
        check_contains "exit question asks to leave the wizard" <(echo "$FOUND") "$4"
        check "exit question offers Yes and No" grep -q 'id=7 ' <<<"$FOUND"
    else
        fail "exit question shown"
    fi
    sc_click '#32770' "$2" '#7'
    if sc_wait_count '#32770' 0 10 && sc_wait_count qnInstaller 1 5 && kill -0 "$1" 2>/dev/null; then
        pass "answering No keeps the wizard open"
    else
        fail "answering No keeps the wizard open"
    fi
    sc_click qnInstaller "$2" "$3" && sc_find '#32770' "$2" 10000 >/dev/null && sc_click '#32770' "$2" '#6'
    sc_wait "$1" 30
    check_eq "answering Yes ends the setup with 0" 0 "$WAIT_RC"
}

scenario_wizard() {  # NAME LANG CAPTION CANCEL QUESTION SCREENSHOT ARGS...
    local name=$1 lang=$2 caption=$3 cancel=$4 question=$5 shot=$6
    shift 6
    scenario_begin "$name" "$lang" || { fail "scenario prepared"; scenario_end; return; }
    sc_start_setup wizard "$@"
    local pid=$BG_PID
    if sc_find qnInstaller "$caption" 30000; then
        pass "arguments '$*' give the wizard, titled '$caption'"
        sc_screenshot "$shot" "$FOUND_RECT"
        check_contains "cancel button reads '$cancel'" <(echo "$FOUND") "enabled=1 checked=0 text=$cancel"
        check_absent "nothing installed before the user asks" "$(sc_path "${@: -1}")"
        # Returning 1 keeps the system from hiding the keyboard cues.
        check_eq "wizard answers WM_UPDATEUISTATE with 1" "RESULT 1" \
            "$(sc_probe send qnInstaller '*' 0x0128 0x30003 0)"
        close_wizard "$pid" "$caption" "$cancel" "$question"
    else
        fail "arguments '$*' give the wizard, titled '$caption'" "$(sc_probe count qnInstaller)"
    fi
    scenario_end
}

scenario_already_running() {
    scenario_begin wizard-already-running || { fail "scenario prepared"; scenario_end; return; }
    sc_start_setup wizard-first
    local first=$BG_PID
    if ! sc_find qnInstaller 'Sorvane Installation' 30000; then
        fail "first wizard shown"
        scenario_end
        return
    fi
    sc_start_setup wizard-second
    local second=$BG_PID
    if sc_find '#32770' Error 30000; then
        pass "second start shows a box captioned Error"
        check_contains "box says the wizard is already running" <(echo "$FOUND") "Setup Wizard is already running."
        check_eq "no second wizard window" 1 "$(sc_count qnInstaller)"
        sc_screenshot already-running
        sc_click '#32770' Error '#1'
    else
        fail "second start shows a box captioned Error"
    fi
    sc_wait "$second" 20
    check_eq "closing the box ends the second start with 0" 0 "$WAIT_RC"

    local target='C:\Sorvane While Open'
    silent_run -silent 1 "$target"
    check_eq "silent run beside the open wizard exits 0" 0 "$RUN_RC"
    check_no_window "silent run beside the wizard shows no window"
    check_ini "silent run beside the wizard writes its settings" "$(sc_path "$target")/datax/kayit.dat" \
        Ayarlar Language english.lng
    if kill -0 "$first" 2>/dev/null && [[ "$(sc_count qnInstaller)" == 1 ]]; then
        pass "the open wizard stays open"
        close_wizard "$first" 'Sorvane Installation' 'Vazgeç' "$EN_QUESTION"
    else
        fail "the open wizard stays open"
    fi
    scenario_end
}

# ms_between EARLIER LATER: the milliseconds from one file's last change to the other's.
ms_between() { echo $(($(date -r "$2" +%s%3N) - $(date -r "$1" +%s%3N))); }

scenario_running_client() {
    scenario_begin running-client || { fail "scenario prepared"; scenario_end; return; }
    local target='C:\Sorvane Client' t
    t=$(sc_path "$target")
    # The stand-in takes 1.5 s to go, so a setup that does not wait is seen.
    sc_start "$SC_DIR/client.log" "$E2E_PROBE" client 60 1500 "$(unix_to_win "$SC_DIR")\\client.gone"
    local client=$BG_PID
    if ! sc_wait_line "$SC_DIR/client.log" READY 30; then
        fail "stand-in client started"
        scenario_end
        return
    fi
    silent_run -silent 0 "$target"
    check_eq "silent run with a client running exits 0" 0 "$RUN_RC"
    # A setup that waited out its 30 s bound could write nothing before 28.5 s after the
    # stand-in went; one that goes on when the window goes writes at once.
    local after=-1
    [[ -f $SC_DIR/client.gone && -f $t/datax/kayit.dat ]] && after=$(ms_between "$SC_DIR/client.gone" "$t/datax/kayit.dat")
    check "the setup went on when the client went, not at its 30 s bound (after ${after} ms)" \
        test "$after" -ge 0 -a "$after" -lt 28500
    check_no_window "no window shown while closing the client"
    check_contains "client got the close message" "$SC_DIR/client.log" CLOSE-MESSAGE
    sc_wait "$client" 10
    check_eq "client ended by itself" 0 "$WAIT_RC"
    if [[ -f $SC_DIR/client.gone && -f $t/datax/kayit.dat && $SC_DIR/client.gone -ot $t/datax/kayit.dat ]]; then
        pass "setup waited for the client before installing"
    else
        fail "setup waited for the client before installing"
    fi

    # The real client, once built: an update over a running installation.
    if [[ ${EMBEDDED:-0} -eq 6 && -f $t/tessen.exe ]]; then
        sc_start_product "$SC_DIR/tessen.log" "$t/tessen.exe"
        local tessen=$BG_PID
        # Shown, not only created: its own mapping is no window of the update's.
        if sc_find _quillon_filter '*' 30000; then
            touch "$SC_DIR/update.start"
            silent_run -silent 0 "$target"
            check_eq "update over the running tessen.exe exits 0" 0 "$RUN_RC"
            # Waiting out the 30 s bound, it could not write tessen.exe before then.
            after=$(ms_between "$SC_DIR/update.start" "$t/tessen.exe")
            check "update replaced tessen.exe before its 30 s bound (after ${after} ms)" \
                test "$after" -ge 0 -a "$after" -lt 30000
            check_no_window "no window shown by the update"
            sc_wait "$tessen" 10
            check_eq "tessen.exe closed by the setup" 0 "$WAIT_RC"
            check_installed "$target" english.lng
        else
            fail "installed tessen.exe shows its client window"
        fi
    else
        skip "update over the running tessen.exe" "no payloads in this setup"
    fi
    scenario_end
}

scenario_unresponsive_client() {
    scenario_begin unresponsive-client || { fail "scenario prepared"; scenario_end; return; }
    sc_start "$SC_DIR/client.log" "$E2E_PROBE" client 120 -1 'Z:\nonexistent'
    if ! sc_wait_line "$SC_DIR/client.log" READY 30; then
        fail "stand-in client started"
        scenario_end
        return
    fi
    local target='C:\Sorvane Stuck' client=$BG_PID
    SILENT_LIMIT=60 silent_run -silent 0 "$target"
    check_eq "silent run past a client that stays exits 0" 0 "$RUN_RC"
    check "waits the whole 30 s for the client (${RUN_MS} ms)" test "$RUN_MS" -ge 29000
    # The stand-in stays 120 s: a setup that ends before it gave up on it.
    check "gives up on the client while it still stands" kill -0 "$client"
    check_ini "installs after giving up" "$(sc_path "$target")/datax/kayit.dat" Ayarlar Language english.lng
    scenario_end
}

# ------------------------------------------------ a real installation, then used

# The default folder, as the product sees the program folder.
INSTALL_DIR="$E2E_PROGRAM_FILES\\Sorvane"
RUN_KEY='SOFTWARE\Microsoft\Windows\CurrentVersion\Run'

# installed_begin NAME LANG: a scenario with the product installed silently into
# INSTALL_DIR; false (the scenario ended) when that cannot be done here.
installed_begin() {
    scenario_begin "$1" "$2" || { fail "scenario prepared"; scenario_end; return 1; }
    [[ -n ${EMBEDDED:-} ]] || detect_payloads
    if [[ ${EMBEDDED:-0} -ne 6 ]]; then
        skip "the installed programs" "this setup carries no payloads"
        scenario_end
        return 1
    fi
    sc_run "$SILENT_LIMIT" -silent 1 "$INSTALL_DIR"
    check_eq "'-silent 1 \"$INSTALL_DIR\"' exits 0" 0 "$RUN_RC"
    INSTALLED=$(sc_path "$INSTALL_DIR")
}

# The client as the user starts it from the installation folder.
check_installed_client() {  # TEXT
    pushd "$INSTALLED" >/dev/null || return
    sc_open_window "installed tessen.exe" "$INSTALL_DIR\\tessen.exe" _quillon_filter "$1"
    popd >/dev/null || return
    sc_close_window "installed tessen.exe" "$BG_PID" _quillon_filter 1136
}

# Runs the installed uninstaller, forced, watched for windows.
uninstall_forced() {
    sc_watch_start Uninstall.exe || fail "window watch started"
    sc_exec_product 90 "$SC_DIR/uninstall.log" "$INSTALL_DIR\\Uninstall.exe" -uninstall -f
    local rc=$RUN_RC
    sc_watch_stop
    RUN_RC=$rc
}

# Which of LINUX_PATHS... exist, for a check's detail.
existing() {
    local p left=()
    for p in "$@"; do [[ -e $p ]] && left+=("${p#"$(sc_c)"/}"); done
    echo "${left[*]}"
}

# A running program cannot delete its own file; the uninstaller moves it aside,
# and what it moved must be due to go at the next start.
check_own_copy_goes() {
    local moved m p unscheduled=()
    mapfile -t moved < <(find "$(sc_c)" -name '~sorvane-uninstall-*' 2>/dev/null)
    if [[ ${#moved[@]} -gt 0 ]]; then
        sc_exec 30 "$SC_DIR/pending.log" reg query \
            'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations
        for m in "${moved[@]}"; do
            p=${m#"$(sc_c)"/}
            grep -qiF "C:\\${p//\//\\}" "$SC_DIR/pending.log" || unscheduled+=("$p")
        done
        note "moved aside by the uninstaller: ${moved[*]#"$(sc_c)"/}"
    fi
    check_eq "the uninstaller's own file is gone or due to go at the next start" "" "${unscheduled[*]}"
}

scenario_installed_en() {
    installed_begin installed-en en || return
    # One wine session to the end: a wine process started after the session ended
    # (a gap of a few seconds on a busy machine) boots a new one, and that boot
    # carries out the pending deletions, removing the uninstaller's moved file
    # and its PendingFileRenameOperations entry before the check reads them.
    env "${SC_ENV[@]}" timeout 30 "$WINESERVER" -w
    env "${SC_ENV[@]}" "$WINESERVER" -p
    check_installed_client 'Sorvane filter client is running.'

    # The helper as the setup starts it: the DLL by its short path, silent.
    local short
    short=$(sc_probe shortpath "$INSTALL_DIR\\plugin\\_pellin.dll")
    note "the provider's short path: $short"
    sc_watch_start _marrow.exe || fail "window watch started"
    sc_exec_product 30 "$SC_DIR/helper.log" "$INSTALL_DIR\\_marrow.exe" 0 "$short" IY
    local install_rc=$RUN_RC
    sc_exec_product 30 "$SC_DIR/helper.log" "$INSTALL_DIR\\_marrow.exe" 0 "$short" U
    local remove_rc=$RUN_RC
    sc_watch_stop
    check_eq "installed helper '0 <short path> IY' exits 0" 0 "$install_rc"
    check_eq "installed helper '0 <short path> U' exits 0" 0 "$remove_rc"
    check_no_window "installed helper shows no window"

    # What a later setup writes too, so that the uninstaller is seen removing it.
    local root written=0
    for root in HKCU HKLM; do
        sc_reg_set "$root\\Software\\OrvikSoft\\Sorvane" InstallDir "$INSTALL_DIR\\" && ((++written))
        sc_reg_set "$root\\$RUN_KEY" tessen "\"$INSTALL_DIR\\tessen.exe\"" && ((++written))
    done
    # Unquoted, blanks and all, as the setup writes it.
    sc_reg_set 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Sorvane' UninstallString \
        "$INSTALL_DIR\\Uninstall.exe -uninstall -f" && ((++written))
    check_eq "the registry values of a later setup written beforehand" 5 "$written"

    uninstall_forced
    check_eq "installed Uninstall.exe -uninstall -f exits 0" 0 "$RUN_RC"
    check_no_window "the uninstaller shows no window"
    local files=() p groups
    for p in "${PAYLOADS[@]}"; do files+=("$INSTALLED/${p//\\//}"); done
    check_eq "none of the six files is left" "" "$(existing "${files[@]}")"
    check_eq "no datax folder is left" "" "$(existing "$INSTALLED/datax" "$(sc_c)/ProgramData/Sorvane/datax")"
    check_absent "the installation folder is gone" "$INSTALLED"
    check_absent "C:\\ProgramData\\Sorvane is gone" "$(sc_c)/ProgramData/Sorvane"
    mapfile -t groups < <(sc_menu_groups Sorvane)
    check_eq "no Sorvane Start-menu group" "" "$(existing "${groups[@]}")"
    check "HKCU Software\\OrvikSoft\\Sorvane is gone" sc_reg_absent 'HKCU\Software\OrvikSoft\Sorvane'
    check "HKLM Software\\OrvikSoft\\Sorvane is gone" sc_reg_absent 'HKLM\Software\OrvikSoft\Sorvane'
    check "the Uninstall entry is gone" sc_reg_absent 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Sorvane'
    for root in HKCU HKLM; do
        check "$root Run value tessen is gone" sc_reg_absent "$root\\$RUN_KEY" /v tessen
    done
    check_own_copy_goes
    scenario_end
}

# The installation the Turkish locale gives, then the user's own file in its folder.
scenario_installed_tr() {
    installed_begin installed-tr tr || return
    check_installed_client 'Sorvane filtre istemcisi çalışıyor.'
    echo mine >"$INSTALLED/notes.txt"
    uninstall_forced
    check_eq "uninstall beside the user's own file exits 0" 0 "$RUN_RC"
    check_file "the user's own file stays" "$INSTALLED/notes.txt"
    check_eq "the folder keeps only the user's file" notes.txt "$(ls -A "$INSTALLED" 2>/dev/null)"
    scenario_end
}

# ------------------------------------------------ the wizard, as a person uses it

W_CAPTION=
# The wizard's controls, hidden ones too: "CONTROL shown=1 class=... text=...".
wiz_controls() { sc_probe controls qnInstaller "$W_CAPTION"; }

# state TEXT FIELD: FIELD (shown, enabled, checked, pos, max) of the control that
# reads TEXT, accelerator marks ignored, a shown one first; empty when there is none.
state() {
    local line t found=
    while IFS= read -r line; do
        [[ $line == CONTROL* ]] || continue
        t=${line#* text=}
        [[ ${t//&/} == "${1//&/}" ]] || continue
        found=${found:-$line}
        if [[ $line == "CONTROL shown=1 "* ]]; then
            found=$line
            break
        fi
    done < <(wiz_controls)
    [[ -n $found ]] && grep -o " $2=[^ ]*" <<<" ${found%% text=*}" | head -1 | cut -d= -f2
}

# wait_state TEXT FIELD VALUE: waits up to 15 s for the control to get there.
wait_state() {
    local end=$((SECONDS + 15))
    until [[ "$(state "$1" "$2")" == "$3" ]]; do
        ((SECONDS < end)) || return 1
        sleep 0.1
    done
}

# The focused control's text, and the text of the shown single-line field.
focused() { sc_probe focus qnInstaller "$W_CAPTION" | sed -n 's/^FOCUS .* text=//p'; }
shown_field() { wiz_controls | sed -n 's/^CONTROL shown=1 class=Edit .* text=//p' | head -1; }
progress() { wiz_controls | grep -o 'pos=[0-9]* max=[0-9]*' | head -1; }
keys() { sc_probe keys qnInstaller "$W_CAPTION" "$@" >/dev/null; }

# The whole installation through the wizard, with the keyboard, the mouse and the
# folder dialog, and a screenshot of every page. On the finish page the English run
# starts the client; the Turkish one leaves by the close requests instead.
scenario_interactive() {  # NAME LANG CAPTION CANCEL BROWSE INSTALL FINISH FINISH_KEY LANGUAGE_FILE
    local name=$1 lang=$2 cancel=$4 browse=$5 install=$6 finish=$7 finish_key=$8 lng=$9
    W_CAPTION=$3
    scenario_begin "$name" "$lang" || { fail "scenario prepared"; scenario_end; return; }
    [[ -n ${EMBEDDED:-} ]] || detect_payloads
    # Started from C:\, where the folder dialog then opens.
    pushd "$(sc_c)" >/dev/null || return
    sc_start_setup wizard
    popd >/dev/null || return
    local pid=$BG_PID rect chosen='C:\Sorvane Chosen' cap=$3
    if ! sc_find qnInstaller "$cap" 30000; then
        fail "the wizard is shown, titled '$cap'"
        scenario_end
        return
    fi
    rect=$FOUND_RECT
    sc_screenshot "$lang-1-welcome" "$rect"
    check_eq "first display: 'İleri >' has the focus" "İleri >" "$(focused)"
    check_eq "first display: no back button" 0 "$(state '< Geri' shown)"

    keys esc
    sleep 0.5
    check_eq "Escape neither asks nor leaves" "0 1" "$(sc_count '#32770') $(sc_count qnInstaller)"
    keys tab
    check_eq "Tab moves to '$cancel'" "$cancel" "$(focused)"
    keys shift+tab enter
    wait_state 'Sözleşmeyi kabul ediyorum' shown 1
    check_eq "Shift+Tab and Enter: the licence page, agreement not accepted, forward disabled" \
        "1 0 0" "$(state 'Sözleşmeyi kabul ediyorum' shown) $(state 'Sözleşmeyi kabul ediyorum' checked) $(state 'İleri >' enabled)"
    check_contains "the licence is shown read-only in Turkish" <(wiz_controls) 'SORVANE SON KULLANICI LİSANS SÖZLEŞMESİ'
    sc_screenshot "$lang-2-licence" "$rect"
    # A multi-line box would take Escape and Enter for itself, or close the window.
    local tries=0
    until [[ "$(focused)" == SORVANE* ]] || ((++tries > 5)); do keys tab; done
    check "Tab reaches the licence box" test "$tries" -le 5
    keys esc enter
    sleep 0.5
    check_eq "in the licence box, Escape and Enter do nothing" "0 1 1" \
        "$(sc_count '#32770') $(sc_count qnInstaller) $(state 'Sözleşmeyi kabul ediyorum' shown)"
    sc_click qnInstaller "$cap" 'Sözleşmeyi kabul ediyorum'
    check "accepting enables 'İleri >'" wait_state 'İleri >' enabled 1
    sc_click qnInstaller "$cap" '< Geri'
    wait_state '< Geri' shown 0
    sc_click qnInstaller "$cap" 'İleri >'
    wait_state 'Sözleşmeyi kabul ediyorum' shown 1
    check_eq "back and forward again: the agreement has to be accepted again" "0 0" \
        "$(state 'Sözleşmeyi kabul ediyorum' checked) $(state 'İleri >' enabled)"
    sc_click qnInstaller "$cap" 'Sözleşmeyi kabul ediyorum'
    wait_state 'İleri >' enabled 1
    keys alt+i
    check "Alt+I presses '&İleri >'" wait_state "$browse" shown 1
    check_eq "the folder page proposes the default folder" "$INSTALL_DIR\\" "$(shown_field)"

    local walk=() i cycle="< Geri|$INSTALL_DIR\\|$browse|$cancel|İleri >"
    for i in 1 2 3 4 5; do
        keys tab
        walk+=("$(focused)")
    done
    local seen
    seen=$(IFS='|'; echo "${walk[*]}")
    seen=${seen//&/}
    if [[ "$cycle|$cycle" == *"$seen"* ]]; then pass "Tab walks the controls in order"; else fail "Tab walks the controls in order" "$seen"; fi
    keys shift+tab
    check_eq "Shift+Tab walks back" "${walk[3]//&/}" "$(focused | tr -d '&')"

    sc_click qnInstaller "$cap" "$browse"
    if sc_find '#32770' 'Select Directory' 20000; then
        pass "'$browse' opens the folder dialog"
        check_eq "the dialog opens at the folder the setup was started from" 'C:\' \
            "$(sc_probe controls '#32770' 'Select Directory' | sed -n 's/^.* id=1100 .* text=//p' | head -1)"
        [[ $lang == en ]] && sc_screenshot folder-dialog "$FOUND_RECT"
        sc_probe settext '#32770' 'Select Directory' 1100 "$chosen" >/dev/null
        sc_click '#32770' 'Select Directory' '#1'
        if sc_find '#32770' '?does not exist' 10000; then
            pass "a typed folder that does not exist: the dialog asks to create it"
            sc_click '#32770' '?does not exist' '#6'
        else
            fail "a typed folder that does not exist: the dialog asks to create it"
        fi
        sc_wait_count '#32770' 0 10
    else
        fail "'$browse' opens the folder dialog"
    fi
    local end=$((SECONDS + 10))
    while [[ "$(shown_field)" != "$chosen\\Sorvane\\" ]] && ((SECONDS < end)); do sleep 0.1; done
    check_eq "the chosen folder with the product folder" "$chosen\\Sorvane\\" "$(shown_field)"
    check_dir "the dialog created the typed folder" "$(sc_path "$chosen")"
    sc_screenshot "$lang-3-folder" "$rect"

    sc_click qnInstaller "$cap" 'İleri >'
    check "the summary page offers '$install'" wait_state "$install" shown 1
    check_eq "the summary names the folder" 1 "$(state "$chosen\\Sorvane\\" shown)"
    sc_screenshot "$lang-4-summary" "$rect"

    # The cancel press waits in the queue and opens the question inside the run.
    sc_probe clicks qnInstaller "$cap" "$install" "$cancel" >/dev/null
    if sc_find '#32770' "$cap" 20000; then
        pass "'$cancel' during the run asks the exit question"
        local at
        at=$(progress)
        at=${at#pos=}
        check "the run waits for the answer (step ${at%% *} of 15)" test "${at%% *}" -lt 15
        sc_probe move '#32770' "$cap" 257 600 >/dev/null
        sc_screenshot "$lang-5-progress" "$rect"
        sc_click '#32770' "$cap" '#7'
    else
        fail "'$cancel' during the run asks the exit question"
    fi
    check "No: the run goes on to the finish page" wait_state "$finish" shown 1
    check_eq "progress ran to 15 of 15" "pos=15 max=15" "$(progress)"
    check_eq "finish page: cancel and back disabled, the client box ticked" "0 0 1" \
        "$(state "$cancel" enabled) $(state '< Geri' enabled) $(state "Sorvane'nı çalıştır" checked)"
    check_eq "the finish button has the focus" "$finish" "$(focused)"
    sc_screenshot "$lang-6-finish" "$rect"

    if [[ $lang == en ]]; then
        keys "$finish_key"
        sc_wait "$pid" 30
        check_eq "'$finish' ends the setup with 0" 0 "$WAIT_RC"
        if [[ ${EMBEDDED:-0} -eq 6 ]]; then
            check_eq "'$finish' starts the installed client" EXISTS "$(sc_probe exists _quillon_filter 20000)"
            sc_probe_ok close _quillon_filter 1136 20000
        fi
    else
        keys alt+f4
        if sc_find '#32770' "$cap" 10000; then
            pass "Alt+F4 on the finish page asks the exit question"
            sc_click '#32770' "$cap" '#7'
            sc_wait_count '#32770' 0 10
        else
            fail "Alt+F4 on the finish page asks the exit question"
        fi
        sc_probe post qnInstaller "$cap" 0x0112 0xF060 0 >/dev/null  # the system menu's Close
        if sc_find '#32770' "$cap" 10000; then
            pass "the system menu's Close asks the exit question"
            sc_click '#32770' "$cap" '#6'
        else
            fail "the system menu's Close asks the exit question"
        fi
        sc_wait "$pid" 30
        check_eq "Yes ends the setup with 0" 0 "$WAIT_RC"
        check_eq "leaving by the question starts no client" NOTFOUND "$(sc_probe exists _quillon_filter 3000)"
    fi
    check_installed "$chosen\\Sorvane" "$lng"
    scenario_end
}

# A log-off query asks the exit question and is refused; Yes during the run lets
# the run finish and ends the setup without the client.
scenario_exit_during_run() {
    W_CAPTION='Sorvane Installation'
    local cap=$W_CAPTION
    scenario_begin wizard-exit-during-run en || { fail "scenario prepared"; scenario_end; return; }
    [[ -n ${EMBEDDED:-} ]] || detect_payloads
    sc_start_setup wizard
    local pid=$BG_PID
    if ! sc_find qnInstaller "$cap" 30000; then
        fail "the wizard is shown"
        scenario_end
        return
    fi
    sc_start "$SC_DIR/query.log" "$E2E_PROBE" send qnInstaller "$cap" 0x0011 0 0x80000000
    local query=$BG_PID
    if sc_find '#32770' "$cap" 20000; then
        pass "a log-off query asks the exit question"
        sc_click '#32770' "$cap" '#7'
    else
        fail "a log-off query asks the exit question"
    fi
    sc_wait "$query" 20
    check_contains "the log-off query is refused" "$SC_DIR/query.log" "RESULT 0"

    sc_click qnInstaller "$cap" 'İleri >'
    wait_state 'Sözleşmeyi kabul ediyorum' shown 1
    sc_click qnInstaller "$cap" 'Sözleşmeyi kabul ediyorum'
    wait_state 'İleri >' enabled 1
    sc_click qnInstaller "$cap" 'İleri >'
    wait_state 'Araştır...' shown 1
    sc_click qnInstaller "$cap" 'İleri >'
    wait_state 'Kur' shown 1
    sc_probe clicks qnInstaller "$cap" 'Kur' 'Vazgeç' >/dev/null
    if sc_find '#32770' "$cap" 20000; then
        pass "the exit question during the run"
        sc_click '#32770' "$cap" '#6'
    else
        fail "the exit question during the run"
    fi
    sc_wait "$pid" 60
    check_eq "Yes during the run: the setup ends with 0 after the run" 0 "$WAIT_RC"
    check_eq "Yes during the run starts no client" NOTFOUND "$(sc_probe exists _quillon_filter 3000)"
    check_installed "$INSTALL_DIR" english.lng
    scenario_end
}

# E2E_ONLY="name ..." runs only the scenarios named, for work on one of them.
want() { [[ -z ${E2E_ONLY:-} || " $E2E_ONLY " == *" $1 "* ]]; }

T0=$SECONDS
want silent-en && scenario_silent silent-en en 'C:\Program Files\Sorvane Test' 0 english.lng
if [[ $HAVE_TR -eq 1 ]]; then
    # The folder given with its final backslash, the other form users type.
    # shellcheck disable=SC1003
    want silent-tr && scenario_silent silent-tr tr 'C:\SorvaneTR\' 1 turkce.lng
else
    fail "tr_TR.UTF-8 locale available" "call e2e_install_tr_locale as root"
fi
want silent-lean && scenario_silent_lean
want installed-en && scenario_installed_en
[[ $HAVE_TR -eq 1 ]] && want installed-tr && scenario_installed_tr
want silent-settings-unwritable && scenario_unwritable_settings
want wizard-en && scenario_wizard wizard-en en 'Sorvane Installation' 'Vazgeç' "$EN_QUESTION" wizard-en \
    -silent 2 'C:\Sorvane Bad'
if [[ $HAVE_TR -eq 1 ]]; then
    # The rule is case-sensitive: "-Silent" is no silent start.
    want wizard-tr && scenario_wizard wizard-tr tr 'Sorvane Kurulumu' 'İptal' 'çıkmak istediğinize' wizard-tr \
        -Silent 1 'C:\SorvaneCase'
fi
want wizard-install-en && scenario_interactive wizard-install-en en 'Sorvane Installation' 'Vazgeç' \
    'Araştır...' '&Kur' '&Son' alt+s english.lng
if [[ $HAVE_TR -eq 1 ]]; then
    want wizard-install-tr && scenario_interactive wizard-install-tr tr 'Sorvane Kurulumu' 'İptal' \
        'Gözat...' 'K&ur' '&Kapat' alt+k turkce.lng
fi
want wizard-exit-during-run && scenario_exit_during_run
want wizard-already-running && scenario_already_running
want running-client && scenario_running_client
if [[ ${E2E_QUICK:-0} == 1 ]]; then
    skip "unresponsive client" "E2E_QUICK=1"
else
    want unresponsive-client && scenario_unresponsive_client
fi
echo "TIME: all scenarios $((SECONDS - T0)) s"
# E2E_DOCS=1 keeps the wizard's pictures for the README.
if [[ ${E2E_DOCS:-0} == 1 ]]; then
    mkdir -p "$E2E_REPO/docs/screenshots"
    for shot in "$E2E_SHOTS"/{en,tr}-*.png "$E2E_SHOTS"/folder-dialog.png "$E2E_SHOTS"/already-running.png; do
        [[ -f $shot ]] && cp "$shot" "$E2E_REPO/docs/screenshots/"
    done
fi
e2e_summary
