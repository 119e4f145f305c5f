#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CUPS's IPP Everywhere printer on a loopback port, keeping each page it
# receives in FOLDER/spool. It runs until its standard input closes (the
# test that started it has ended, in whatever way) or it is sent TERM.
#   tests/ipp-everywhere.sh FOLDER PORT ATTRIBUTES-FILE
# ippeveprinter needs a message bus for its announcements even when they are
# off: it gets one of its own.
set -euo pipefail
dir="$1"
mkdir -p "$dir/spool"
dbus-daemon --session --nofork --nopidfile --address="unix:path=$dir/bus" >"$dir/bus.log" 2>&1 &
bus=$!
trap 'kill "$bus" ${printer:+"$printer"} 2>/dev/null || true; wait' EXIT
trap 'exit 0' TERM INT HUP
for _ in $(seq 100); do [ -S "$dir/bus" ] && break; sleep 0.1; done
# "localhost": it listens on 127.0.0.1 and ::1 only.
DBUS_SYSTEM_BUS_ADDRESS="unix:path=$dir/bus" ippeveprinter -r off -n localhost -p "$2" -a "$3" \
    -d "$dir/spool" -k "Quillane Test Printer" </dev/null >"$dir/printer.log" 2>&1 &
printer=$!
# A background job would read /dev/null instead of our input.
exec 3<&0
cat <&3 >/dev/null &
wait "$!"
