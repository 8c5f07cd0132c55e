# shellcheck shell=bash
# Building blocks of the wine scenarios: the build a suite runs and what follows from
# its architecture, one template prefix per run, a fresh copy and an own X display per
# scenario, runs with a time limit, checks and counting. Sourced by every suite; every
# process started here is ended here, by its own id.

# shellcheck disable=SC2034  # RUN_RC, WAIT_RC, FOUND... are results for the scenarios
E2E_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_SRC=$E2E_REPO/tests/e2e
E2E_OUT=${E2E_OUT:-$E2E_REPO/build/e2e}
E2E_SHOTS=$E2E_OUT/screenshots

WINE64=${WINE64:-$(command -v wine64 || echo /usr/lib/wine/wine64)}
# The 32-bit loader itself, not Debian's wrapper script that picks one.
WINE32=${WINE32:-/usr/lib/wine/wine}
WINESERVER=${WINESERVER:-$(command -v wineserver || echo /usr/lib/wine/wineserver)}
E2E_MINGW=${E2E_MINGW:-$(command -v x86_64-w64-mingw32-g++-win32 || command -v x86_64-w64-mingw32-g++ || echo x86_64-w64-mingw32-g++)}
E2E_MINGW32=${E2E_MINGW32:-$(command -v i686-w64-mingw32-g++-win32 || command -v i686-w64-mingw32-g++ || echo i686-w64-mingw32-g++)}
# Bumped whenever the template's recipe changes, so that a cached one is rebuilt.
E2E_TEMPLATE_RECIPE=3

# Every bound on a wait or a run is this many times what a run takes on an idle machine:
# emulated 32-bit code and a busy machine make everything slower, and a bound only
# costs time when something is wrong.
E2E_PATIENCE=${E2E_PATIENCE:-3}

E2E_PASSED=0
E2E_FAILED=0
E2E_SKIPPED=0
E2E_LOCPATH=
# Names the checks made outside any scenario.
E2E_LABEL=setup

# ---------------------------------------------------------------- reporting

pass() { E2E_PASSED=$((E2E_PASSED + 1)); echo "PASS: ${SC_NAME:-$E2E_LABEL}: $1"; }
fail() {
    E2E_FAILED=$((E2E_FAILED + 1))
    echo "FAIL: ${SC_NAME:-$E2E_LABEL}: $1${2:+ ($2)}"
}
skip() { E2E_SKIPPED=$((E2E_SKIPPED + 1)); echo "SKIP: ${SC_NAME:-$E2E_LABEL}: $1${2:+ ($2)}"; }
note() { echo "      $*"; }

# check DESCRIPTION COMMAND...: passes when COMMAND succeeds.
check() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

check_eq() {  # DESCRIPTION EXPECTED ACTUAL
    if [[ "$2" == "$3" ]]; then pass "$1"; else fail "$1" "expected '$2', got '$3'"; fi
}

check_file() { if [[ -f "$2" ]]; then pass "$1"; else fail "$1" "no file $2"; fi; }
check_dir() { if [[ -d "$2" ]]; then pass "$1"; else fail "$1" "no folder $2"; fi; }
check_absent() { if [[ ! -e "$2" ]]; then pass "$1"; else fail "$1" "$2 exists"; fi; }

check_empty_dir() {
    if [[ -d "$2" && -z "$(ls -A "$2")" ]]; then pass "$1"; else fail "$1" "$2 is not an empty folder"; fi
}

check_same_bytes() {  # DESCRIPTION EXPECTED_FILE ACTUAL_FILE
    if [[ ! -f "$3" ]]; then
        fail "$1" "no file $3"
    elif cmp -s "$2" "$3"; then
        pass "$1"
    else
        fail "$1" "$3 differs from $2"
    fi
}

check_contains() {  # DESCRIPTION FILE TEXT: TEXT occurs in FILE
    if grep -qF -- "$3" "$2" 2>/dev/null; then pass "$1"; else fail "$1" "'$3' not in $(basename "$2")"; fi
}

# ini_value FILE SECTION KEY: the value as a Windows profile reader finds it
# (section and key compared without regard to case, blanks around '=' dropped).
ini_value() {
    [[ -f "$1" ]] || return 1
    tr -d '\r' <"$1" | awk -v sec="$2" -v key="$3" '
        BEGIN { sec = tolower(sec); key = tolower(key) }
        /^[ \t]*\[/ { s = $0; sub(/^[ \t]*\[/, "", s); sub(/\].*$/, "", s); in_sec = (tolower(s) == sec); next }
        in_sec {
            i = index($0, "="); if (!i) next
            k = substr($0, 1, i - 1); v = substr($0, i + 1)
            gsub(/^[ \t]+|[ \t]+$/, "", k); gsub(/^[ \t]+|[ \t]+$/, "", v)
            if (tolower(k) == key) { print v; found = 1; exit }
        }
        END { exit !found }'
}

check_ini() {  # DESCRIPTION FILE SECTION KEY EXPECTED
    local got
    if ! got=$(ini_value "$2" "$3" "$4"); then
        fail "$1" "no [$3] $4 in $2"
    else
        check_eq "$1" "$5" "$got"
    fi
}

e2e_summary() {
    [[ $E2E_SKIPPED -gt 0 ]] && echo "($E2E_SKIPPED skipped)"
    echo "$E2E_PASSED passed, $E2E_FAILED failed"
    [[ $E2E_FAILED -eq 0 ]]
}

# ---------------------------------------------------------------- the build under test

# pe_machine FILE: i386 or amd64, from the PE header; nothing for anything else.
pe_machine() {
    local off
    off=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [[ -n $off ]] || return 1
    case $(od -An -tx2 -j$((off + 4)) -N2 "$1" 2>/dev/null | tr -d ' ') in
        014c) echo i386 ;;
        8664) echo amd64 ;;
        *) return 1 ;;
    esac
}

# e2e_use_build BUILD_FOLDER|SETUP_EXE: the build a suite runs (default build/win32) and
# what follows from its architecture. The product is 32-bit and runs under WoW64 in a
# 64-bit prefix, as on a 64-bit Windows; its 64-bit sibling runs as a 64-bit program.
# Sets E2E_BUILD, E2E_SETUP, E2E_ARCH (win32|win64), E2E_WINE (the loader of the product
# and its payloads), E2E_PRODUCT_MINGW (helpers that must share the product's
# bitness), E2E_PROGRAM_FILES (the default folder's parent as the product sees it),
# E2E_REG_VIEW (the product's registry view, for reg.exe), E2E_HKLM_SOFTWARE (where
# the product's HKLM\Software lies, as a path below \Registry\Machine).
e2e_use_build() {
    local given=${1:-build/win32}
    [[ -e $given || $given == /* ]] || given=$E2E_REPO/$given
    if [[ -f $given ]]; then
        E2E_SETUP=$(readlink -f "$given")
        E2E_BUILD=$(dirname "$(dirname "$E2E_SETUP")")
    else
        E2E_BUILD=$(readlink -m "$given")
        E2E_SETUP=$E2E_BUILD/app/sorvane_setup.exe
    fi
    local machine
    machine=$(pe_machine "$E2E_SETUP") ||
        machine=$(grep -q '^CMAKE_TOOLCHAIN_FILE:.*i686' "$E2E_BUILD/CMakeCache.txt" 2>/dev/null && echo i386) ||
        machine=$([[ $E2E_BUILD == *32 ]] && echo i386 || echo amd64)
    if [[ $machine == i386 ]]; then
        E2E_ARCH=win32 E2E_WINE=$WINE32 E2E_PRODUCT_MINGW=$E2E_MINGW32
        E2E_PROGRAM_FILES='C:\Program Files (x86)' E2E_REG_VIEW=/reg:32
        E2E_HKLM_SOFTWARE='Software\WOW6432Node'
    else
        E2E_ARCH=win64 E2E_WINE=$WINE64 E2E_PRODUCT_MINGW=$E2E_MINGW
        E2E_PROGRAM_FILES='C:\Program Files' E2E_REG_VIEW=/reg:64
        E2E_HKLM_SOFTWARE='Software'
    fi
}

# e2e_require_setup: ends the suite as one failed check when the setup is not built.
e2e_require_setup() {
    [[ -f $E2E_SETUP ]] && return 0
    fail "setup exists" "$E2E_SETUP"
    e2e_summary
    exit 1
}

# ---------------------------------------------------------------- machine

e2e_require_tools() {
    local missing=() t
    for t in "$WINE64" "${E2E_WINE:-$WINE64}" "$WINESERVER" Xvfb import xev stdbuf flock timeout; do
        command -v "$t" >/dev/null 2>&1 || missing+=("$t")
    done
    if [[ ${#missing[@]} -gt 0 ]]; then
        echo "missing tools: ${missing[*]} (Debian: wine64 wine32:i386 xvfb imagemagick x11-utils)" >&2
        return 1
    fi
}

e2e_have_locale() {  # NAME like tr_TR.UTF-8
    local want=${1,,}
    want=${want//-/}
    locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | tr -d '-' | grep -qx "$want"
}

# The system-wide way, for the scripts that prepare a machine (root, Debian).
e2e_install_tr_locale() {
    e2e_have_locale tr_TR.UTF-8 && return 0
    if [[ ! -f /etc/locale.gen ]] || ! command -v locale-gen >/dev/null; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y locales >/dev/null || return 1
    fi
    grep -q '^tr_TR.UTF-8' /etc/locale.gen || sed -i 's/^# *tr_TR.UTF-8/tr_TR.UTF-8/' /etc/locale.gen
    grep -q '^tr_TR.UTF-8' /etc/locale.gen || echo 'tr_TR.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null && e2e_have_locale tr_TR.UTF-8
}

# Makes tr_TR.UTF-8 usable for the Turkish scenarios: the system's when it has it,
# else one compiled into build/e2e/locale (no root needed, LOCPATH points there).
e2e_prepare_tr_locale() {
    e2e_have_locale tr_TR.UTF-8 && return 0
    local dir=$E2E_OUT/locale
    if [[ ! -d $dir/tr_TR.UTF-8 ]] && command -v localedef >/dev/null; then
        mkdir -p "$dir"
        localedef -i tr_TR -f UTF-8 "$dir/tr_TR.UTF-8" >/dev/null 2>&1 || rm -rf "$dir/tr_TR.UTF-8"
    fi
    if [[ -d $dir/tr_TR.UTF-8 ]]; then
        E2E_LOCPATH=$dir
        return 0
    fi
    e2e_install_tr_locale
}

# e2e_compile EXE MINGW ARGS...: builds a helper program of the scenarios (no part of
# any build) with MINGW when EXE is missing or older than a file among ARGS, among
# E2E_COMPILE_DEPS (headers), than this file or the probes' shared header; the compiler's
# words go to EXE.log.
E2E_COMPILE_DEPS=()
e2e_compile() {
    local exe=$1 mingw=$2 a stale=0
    shift 2
    [[ -f $exe && ! $E2E_SRC/lib.sh -nt $exe && ! $E2E_SRC/probe_support.h -nt $exe ]] || stale=1
    for a in "$@" "${E2E_COMPILE_DEPS[@]}"; do
        [[ -f $a && $a -nt $exe ]] && stale=1
    done
    ((stale)) || return 0
    (cd "$E2E_REPO" && "$mingw" "$@" -o "$exe.tmp") >"$exe.log" 2>&1 && mv "$exe.tmp" "$exe"
}

# The probe, a GUI program, so that nothing it starts opens a console window. The
# window tools run as 64-bit programs (no emulation, whatever the product is); a copy
# of the product's bitness loads its libraries.
e2e_prepare_probe() {
    E2E_PROBE=$E2E_OUT/e2e_probe.exe
    E2E_PROBE_PRODUCT=$E2E_PROBE
    local args=(-std=c++17 -O2 -municode -mwindows -static "$E2E_SRC/e2e_probe.cpp" -lws2_32 -luser32)
    e2e_compile "$E2E_PROBE" "$E2E_MINGW" "${args[@]}" || return 1
    if [[ ${E2E_ARCH:-win64} == win32 ]]; then
        E2E_PROBE_PRODUCT=$E2E_OUT/e2e_probe32.exe
        e2e_compile "$E2E_PROBE_PRODUCT" "$E2E_MINGW32" "${args[@]}" || return 1
    fi
}

# unix_to_win PATH: the path as a wine program names it.
unix_to_win() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }

# ---------------------------------------------------------------- displays

E2E_OWN_XVFB=()

# Starts an Xvfb on a display that the server itself picks and announces (-displayfd),
# so that suites running side by side never share one; sets XVFB_PID, XVFB_DISPLAY.
e2e_start_xvfb() {
    local fifo pid n="" try
    for ((try = 0; try < 3; try++)); do
        fifo=$(mktemp -u "${TMPDIR:-/tmp}/e2e-xvfb.XXXXXX")
        mkfifo "$fifo" || return 1
        # E2E_SCREEN: a larger screen for the wizard at a high display scale.
        Xvfb -displayfd 3 -nolisten tcp -screen 0 "${E2E_SCREEN:-1024x768x24}" 3>"$fifo" </dev/null >/dev/null 2>&1 &
        pid=$!
        # The server writes its display number once it listens; a bounded read.
        n=$(timeout 60 head -n 1 <"$fifo" 2>/dev/null)
        rm -f "$fifo"
        if [[ $n =~ ^[0-9]+$ ]] && kill -0 "$pid" 2>/dev/null; then
            XVFB_PID=$pid
            XVFB_DISPLAY=:$n
            E2E_OWN_XVFB+=("$pid")
            return 0
        fi
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    echo "no X display could be started" >&2
    return 1
}

e2e_stop_xvfb() {  # PID
    kill "$1" 2>/dev/null && wait "$1" 2>/dev/null
    local keep=() p
    for p in "${E2E_OWN_XVFB[@]}"; do [[ $p != "$1" ]] && keep+=("$p"); done
    E2E_OWN_XVFB=("${keep[@]}")
}

# ---------------------------------------------------------------- template prefix

# Wine's version and the recipe: a cached template made otherwise is rebuilt.
# A template made before the 32-bit loader was installed has no 32-bit system folder.
e2e_template_key() {
    echo "recipe=$E2E_TEMPLATE_RECIPE wine=$("$WINE64" --version 2>/dev/null) wine32=$([[ -x $WINE32 ]] && echo yes || echo no)"
}

e2e_prepare_template() {
    E2E_TEMPLATE=$E2E_OUT/template
    local key
    key=$(e2e_template_key)
    if [[ -f $E2E_TEMPLATE/.e2e-template && "$(cat "$E2E_TEMPLATE/.e2e-template")" == "$key" ]]; then
        return 0
    fi
    echo "making the template prefix (once per wine version)"
    local new=$E2E_OUT/template.new
    rm -rf "$new" "$E2E_TEMPLATE"
    e2e_start_xvfb || return 1
    local xpid=$XVFB_PID
    # No Mono or Gecko: their install prompts would stall a machine without the packages.
    local env=(WINEPREFIX="$new" DISPLAY="$XVFB_DISPLAY" WINEDEBUG=-all
        WINEDLLOVERRIDES='winemenubuilder.exe=d;mscoree=d;mshtml=d')
    local ok=0
    if timeout -k 5 900 env "${env[@]}" "$WINE64" wineboot -i </dev/null >"$E2E_OUT/template.log" 2>&1 &&
        # Without a window manager, wine otherwise waits ~2 s for one at every window.
        timeout -k 5 120 env "${env[@]}" "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            </dev/null >>"$E2E_OUT/template.log" 2>&1; then
        ok=1
    fi
    env "${env[@]}" timeout 300 "$WINESERVER" -w
    env "${env[@]}" "$WINESERVER" -k 2>/dev/null
    e2e_stop_xvfb "$xpid"
    if [[ $ok -ne 1 ]] || ! grep -q '"Managed"="N"' "$new/user.reg"; then
        echo "the template prefix could not be made: see $E2E_OUT/template.log" >&2
        return 1
    fi
    echo "$key" >"$new/.e2e-template"
    mv "$new" "$E2E_TEMPLATE"
}

# e2e_begin RUN_FOLDER: what every suite does first, after e2e_use_build. One suite at
# a time per tree, as the template and the probe are shared; a missing piece ends the
# suite as a failed check. Sets E2E_RUN and HAVE_TR (1 when the Turkish locale can be
# used).
e2e_begin() {
    mkdir -p "$E2E_OUT"
    exec 9>"$E2E_OUT/.lock"
    flock 9
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
    e2e_require_tools || { fail "tools present"; e2e_summary; exit 1; }
    e2e_prepare_probe || { fail "probe built"; e2e_summary; exit 1; }
    e2e_prepare_template || { fail "template prefix made"; e2e_summary; exit 1; }
    HAVE_TR=1
    e2e_prepare_tr_locale || HAVE_TR=0
    E2E_RUN=$E2E_OUT/$1
    rm -rf "$E2E_RUN"
    mkdir -p "$E2E_RUN"
    echo "build: $E2E_BUILD ($E2E_ARCH$([[ $E2E_ARCH == win32 ]] && echo ', under WoW64'))"
}

# ---------------------------------------------------------------- scenarios

SC_NAME=
SC_BG=()

# scenario_begin NAME [en|tr]: a fresh prefix and an own display for NAME.
scenario_begin() {
    SC_NAME=$1
    SC_LANG=${2:-en}
    SC_DIR=$E2E_RUN/$SC_NAME
    SC_PREFIX=$SC_DIR/prefix
    SC_BG=()
    SC_T0=$SECONDS
    mkdir -p "$SC_DIR"
    echo "--- $SC_NAME"
    cp -a "$E2E_TEMPLATE" "$SC_PREFIX" || return 1
    e2e_start_xvfb || return 1
    SC_XVFB=$XVFB_PID
    SC_DISPLAY=$XVFB_DISPLAY
    SC_ENV=(WINEPREFIX="$SC_PREFIX" DISPLAY="$SC_DISPLAY" WINEDEBUG=-all
        WINEDLLOVERRIDES=winemenubuilder.exe=d)
    if [[ $SC_LANG == tr ]]; then
        SC_ENV+=(LC_ALL=tr_TR.UTF-8)
        if [[ -n $E2E_LOCPATH ]]; then SC_ENV+=(LOCPATH="$E2E_LOCPATH"); fi
    else
        SC_ENV+=(LC_ALL=C.UTF-8)
    fi
}

scenario_end() {
    [[ -n $SC_NAME ]] || return 0
    local p
    # Ends what runs in this prefix only, then the helpers started for it.
    env "${SC_ENV[@]}" "$WINESERVER" -k 2>/dev/null
    for p in "${SC_BG[@]}"; do
        kill "$p" 2>/dev/null
        wait "$p" 2>/dev/null
    done
    SC_BG=()
    env "${SC_ENV[@]}" timeout 20 "$WINESERVER" -w 2>/dev/null
    e2e_stop_xvfb "$SC_XVFB"
    [[ ${E2E_KEEP:-0} == 1 ]] || rm -rf "$SC_PREFIX"
    echo "TIME: $SC_NAME $((SECONDS - SC_T0)) s"
    SC_NAME=
}

# The scenario's drive C: as a Linux path, and a Windows path inside it.
sc_c() { echo "$SC_PREFIX/drive_c"; }
sc_path() {  # 'C:\a\b' -> <prefix>/drive_c/a/b
    local p=${1#[Cc]:}
    p=${p//\\//}
    echo "$(sc_c)${p%/}"
}

# sc_wine ARGS...: a wine command in this scenario's prefix and display, by the loader
# SC_LOADER names (the 64-bit one unless a caller sets it for its call).
sc_wine() { env "${SC_ENV[@]}" "${SC_LOADER:-$WINE64}" "$@" </dev/null; }

sc_probe() { sc_wine "$E2E_PROBE" "$@" 2>/dev/null | tr -d '\r'; }

# The probe of the product's bitness, for what must load the product's libraries.
sc_probe_product() { SC_LOADER=$E2E_WINE sc_wine "$E2E_PROBE_PRODUCT" "$@" 2>/dev/null | tr -d '\r'; }

# sc_probe_ok ARGS...: true when the probe's command finds what it looks for.
sc_probe_ok() { sc_wine "$E2E_PROBE" "$@" >>"$SC_DIR/probe.log" 2>&1; }

# sc_exec TIMEOUT LOG PROGRAM ARGS...: a wine program in the foreground; a run past
# TIMEOUT seconds is killed. Sets RUN_RC (124 on timeout) and RUN_MS.
sc_exec() {
    local limit=$(($1 * E2E_PATIENCE)) log=$2
    shift 2
    local t0
    t0=$(date +%s%N)
    timeout -k 5 "$limit" env "${SC_ENV[@]}" "${SC_LOADER:-$WINE64}" "$@" </dev/null >>"$log" 2>&1
    RUN_RC=$?
    RUN_MS=$((($(date +%s%N) - t0) / 1000000))
}

# sc_exec_product TIMEOUT LOG PROGRAM ARGS...: a program of the product (the setup or an
# installed payload), by the product's loader.
sc_exec_product() { SC_LOADER=$E2E_WINE sc_exec "$@"; }

# sc_run TIMEOUT ARGS...: the setup, as sc_exec runs it.
sc_run() {
    local limit=$1
    shift
    sc_exec_product "$limit" "$SC_DIR/setup.log" "$E2E_SETUP" "$@"
}

# sc_reg ARGS...: wine's reg.exe in this prefix, quietly, in the product's registry
# view (HKLM\Software of a 32-bit program is WOW6432Node); its exit code.
sc_reg() { sc_exec 60 "$SC_DIR/reg.log" reg "$@" "$E2E_REG_VIEW"; return "$RUN_RC"; }
sc_reg_set() { sc_reg add "$1" /v "$2" /d "$3" /f; }  # KEY NAME DATA
sc_reg_absent() { ! sc_reg query "$@"; }

# The all-users and the user's Start-menu groups called NAME, one a line.
sc_menu_groups() {
    local programs='Microsoft/Windows/Start Menu/Programs'
    echo "$(sc_c)/ProgramData/$programs/$1"
    echo "$(sc_c)/users/$(id -un)/AppData/Roaming/$programs/$1"
}

# sc_start LOG ARGS...: a wine program in the background; sets BG_PID.
sc_start() {
    local log=$1
    shift
    env "${SC_ENV[@]}" "${SC_LOADER:-$WINE64}" "$@" </dev/null >"$log" 2>&1 &
    BG_PID=$!
    SC_BG+=("$BG_PID")
}

sc_start_product() { SC_LOADER=$E2E_WINE sc_start "$@"; }

sc_start_setup() { sc_start_product "$SC_DIR/$1.log" "$E2E_SETUP" "${@:2}"; }

# sc_wait PID TIMEOUT: waits for a background process; one still running at
# TIMEOUT seconds is killed. Sets WAIT_RC (124 on timeout).
sc_wait() {
    local pid=$1 end=$((SECONDS + $2 * E2E_PATIENCE))
    while kill -0 "$pid" 2>/dev/null && ((SECONDS < end)); do sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
        kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        WAIT_RC=124
    else
        wait "$pid"
        WAIT_RC=$?
    fi
}

# sc_wait_line FILE TEXT TIMEOUT: waits until a line of FILE holds TEXT.
sc_wait_line() {
    local end=$((SECONDS + $3 * E2E_PATIENCE))
    until grep -qF -- "$2" "$1" 2>/dev/null; do
        ((SECONDS < end)) || return 1
        sleep 0.05
    done
}

# Watching for shown windows while the setup (or the program named EXE) runs, from
# both sides: the probe sees its visible top-level windows, xev sees any X window
# being mapped.
sc_watch_start() {  # [EXE]
    SC_STOP=$SC_DIR/watch.stop
    rm -f "$SC_STOP"
    stdbuf -oL xev -display "$SC_DISPLAY" -root -event substructure >"$SC_DIR/xev.log" 2>&1 &
    SC_XEV=$!
    SC_BG+=("$SC_XEV")
    sc_start "$SC_DIR/watch.log" "$E2E_PROBE" watch "${1:-$(basename "$E2E_SETUP")}" "$(unix_to_win "$SC_DIR")\\watch.stop"
    SC_WATCH=$BG_PID
    sc_wait_line "$SC_DIR/watch.log" READY 60
}

# Sets WATCH_SHOWN (the probe's SHOWN lines) and X_MAPS (the number of maps).
sc_watch_stop() {
    touch "$SC_STOP"
    sc_wait "$SC_WATCH" 20
    sleep 0.2  # the last X events reach xev
    kill "$SC_XEV" 2>/dev/null
    wait "$SC_XEV" 2>/dev/null
    WATCH_SHOWN=$(tr -d '\r' <"$SC_DIR/watch.log" | grep '^SHOWN' || true)
    X_MAPS=$(grep -c '^MapNotify' "$SC_DIR/xev.log")
    grep -q '^END' "$SC_DIR/watch.log"
}

check_no_window() {  # DESCRIPTION: after sc_watch_stop
    if ! grep -q '^END' "$SC_DIR/watch.log"; then
        fail "$1" "the window watch did not finish"
    elif [[ -n $WATCH_SHOWN ]]; then
        fail "$1" "${WATCH_SHOWN//$'\n'/; }"
    elif [[ $X_MAPS -ne 0 ]]; then
        fail "$1" "$X_MAPS X window(s) mapped"
    else
        pass "$1"
    fi
}

# sc_find CLASS TITLE TIMEOUT_MS: waits for the window; its description is in
# FOUND (lines WINDOW/CHILD), its screen rectangle in FOUND_RECT (WxH+X+Y).
sc_find() {
    FOUND=$(sc_probe find "$1" "$2" $(($3 * E2E_PATIENCE)))
    local r
    r=$(sed -n 's/^WINDOW .* rect=\([-0-9,]*\)$/\1/p' <<<"$FOUND")
    FOUND_RECT=
    if [[ -n $r ]]; then
        local l t rr b
        IFS=, read -r l t rr b <<<"$r"
        FOUND_RECT="$((rr - l))x$((b - t))+$l+$t"
    fi
    [[ $FOUND == WINDOW* ]]
}

# sc_open_window WHAT PROGRAM CLASS TEXT: starts the product's PROGRAM (BG_PID) and
# checks that it shows a window of CLASS in which TEXT is read.
sc_open_window() {
    sc_start_product "$SC_DIR/$(basename "${2//\\//}").log" "$2"
    if sc_find "$3" '*' 20000; then pass "$1 shows a window of class $3"; else fail "$1 shows a window of class $3"; fi
    check_contains "$1 reads '$4'" <(echo "$FOUND") "$4"
}

# sc_close_window WHAT PID CLASS MESSAGE: posting MESSAGE to the window ends it and
# then its program PID, with exit code 0.
sc_close_window() {
    # A probe that gives no verdict at all did not get to run (a start of wine that
    # fails on a busy machine): it is started once more; its errors are kept.
    local verdict attempt
    for attempt in 1 2; do
        verdict=$(sc_wine "$E2E_PROBE" close "$3" "$4" $((20000 * E2E_PATIENCE)) 2>>"$SC_DIR/probe.err" | tr -d '\r')
        echo "close $3 $4: ${verdict:-(no verdict)}" >>"$SC_DIR/probe.log"
        [[ -n $verdict ]] && break
    done
    check_eq "$1 window goes on message $4" GONE "$verdict"
    sc_wait "$2" 10
    check_eq "$1 exits 0 after message $4" 0 "$WAIT_RC"
}

# sc_screenshot NAME [WxH+X+Y]: into build/e2e/screenshots/NAME.png.
sc_screenshot() {
    mkdir -p "$E2E_SHOTS"
    sleep 0.7  # the window paints
    local crop=()
    [[ -n ${2:-} ]] && crop=(-crop "$2" +repage)
    if DISPLAY=$SC_DISPLAY import -window root "${crop[@]}" "$E2E_SHOTS/$1.png" 2>>"$SC_DIR/import.log"; then
        note "screenshot build/e2e/screenshots/$1.png"
    else
        fail "screenshot $1" "import failed"
    fi
}

e2e_cleanup() {
    scenario_end
    local p
    for p in "${E2E_OWN_XVFB[@]}"; do kill "$p" 2>/dev/null; done
}

# sc_click CLASS TITLE BUTTON: presses a button of a shown window ("#N": by id).
sc_click() { [[ "$(sc_probe click "$1" "$2" "$3" $((10000 * E2E_PATIENCE)))" == CLICKED ]]; }

# sc_count CLASS: how many visible windows of CLASS are shown.
sc_count() { sc_probe count "$1" | sed -n 's/^COUNT //p'; }

# sc_wait_count CLASS N TIMEOUT: waits until N windows of CLASS are shown.
sc_wait_count() {
    local end=$((SECONDS + $3 * E2E_PATIENCE))
    until [[ "$(sc_count "$1")" == "$2" ]]; do
        ((SECONDS < end)) || return 1
        sleep 0.1
    done
}

# e2e_prepare_tools: the scenarios' helper program (payloads_tools.cpp), into E2E_TOOLS,
# of the product's bitness: it reads and writes the registry in the product's view and
# stands in for a payload. Run it with sc_exec_product.
e2e_prepare_tools() {
    E2E_TOOLS=$E2E_OUT/payloads_tools-$E2E_ARCH.exe
    e2e_compile "$E2E_TOOLS" "$E2E_PRODUCT_MINGW" -std=c++17 -O2 -municode -mwindows -static \
        "$E2E_SRC/payloads_tools.cpp" -ladvapi32 -lshell32
}
