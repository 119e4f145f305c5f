#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A CUPS scheduler of the tests' own, in a folder of its own: nothing is
# shared with the machine's CUPS. It runs until its standard input closes
# (the test that started it has ended, in whatever way) or it is sent TERM.
#   tests/private-cups.sh FOLDER
# Clients reach it with CUPS_SERVER=FOLDER/cups.sock CUPS_SERVERROOT=FOLDER;
# file queues may write into FOLDER/out.
set -euo pipefail

mkdir -p "${1:?usage: private-cups.sh FOLDER}"
dir="$(cd "$1" && pwd)"
mkdir -p "$dir/spool" "$dir/cache" "$dir/state" "$dir/logs" "$dir/out"
# The filters run as lp when the scheduler runs as root.
chmod 755 "$dir"
chmod 777 "$dir/out" "$dir/spool"

cat >"$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
AccessLogLevel all
WebInterface No
Browsing No
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF

{
    echo "FileDevice Yes"
    echo "ServerRoot $dir"
    echo "RequestRoot $dir/spool"
    echo "CacheDir $dir/cache"
    echo "StateDir $dir/state"
    echo "TempDir $dir/spool"
    echo "ErrorLog $dir/logs/error_log"
    echo "AccessLog $dir/logs/access_log"
    echo "PageLog $dir/logs/page_log"
    echo "ServerBin /usr/lib/cups"
    echo "DataDir /usr/share/cups"
    if [ "$(id -u)" -eq 0 ]; then
        echo "User lp"
        echo "Group lp"
    fi
} >"$dir/cups-files.conf"

cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" </dev/null >>"$dir/logs/cupsd.out" 2>&1 &
scheduler=$!

stop() {
    trap - TERM INT HUP
    kill "$scheduler" 2>/dev/null || true
    wait "$scheduler" 2>/dev/null || true
    exit 0
}
trap stop TERM INT HUP

# Ends when the caller closes our input or dies, or when cupsd ends by itself.
# (A background job would read /dev/null instead of our input.)
exec 3<&0
cat <&3 >/dev/null &
watcher=$!
wait -n "$scheduler" "$watcher" || true
kill "$watcher" 2>/dev/null || true
stop
