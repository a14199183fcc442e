#!/usr/bin/env bash
# Audits what a site looks like to browsers, crawlers and validators: for each shipped template and
# each data source it makes a site with the command line and the offline demo service, then runs
# Lighthouse 12 (headless Chromium, mobile and desktop) on a page and on the index, the Nu HTML
# Checker on every page, and xmllint on the sitemap against the sitemaps.org schema.
# Run by hand (it needs npm, Debian's chromium and a Java runtime); it is no part of CI.
#   tools/audit/audit-pages.sh [build-folder]     results in $AUDIT_DIR (default: a new temp folder);
#   the demo service listens on $AUDIT_PORT (17631) and the site is served on the port after it.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
work=${AUDIT_DIR:-$(mktemp -d -t taoyefang-audit.XXXXXX)}
port=${AUDIT_PORT:-17631}
webport=$((port + 1))
export CHROME_PATH=${CHROME_PATH:-/usr/bin/chromium}
mkdir -p "$work/node"

# The audit tools live in the work folder, never in the repository.
if [ ! -x "$work/node/node_modules/.bin/lighthouse" ] || [ ! -d "$work/node/node_modules/vnu-jar" ]; then
    (cd "$work/node" && npm i -E --no-audit --no-fund lighthouse@12.2.3 vnu-jar >/dev/null)
fi
lighthouse=$work/node/node_modules/.bin/lighthouse
vnu=$(ls "$work/node/node_modules/vnu-jar/build/dist/vnu.jar")

pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
"$build/bin/demo-server" --port "$port" >"$work/demo-server.log" 2>&1 &
pids+=($!)
sleep 1

# One program folder per data source, each with its own settings (GBK, as the program writes them).
make_program() { # folder source-lines
    mkdir -p "$1"
    cp "$build/bin/taoyefang-cli" "$1/"
    cp -r "$build/bin/模板" "$1/"
    printf '[服务设置]\n接口主机=127.0.0.1:%s\n短网址主机=127.0.0.1:%s\n图片主机=127.0.0.1:%s\n%s' \
        "$port" "$port" "$port" "$2" | iconv -f UTF-8 -t GBK >"$1/设置.ini"
}
make_program "$work/testtool" ''
make_program "$work/openplatform" "$(printf '数据来源=开放平台\n开放平台网关=http://127.0.0.1:%s/router/rest\nAppKey=demo-app\nAppSecret=demo-secret\n签名方式=md5\n' "$port")"

printf '连衣裙\n手机\n零食\n' >"$work/keywords.txt"
base="http://127.0.0.1:$webport"
sites=()
for source in testtool openplatform; do
    for template in 经典网格 手机精选; do
        name="$source-$template"
        extra=(--pid 30571968)
        [ "$source" = openplatform ] && extra=(--pid mm_1_2_3 --tokens)
        "$work/$source/taoyefang-cli" site create "$name" "$work/keywords.txt" -t "$template" -n 8 \
            --base-url "$base/$name/" "${extra[@]}" >/dev/null
        mkdir -p "$work/web"
        ln -sfn "$work/$source/站点/$name/www" "$work/web/$name"
        sites+=("$name")
    done
done
(cd "$work/web" && exec python3 -m http.server "$webport" --bind 127.0.0.1 >/dev/null 2>&1) &
pids+=($!)
sleep 1

flags="--headless=new --no-sandbox --disable-gpu --disable-background-networking --disable-component-update --disable-sync"
report="$work/scores.txt"
: >"$report"
for name in "${sites[@]}"; do
    first=$(ls -d "$work/web/$name"/*/ | head -n1)
    for target in "" "$(basename "$first")/index.htm"; do
        for form in mobile desktop; do
            preset=()
            [ "$form" = desktop ] && preset=(--preset=desktop)
            out="$work/lh-$name-${target%%/*}-$form.json"
            "$lighthouse" "$base/$name/$target" --quiet --output=json --output-path="$out" \
                --chrome-flags="$flags" "${preset[@]}" >/dev/null 2>&1 || true
            node -e '
const r = require(process.argv[1]);
const s = Object.values(r.categories).map(c => c.id + " " + Math.round(c.score * 100)).join(", ");
const bad = Object.values(r.audits).filter(a => a.score !== null && a.score < 1 && a.scoreDisplayMode === "binary").map(a => a.id);
console.log(process.argv[2].padEnd(60), s, bad.length ? "  failing: " + bad.join(" ") : "");
' "$out" "$name/${target:-index.htm} $form" | tee -a "$report"
        done
    done
done

echo "== Nu HTML Checker (errors only) ==" | tee -a "$report"
find -L "$work/web" -name index.htm -print0 | xargs -0 java -jar "$vnu" --errors-only --skip-non-html 2>&1 |
    tee -a "$report" || true
echo "== sitemaps ==" | tee -a "$report"
for name in "${sites[@]}"; do
    xmllint --noout --schema "$here/tests/data/sitemap/sitemap.xsd" "$work/web/$name/sitemap.xml" 2>&1 |
        tee -a "$report"
done
echo "Results: $report"
