#!/usr/bin/env bash
# Sets everything up, starts the offline demo service and opens 淘页坊. The service stops when
# the window closes.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/scripts/setup.sh" "$here/build"
bin="$here/build/bin"
port=17580

# On the first start, point the credit badges and the open platform's gateway at the demo service
# too, so pages look right and 开放平台 works without a network (AppKey demo-app, AppSecret
# demo-secret). A settings file the user already has is left alone.
if [ ! -e "$bin/设置.ini" ]; then
    printf '[服务设置]\r\n图片主机=127.0.0.1:%s\r\n开放平台网关=http://127.0.0.1:%s/router/rest\r\n' "$port" "$port" |
        iconv -f UTF-8 -t GBK > "$bin/设置.ini"
fi

"$bin/demo-server" --port "$port" &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT

# The web engine's sandbox cannot run as root.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: running the window on a virtual one (xvfb)."
    export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} --disable-gpu"
    xvfb-run -a -s "-screen 0 1280x900x24" "$bin/taoyefang"
else
    "$bin/taoyefang"
fi
