#!/usr/bin/env bash
# The sysop's guide followed on this machine from the package to the
# removal, as a sysop would: every "sh" block of docs/SYSOP.md, in order,
# run by whom its first line names (root, the BBS's user bbs, or the
# sysop's own login in the group bbs), with the real paths of the guide.
# Then what the scheduler, the try-it door and the telnet listener do with
# what the guide set up, and after the removal block that nothing of the
# game is left.  Needs root; skipped (77) where it cannot run or where the
# game is installed or played already.
set -euo pipefail
src=$1 build=$2
skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }
[ "$(id -u)" -eq 0 ] || skip "the guide's commands need root"
for t in socat useradd userdel runuser gpasswd dpkg cpack flock unshare systemd-socket-activate; do
  command -v "$t" >/dev/null || skip "$t is missing"
done
unshare --mount true 2>/dev/null || skip "no mount namespaces here (the listener's private /tmp)"
# One run on the machine at a time: the guide's paths are the machine's.
exec 9>/run/lock/yvarn-thyre-guide-test.lock
flock -w 300 9 || skip "another run of this test kept the machine"
for p in /usr/games/thyre /usr/games/ydmaint /var/games/thyre /var/games/thyre-backups /var/games/thyre-try \
         /var/games/league /var/www/html/thyre /etc/cron.d/thyre /etc/systemd/system/thyre-telnet.socket \
         /etc/systemd/system/thyre-nightly.timer; do
  [ ! -e "$p" ] || skip "$p exists: the game is installed or played here"
done
! dpkg -s yvarn-thyre >/dev/null 2>&1 || skip "the package yvarn-thyre is installed"

scratch=$(mktemp -d)
chmod 755 "$scratch"
# What carries the game's names on this machine before the guide (from
# elsewhere: a make install of another tree, say); after the removal there
# is nothing more.
game_files() { find /usr /etc /var/www /var/games \( -iname '*thyre*' -o -iname '*ydmaint*' \) 2>/dev/null | sort || true; }
game_files > "$scratch/files-before.txt"
login=thyreguide
made_bbs=0 made_games=0 made_www=0 made_html=0 listener=
[ -d /var/games ] || made_games=1
[ -d /var/www ] || made_www=1
[ -d /var/www/html ] || made_html=1
cleanup() {
  set +e
  [ -z "$listener" ] || kill "$listener" 2>/dev/null
  [ ! -f /var/games/thyre-try/socat.pid ] || kill "$(cat /var/games/thyre-try/socat.pid)" 2>/dev/null
  # What a failed run left of the guide's set-up goes as the removal would.
  rm -f /etc/cron.d/thyre /etc/systemd/system/thyre-telnet.socket '/etc/systemd/system/thyre-telnet@.service' \
        /etc/systemd/system/sockets.target.wants/thyre-telnet.socket \
        /etc/systemd/system/thyre-nightly.service /etc/systemd/system/thyre-nightly.timer
  dpkg -s yvarn-thyre >/dev/null 2>&1 && dpkg --purge yvarn-thyre >/dev/null 2>&1
  rm -rf /var/games/thyre /var/games/thyre-backups /var/games/thyre-try /var/games/league /var/www/html/thyre
  [ "$made_games" = 0 ] || rmdir /var/games 2>/dev/null
  [ "$made_html" = 0 ] || rmdir /var/www/html 2>/dev/null
  [ "$made_www" = 0 ] || rmdir /var/www 2>/dev/null
  getent passwd "$login" >/dev/null && userdel "$login"
  [ "$made_bbs" = 0 ] || userdel bbs
  rm -rf "$scratch"
}
trap cleanup EXIT
# The BBS's user and group, and a sysop's login (a leftover of a killed run
# of this test is taken over).
if ! getent passwd bbs >/dev/null; then
  getent group bbs >/dev/null && skip "a group bbs without a user bbs"
  useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin bbs
  made_bbs=1
fi
getent passwd "$login" >/dev/null || useradd --no-create-home --home-dir /nonexistent --shell /bin/sh "$login"

# The package, as make package builds it.
(cd "$build" && cpack -G DEB -B "$scratch/pkg" >/dev/null)
ls "$scratch"/pkg/yvarn-thyre_*.deb >/dev/null

# systemd is asked through a stand-in that enables and disables for real
# (the unit files and their links in /etc) and notes the rest; dpkg waits
# for another package tool that holds its lock.
stub=$scratch/bin
mkdir -p "$stub"
cat > "$stub/systemctl" <<EOF
#!/bin/bash
echo "\$*" >> $scratch/systemctl.log
args=()
for a in "\$@"; do [ "\$a" = --now ] || args+=("\$a"); done
case "\${args[0]}" in enable|disable) exec /usr/bin/systemctl --root=/ "\${args[@]}" ;; esac
EOF
cat > "$stub/dpkg" <<'EOF'
#!/bin/bash
for i in $(seq 150); do
  out=$(/usr/bin/dpkg "$@" 2>&1) && { echo "$out"; exit 0; }
  grep -q "lock" <<<"$out" || { echo "$out"; exit 1; }
  sleep 2
done
echo "$out"; exit 1
EOF
chmod 755 "$stub"/*

# The blocks, each with its runner and the section it stands in.
blocks=$scratch/blocks
mkdir -p "$blocks"
awk -v dir="$blocks" '
  /^## / { section = substr($0, 4) }
  /^```sh$/ { n++; file = sprintf("%s/%02d", dir, n); print section > (file ".section"); on = 1; next }
  /^```/ { on = 0 }
  on { print > file }' "$src/docs/SYSOP.md"
sed -i -e "s|build/yvarn-thyre_|$scratch/pkg/yvarn-thyre_|g" -e "s|yourlogin|$login|g" "$blocks"/[0-9][0-9]
chmod -R a+rX "$blocks"
out=$scratch/out.txt
run_block() {
  local b=$1 who
  who=$(head -1 "$b" | sed -n 's/^# as \([a-z]*\).*/\1/p')
  echo "== $(basename "$b") as $who: $(cat "$b.section")" >> "$out"
  case "$who" in
    root) (cd "$src" && PATH=$stub:$PATH bash -e "$b") >> "$out" 2>&1 ;;
    bbs) (cd / && runuser -u bbs -- env PATH=$stub:/usr/bin:/bin HOME=/ bash -e "$b") >> "$out" 2>&1 ;;
    you) (cd / && runuser -u "$login" -- env PATH=$stub:/usr/bin:/bin HOME=/ bash -e "$b") >> "$out" 2>&1 ;;
    *) echo "a block says not who runs it:"; cat "$b"; return 1 ;;
  esac || { cat "$out"; echo "FAILED: the block above, as $who:"; cat "$b"; return 1; }
}
has() { grep -q -- "$1" <<<"$2" || fail "no \"$1\" in: $2"; }

game=/var/games/thyre
before_removal() {
  # The folders as the guide makes them, and the game's files in its group.
  for f in $game /var/games/thyre-backups /var/games/thyre-try /var/www/html/thyre /var/games/league; do
    [ "$(stat -c '%U:%G %a' "$f")" = "bbs:bbs 2775" ] || fail "$f is $(stat -c '%U:%G %a' "$f")"
  done
  [ "$(stat -c %G $game/THYRE.DAT)" = bbs ] || fail "THYRE.DAT is not in the group bbs"
  has "bbs" "$(id -nG "$login")"
  # Three nights by hand (one for the web page), a restore and its undo.
  has "Day 3 of 90" "$(/usr/games/ydmaint -d $game status)"
  has "THYRE.BK2  day 2" "$(cat "$out")"
  has "restored day 2 from $game/THYRE.BK2" "$(cat $game/MAINT.LOG)"
  has "restored day 3 from $game/THYRE.UND" "$(cat $game/MAINT.LOG)"
  has "Standings" "$(cat $game/THYRE.TXT)"
  has "Standings" "$(cat /var/www/html/thyre/index.html)"
  has "web page written to" "$(cat $game/MAINT.LOG)"
  for board in one two; do
    cmp -s /var/games/league/$board/THYRE.DAT /var/games/league/host/THYRE.DAT || fail "league board $board differs"
  done
  has "21:1/101 (One BBS, up to 4 houses): last in #1" "$(/usr/games/ydmaint -d /var/games/league/host league status)"
  # The scheduler: every line of /etc/cron.d/thyre as cron runs it (its
  # user, a bare environment, the home folder), silent when all went well.
  local lines n=0
  cp /var/www/html/thyre/index.html "$scratch/index-before.html"
  lines=$(grep -Ev '^(#|$)' /etc/cron.d/thyre)
  while read -r m h dom mon dow user cmd; do
    n=$((n + 1))
    said=$(cd / && runuser -u "$user" -- env -i PATH=/usr/bin:/bin SHELL=/bin/sh HOME=/ sh -c "$cmd" 2>&1 </dev/null) ||
      fail "cron line $n failed: $said"
    [ -z "$said" ] || fail "cron line $n said: $said"
  done <<<"$lines"
  [ "$n" = 2 ] || fail "/etc/cron.d/thyre holds $n lines"
  has "Day 4 of 90" "$(/usr/games/ydmaint -d $game status)"
  has "day 3 done" "$(cat $game/MAINT.LOG)"
  [ "$(ls -d /var/games/thyre-backups/thyre-*/ | wc -l)" = 2 ] || fail "not two backups: $(ls /var/games/thyre-backups)"
  ! cmp -s /var/www/html/thyre/index.html "$scratch/index-before.html" || fail "the nightly line left the web page"
  # Cron and a hand run (or the timer) at once: two runs of the cron line's
  # daily started together play one night, both exit 0, and the one that
  # waited says so even with -quiet.
  local daily dayBefore dayAfter
  daily=$(grep -Eo '/usr/games/ydmaint -d [^ ]+ daily -quiet' /etc/cron.d/thyre | head -1)
  [ -n "$daily" ] || fail "no daily line in /etc/cron.d/thyre"
  dayBefore=$(/usr/games/ydmaint -d $game status | sed -n 's/.*Day \([0-9]*\) of.*/\1/p' | head -1)
  # Both runs are started before either may go on, as cron and a timer
  # firing the same second start them: held at a gate this test keeps
  # shut until both wait there (on a loaded machine one runuser may
  # otherwise start its run only after the other's has ended, which is a
  # second night by hand and plays one).
  local gate=$scratch/gate
  : > "$gate"
  chmod 644 "$gate"
  exec 7> "$gate"
  flock -x 7
  runuser -u bbs -- sh -c "flock -s $gate true; exec $daily" > "$scratch/daily1" 2>&1 & local p1=$!
  runuser -u bbs -- sh -c "flock -s $gate true; exec $daily" > "$scratch/daily2" 2>&1 & local p2=$!
  for _ in $(seq 100); do
    [ "$(pgrep -u bbs -x -c sh || true)" -ge 2 ] && break
    sleep 0.2
  done
  flock -u 7
  exec 7>&-
  wait $p1 || fail "the first of two dailies failed: $(cat "$scratch/daily1")"
  wait $p2 || fail "the second of two dailies failed: $(cat "$scratch/daily2")"
  dayAfter=$(/usr/games/ydmaint -d $game status | sed -n 's/.*Day \([0-9]*\) of.*/\1/p' | head -1)
  [ "$dayAfter" = $((dayBefore + 1)) ] || fail "two dailies together went from day $dayBefore to day $dayAfter"
  has "the night of day $dayBefore was just played by another run" "$(cat "$scratch/daily1" "$scratch/daily2")"
  has "the night of day $dayBefore was just played by another run" "$(cat $game/MAINT.LOG)"
  # The game restored onto itself is refused, and the undo is kept.
  cp $game/THYRE.UND "$scratch/und-before"
  ! runuser -u bbs -- /usr/games/ydmaint -d $game restore $game/THYRE.DAT -yes > "$scratch/self" 2>&1 ||
    fail "the game restored onto itself: $(cat "$scratch/self")"
  cmp -s $game/THYRE.UND "$scratch/und-before" || fail "a refused restore replaced THYRE.UND"
  [ "$(/usr/games/ydmaint -d $game status | sed -n 's/.*Day \([0-9]*\) of.*/\1/p' | head -1)" = "$dayAfter" ] ||
    fail "a refused restore changed the day"
  # A cron line that lost its -d starts a game where it runs, and says so
  # even with -quiet (cron mails what it prints).
  local stray=$scratch/stray
  mkdir -p "$stray" && chown bbs:bbs "$stray"
  said=$(cd "$stray" && runuser -u bbs -- env -i PATH=/usr/bin:/bin HOME="$stray" sh -c "/usr/games/ydmaint daily -quiet" 2>&1) ||
    fail "daily without -d failed: $said"
  has "no game yet: a new game was started in" "$said"
  # The try-it door, called up as telnet would.
  for i in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/2323) 2>/dev/null && break; sleep 0.1; done
  has "Will you found a house in the Thyre?" "$( (sleep 1; printf 'N'; sleep 1) | timeout 10 socat - TCP:127.0.0.1:2323 | tr -d '\033' )"
  # The telnet listener: the units the guide enabled, started as systemd
  # starts them (one service per connection, the connection on standard
  # input and output, as the service's user) on a free port in place of 23.
  local sock=/etc/systemd/system/thyre-telnet.socket unit='/etc/systemd/system/thyre-telnet@.service'
  grep -qx 'ListenStream=127.0.0.1:23' $sock && grep -qx 'Accept=yes' $sock || fail "the socket unit: $(cat $sock)"
  [ -L /etc/systemd/system/sockets.target.wants/thyre-telnet.socket ] || fail "the listener is not enabled"
  grep -qx 'StandardInput=socket' "$unit" && grep -qx 'StandardOutput=socket' "$unit" || fail "$(cat "$unit")"
  local user script port=2324
  user=$(sed -n 's/^User=//p' "$unit")
  # ExecStart=/bin/sh -c '...' with systemd's quoting and escapes taken
  # off; PrivateTmp=yes as systemd makes it, a /tmp of each connection's own.
  grep -qx 'PrivateTmp=yes' "$unit" || fail "the service shares /tmp"
  script=$(sed -n "s/^ExecStart=\/bin\/sh -c '\(.*\)'$/\1/p" "$unit")
  [ -n "$script" ] || fail "ExecStart is not /bin/sh -c '...'"
  script=$(sed -e 's/\\\\/\\/g' -e 's/\$\$/$/g' -e 's/%%/%/g' <<<"$script")
  systemd-socket-activate -l 127.0.0.1:$port -a --inetd unshare --mount --propagation private \
    sh -c 'mount -t tmpfs -o mode=1777 thyre-tmp /tmp && exec runuser -u "$1" -- /bin/sh -c "$0"' "$script" "$user" \
    > "$scratch/listener.txt" 2>&1 &
  listener=$!
  for i in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break; sleep 0.1; done
  # Two callers at once, each with the options a telnet client sends first
  # (DO ECHO, DO SUPPRESS-GO-AHEAD, the terminal type "ANSI" and the window
  # size): none of their bytes may reach the door as keys (the N of ANSI
  # would refuse the house), Y then asks for the house's name.
  local callers=()
  for c in 1 2; do
    ( (printf '\377\375\001\377\375\003\377\372\030\000ANSI\377\360\377\372\037\000\120\000\030\377\360'
       sleep 1.5; printf 'Y'; sleep 1; printf '\r'; sleep 1) |
        timeout 10 socat - TCP:127.0.0.1:$port > "$scratch/caller$c.txt" ) &
    callers+=($!)
  done
  wait "${callers[@]}" || true
  for c in 1 2; do
    local heard
    heard=$(od -An -c "$scratch/caller$c.txt" | head -1)
    has "377 373 001 377 373 003" "$heard"
    heard=$(tr -d '\033' < "$scratch/caller$c.txt")
    has "Will you found a house in the Thyre?" "$heard"
    has "Name your house" "$heard"
  done
  kill "$listener"
  listener=
}

n=0
for block in "$blocks"/[0-9][0-9]; do
  if [ "$(cat "$block.section")" = "Removing the game" ] && [ "$n" -gt 0 ]; then
    before_removal
    socat_pid=$(cat /var/games/thyre-try/socat.pid)
    n=-1
  fi
  run_block "$block"
  [ "$n" -lt 0 ] || n=$((n + 1))
done
[ "$n" -lt 0 ] || fail "the guide has no \"Removing the game\" section"

# Nothing of the game is left in /usr, /etc, /var/www or /var/games, the
# scheduler knows nothing of it, the try-it door is gone, systemd was told,
# and the sysop's login is out of the BBS's group, which stays.
! dpkg -s yvarn-thyre >/dev/null 2>&1 || fail "the package is still installed"
left=$(game_files | comm -13 "$scratch/files-before.txt" -)
[ -z "$left" ] || fail "left after the removal: $left"
# Gone, or a zombie nobody reaps (where the init of a container does not
# reap what it inherits): either way, nothing answers on its port any more.
running() { [ -r "/proc/$1/stat" ] && [ "$(sed 's/^.*) //' "/proc/$1/stat" | cut -c1)" != Z ]; }
for _ in 1 2 3 4 5 6 7 8 9 10; do running "$socat_pid" || break; sleep 0.5; done
! running "$socat_pid" || fail "the try-it door still runs"
! timeout 3 socat -u /dev/null TCP:127.0.0.1:2323 2>/dev/null || fail "the try-it door still listens"
log=$(cat "$scratch/systemctl.log")
has "disable --now thyre-telnet.socket" "$log"
[ "$(tail -1 <<<"$log")" = "daemon-reload" ] || fail "systemd was not told last: $log"
id -nG "$login" | grep -qw bbs && fail "$login is still in the group bbs"
getent group bbs >/dev/null || fail "the group bbs went"
getent passwd bbs >/dev/null || fail "the user bbs went"
echo "the guide ran from the package to the removal"
