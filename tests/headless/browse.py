#!/usr/bin/env python3
"""browse.py URL PNG [SECONDS]: opens URL (read from standard input when URL is "-", so that a key
in it is in no process's arguments) in headless Chromium, waits until the noVNC page says it
is connected and has drawn the remote screen (or SECONDS pass), and saves a screenshot as PNG.

Talks to the browser over its DevTools pipe (file descriptors 3 and 4, messages ended by a NUL
byte), so nothing but the standard library is needed. Prints the page's state (connected, canvas size,
colours sampled) and exits non-zero when the page never showed a drawn screen."""
import base64
import json
import os
import subprocess
import sys
import tempfile
import time

url, png = sys.argv[1], sys.argv[2]
if url == "-":
    url = sys.stdin.readline().strip()
limit = float(sys.argv[3]) if len(sys.argv) > 3 else 30.0

to_browser_r, to_browser_w = os.pipe()
from_browser_r, from_browser_w = os.pipe()
profile = tempfile.mkdtemp(prefix="vantrel-chromium-")
# The browser reads commands on its fd 3 and answers on fd 4.
def child_fds():
    # Moved out of the way first: either pipe end may itself be 3 or 4.
    r, w = os.dup(to_browser_r), os.dup(from_browser_w)
    r, w = os.dup2(r, 100), os.dup2(w, 101)
    os.dup2(r, 3)
    os.dup2(w, 4)
browser = subprocess.Popen(
    [os.environ.get("VANTREL_CHROMIUM", "/usr/lib/chromium/chromium"), "--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
     "--no-first-run", "--remote-debugging-pipe", f"--user-data-dir={profile}",
     "--window-size=900,700", "about:blank"],
    preexec_fn=child_fds, close_fds=False,
    stdout=subprocess.DEVNULL, stderr=open(os.environ.get("BROWSE_LOG", os.devnull), "w"))
os.close(to_browser_r)
os.close(from_browser_w)
reader = os.fdopen(from_browser_r, "rb")
writer = os.fdopen(to_browser_w, "wb")
pending = b""
counter = 0


def call(method, session=None, **params):
    global counter, pending
    counter += 1
    message = {"id": counter, "method": method, "params": params}
    if session:
        message["sessionId"] = session
    writer.write(json.dumps(message).encode() + b"\0")
    writer.flush()
    while True:
        while b"\0" not in pending:
            chunk = os.read(reader.fileno(), 1 << 20)
            if not chunk:
                raise SystemExit("browse.py: the browser went away")
            pending += chunk
        raw, pending = pending.split(b"\0", 1)
        answer = json.loads(raw)
        if answer.get("id") == counter:
            if "error" in answer:
                raise SystemExit(f"browse.py: {method}: {answer['error']}")
            return answer.get("result", {})


status = 1
try:
    target = call("Target.createTarget", url=url)["targetId"]
    session = call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
    # Connected, and the remote screen drawn onto the canvas at its full size.
    # "colours": how many different colours a grid of samples of the canvas holds (1: blank).
    probe = ("(() => { const c = document.querySelector('#noVNC_container canvas');"
             " const connected = document.documentElement.classList.contains('noVNC_connected');"
             " let colours = 0;"
             " if (c && c.width > 0) {"
             "  const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
             "  const seen = new Set();"
             "  for (let y = 0; y < c.height; y += 4) for (let x = 0; x < c.width; x += 4) {"
             "   const i = (y * c.width + x) * 4; seen.add((d[i] << 16) | (d[i+1] << 8) | d[i+2]); }"
             "  colours = seen.size; }"
             " return JSON.stringify({connected, width: c ? c.width : 0,"
             " height: c ? c.height : 0, colours}); })()")
    state = {}
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        value = call("Runtime.evaluate", session, expression=probe, returnByValue=True)
        state = json.loads(value.get("result", {}).get("value", "{}"))
        if state.get("connected") and state.get("colours", 0) > 8:
            break
        time.sleep(0.25)
    if state.get("connected") and state.get("colours", 0) > 8:
        time.sleep(0.5)  # let the page settle (the status bar fades)
        shot = call("Page.captureScreenshot", session, format="png")
        with open(png, "wb") as out:
            out.write(base64.b64decode(shot["data"]))
        status = 0
    print(f"page: {json.dumps(state)}")
finally:
    try:
        call("Browser.close")
    except BaseException:
        browser.kill()
    browser.wait(timeout=10)
    subprocess.run(["rm", "-rf", profile])
sys.exit(status)
