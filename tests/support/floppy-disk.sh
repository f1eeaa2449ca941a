#!/usr/bin/env bash
# Changes the disk in the prefix's floppy drive A: (scripts/wine-env.sh maps it), as root:
#   floppy-disk.sh STATUS insert [NAME]   a fresh floppy-sized RAM file system, holding the
#                                          disk kept as NAME when one is named
#   floppy-disk.sh STATUS eject [NAME]    keeps the disk's files as NAME, then takes it out
#   floppy-disk.sh STATUS protect         makes the disk in the drive read-only
#   floppy-disk.sh STATUS forget          removes every kept disk
# The test programs start it from Wine, which does not wait for a Linux program: the last
# thing it does is to write "ok" or what went wrong into STATUS, which they wait for.
set -uo pipefail
status=$1
command=$2
name=${3:-}
floppy=${QUARVEL_FLOPPY:?QUARVEL_FLOPPY is set by scripts/wine-env.sh}
drive="$floppy/a"
kept="$floppy/kept"
# A 3.5" high-density disk holds 1,457,664 bytes; the RAM file system rounds up to whole
# pages of 4,096 bytes.
size=1457664

report() {
    printf '%s' "$1" >"$status.part" && mv "$status.part" "$status"
    exit 0
}

take_out() {
    while mountpoint -q "$drive"; do
        umount "$drive" 2>/dev/null || report "the disk is in use: $(umount "$drive" 2>&1)"
    done
}

[ "$(id -u)" -eq 0 ] || report "not root"
case "$command" in
    insert)
        take_out
        mount -t tmpfs -o size=$size,mode=0777 tmpfs "$drive" || report "mount failed"
        if [ -n "$name" ]; then
            cp -p -r "$kept/$name/." "$drive/" || report "no disk kept as $name"
        fi
        ;;
    eject)
        if [ -n "$name" ]; then
            rm -rf "${kept:?}/$name" && mkdir -p "$kept/$name" &&
                cp -p -r "$drive/." "$kept/$name/" || report "could not keep the disk as $name"
        fi
        take_out
        ;;
    protect)
        mount -o remount,ro "$drive" || report "remount failed"
        ;;
    forget)
        rm -rf "${kept:?}"
        ;;
    *)
        report "unknown command $command"
        ;;
esac
report ok
