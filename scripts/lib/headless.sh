# Shared by scripts/run and tests/headless/run: the dialog on a private virtual display, served
# to a web browser by x11vnc, websockify and noVNC, listening on 127.0.0.1 only. Source it after
# scripts/lib/wine.sh and scripts/lib/process.sh; every function fails loudly.

VANTREL_NOVNC_DIR=${VANTREL_NOVNC_DIR:-/usr/share/novnc}
# The virtual display, as large as Wine's desktop on it: the dialog and a margin.
VANTREL_HEADLESS_SIZE=${VANTREL_HEADLESS_SIZE:-840x620}

# vantrel_free_port FIRST: the first TCP port from FIRST on that nobody listens on at 127.0.0.1.
vantrel_free_port() {
  python3 - "$1" <<'PY'
import socket, sys
port = int(sys.argv[1])
while port < 65535:
    s = socket.socket()
    # As the servers bind: a port left in TIME_WAIT by the last run is free.
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        s.bind(("127.0.0.1", port))
        break
    except OSError:
        port += 1
    finally:
        s.close()
print(port)
PY
}

# vantrel_wait_port PORT PID [SECONDS]: until something accepts on 127.0.0.1:PORT; fails when the
# process PID ends first or the time runs out.
vantrel_wait_port() {
  local port=$1 pid=$2 tries=$((${3:-20} * 10))
  while ! (exec 9<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do
    kill -0 "$pid" 2>/dev/null || return 1
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

# vantrel_headless_start LOGDIR: a private Xvfb (exports DISPLAY), x11vnc on it and websockify
# serving noVNC, both on 127.0.0.1 only, their messages in LOGDIR. Exports VANTREL_VNC_PORT,
# VANTREL_WEB_PORT and VANTREL_NOVNC_URL (the page that connects by itself); the processes are
# ended by vantrel_headless_stop.
vantrel_headless_start() {
  local logs=$1
  mkdir -p "$logs"
  if [ ! -e "$VANTREL_NOVNC_DIR/vnc.html" ]; then
    echo "headless: noVNC is not in $VANTREL_NOVNC_DIR (apt-get install novnc)" >&2
    return 1
  fi
  vantrel_xvfb "$VANTREL_HEADLESS_SIZE"
  VANTREL_VNC_PORT=$(vantrel_free_port 5900)
  x11vnc -display "$DISPLAY" -localhost -noipv6 -rfbport "$VANTREL_VNC_PORT" -forever -shared \
    -nopw -noxdamage -quiet >"$logs/x11vnc.log" 2>&1 </dev/null &
  VANTREL_X11VNC_PID=$!
  if ! vantrel_wait_port "$VANTREL_VNC_PORT" "$VANTREL_X11VNC_PID"; then
    echo "headless: x11vnc did not start (see $logs/x11vnc.log)" >&2
    return 1
  fi
  VANTREL_WEB_PORT=$(vantrel_free_port 6080)
  websockify --web "$VANTREL_NOVNC_DIR" "127.0.0.1:$VANTREL_WEB_PORT" \
    "127.0.0.1:$VANTREL_VNC_PORT" >"$logs/websockify.log" 2>&1 </dev/null &
  VANTREL_WEBSOCKIFY_PID=$!
  if ! vantrel_wait_port "$VANTREL_WEB_PORT" "$VANTREL_WEBSOCKIFY_PID"; then
    echo "headless: websockify did not start (see $logs/websockify.log)" >&2
    return 1
  fi
  VANTREL_NOVNC_URL="http://127.0.0.1:$VANTREL_WEB_PORT/vnc.html?autoconnect=1&resize=scale"
  export VANTREL_VNC_PORT VANTREL_WEB_PORT VANTREL_NOVNC_URL
}

# The line that brings the page of a remote machine to this one's browser.
vantrel_ssh_forward_hint() {
  local host
  host=$(hostname -f 2>/dev/null || hostname)
  echo "ssh -N -L $VANTREL_WEB_PORT:127.0.0.1:$VANTREL_WEB_PORT ${USER:-$(id -un)}@$host"
}

# Ends websockify, x11vnc and the virtual display, in that order; safe to call twice.
vantrel_headless_stop() {
  local pid
  for pid in "${VANTREL_WEBSOCKIFY_PID:-}" "${VANTREL_X11VNC_PID:-}" "${VANTREL_XVFB_PID:-}"; do
    [ -z "$pid" ] || vantrel_stop "$pid"
  done
  VANTREL_WEBSOCKIFY_PID="" VANTREL_X11VNC_PID="" VANTREL_XVFB_PID=""
}

# vantrel_find_window CAPTION [SECONDS]: until a window of that name is on the display.
vantrel_find_window() {
  local caption=$1 tries=$((${2:-30} * 5))
  while ! xwininfo -root -tree 2>/dev/null | grep -qF "\"$caption\""; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.2
  done
}
