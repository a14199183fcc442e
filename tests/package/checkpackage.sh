#!/usr/bin/env bash
# Checks the Debian package the way a user meets it: builds it from a build folder (or takes a
# built one), unpacks it into a temporary root, checks the files, the desktop entry and the
# metainfo, then starts the program from that root: installed it writes only to the user's
# folders, as a portable copy only beside itself, and its offline demo leaves no process behind.
# Usage: checkpackage.sh (--build <build-dir> | --deb <file.deb>) --source <source-dir>
set -euo pipefail

build= deb= source=
while (($#)); do
    case $1 in
    --build) build=$2; shift 2 ;;
    --deb) deb=$2; shift 2 ;;
    --source) source=$2; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done
[ -n "$source" ] && { [ -n "$build" ] || [ -n "$deb" ]; } || { sed -n 2,7p "$0" >&2; exit 2; }

fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }
for tool in dpkg-deb desktop-file-validate appstreamcli file; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

id=com.norvane.taoyefang
app=taoyefang

# --- The package -------------------------------------------------------------------------------
if [ -n "$build" ]; then
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log"; fail "cpack could not build the package"; }
    deb=$(echo "$work"/out/*.deb)
fi
[ -f "$deb" ] || fail "no package at $deb"
field() { dpkg-deb -f "$deb" "$1"; }
version=$(sed -n 's/^project(taoyefang VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
[ "$(field Package)" = "$app" ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version), the project is $version"
[[ $(basename "$deb") == ${app}_${version}_*.deb ]] || fail "file name $(basename "$deb")"
[[ $(field Maintainer) =~ \<[^@\ ]+@[^@\ ]+\> ]] || fail "maintainer without an address: $(field Maintainer)"
for dependency in libqt6webenginewidgets6 libqt6webenginecore6-bin libqt6widgets6 libqt6sql6-sqlite libc6; do
    [[ ", $(field Depends)," == *", $dependency "* ]] || fail "Depends lacks $dependency: $(field Depends)"
done
description=$(field Description)
grep -q '淘宝客' <<<"$description" && grep -q 'Taobao affiliate' <<<"$description" ||
    fail "the description is not in both languages"
dpkg-deb -c "$deb" | awk '$2 != "root/root" { bad = 1; print } END { exit bad }' ||
    fail "files not owned by root"
grep -qw rclone <<<"$(field Recommends)" || fail "Recommends lacks rclone (publishing): $(field Recommends)"
pass "package $(basename "$deb"): fields, dependencies, ownership"

# --- The files ---------------------------------------------------------------------------------
root=$work/root
dpkg-deb -x "$deb" "$root"
program=$root/usr/lib/$app
[ -L "$root/usr/bin/$app" ] || fail "usr/bin/$app is no link"
[ "$(readlink -f "$root/usr/bin/$app")" = "$program/$app" ] || fail "usr/bin/$app points elsewhere"
for f in "$app" demo-server; do
    [ -x "$program/$f" ] && file -b "$program/$f" | grep -q ELF || fail "$f is not an executable"
done
for f in .installed 模板/经典网格/模板文件.htm 模板/手机精选/效果预览.htm 帮助/index.html 帮助/bangzhu.php \
    ../../share/applications/$id.desktop ../../share/metainfo/$id.metainfo.xml; do
    [ -f "$program/$f" ] || fail "missing $f"
done
icons=$root/usr/share/icons/hicolor
cmp -s "$icons/scalable/apps/$id.svg" "$source/data/help/logo.svg" || fail "the scalable icon is not the logo"
for size in 16 22 24 32 48 64 128 256; do
    file -b "$icons/${size}x${size}/apps/$id.png" | grep -q "PNG image data, $size x $size," ||
        fail "no $size px icon"
done
pass "files: program folder, command, icons"

# --- Desktop entry and metainfo ------------------------------------------------------------------
desktop=$root/usr/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
entry() { sed -n "/^\[Desktop Entry\]/,/^\[/s/^$1=//p" "$desktop"; }
[ "$(entry Name)" = 淘页坊 ] || fail "Name=$(entry Name)"
[ "$(entry Exec)" = "$app" ] && [ "$(entry Icon)" = "$id" ] && [ "$(entry StartupWMClass)" = "$app" ] ||
    fail "Exec, Icon or StartupWMClass"
grep -q '^Comment\[en\]=' "$desktop" && grep -q '^Comment=.*[淘模]' "$desktop" || fail "comments"
sed -n '/^\[Desktop Action demo\]/,$p' "$desktop" | grep -qx 'Name=离线演示' || fail "no 离线演示 action"
sed -n '/^\[Desktop Action demo\]/,$p' "$desktop" | grep -qx "Exec=$app --demo" || fail "the action's command"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" || fail "no release $version"
pass "desktop entry and metainfo"

# --- The program, started from the unpacked root ------------------------------------------------
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu" XDG_RUNTIME_DIR=$work/runtime
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_DOCUMENTS_DIR
mkdir -m 700 "$work/runtime"

# Every file below a folder with its size, for before-and-after comparisons.
listing() { (cd "$1" && find . -printf '%p %s\n' | sort); }
# Waits up to 60 s for a file to appear while the program runs.
await() {
    local pid=$1 path=$2
    for _ in $(seq 600); do
        [ -e "$path" ] && return 0
        kill -0 "$pid" 2>/dev/null || { cat "$work/log" >&2; fail "the program ended early"; }
        sleep 0.1
    done
    cat "$work/log" >&2
    fail "$path did not appear"
}
# Asks the program to end as logging out would; it closes its window and exits with 0.
finish() {
    local pid=$1
    kill -TERM "$pid"
    local status=0
    timeout 30 tail --pid="$pid" -f /dev/null || fail "the program did not end"
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || { cat "$work/log" >&2; fail "the program ended with $status"; }
}
# A process has ended: gone, or a zombie waiting for a parent that does not reap.
ended() { [ ! -e "/proc/$1" ] || [ "$(sed 's/.*) //' "/proc/$1/stat" | cut -d' ' -f1)" = Z ]; }
start() {
    HOME=$1 "${@:2}" >"$work/log" 2>&1 &
    pids+=($!)
}

# Installed: the program folder is read-only; everything goes to the user's folders.
chmod -R a-w "$program"
before=$(listing "$program")
home=$work/home-installed && mkdir "$home"
start "$home" "$root/usr/bin/$app"
pid=$!
await "$pid" "$home/.config/$app/设置.ini"
finish "$pid"
[ "$(listing "$program")" = "$before" ] || fail "the installed program wrote beside itself"
[ "$(cd "$home" && find . -type f)" = "./.config/$app/设置.ini" ] || fail "unexpected files in HOME: $(find "$home" -type f)"
iconv -f GBK -t UTF-8 "$home/.config/$app/设置.ini" | grep -q '^\[基本设置\]' || fail "the settings file"
pass "installed: settings in the user's folder, nothing beside the program"

# Portable: a writable copy of the folder without the package's mark keeps everything beside it.
portable=$work/U盘/淘页坊
mkdir -p "$(dirname "$portable")" && cp -r "$program" "$portable" && chmod -R u+w "$portable"
rm "$portable/.installed"
home=$work/home-portable && mkdir "$home"
start "$home" "$portable/$app"
pid=$!
await "$pid" "$portable/设置.ini"
finish "$pid"
[ -z "$(ls -A "$home")" ] || fail "the portable program wrote to HOME: $(find "$home")"
pass "portable: settings beside the program, nothing in HOME"

# The offline demo: its service answers while the window is open and goes with it, also when
# the program is killed outright.
for ending in close kill; do
    home=$work/home-demo-$ending && mkdir "$home"
    start "$home" "$root/usr/bin/$app" --demo
    pid=$!
    for _ in $(seq 300); do
        grep -q '离线演示服务 http' "$work/log" && break
        kill -0 "$pid" 2>/dev/null || { cat "$work/log" >&2; fail "--demo ended early"; }
        sleep 0.1
    done
    line=$(grep -m1 '离线演示服务 http' "$work/log") || { cat "$work/log" >&2; fail "--demo did not start its service"; }
    port=$(sed 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/' <<<"$line")
    child=$(sed 's/.*进程 \([0-9]*\).*/\1/' <<<"$line")
    [ "$(readlink -f "/proc/$child/exe")" = "$program/demo-server" ] || fail "process $child is not the demo service"
    [ "$(sed 's/.*) //' "/proc/$child/stat" | cut -d' ' -f2)" = "$pid" ] || fail "the service is not the program's child"
    exec 3<>"/dev/tcp/127.0.0.1/$port"
    printf 'GET /newrank/s_red_1.gif HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' >&3
    status=$(head -n1 <&3)
    exec 3<&-
    [[ $status == "HTTP/1.1 200"* ]] || fail "the demo service answered: $status"
    await "$pid" "$home/.config/$app/设置.ini"
    if [ "$ending" = close ]; then
        finish "$pid"
    else
        kill -KILL "$pid"
        wait "$pid" 2>/dev/null || true
    fi
    for _ in $(seq 100); do ended "$child" && break; sleep 0.1; done
    ended "$child" || fail "the demo service (process $child) outlived the program ($ending)"
    ! iconv -f GBK -t UTF-8 "$home/.config/$app/设置.ini" | grep -q ":$port" ||
        fail "the session's service was written into the settings"
    pass "--demo ($ending): service on port $port answered and ended with the program"
done
[ "$(listing "$program")" = "$before" ] || fail "the demo wrote beside the program"
