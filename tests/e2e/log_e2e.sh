#!/usr/bin/env bash
# The log of each run, "Sorvane Setup.log" in the account's temporary folder, read back
# under wine: what a successful and a failed silent run write there, and that a log
# file that is a link or was made read-only changes nothing of the run.
#
# usage: tests/e2e/log_e2e.sh [build folder]   (default build/win32, the product under WoW64)
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_use_build "${1:-}"
E2E_LABEL=log
FILES=(tessen.exe harlock.exe _marrow.exe sporder.dll 'plugin\_pellin.dll' Uninstall.exe)

e2e_require_setup
e2e_begin last-run-log

# Wine gives the account the temporary folder %USERPROFILE%\Temp.
sc_log() { echo "$(sc_c)/users/$(id -un)/Temp/Sorvane Setup.log"; }

# The run's lines without their line ends.
log_text() { tr -d '\r' <"$(sc_log)" 2>/dev/null; }

scenario_success() {
    scenario_begin log-success || { fail "scenario prepared"; scenario_end; return; }
    sc_run 60 -silent 1 'C:\Sorvane Log'
    check_eq "the silent run exits 0" 0 "$RUN_RC"
    check_file "the log lies in the account's temporary folder" "$(sc_log)"
    check "the log is UTF-8" iconv -f UTF-8 -t UTF-8 -o /dev/null "$(sc_log)"
    check_contains "the header names the mode" <(log_text) "mode: silent"
    check_contains "the header holds the command line" <(log_text) "-silent 1 \"C:\\Sorvane Log\""
    local f missing=()
    for f in "${FILES[@]}"; do
        grep -qxF "ok     file: C:\\Sorvane Log\\$f" <(log_text) || missing+=("$f")
    done
    check_eq "a line for each of the six files" "" "${missing[*]}"
    check_eq "the exit code comes last" "exit code 0" "$(log_text | tail -n 1)"
    cp "$(sc_log)" "$SC_DIR/first.log"

    sc_run 60 -silent 1 'C:\Sorvane Log'
    check_eq "a second run adds its own block" 2 "$(grep -c '^==== Sorvane Setup' <(log_text))"
    check "the first run's block stays as it was" \
        cmp -s "$SC_DIR/first.log" <(head -c "$(stat -c %s "$SC_DIR/first.log")" "$(sc_log)")
    scenario_end
}

scenario_failure() {
    scenario_begin log-failure || { fail "scenario prepared"; scenario_end; return; }
    # A folder where a payload belongs ends the run before any file takes its name; a
    # file where the settings folder belongs ends it at the settings.
    mkdir -p "$(sc_path 'C:\Blocked\harlock.exe')"
    sc_run 60 -silent 1 'C:\Blocked'
    check_eq "the failed silent run exits 1" 1 "$RUN_RC"
    check "the failed payload is named with a Windows error code" \
        grep -qE '^FAILED file: C:\\Blocked\\harlock.exe \(Windows error [1-9][0-9]*\)$' <(log_text)
    check_absent "no other payload took its name" "$(sc_path 'C:\Blocked\tessen.exe')"
    rmdir "$(sc_path 'C:\Blocked\harlock.exe')"
    echo x >"$(sc_path 'C:\Blocked\datax')"
    sc_run 60 -silent 1 'C:\Blocked'
    check "the failing step is named with a Windows error code" \
        grep -qE '^FAILED settings file: C:\\Blocked\\datax\\kayit.dat \(Windows error [1-9][0-9]*\)$' <(log_text)
    check_eq "the exit code comes last" "exit code 1" "$(log_text | tail -n 1)"

    # A full-width backslash and quote, which the system's best fit would make real ones.
    sc_run 60 -silent 1 'C:\Best＼Fit＂'
    check_eq "a silent folder the code page cannot hold exits 1" 1 "$RUN_RC"
    check_contains "it is named with Windows error 1113" <(log_text) \
        'FAILED target folder: C:\Best?Fit? (Windows error 1113)'
    check_absent "nothing is made for it" "$(sc_c)/Best"
    scenario_end
}

# check_run_unchanged WHAT: the run did everything it does without a log.
check_run_unchanged() {
    check_eq "$1: the silent run exits 0" 0 "$RUN_RC"
    local f missing=()
    for f in "${FILES[@]}" 'datax\kayit.dat'; do
        [[ -f $(sc_path "C:\\Logged\\$f") ]] || missing+=("$f")
    done
    check_eq "$1: every file is installed" "" "${missing[*]}"
}

scenario_untrusted() {
    scenario_begin log-untrusted || { fail "scenario prepared"; scenario_end; return; }
    local log outside=$SC_DIR/outside.txt nowhere=$SC_DIR/nowhere.txt
    log=$(sc_log)
    mkdir -p "$(dirname "$log")"
    echo untouched >"$outside"

    ln -s "$outside" "$log"
    sc_run 60 -silent 1 'C:\Logged'
    check_run_unchanged "log file a link"
    check_eq "the file behind the link is untouched" untouched "$(cat "$outside")"

    rm -f "$log"
    ln -s "$nowhere" "$log"
    sc_run 60 -silent 1 'C:\Logged'
    check_run_unchanged "log file a link to nowhere"
    check_absent "nothing is created behind the link" "$nowhere"

    rm -f "$log"
    printf 'kept\r\n' >"$log"
    sc_exec 30 "$SC_DIR/attrib.log" attrib +r "$(unix_to_win "$log")"
    sc_run 60 -silent 1 'C:\Logged'
    check_run_unchanged "read-only log file"
    check_eq "the read-only log is left as it was" kept "$(log_text)"
    scenario_end
}

scenario_success
scenario_failure
scenario_untrusted
e2e_summary
