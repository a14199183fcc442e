#!/usr/bin/env bash
# Computes the WCAG contrast ratio of every text colour against every colour it can sit on, in the
# pages a site is made of: each shipped template's page and index, the default index (a template
# without 首页模板.htm) and each template's 效果预览.htm, with items from both data sources (so
# coupons, 淘口令 and the 天猫 mark are there), at a phone's and a desktop's width. contrast.js
# does the measuring inside headless Chromium (Debian's chromium); this prints, per page, the
# lowest ratio and every pair under 4.5:1, and fails when there is one.
# Run by hand; it is no part of CI.
#   tools/audit/contrast.sh [build-folder]     the demo service listens on $AUDIT_PORT (17641)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
work=$(mktemp -d -t taoyefang-contrast.XXXXXX)
port=${AUDIT_PORT:-17641}
chromium=${CHROME_PATH:-/usr/bin/chromium}

pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
"$build/bin/demo-server" --port "$port" >"$work/demo-server.log" 2>&1 &
pid=$!
sleep 1

make_program() { # folder source-lines
    mkdir -p "$1"
    cp "$build/bin/taoyefang-cli" "$1/"
    cp -r "$here/data/模板" "$1/" # the source tree's, so a change shows without a build
    cp -r "$1/模板/经典网格" "$1/模板/无首页"
    rm "$1/模板/无首页/首页模板.htm"
    printf '[服务设置]\n接口主机=127.0.0.1:%s\n短网址主机=127.0.0.1:%s\n图片主机=127.0.0.1:%s\n%s' \
        "$port" "$port" "$port" "$2" | iconv -f UTF-8 -t GBK >"$1/设置.ini"
}
make_program "$work/testtool" ''
make_program "$work/openplatform" "$(printf '数据来源=开放平台\n开放平台网关=http://127.0.0.1:%s/router/rest\nAppKey=demo-app\nAppSecret=demo-secret\n签名方式=md5\n' "$port")"
printf '连衣裙\n' >"$work/keywords.txt"

pages=()
for source in testtool openplatform; do
    extra=(--pid 30571968)
    [ "$source" = openplatform ] && extra=(--pid mm_1_2_3 --tokens)
    for template in 经典网格 手机精选 无首页; do
        name="$source-$template"
        "$work/$source/taoyefang-cli" site create "$name" "$work/keywords.txt" -t "$template" -n 8 \
            --base-url "https://example.com/$name/" "${extra[@]}" >/dev/null
        www="$work/$source/站点/$name/www"
        pages+=("$www/index.htm" "$(ls "$www"/*/index.htm | head -n 1)")
    done
done
for template in 经典网格 手机精选; do
    pages+=("$work/testtool/模板/$template/效果预览.htm")
done

for page in "${pages[@]}"; do
    # The measuring script goes in beside the page's own, before </body> (byte-wise: GBK pages).
    probe="$(dirname "$page")/contrast-probe.html"
    LC_ALL=C sed "s#</body>#<script src=\"file://$here/tools/audit/contrast.js\"></script></body>#" "$page" >"$probe"
    for size in 390,844 1280,900; do
        "$chromium" --headless=new --no-sandbox --disable-gpu --allow-file-access-from-files \
            --window-size="$size" --virtual-time-budget=10000 --dump-dom "file://$probe" 2>/dev/null |
            python3 -c '
import html, json, re, sys
page, size = sys.argv[1], sys.argv[2].replace(",", "x")
m = re.search(r"<pre id=\"contrast-report\">(.*?)</pre>", sys.stdin.read(), re.S)
if not m:
    print(f"{page} {size}: no report"); sys.exit(1)
rows = [json.loads(l) for l in html.unescape(m.group(1)).splitlines() if l.strip()]
low = min((r["ratio"] for r in rows), default=None)
print(f"{page} at {size}: {len(rows)} pairs, lowest {low}")
bad = {}
for r in rows:
    if r["ratio"] < 4.5:
        bad.setdefault((r["ratio"], r["element"], r["text"], r["background"]), set()).add(r["state"])
for (ratio, element, text, background), states in sorted(bad.items()):
    states = "/".join(sorted(states))
    print(f"    {ratio:5.2f}  {text} on {background}  {element} ({states})")
sys.exit(1 if bad else 0)
' "${page#"$work"/}" "$size" || failed=1
    done
done
[ -z "${failed:-}" ] && echo "contrast: every text at 4.5:1 or more" || { echo "contrast: pairs under 4.5:1" >&2; exit 1; }
