#!/usr/bin/env bash
# Runs every "sh" block of docs/SYSOP.md, in order, with the guide's paths
# turned into a scratch folder and this build's programs, then calls the
# socat door the guide starts, as a telnet caller would.
set -euo pipefail
src=$1 build=$2
scratch=$(mktemp -d)
# The guide's socat runs on after its block: it is found by its folder.
cleanup() { pkill -f "socat TCP-LISTEN:2323.*$scratch" 2>/dev/null || true; rm -rf "$scratch"; }
trap cleanup EXIT
script=$scratch/guide.sh
awk '/^```sh$/ {on=1; next} /^```/ {on=0} on' "$src/docs/SYSOP.md" |
  sed -e "s|/usr/games/|$build/|g" -e "s|/var/games|$scratch/games|g" -e "s|/var/www|$scratch/www|g" > "$script"
grep -q ydmaint "$script" || exit 1
command -v socat >/dev/null || { echo "socat missing: the door blocks of the guide cannot be run"; exit 1; }
mkdir -p "$scratch/games"
bash -e "$script" > "$scratch/out.txt" 2>&1 || { cat "$scratch/out.txt"; exit 1; }
game=$scratch/games/thyre
[ -f "$game/THYRE.DAT" ] && [ -f "$game/THYRE.ANS" ] && [ -f "$game/THYRE.TXT" ]
grep -q "Standings" "$game/THYRE.TXT"
status=$("$build/ydmaint" -d "$game" status)
grep -q "Day 3 of 90" <<<"$status" || { echo "$status"; exit 1; }
# The guide's web page, written by hand and by the nightly run.
grep -q "Standings" "$scratch/www/html/thyre/index.html"
grep -q "web page written to" "$game/MAINT.LOG"
# The guide's league: both members took the host's second day.
for b in league-one league-two; do
  cmp -s "$scratch/games/$b/THYRE.DAT" "$scratch/games/league-host/THYRE.DAT" || { echo "$b differs from the host"; exit 1; }
done
status=$("$build/ydmaint" -d "$scratch/games/league-host" league status)
grep -q "21:1/101 (One BBS, up to 4 houses): last in #1" <<<"$status" || { echo "$status"; exit 1; }
# The socat door of the guide, called up as telnet would.
for i in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/2323) 2>/dev/null && break; sleep 0.1; done
answer=$( (sleep 1; printf 'N'; sleep 1) | socat - TCP:127.0.0.1:2323 | tr -d '\033' )
grep -q "Will you found a house in the Thyre?" <<<"$answer" || { echo "$answer"; exit 1; }
echo "the guide's commands ran"
