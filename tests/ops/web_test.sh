#!/usr/bin/env bash
# The game's web page as a visitor sees it: a simulated game of 25 houses
# and 60 nights, its page written by ydmaint web and by the nightly run,
# checked by xmllint and rendered by a real browser (headless Chromium) at
# 800 and 375 pixels: the standings' text in the page, one chart line a
# house, no element wider than the window, a screenshot that is not blank,
# and the final map.  Then hostile names: text, never markup.
set -euo pipefail
src=$1 build=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || { echo "chromium missing: the page cannot be rendered"; exit 1; }
command -v xmllint >/dev/null || { echo "xmllint missing"; exit 1; }

game=$scratch/game site=$scratch/site
mkdir -p "$game"
"$build/ydmaint" -d "$game" sim 25 60 > /dev/null
start=$(date +%s%N)
"$build/ydmaint" -d "$game" web "$site" > /dev/null
echo "page of a 25-house, 60-night game written in $(( ($(date +%s%N) - start) / 1000000 )) ms"
for f in "$site"/index.html "$site"/chart.svg "$site"/map-*.svg; do xmllint --noout "$f"; done
[ "$(ls "$site"/map-*.svg | wc -l)" -eq 1 ]

# A page that loads the site in a frame of a given width and writes what a
# visitor would see into its own DOM, which the browser then prints.
probe() {
  local width=$1
  cat > "$scratch/probe-$width.html" <<HTML
<html><body><iframe id="f" src="site/index.html" style="width:${width}px;height:3000px;border:0"></iframe>
<script>
document.getElementById('f').onload = function () {
  var d = this.contentDocument, w = d.documentElement.clientWidth, wide = [];
  d.querySelectorAll('body *').forEach(function (e) {
    if (e.closest('svg') && e.tagName.toLowerCase() != 'svg') return;   // clipped by its picture
    var r = e.getBoundingClientRect();
    if (r.width > 0 && r.right > w + 1) wide.push(e.tagName);
  });
  var out = d.createElement('div');
  document.body.setAttribute('data-width', w);
  document.body.setAttribute('data-wide', wide.join(','));
  document.body.setAttribute('data-lines', d.querySelectorAll('polyline.score').length);
  document.body.setAttribute('data-rows', d.querySelectorAll('tr.house').length);
  document.body.setAttribute('data-map', d.querySelectorAll('#map img').length);
  document.body.setAttribute('data-standings', d.getElementById('standings').textContent.replace(/\s+/g, ' '));
};
</script></body></html>
HTML
  "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --allow-file-access-from-files --virtual-time-budget=10000 \
    --window-size=$((width + 40)),3000 --dump-dom "file://$scratch/probe-$width.html" 2>/dev/null
}
for width in 800 375; do
  dom=$(probe $width)
  grep -q "data-width=\"$width\"" <<<"$dom" || { echo "the frame is not $width wide: $(head -c 300 <<<"$dom")"; exit 1; }
  grep -q 'data-wide=""' <<<"$dom" || { echo "wider than $width: $(grep -o 'data-wide="[^"]*"' <<<"$dom")"; exit 1; }
  grep -q 'data-lines="25"' <<<"$dom" || { echo "chart lines: $(grep -o 'data-lines="[^"]*"' <<<"$dom")"; exit 1; }
  grep -q 'data-rows="25"' <<<"$dom"
  grep -q 'data-map="1"' <<<"$dom"
  grep -q 'data-standings="[^"]*#HousePlayerWorldsScore 1House [A-Za-z]*computer' <<<"$dom"
  "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=$width,1600 \
    --screenshot="$scratch/shot-$width.png" "file://$site/index.html" >/dev/null 2>&1
  # A blank page compresses to a few kilobytes; this one has text, a table and a chart.
  [ "$(stat -c %s "$scratch/shot-$width.png")" -gt 40000 ] || { echo "the $width screenshot looks blank"; exit 1; }
done

# Hostile names: markup, quotes, ampersands and colour codes are text.
bad=$scratch/bad
mkdir -p "$bad"
"$build/ydmaint" -d "$bad" new -seed 3 > /dev/null
"$build/ydmaint" -d "$bad" join '<script>x</script>' 'Amp & "Quote" '"'"'s' > /dev/null
"$build/ydmaint" -d "$bad" join 'Tom <b>Bold</b>' 'Mal`Cory' > /dev/null
"$build/ydmaint" -d "$bad" turn > /dev/null
"$build/ydmaint" -d "$bad" turn > /dev/null
"$build/ydmaint" -d "$bad" web "$bad/site" > /dev/null
page=$bad/site/index.html
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
echo "the page renders"
