# Shared by scripts/run and tests/headless/run: the dialog on a private virtual display, served
# to a web browser by x11vnc, websockify and noVNC, to its owner only. Source it after
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

# vantrel_wait_until PID SECONDS COMMAND...: until COMMAND succeeds; fails when the process PID
# ends first or the time runs out.
vantrel_wait_until() {
  local pid=$1 tries=$(($2 * 10))
  shift 2
  while ! "$@" 2>/dev/null; do
    kill -0 "$pid" 2>/dev/null || return 1
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

vantrel_port_accepts() { (exec 9<>"/dev/tcp/127.0.0.1/$1"); }

# vantrel_wait_port PORT PID [SECONDS]: until something accepts on 127.0.0.1:PORT, at most 20 s.
vantrel_wait_port() { vantrel_wait_until "$2" "${3:-20}" vantrel_port_accepts "$1"; }

# vantrel_wait_socket PATH PID [SECONDS]: until a unix socket is at PATH, at most 20 s.
vantrel_wait_socket() { vantrel_wait_until "$2" "${3:-20}" test -S "$1"; }

# vantrel_headless_start LOGDIR: a private Xvfb with an X cookie (exports DISPLAY and
# XAUTHORITY), x11vnc on it and websockify serving noVNC, their messages in LOGDIR (mode 0600).
# Nobody but the owner gets in: the cookie, x11vnc's only socket (a unix socket, no TCP port)
# and websockify's token file are in the private 0700 folder; websockify listens on 127.0.0.1
# and lets a WebSocket through only with the run's random token and an Origin of its own page.
# The token is in no process's arguments, only in VANTREL_NOVNC_URL's fragment, which a browser
# never sends. Exports VANTREL_WEB_PORT and VANTREL_NOVNC_URL (the page that connects by
# itself); the processes are ended by vantrel_headless_stop.
vantrel_headless_start() {
  local logs=$1 dir token origins old_umask status=0
  mkdir -p "$logs"
  if [ ! -e "$VANTREL_NOVNC_DIR/vnc.html" ]; then
    echo "headless: noVNC is not in $VANTREL_NOVNC_DIR (apt-get install novnc)" >&2
    return 1
  fi
  vantrel_xvfb "$VANTREL_HEADLESS_SIZE" || return 1
  dir=$VANTREL_PRIVATE_DIR
  old_umask=$(umask)
  umask 077
  # -rfbport 0 alone still listens on [::]:5900 with Debian's x11vnc, hence -rfbportv6 -1; no
  # -localhost, which turns unix-socket clients away.
  x11vnc -display "$DISPLAY" -auth "$XAUTHORITY" -unixsock "$dir/vnc.sock" -rfbport 0 \
    -rfbportv6 -1 -forever -shared -nopw -noxdamage -quiet >"$logs/x11vnc.log" 2>&1 </dev/null &
  VANTREL_X11VNC_PID=$!
  if ! vantrel_wait_socket "$dir/vnc.sock" "$VANTREL_X11VNC_PID"; then
    umask "$old_umask"
    echo "headless: x11vnc did not start (see $logs/x11vnc.log)" >&2
    return 1
  fi
  token=$(vantrel_secret 24)
  printf '%s: unix_socket:%s\n' "$token" "$dir/vnc.sock" >"$dir/tokens"
  VANTREL_WEB_PORT=$(vantrel_free_port 6080)
  origins="http://127.0.0.1:$VANTREL_WEB_PORT http://localhost:$VANTREL_WEB_PORT"
  websockify --web "$VANTREL_NOVNC_DIR" --token-plugin TokenFile --token-source "$dir/tokens" \
    --auth-plugin ExpectOrigin --auth-source "$origins" "127.0.0.1:$VANTREL_WEB_PORT" \
    >"$logs/websockify.log" 2>&1 </dev/null &
  VANTREL_WEBSOCKIFY_PID=$!
  umask "$old_umask"
  vantrel_wait_port "$VANTREL_WEB_PORT" "$VANTREL_WEBSOCKIFY_PID" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "headless: websockify did not start (see $logs/websockify.log)" >&2
    return 1
  fi
  # noVNC reads its settings from the fragment as well as the query.
  VANTREL_NOVNC_URL="http://127.0.0.1:$VANTREL_WEB_PORT/vnc.html#path=websockify%3Ftoken%3D$token"
  VANTREL_NOVNC_URL+="&autoconnect=1&resize=scale"
  export VANTREL_WEB_PORT VANTREL_NOVNC_URL
}

# The line that brings the page of a remote machine to this one's browser.
vantrel_ssh_forward_hint() {
  local host
  host=$(hostname -f 2>/dev/null || hostname)
  echo "ssh -N -L $VANTREL_WEB_PORT:127.0.0.1:$VANTREL_WEB_PORT ${USER:-$(id -un)}@$host"
}

# Ends websockify, x11vnc and the virtual display, in that order, and removes the private
# folder; safe to call twice.
vantrel_headless_stop() {
  local pid
  for pid in "${VANTREL_WEBSOCKIFY_PID:-}" "${VANTREL_X11VNC_PID:-}"; do
    [ -z "$pid" ] || vantrel_stop "$pid"
  done
  VANTREL_WEBSOCKIFY_PID="" VANTREL_X11VNC_PID=""
  vantrel_xvfb_stop
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
