#!/usr/bin/env python3
"""doors.py: knocks at the headless main job's doors as whoever runs it (tests/headless/run runs
it as the owner and, through setpriv, as another user).

  doors.py websocket PORT ORIGIN   reads a path (with its token, if any) on standard input, so no
                                   token is ever in a process's arguments; sends a WebSocket
                                   handshake for it to 127.0.0.1:PORT with that Origin and, once
                                   let in, reads the VNC server's greeting through it
  doors.py rfb PATH|HOST:PORT      connects to a VNC server's unix socket or TCP port and reads
                                   its greeting
  doors.py arguments               reads a secret on standard input and looks for it in every
                                   process's arguments (exit 0 when no process has it)

Prints what happened; exit status 0 when it got in (saw "RFB 003.008"), 1 when it was kept out.
Every wait is bounded (5 s)."""
import base64
import os
import socket
import sys

LIMIT = 5.0


def greeting(data):
    return data.startswith(b"RFB ")


def knock_rfb(where):
    try:
        if where.startswith("/"):
            s = socket.socket(socket.AF_UNIX)
            s.settimeout(LIMIT)
            s.connect(where)
        else:
            host, port = where.rsplit(":", 1)
            s = socket.create_connection((host.strip("[]"), int(port)), timeout=LIMIT)
            s.settimeout(LIMIT)
    except OSError as e:
        print(f"rfb {where}: kept out ({e.strerror or e})")
        return 1
    try:
        data = s.recv(12)
    except OSError as e:
        print(f"rfb {where}: kept out ({e.strerror or e})")
        return 1
    finally:
        s.close()
    print(f"rfb {where}: {data!r}")
    return 0 if greeting(data) else 1


def read_exactly(s, count, pending):
    while len(pending) < count:
        chunk = s.recv(4096)
        if not chunk:
            raise ConnectionError("closed")
        pending += chunk
    return pending[:count], pending[count:]


def knock_websocket(port, origin):
    path = sys.stdin.readline().strip()
    key = base64.b64encode(os.urandom(16)).decode()
    request = (f"GET /{path.lstrip('/')} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n"
               "Upgrade: websocket\r\nConnection: Upgrade\r\n"
               f"Sec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n"
               "Sec-WebSocket-Protocol: binary\r\n"
               f"Origin: {origin}\r\n\r\n")
    try:
        s = socket.create_connection(("127.0.0.1", int(port)), timeout=LIMIT)
    except OSError as e:
        print(f"websocket: no connection ({e.strerror or e})")
        return 1
    s.settimeout(LIMIT)
    try:
        s.sendall(request.encode())
        pending = b""
        while b"\r\n\r\n" not in pending:
            chunk = s.recv(4096)
            if not chunk:
                break
            pending += chunk
        head, _, pending = pending.partition(b"\r\n\r\n")
        status = head.split(b"\r\n", 1)[0].decode(errors="replace")
        if not status.startswith("HTTP/1.1 101"):
            print(f"websocket from {origin}: kept out ({status or 'closed without an answer'})")
            return 1
        # The first frame the server sends holds the VNC server's greeting.
        header, pending = read_exactly(s, 2, pending)
        length = header[1] & 0x7F
        if length == 126:
            extra, pending = read_exactly(s, 2, pending)
            length = int.from_bytes(extra, "big")
        elif length == 127:
            extra, pending = read_exactly(s, 8, pending)
            length = int.from_bytes(extra, "big")
        payload, pending = read_exactly(s, length, pending)
    except (OSError, ConnectionError) as e:
        print(f"websocket from {origin}: kept out after the handshake ({e})")
        return 1
    finally:
        s.close()
    print(f"websocket from {origin}: {status}, then {payload[:12]!r}")
    return 0 if greeting(payload) else 1


def knock_arguments():
    secret = sys.stdin.readline().strip().encode()
    if not secret:
        print("arguments: no secret given")
        return 1
    holders = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if secret in f.read():
                    holders.append(pid)
        except OSError:
            pass
    print(f"arguments: held by {', '.join(holders) or 'no process'}")
    return 1 if holders else 0


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "websocket":
        return knock_websocket(sys.argv[2], sys.argv[3])
    if len(sys.argv) == 2 and sys.argv[1] == "arguments":
        return knock_arguments()
    if len(sys.argv) == 3 and sys.argv[1] == "rfb":
        return knock_rfb(sys.argv[2])
    print(__doc__, file=sys.stderr)
    return 2


sys.exit(main())
