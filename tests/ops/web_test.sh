#!/usr/bin/env bash
# The game's web page as a visitor sees it, rendered by a real browser
# (headless Chromium) at 1000, 800 and 375 pixels and checked from its DOM:
# an ended game of 25 houses (24 computer houses and a player, so that it
# enters the Hall of Fame) and, in the same folder, the next game of three
# houses while it runs.  Every house's mark (colour and shape) differs from
# every other's; every text in the pictures is at least 11 px as drawn; no
# house name breaks inside a word and each swatch stays beside its name;
# nothing is wider than the window but what scrolls in its own box; the
# board's name and the join line from THYRE.CFG are shown; the Hall of Fame
# is a table; the ended game's map is shown once, the past game's map says
# which game it was; the standings' changes are the differences from the
# night before.  Then hostile names: text, never markup.  The screenshots
# stay in the build folder (web-shots/), the three widths side by side.
set -euo pipefail
src=$1 build=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || { echo "chromium missing: the page cannot be rendered"; exit 1; }
command -v xmllint >/dev/null || { echo "xmllint missing"; exit 1; }
shots=$build/web-shots
rm -rf "$shots"
mkdir -p "$shots"
fail() { echo "$*"; exit 1; }
ydmaint() { "$build/ydmaint" -d "$game" "$@" > /dev/null; }
xp() { xmllint --xpath "$2" "$1" 2>/dev/null || true; }

game=$scratch/game
mkdir -p "$game"
board='The Rusty Modem BBS & Friends'
join='telnet rusty.example.org:2323, then T on the doors menu'
cat > "$game/THYRE.CFG" <<CFG
GameName = Thyre Cup
Days = 12
JoinDays = 4
MaxHouses = 25
ComputerHouses = Amberlight Dominion, Corvane, Kain, Delmar, Varro, Ostrel, Meridel, Thane, Isolde, Ashby, Fenwick, Larkin, Sabre, Halcyon Reach of the Far Rim, Orrin, Vesper, Quill, Nadir, Tarrow, Ulmsk, Wrenfold, Ysolde, Zephyr March, Brack
webboard = $board
WebHowToJoin = $join
CFG
ydmaint new -seed 7
ydmaint join "Player House" "Sam"
for night in $(seq 12); do ydmaint turn; done
start=$(date +%s%N)
ydmaint web "$scratch/ended"
echo "page of a 25-house game written in $(( ($(date +%s%N) - start) / 1000000 )) ms"
xmllint --noout "$scratch/ended"/index.html "$scratch/ended"/chart.svg "$scratch/ended"/map-*.svg
# The map's file is a picture without words (its legend is the page's text).
[ "$(xp "$scratch/ended"/map-*.svg "count(//*[local-name()='text'])")" = 0 ] || fail "words in the map's picture"
# The news by night, the victory standing out as the last night's line.
[ "$(xp "$scratch/ended/index.html" "count(//*[@id='news']//*[@class='victory' and contains(., 'has won the game')])")" = 1 ] ||
  fail "the victory does not stand out in the news"
[ "$(xp "$scratch/ended/index.html" "string((//*[@id='news']/*[local-name()='h3'])[last()])")" = "The night of day 12" ] ||
  fail "the news is not told night by night up to the last"

# The next game, in the same folder and into the same web folder: three
# houses, written after its first night (one point a house) and its second.
cp -r "$scratch/ended" "$scratch/running"
sed -i 's/^MaxHouses = 25/MaxHouses = 4/; s/^ComputerHouses = .*/ComputerHouses = Varro, Corvane/' "$game/THYRE.CFG"
ydmaint new -force -seed 8
ydmaint join "Sam's House" "Sam"
# Before its first night: no chart, and none left over from the last game.
ydmaint web "$scratch/running"
grep -q 'The chart begins after the first night\.' "$scratch/running/index.html" || fail "day 1: the chart does not wait"
[ ! -e "$scratch/running/chart.svg" ] || fail "day 1: the last game's chart.svg is still there"
grep -q 'No news yet: the first night is still to come\.' "$scratch/running/index.html" || fail "day 1: the news"
ydmaint turn
ydmaint web "$scratch/running"
page=$scratch/running/index.html
[ "$(xp "$page" "count(//*[@id='chart']//*[@class='mark' and contains(., ', night 1: ')])")" = 3 ] || fail "after the first night the chart shows no points"
grep -q 'the lines begin after the second night' "$page" || fail "the first night's chart says nothing"
# Its points stand apart, a mark's width at least, tied or not.
xp "$page" "//*[@id='chart']//*[local-name()='circle' and contains(., ', night 1: ')]/@*[local-name()='cx' or local-name()='cy']" |
  grep -o '"[^"]*"' | tr -d '"' | paste - - |
  awk '{ x[NR] = $1; y[NR] = $2 } END { for (i = 1; i <= NR; i++) for (j = i + 1; j <= NR; j++)
          if ((x[i] - x[j]) ^ 2 + (y[i] - y[j]) ^ 2 < 81) exit 1; exit NR != 3 }' ||
  fail "the first night's points cover each other"
grep -q 'New players can still join, until day 4\.' "$page" || fail "no word on joining"
declare -A score1 worlds1
for i in 1 2 3; do
  row="(//*[@class='house'])[$i]"
  name=$(xp "$page" "string($row//*[@class='hname'])")
  score1[$name]=$(xp "$page" "string($row/*[last()]/text())" | tr -d ,)
  worlds1[$name]=$(xp "$page" "string($row/*[last()-1]/text())")
done
ydmaint turn
ydmaint web "$scratch/running"
for i in 1 2 3; do
  row="(//*[@class='house'])[$i]"
  name=$(xp "$page" "string($row//*[@class='hname'])")
  score=$(xp "$page" "string($row/*[last()]/text())" | tr -d ,)
  worlds=$(xp "$page" "string($row/*[last()-1]/text())")
  sc=$(xp "$page" "string($row/*[last()]/*/@data-change)") wc=$(xp "$page" "string($row/*[last()-1]/*/@data-change)")
  [ -n "$sc" ] && [ $((sc)) -eq $((score - score1[$name])) ] || fail "$name's score change $sc is not $score - ${score1[$name]}"
  [ -n "$wc" ] && [ $((wc)) -eq $((worlds - worlds1[$name])) ] || fail "$name's worlds change $wc is not $worlds - ${worlds1[$name]}"
done
xmllint --noout "$page"
# The two houses tied at the top are two lines a line's width apart, not one.
[ "${score1[$(xp "$page" "string((//*[@class='house'])[1]//*[@class='hname'])")]}" = \
  "${score1[$(xp "$page" "string((//*[@class='house'])[2]//*[@class='hname'])")]}" ] || fail "no tie to look at"
for i in 1 2; do
  xp "$page" "string(//*[@id='chart']//*[local-name()='polyline' and @data-house=string((//*[@class='house'])[$i]//*[@class='hname'])]/@points)"
done | awk '{ for (k = 1; k <= NF; k++) { split($k, p, ","); y[NR, k] = p[2] } n = NF }
            END { if (NR != 2 || n != 2) exit 1; for (k = 1; k <= n; k++) if ((y[1, k] - y[2, k]) ^ 2 < 16) exit 1 }' ||
  fail "the tied houses' lines lie on each other"

# A page that shows a site in frames 1000, 800 and 375 pixels wide, side
# by side (kept as a screenshot), and writes what a visitor would see in each into
# its own DOM, which the browser then prints.
probe() {
  local site=$1
  cat > "$scratch/probe-$site.html" <<HTML
<html><body style="margin:0;background:#444;display:flex;align-items:flex-start;gap:20px">
<iframe width="1000" src="$site/index.html" style="height:5600px;border:0"></iframe>
<iframe width="800" src="$site/index.html" style="height:5600px;border:0"></iframe>
<iframe width="375" src="$site/index.html" style="height:5600px;border:0"></iframe>
<script>
function look(frame) {
  var d = frame.contentDocument, w = d.documentElement.clientWidth, bad = [];
  var tags = {circle: 'circle', square: 'rect'};
  function text(e) { return e ? e.textContent.replace(/\s+/g, ' ').trim() : ''; }
  // Nothing wider than the window but inside a box that scrolls.
  d.querySelectorAll('body *').forEach(function (e) {
    if (e.closest('svg') && e.tagName.toLowerCase() != 'svg') return;
    if (e.parentElement.closest('.picture, .tablebox')) return;
    var r = e.getBoundingClientRect();
    if (r.width > 0 && r.right > w + 1) bad.push('wide ' + e.tagName + '.' + e.className);
  });
  // Marks: one colour and shape a house, another for every other house, in
  // the game shown and in each past game's legend.
  var scopes = [], houses = {};
  d.querySelectorAll('.mark').forEach(function (m) {
    var fig = m.closest('figure'), scope = fig ? scopes.indexOf(fig) : -1;
    if (fig && scope < 0) { scopes.push(fig); scope = scopes.length - 1; }
    var shape = m.getAttribute('data-shape'), key = m.getAttribute('fill') + ' ' + shape;
    if ((tags[shape] || 'polygon') != m.tagName.toLowerCase()) bad.push('a ' + shape + ' drawn as ' + m.tagName);
    var byName = houses[scope] = houses[scope] || {names: {}, keys: {}}, name = m.getAttribute('data-house');
    if (byName.names[name] && byName.names[name] != key) bad.push(name + ' has two marks');
    if (byName.keys[key] && byName.keys[key] != name) bad.push(name + ' and ' + byName.keys[key] + ' share ' + key);
    byName.names[name] = key; byName.keys[key] = name;
  });
  var current = houses[-1] ? Object.keys(houses[-1].names).length : 0;
  // Every text of the pictures at least 11 px as drawn; the legends' too.
  var smallest = 99;
  d.querySelectorAll('svg text').forEach(function (t) {
    var px = parseFloat(getComputedStyle(t).fontSize) * t.getScreenCTM().a;
    smallest = Math.min(smallest, px);
  });
  d.querySelectorAll('.legend li span, .chg').forEach(function (e) {
    smallest = Math.min(smallest, parseFloat(getComputedStyle(e).fontSize));
  });
  // Names break between words only; a swatch stands beside its name.
  d.querySelectorAll('.hname').forEach(function (e) {
    if (e.closest('svg') || !e.getClientRects().length) return;   // not drawn at this width
    var node = e.firstChild, re = /\S+/g, m;
    if (!node) return;
    while ((m = re.exec(node.data))) {
      var r = d.createRange(); r.setStart(node, m.index); r.setEnd(node, m.index + m[0].length);
      if (r.getClientRects().length > 1) bad.push('"' + text(e) + '" broken in "' + m[0] + '"');
    }
    var sw = e.previousElementSibling;
    if (sw && sw.classList.contains('swatch')) {
      var a = sw.getBoundingClientRect(), b = e.getClientRects()[0];
      if (a.right > b.left + 1 || Math.abs(a.top - b.top) > b.height) bad.push('swatch apart from ' + text(e));
    }
  });
  // Where the chart scrolls sideways, a key below it names every line's
  // house in the window; where it does not, no key repeats its labels.
  var picture = d.querySelector('#chart .picture');
  var scrolls = picture && picture.scrollWidth > picture.clientWidth + 1;
  var named = [].filter.call(d.querySelectorAll('#chart .chartkey .hname'), function (e) {
    var r = e.getBoundingClientRect(); return r.width > 0 && r.right <= w + 1;
  }).map(text);
  var unnamed = [].filter.call(d.querySelectorAll('polyline.score'), function (p) {
    return named.indexOf(p.getAttribute('data-house')) < 0;
  });
  var nights = d.querySelectorAll('#chart svg text.night');
  var lines = [].map.call(d.querySelectorAll('polyline.score'), function (p) { return p.getAttribute('points'); });
  var fameRows = d.querySelectorAll('#fame table tbody tr');
  var b = document.body, set = function (k, v) { b.setAttribute('data-' + frame.width + '-' + k, v); };
  set('width', w);
  set('bad', bad.slice(0, 8).join('; '));
  set('houses', current);
  set('rows', d.querySelectorAll('tr.house .swatch').length);
  set('lines', lines.length);
  set('distinct-lines', lines.filter(function (p, i) { return lines.indexOf(p) == i; }).length);
  set('key', scrolls ? 'scrolls, ' + unnamed.length + ' unnamed' : 'whole, ' + named.length + ' named');
  set('last-night', text(nights[nights.length - 1]));
  set('smallest', smallest.toFixed(1));
  set('board', text(d.querySelector('.board')));
  set('join', text(d.querySelector('.join')));
  set('fame', fameRows.length + ' ' + (fameRows[0] ? [].map.call(fameRows[0].cells, text).join('|') : ''));
  set('maps', d.querySelectorAll('#map svg.map').length + ' ' + d.querySelectorAll('#fame figure img').length);
  set('captions', text(d.querySelector('#fame figcaption')));
  set('no-game', /No game has ended here yet/.test(d.body.textContent) ? 'yes' : 'no');
  set('ranks', [].map.call(d.querySelectorAll('tr.house'), function (r) {
    return text(r.cells[0]) + ' ' + r.cells[r.cells.length - 1].firstChild.data.replace(/,/g, '');
  }).join(','));
}
window.onload = function () { document.querySelectorAll('iframe').forEach(look); };
</script></body></html>
HTML
  "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --allow-file-access-from-files \
    --virtual-time-budget=5000 --window-size=2300,5600 --screenshot="$shots/$site.png" \
    --dump-dom "file://$scratch/probe-$site.html" 2>/dev/null
}
attr() { grep -o "data-$width-$1=\"[^\"]*\"" <<<"$dom" | head -1 | sed 's/^[^"]*"//; s/"$//'; }
html() { sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g' <<<"$1"; }

for kind in ended running; do
  houses=25 maps="1 0" last=12
  [ $kind = running ] && houses=3 maps="0 1" last=2
  dom=$(probe $kind)
  for width in 1000 800 375; do
    where="$kind game at $width px:"
    [ "$(attr width)" = $width ] || fail "$where the frame is $(attr width) wide"
    [ -z "$(attr bad)" ] || fail "$where $(attr bad)"
    [ "$(attr houses)" = $houses ] && [ "$(attr rows)" = $houses ] || fail "$where $(attr houses) houses marked, $(attr rows) swatches"
    [ "$(attr lines)" = $houses ] && [ "$(attr distinct-lines)" = $houses ] ||
      fail "$where $(attr lines) chart lines, $(attr distinct-lines) of them apart"
    key="whole, 0 named"
    [ $width = 375 ] && key="scrolls, 0 unnamed"
    [ "$(attr key)" = "$key" ] || fail "$where chart key: $(attr key)"
    [ "$(attr last-night)" = "$last" ] || fail "$where the chart's last night is named $(attr last-night)"
    awk -v s="$(attr smallest)" 'BEGIN { exit !(s >= 11) }' || fail "$where a text of $(attr smallest) px"
    [ "$(attr board)" = "Played on $(html "$board")" ] || fail "$where board: $(attr board)"
    [ "$(attr join)" = "To play: $join" ] || fail "$where join line: $(attr join)"
    [[ "$(attr fame)" =~ ^25\ 1\|[A-Z][^|]*\|computer\|[0-9]+\|[0-9,]+$ ]] || fail "$where Hall of Fame rows: $(attr fame)"
    [ "$(attr maps)" = "$maps" ] || fail "$where maps on the page and with the past games: $(attr maps)"
    [ "$(attr no-game)" = no ] || fail "$where 'No game has ended here yet.' beside a finished game"
    # Tied scores share their place and the next takes the place after them: 1, 1, 3.
    awk -F, '{ for (i = 1; i <= NF; i++) { split($i, r, " "); want = i > 1 && r[2] == score ? rank : i
                                           if (r[1] != want) exit 1; rank = r[1]; score = r[2] } }' <<<"$(attr ranks)" ||
      fail "$where ranks and scores: $(attr ranks)"
  done
  [ "$(stat -c %s "$shots/$kind.png")" -gt 100000 ] || fail "the $kind game's screenshot looks blank"
done
[[ "$(attr captions)" == "Thyre Cup, ended "*" on day 12, won by "* ]] || fail "the past map's caption: $(attr captions)"

# Hostile names: markup, quotes, ampersands and colour codes are text.
bad=$scratch/bad
mkdir -p "$bad"
game=$bad
# Long computer names, so that whoever leads when the sysop ends the game
# below, the news line saying so is too long for one stored record.
printf 'MaxHouses = 4\r\nComputerHouses = Halcyon Reach of the Far Rim, Amberlight Dominion Prime\r\n' > "$bad/THYRE.CFG"
ydmaint new -seed 3
ydmaint join '<script>x</script>' 'Amp & "Quote" '"'"'s'
ydmaint join 'Tom <b>Bold</b>' 'Mal`Cory'
ydmaint turn
# A score history of the first layout (132-byte records without worlds)
# still reads: the scores' changes show, the worlds' do not, and the night
# writes the history again in the present layout (182 bytes a night).
head -c 132 "$bad/SCORES.DAT" > "$bad/old.dat"
printf '\0\0' | dd of="$bad/old.dat" bs=1 seek=2 conv=notrunc status=none
mv "$bad/old.dat" "$bad/SCORES.DAT"
ydmaint turn
ydmaint web "$bad/site"
page=$bad/site/index.html
[ "$(stat -c %s "$bad/SCORES.DAT")" = 364 ] || fail "the old score history was not written anew"
[ "$(xp "$page" "count(//*[@class='house']/*[last()]/*[@data-change])")" = "$(xp "$page" "count(//*[@class='house'])")" ] ||
  fail "no score changes from the old history"
[ "$(xp "$page" "count(//*[@class='house']/*[last()-1]/*[@data-change])")" = 0 ] || fail "worlds changes from a history without worlds"
xmllint --noout "$page" "$bad/site/chart.svg"
! grep -q '<script' "$page" "$bad/site/chart.svg"
! grep -q '<b>' "$page"
grep -q '&lt;script&gt;x&lt;/script&gt;' "$page"
grep -q 'Amp &amp; &quot;Quote&quot; &#39;s' "$page"
! grep -q '`' "$page"
grep -q 'MalCory\|Malory' "$page"
# While a game runs, no map: callers must not learn from it.
! ls "$bad/site"/map-*.svg >/dev/null 2>&1
grep -q "The map is shown here when the game has ended" "$page"
# The sysop ends it: the news line saying so, longer than one stored
# record, is the one line on the page and stands out whole.
printf '8\nEND\n\n\n\n' | "$build/thyrecfg" "$bad" > /dev/null
ydmaint web "$bad/site"
[[ "$(xp "$page" "string(//*[@id='news']//*[@class='victory'])")" =~ ^\*\*\*\ The\ sysop\ has\ ended\ the\ game\..*\ wins\ with\ the\ highest\ score\.\ \*\*\*$ ]] ||
  fail "the sysop's ending in the news: $(xp "$page" "string(//*[@id='news']//*[@class='victory'])")"
# A new game begins before any page showed that one's end: the next page
# keeps its map from the archive, with the Hall of Fame, named.
ydmaint new -force -seed 4
ydmaint web "$bad/site2"
[ "$(xp "$bad/site2/index.html" "count(//*[@id='fame']//*[local-name()='img'])")" = 1 ] || fail "the sysop-ended game's map is lost"
[[ "$(xp "$bad/site2/index.html" "string(//*[@id='fame']//*[local-name()='figcaption'])")" == "Yvarn Thyre, ended "*" on day 2, won by "* ]] ||
  fail "the archived game's map caption: $(xp "$bad/site2/index.html" "string(//*[@id='fame']//*[local-name()='figcaption'])")"
xmllint --noout "$bad/site2"/map-*.svg
# Thirty nights into a game open to late houses the home systems may all be
# taken, a slot still free: the page says what a joining player would meet.
game=$scratch/late
mkdir -p "$game"
printf 'MaxHouses = 8\r\nJoinDays = 0\r\nDays = 90\r\nComputerHouses = Varro, Corvane, Kain, Delmar, Ostrel, Meridel, Thane\r\n' > "$game/THYRE.CFG"
ydmaint new -seed 5
for night in $(seq 30); do ydmaint turn; done
ydmaint web "$game/site"
said=$(xp "$game/site/index.html" "string(//*[local-name()='header']/*[@class='note'])")
cp -r "$game" "$scratch/late-join"
if "$build/ydmaint" -d "$scratch/late-join" join "Late Comer" Zed > /dev/null 2>&1; then
  [ "$said" = "New players can join any day." ] || fail "a house could join, the page said: $said"
else
  [ "$said" = "The game is full: new players cannot join it." ] || fail "no house could join, the page said: $said"
fi
echo "the page renders; screenshots in $shots"
