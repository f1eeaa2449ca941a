# Sourced by the test and demo scripts: a private Wine prefix in the build tree, a
# persistent wineserver for fast starts, and an X display (Xvfb when none is given).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
# Japanese locale inside Wine: the ANSI code page is 932. Wine also needs the Linux locale
# to turn non-ASCII file names (表示.txt) into UTF-8 names on disk; without it every such
# name fails to open. It is compiled once into the build tree, so the system's locale
# settings are left alone.
quarvel_locales="$root/build/locale"
if [ ! -f "$quarvel_locales/ja_JP.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$quarvel_locales"
    localedef -i ja_JP -f UTF-8 "$quarvel_locales/ja_JP.UTF-8" >/dev/null 2>&1 || true
fi
export LOCPATH="$quarvel_locales"
export LC_ALL=ja_JP.UTF-8 2>/dev/null
# No Mono or Gecko installer prompts while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="

quarvel_xvfb_pid=""

quarvel_start_display() {
    if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != "--private" ]; then return 0; fi
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    quarvel_xvfb_pid=$!
    export DISPLAY=":$n"
    local tries=0
    until xdpyinfo >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -gt 200 ]; then echo "Xvfb did not start" >&2; return 1; fi
        sleep 0.05
    done
}

quarvel_start_wine() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        # Wine draws the window frames itself, so captions show under a bare Xvfb too.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wineserver -w
    fi
    quarvel_map_second_volume
    quarvel_map_floppy
    wineserver -p
}

# Drive Q: of the prefix lies on another Linux file system (RAM), so that a rename from the
# build tree to Q: fails as it does between two disks and the copy paths of moves run.
quarvel_map_second_volume() {
    [ -d /dev/shm ] || return 0
    local volume="/dev/shm/quarvel-vol-$(printf '%s' "$WINEPREFIX" | md5sum | cut -c1-12)"
    mkdir -p "$volume"
    ln -sfn "$volume" "$WINEPREFIX/dosdevices/q:"
}

# Drive A: of the prefix is a floppy drive. The floppy tests mount a floppy-sized RAM file
# system on its folder for each disk (tests/support/floppy-disk.sh, as root); without one it
# is an empty folder. Wine reads a drive's type when the session starts, so the type is
# written before the session that the scripts keep running.
export QUARVEL_FLOPPY="$root/build/floppy"

quarvel_map_floppy() {
    quarvel_unmount_floppy
    mkdir -p "$QUARVEL_FLOPPY/a"
    ln -sfn "$QUARVEL_FLOPPY/a" "$WINEPREFIX/dosdevices/a:"
    if ! grep -q '^"a:"="floppy"' "$WINEPREFIX/system.reg"; then
        wine reg add 'HKLM\Software\Wine\Drives' /v a: /d floppy /f >/dev/null 2>&1
        timeout 60 wineserver -w || true
    fi
}

# No disk stays in the drive after a run, whatever became of the tests.
quarvel_unmount_floppy() {
    local dir="$QUARVEL_FLOPPY/a"
    while mountpoint -q "$dir" 2>/dev/null; do
        umount "$dir" 2>/dev/null || umount -l "$dir" 2>/dev/null || break
    done
}

quarvel_stop() {
    wineserver -k >/dev/null 2>&1 || true
    quarvel_unmount_floppy
    if [ -n "$quarvel_xvfb_pid" ]; then kill "$quarvel_xvfb_pid" 2>/dev/null || true; fi
}
