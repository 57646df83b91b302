#!/usr/bin/env bash
# The cron line and the systemd units of the examples: the cron line has
# its five time fields, a user and the nightly command; the units (the
# nightly timer and the telnet listener) pass systemd-analyze verify (where
# it exists) with the programs of this build.
set -euo pipefail
src=$1 build=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
line=$(grep -v '^#' "$src/docs/examples/thyre.cron" | grep -v '^$')
[ "$(echo "$line" | wc -l)" -eq 1 ]
grep -Eq '^[0-9*,/-]+ [0-9*,/-]+ [0-9*,/-]+ [0-9*,/-]+ [0-9*,/-]+ [a-z_][a-z0-9_-]* /usr/games/ydmaint -d /var/games/thyre daily' <<<"$line"
grep -Fq "$line" "$src/docs/SYSOP.md"
# The line's command as cron runs it: nothing printed when the night went
# well (cron mails every line), both bulletins written.
game=$scratch/game
mkdir -p "$game"
"$build/ydmaint" -d "$game" new -seed 9 >/dev/null
command=$(cut -d' ' -f7- <<<"$line" | sed -e "s|/usr/games/|$build/|g" -e "s|/var/games/thyre|$game|g")
out=$(bash -c "$command" 2>&1)
[ -z "$out" ] || { echo "the nightly line printed: $out"; exit 1; }
[ -s "$game/THYRE.ANS" ] && [ -s "$game/THYRE.TXT" ]
grep -q "day 1 done" "$game/MAINT.LOG"
for u in thyre-nightly.service thyre-nightly.timer thyre-telnet.socket thyre-telnet@.service; do
  sed -e "s|/usr/games/|$build/|g" -e "s|/var/games/thyre|$scratch|g" -e "/^User=/d" -e "/^Group=/d" \
    "$src/docs/examples/$u" > "$scratch/$u"
done
grep -q '^ExecStart=.*ydmaint -d .* daily$' "$scratch/thyre-nightly.service"
grep -q '^OnCalendar=' "$scratch/thyre-nightly.timer"
grep -qx 'Accept=yes' "$scratch/thyre-telnet.socket"
grep -q "^ExecStart=.* exec $build/thyre -d /tmp/DOOR32.SYS -g $scratch/'\$" "$scratch/thyre-telnet@.service"
if command -v systemd-analyze >/dev/null; then
  out=$(cd "$scratch" && SYSTEMD_LOG_LEVEL=err systemd-analyze verify thyre-nightly.service thyre-nightly.timer \
    thyre-telnet.socket thyre-telnet@.service 2>&1 || true)
  if [ -n "$out" ]; then echo "$out"; exit 1; fi
fi
echo "schedule checked"
