#!/usr/bin/env python3
"""The Windows program's tests under Wine: the dialog as a technician sees it.

Run by tests/wine/run, which has generated the locales, started a private X server (DISPLAY) and
made a private Wine prefix (WINEPREFIX). Each test drives the running program with
vantrel-driver.exe and a few lines of driver script; serial ports are pseudo-terminals held here.
"""

import argparse
import json
import ntpath
import os
import re
import pty
import select
import signal
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import termios
import threading
import time
import tty

ZH = {"lang": "zh_CN.UTF-8", "caption": "VantrelV2.05", "name": "zh"}
EN = {"lang": "en_US.UTF-8", "caption": "VantrelsV2.05", "name": "en"}

# DLLs a Windows system has of its own; the program may import nothing else.
def windows_dlls():
    system32 = os.path.join(os.environ["WINEPREFIX"], "drive_c", "windows", "system32")
    return {name.lower() for name in os.listdir(system32) if name.lower().endswith(".dll")}


class Failure(Exception):
    pass


def start_wine_session(h, seconds=120):
    """One Wine server for the whole suite, kept when its programs end, and Wine's desktop
    (explorer) on the virtual display before any program starts. A program that starts the
    desktop itself waits 10 s for it and then goes on without it; on a busy machine the desktop
    can take longer, and the program's dialog then never shows."""
    with open(os.path.join(h.out, "wineserver.log"), "ab") as log:
        subprocess.run(["wineserver", "-p"], check=True, timeout=seconds,
                       stdout=log, stderr=log)
        subprocess.Popen(["wine", "explorer.exe", "/desktop"], stdin=subprocess.DEVNULL,
                         stdout=log, stderr=log)
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True,
                              timeout=30).stdout
        if "- Wine desktop\"" in tree:
            return
        time.sleep(0.2)
    raise Failure("Wine's desktop was not on the display within %d s; Wine's processes:\n%s" % (
        seconds, wine_processes()))


def end_wine_server(seconds=60):
    """Ends the prefix's Wine server and every program of it, and waits until it has gone."""
    subprocess.run(["wineserver", "-k"], check=False, timeout=seconds)
    try:
        subprocess.run(["wineserver", "-w"], check=False, timeout=seconds)
    except subprocess.TimeoutExpired:
        raise Failure("the Wine server did not end within %d s; Wine's processes:\n%s" % (
            seconds, wine_processes()))


def wine_processes():
    """The processes of Wine that are there now, with their states and ages."""
    listing = subprocess.run(["ps", "-eo", "pid,ppid,stat,etimes,args"], capture_output=True,
                             text=True, timeout=10).stdout.splitlines()
    return "\n".join(listing[:1] + [l for l in listing[1:] if re.search(
        r"wine|\.exe\b", l, re.IGNORECASE)]) + "\n"


def expect(condition, message):
    if not condition:
        raise Failure(message)


class SerialLine:
    """A pseudo-terminal standing in for the printer's serial line: this end holds the master,
    Wine opens the slave as COMn. Bytes from the program are collected; `answer` may send a
    reply for what has arrived so far."""

    def __init__(self, answer=None):
        self.master, self._slave = pty.openpty()
        tty.setraw(self._slave)
        self.path = os.ttyname(self._slave)
        self.received = bytearray()
        self.answer = answer
        self._stop = False
        self._lock = threading.Lock()
        self._thread = threading.Thread(target=self._pump, daemon=True)
        self._thread.start()

    def _pump(self):
        while not self._stop:
            ready, _, _ = select.select([self.master], [], [], 0.05)
            if not ready:
                continue
            try:
                data = os.read(self.master, 4096)
            except OSError:
                continue
            with self._lock:
                self.received += data
                reply = self.answer(bytes(self.received)) if self.answer else None
            if reply:
                os.write(self.master, reply)

    def take(self):
        with self._lock:
            data = bytes(self.received)
            self.received.clear()
        return data

    def line_settings(self):
        """The slave's termios as the program set it, read from the master's side."""
        iflag, _, cflag, _, ispeed, ospeed, _ = termios.tcgetattr(self.master)
        return {
            "baud": {termios.B9600: 9600}.get(ospeed, ospeed),
            "data_bits": {termios.CS7: 7, termios.CS8: 8}.get(cflag & termios.CSIZE),
            "xon_xoff": bool(iflag & termios.IXON) and bool(iflag & termios.IXOFF),
            "two_stop_bits": bool(cflag & termios.CSTOPB),
            "rts_cts": bool(cflag & termios.CRTSCTS),
        }

    def close(self):
        self._stop = True
        self._thread.join()
        os.close(self.master)
        os.close(self._slave)


def echo_value_byte(received):
    """A printer that echoes the value byte of each 3-byte ESC command after SetupBegin."""
    if len(received) >= 5 and received[-3] == 0x1B and received[-2] not in (0x09, 0x15):
        return received[-1:]
    return None


# Wine's loader names each module it maps (WINEDEBUG=+loaddll). A program whose module is not
# named never ran: Wine itself failed to start it (seen: "failed to map the shared user data"
# on a busy machine). Only such a start is tried again, at most this many times in all, with its
# evidence kept and the retries counted in the summary line; a failure of a program that ran is
# never retried.
WINE_STARTS = 3


def wine_mapped(wine_log, program):
    return (ntpath.basename(program).lower() + '" at ') in wine_log.lower()


def wine_never_started(output, wine_log):
    """The program Wine failed to start in a failed driver run, or None: the driver itself, or
    the program under test when the driver had done nothing but start it."""
    if not wine_mapped(wine_log, "vantrel-driver.exe"):
        return "vantrel-driver.exe"
    lines = output.splitlines()
    started = [l.split(" ", 1)[1] for l in lines if l.startswith("started ")]
    done = [l for l in lines if l.startswith("ok ")]
    if len(started) == 1 and all(l.split()[1] == "start" for l in done) and not wine_mapped(
            wine_log, started[0]):
        return os.path.basename(started[0])
    return None


class Harness:
    def __init__(self, build, out):
        self.build = build
        self.out = out
        self.driver = os.path.join(build, "tests", "wine", "vantrel-driver.exe")
        self.log = open(os.path.join(out, "wine-tests.log"), "w", encoding="utf-8")
        self.scripts = 0
        self.figures = []
        self.wine_retries = 0

    def say(self, text):
        print(text, flush=True)
        self.log.write(text + "\n")
        self.log.flush()

    def map_port(self, name, path):
        """Wine's port NAME (COM1, LPT1) to PATH: the prefix's device link, which Wine follows
        at every open, so the running Wine server and desktop stay as they are."""
        link = os.path.join(os.environ["WINEPREFIX"], "dosdevices", name.lower())
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(path, link)

    def drive(self, variant, steps, timeout=120):
        """Runs one driver script; returns its output lines. A failing step fails the test, and
        leaves beside the script Wine's own messages of the run (the driver's and the program's
        errors, and the modules Wine's loader mapped) and the Wine processes that were there when
        it failed. Only a start that Wine itself failed is run again: see wine_never_started."""
        self.scripts += 1
        path = os.path.join(self.out, "script-%02d-%s.txt" % (self.scripts, variant["name"]))
        with open(path, "w", encoding="utf-8") as f:
            f.write(steps)
        env = dict(os.environ, LANG=variant["lang"], LC_ALL=variant["lang"],
                   WINEDEBUG="err+all,fixme-all,+loaddll")
        for start in range(1, WINE_STARTS + 1):
            began = time.monotonic()
            code, output = self.run_driver(path, env, timeout)
            if code == 0:
                return output.splitlines()
            with open(path + ".wine.log", encoding="utf-8", errors="replace") as f:
                wine_log = f.read()
            processes = wine_processes()
            with open(path + ".processes.txt", "w", encoding="utf-8") as f:
                f.write(processes)
            unstarted = wine_never_started(output, wine_log)
            if not unstarted or start == WINE_STARTS:
                break
            self.wine_retries += 1
            kept = "%s.start%d" % (path, start)
            for suffix in (".out", ".wine.log", ".processes.txt"):
                os.replace(path + suffix, kept + suffix)
            self.say("    Wine did not start %s (start %d of %d): status %s after %.1f s; "
                     "evidence: %s.wine.log, %s.processes.txt; starting the script again" % (
                         unstarted, start, WINE_STARTS, code, time.monotonic() - began, kept,
                         kept))
        failed = [l for l in output.splitlines() if l.startswith("FAIL") or "differs" in l]
        raise Failure("driver (%s): %s\n  evidence: %s.wine.log, %s.processes.txt" % (
            code, "\n".join(failed) or output[-1500:], path, path))

    def run_driver(self, path, env, timeout):
        with open(path + ".out", "w+b") as out, open(path + ".wine.log", "wb") as wine_log:
            run = subprocess.Popen(["wine", self.driver, path], env=env, stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=wine_log)
            try:
                code = run.wait(timeout)
            except subprocess.TimeoutExpired:
                run.kill()
                run.wait(10)
                code = "timed out after %d s" % timeout
            out.seek(0)
            output = out.read().decode("utf-8", "replace")
        for line in output.splitlines():
            self.log.write("    " + line + "\n")
        return code, output

    def screenshot(self, name, dialog_line):
        """The dialog's window as a PNG, cropped from the virtual desktop."""
        words = dialog_line.split()
        left, top, width, height = (int(w) for w in words[words.index("rect") + 1:][:4])
        path = os.path.join(self.out, name)
        time.sleep(0.5)
        subprocess.run(["import", "-window", "root", "-crop",
                        "%dx%d+%d+%d" % (width, height, left, top), "+repage", path], check=True)
        return path


def dialog_line(lines):
    return next(l for l in lines if l.startswith("dialog "))


def start_ms(lines):
    words = dialog_line(lines).split()
    return int(words[words.index("start-ms") + 1]) if "start-ms" in words else None


# --- the tests ------------------------------------------------------------------------------


def test_driver_on_stand_in(h):
    """The driver's own steps, tried on the small stand-in dialog over a serial line."""
    line = SerialLine(answer=echo_value_byte)
    try:
        h.map_port("COM1", line.path)
        stand_in = os.path.join(h.build, "tests", "wine", "vantrel-standin.exe")
        h.drive(ZH, f"""start {stand_in}
wait-dialog {ZH['caption']}
expect-sel 1019 COM1
expect-address 1026 192.168.1.114
ip 1026 10.1.2.3
expect-address 1026 10.1.2.3
expect-enabled 1001 no
check 1003
type 1001 "ABC 中文"
expect-text 1001 "ABC 中文"
select 1009 开
click 1
expect-box "黑标检测设置成功!\\r\\n"
click 1015
open-file /tmp/vantrel-missing.bmp
dismiss-box
close
""")
        expect(line.take() == bytes.fromhex("1b09 1b2201 1b15"), "stand-in bytes")
    finally:
        line.close()


def start_and_read_back(h, exe, variant):
    lines = h.drive(variant, f"""start {exe}
wait-dialog {variant['caption']}
check-initial {variant['name']}
dump {h.out}/controls-{variant['name']}.json
""")
    with open(os.path.join(h.out, "controls-%s.json" % variant["name"]), encoding="utf-8") as f:
        shown = {c["id"]: c for c in json.load(f)["controls"]}
    variant_name = "Chinese" if variant["name"] == "zh" else "English"
    for id, lists in EXPECTED["lists"].items():
        items = shown.get(int(id), {}).get("items")
        expect(items == lists[variant_name], "%s: list %s holds %s" % (variant["name"], id, items))
    shot = h.screenshot("dialog-%s.png" % variant["name"], dialog_line(lines))
    h.figures.append("%s start of %s to a visible %s dialog: %s ms" % (
        "cold (first in this prefix)" if not h.figures[1:] else "warm", os.path.basename(exe),
        variant["name"], start_ms(lines)))
    # The rules as a technician meets them, then Close ends the program.
    h.drive(variant, f"""wait-dialog {variant['caption']}
select 1020 #1
expect-enabled 1021 yes
expect-dropped-width 1021 200
select 1020 #0
expect-enabled 1021 no
select 1077 1200
expect-enabled 1078 yes
select 1013 Katakana
expect-sel 1000 #1
expect-enabled 1000 no
check 1046
expect-enabled 1040 yes
expect-text 1042 84
close
""")
    return shot


def test_chinese_dialog_starts(h, exe):
    start_and_read_back(h, exe, ZH)


def test_english_dialog_starts(h, exe):
    start_and_read_back(h, exe, EN)


def test_dropped_list_at_144_dpi(h, exe):
    """At 150 % (144 dpi) the open mechanism list is 300 pixels wide, 200 at 96 dpi scaled, so
    its longest item still shows; a screenshot shows it open."""
    desktop = r"HKEY_CURRENT_USER\Control Panel\Desktop"
    # The dialog grows by half: the virtual desktop takes the whole X screen meanwhile.
    desktops = r"HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops"
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wine", "reg", "add", desktop, "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                    "144", "/f"], check=True, **quiet)
    subprocess.run(["wine", "reg", "add", desktops, "/v", "Default", "/d", "1280x1024", "/f"],
                   check=True, **quiet)
    end_wine_server()
    start_wine_session(h)
    try:
        lines = h.drive(EN, f"""start {exe}
wait-dialog {EN['caption']}
select 1020 #1
expect-dropped-width 1021 300
""")
        # The list stays open while the driver that opened it runs: the picture is taken then.
        holder = threading.Thread(target=h.drive, args=(
            EN, "wait-dialog %s\ndrop 1021\nsleep 4000\n" % EN["caption"]))
        holder.start()
        time.sleep(2)
        # The open list reaches past the dialog's right edge: the picture takes 250 pixels more.
        words = dialog_line(lines).split()
        left, top, width, height = (int(w) for w in words[words.index("rect") + 1:][:4])
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (
            width + 250, height, left, top), "+repage",
            os.path.join(h.out, "mechanism-list-144dpi.png")], check=True)
        holder.join()
        h.drive(EN, "wait-dialog %s\nclose\n" % EN["caption"])
    finally:
        subprocess.run(["wine", "reg", "delete", desktop, "/v", "LogPixels", "/f"], check=False,
                       **quiet)
        subprocess.run(["wine", "reg", "add", desktops, "/v", "Default", "/d", "1024x768", "/f"],
                       check=False, **quiet)
        end_wine_server()
        start_wine_session(h)


def set_over_com1(h, exe, variant, steps, box, press="click 1"):
    """Set over COM1 on a pseudo-terminal: the bytes, the line settings while the port is open
    (the report is still shown), the report in a box captioned with the program's name."""
    line = SerialLine(answer=echo_value_byte)
    try:
        h.map_port("COM1", line.path)
        h.drive(variant, f"""start {exe}
wait-dialog {variant['caption']}
select 1019 COM1
{steps}
{press}
wait-box
""")
        settings = line.line_settings()
        shown = h.drive(variant, f"""wait-dialog {variant['caption']}
expect-box "{box}"
close
""")
        caption = os.path.splitext(os.path.basename(exe))[0]
        expect(any(l.endswith('caption "%s" icon no' % caption) for l in shown),
               "box not captioned %s without icon: %s" % (caption, shown))
        return line.take(), settings
    finally:
        line.close()


def test_set_with_nothing_chosen(h, exe):
    # Enter runs Set as well while the focus is on a list.
    for variant, box, press in ((ZH, "设置完成", "click 1"), (EN, "set completed.", "press enter")):
        sent, settings = set_over_com1(h, exe, variant, "", box, press)
        expect(sent == bytes.fromhex("1b09 1b15"), "%s: sent %s" % (variant["name"], sent.hex(" ")))
        expect(settings == {"baud": 9600, "data_bits": 8, "xon_xoff": True,
                            "two_stop_bits": False, "rts_cts": False},
               "%s: line %s" % (variant["name"], settings))


def test_one_setting_answered(h, exe):
    for variant, item, box in ((ZH, "开", r"黑标检测设置成功!\r\n"),
                               (EN, "On", r"Blacklabel detection setting succeed!\r\n")):
        sent, _ = set_over_com1(h, exe, variant, "select 1009 " + item, box)
        expect(sent == bytes.fromhex("1b09 1b2201 1b15"),
               "%s: sent %s" % (variant["name"], sent.hex(" ")))


def test_missing_serial_port(h, exe):
    # A socket node: opening it fails with "no such device", as a port without its device does.
    folder = tempfile.mkdtemp(prefix="vantrel-port-")
    node = socket.socket(socket.AF_UNIX)
    node.bind(os.path.join(folder, "com1"))
    h.map_port("COM1", os.path.join(folder, "com1"))
    for variant, box in ((ZH, "串口打开失败!"), (EN, "Failed to open serial port!")):
        h.drive(variant, f"""start {exe}
wait-dialog {variant['caption']}
select 1019 COM1
click 1
expect-box "{box}"
close
""")
    node.close()
    shutil.rmtree(folder)


def test_imports_only_windows_dlls(h, exe):
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], capture_output=True,
                          text=True, check=True).stdout
    imported = sorted({l.split(":", 1)[1].strip() for l in dump.splitlines()
                       if "DLL Name:" in l})
    h.say("  imports: " + " ".join(imported))
    foreign = [d for d in imported if d.lower() not in windows_dlls()]
    expect(imported and not foreign, "not Windows' own: %s" % foreign)


# --- against the virtual printer ---------------------------------------------------------------

# Every list setting with the item chosen for it, by index, and the simulator's name of it.
FULL_SET_CHOICES = [
    (1013, 2, "CodePage"), (1009, 2, "BlackMarkDetection"), (1007, 1, "BlackMarkPosition"),
    (1008, 2, "Font"), (1011, 3, "PaperSensitivity"), (1012, 2, "PrintDirection"),
    (1014, 3, "PrintDensity"), (1010, 1, "CommandSet"), (1022, 2, "PaperOutReprint"),
    (1023, 2, "CarriageReturn"), (1024, 2, "PrintWidth"), (1025, 4, "Buzzer"),
    (1005, 4, "PrintSpeed"), (1071, 2, "PaperNearEnd"), (1047, 2, "LcdBacklight"),
    (1072, 2, "PrintPasses"), (1006, 25, "BidAdjustment"), (1029, 3, "CharsPerLine"),
]

class Simulator:
    """vantrel-sim with the given pseudo-terminals (com1, lpt1) and, when asked, TCP on port 9100
    (the port the dialog's hidden port edit holds) of a loopback address: 127.0.0.1, or the next
    free one when another program holds it. Its state is read when it has ended."""

    def __init__(self, binary, out, ptys=("com1",), tcp=False, fault=None, pace=False):
        self.out = out
        self.ptys = {}
        self.address = None
        for host in ("127.0.0.1", "127.0.0.2", "127.0.0.3") if tcp else (None,):
            command = [binary, "--out", out, "--quiet", "--tcp",
                       host + ":9100" if host else "off"]
            for name in ptys:
                command += ["--pty", name]
            if fault:
                command += ["--fault", fault]
            if pace:
                command += ["--pace"]
            self.process = subprocess.Popen(command, stdout=subprocess.PIPE,
                                            stderr=subprocess.DEVNULL, text=True)
            # A printer that has not said "ready" within 30 s is ended, which ends the reading.
            watchdog = threading.Timer(30, self.process.kill)
            watchdog.start()
            for line in self.process.stdout:
                words = line.split()
                if words[:1] == ["pty"]:
                    self.ptys[words[1]] = words[2]
                if words[:1] == ["tcp"]:
                    self.address = words[1].rsplit(":", 1)[0]
                if words == ["ready"]:
                    break
            watchdog.cancel()
            if self.process.poll() is None:
                break
            self.process.wait(10)
        expect(set(self.ptys) == set(ptys) and (self.address or not tcp),
               "the simulator did not start")
        self.com1 = self.ptys.get("com1")

    def wire(self, h):
        """Wine's COM1 and LPT1 to the simulator's pseudo-terminals."""
        for name, path in self.ptys.items():
            h.map_port(name.upper(), path)

    def snapshot(self):
        """The state as the simulator writes it on SIGUSR1."""
        path = os.path.join(self.out, "state.json")
        written = os.path.getmtime(path) if os.path.exists(path) else 0
        self.process.send_signal(signal.SIGUSR1)
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            if os.path.exists(path) and os.path.getmtime(path) != written:
                time.sleep(0.1)
                with open(path, encoding="utf-8") as f:
                    return json.load(f)
            time.sleep(0.05)
        raise Failure("the simulator wrote no state")

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        self.process.wait(10)
        with open(os.path.join(self.out, "state.json"), encoding="utf-8") as f:
            return json.load(f)

    def log(self):
        with open(os.path.join(self.out, "log.txt"), encoding="utf-8", errors="replace") as f:
            return f.read()


# What the printer and the technician must see, typed once for the native tests and these.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "expected.json"),
          encoding="utf-8") as f:
    EXPECTED = json.load(f)


def report_lines():
    """The settings' report lines (success, failure, completed) in sending order, per variant;
    the English network run ends its cut-offset line in its own way."""
    keys = [s["key"] for s in EXPECTED["settings"]]
    report = EXPECTED["report"]
    return {v: [tuple(report[name][key].get(o, "") for o in ("success", "failure", "completed"))
                for key in keys] for v, name in (("zh", "Chinese"), ("en", "English"))}


LINES = report_lines()
SERIAL_LINE, BLUETOOTH_NAME, CUT_OFFSET = 17, 18, 27
SKIPPED_ON_LPT1 = [i for i, s in enumerate(EXPECTED["settings"]) if s["skip"]]


def expected_report(v, interface):
    """The Set report with every setting chosen: read back on a serial port; completed over the
    network (Chinese: the serial line last); over LPT1 the skip rule's settings completed."""
    success, _, completed = (list(column) for column in zip(*LINES[v]))
    if interface == "tcp":
        lines = completed
        if v == "zh":
            lines = lines[:SERIAL_LINE] + lines[SERIAL_LINE + 1:] + [lines[SERIAL_LINE]]
        else:
            lines[CUT_OFFSET] = EXPECTED["report"]["English"]["CutOffset"]["network"]
        return lines
    lines = [completed[i] if i in SKIPPED_ON_LPT1 and interface == "lpt1" else success[i]
             for i in range(26)]
    return lines + completed[26:]


INTERFACE_STEPS = {"com1": "select 1019 COM1", "lpt1": "select 1019 LPT1",
                   "tcp": "select 1019 #12\nip 1026 {address}"}


def full_set(h, exe, variant, interface):
    v = variant["name"]
    sim = Simulator(h.simulator, os.path.join(h.out, "sim-full-set-%s-%s" % (interface, v)),
                    ptys=("com1", "lpt1"), tcp=interface == "tcp")
    try:
        sim.wire(h)
        model = "热敏80" if v == "zh" else "TP80"
        steps = "\n".join("select %d #%d" % (id, index) for id, index, _ in FULL_SET_CHOICES)
        report = "".join(line + "\\r\\n" for line in expected_report(v, interface))
        h.drive(variant, f"""start {exe}
wait-dialog {variant['caption']}
{INTERFACE_STEPS[interface].format(address=sim.address)}
{steps}
select 1020 #3
select 1021 #2
select 1077 9600
select 1078 NONE
select 1079 8
select 1080 XON/XOFF
check 1003
type 1001 ACME
check 1004
type 1002 {model}
check 1036
type 1037 VantrelBT
check 1038
type 1039 1234
check 1046
check 1041
type 1032 10
check 1045
type 1033 20
dump {h.out}/full-set-{v}.json
click 1
wait-box 90
""")
        # A port is let go only once the box is closed. Over the network the report says whether
        # the printer took everything, so the sending is ended (and the printer closes its side)
        # before the box; the socket itself and arp are let go after it, as the native tests of
        # the close sequence check.
        held = interface == "tcp" or "] closed" not in sim.log()
        h.drive(variant, f"""wait-dialog {variant['caption']}
expect-box "{report}"
close
""")
        expect(held, "%s: the connection was closed while the report was shown" % v)
        expect(interface != "tcp" or "] closed" in sim.log(), "%s: connection not closed" % v)
    finally:
        state = sim.stop()
    with open(os.path.join(h.out, "full-set-%s.json" % v), encoding="utf-8") as f:
        shown = {c["id"]: c for c in json.load(f)["controls"]}
    chosen = lambda id: shown[id]["items"][shown[id]["selection"]]
    settings = state["settings"]
    # The code page forced the language to its item 1.
    for id, _, key in FULL_SET_CHOICES + [(1000, 1, "Language")]:
        expect(settings.get(key, {}).get(v) == chosen(id),
               "%s: %s stored %s, chose %s" % (v, key, settings.get(key), chosen(id)))
    cutter = settings["CutterMechanism"]
    expect(cutter["cutter"][v] == chosen(1020) and cutter["mechanism"][v] == chosen(1021),
           "%s: cutter and mechanism %s" % (v, cutter))
    for key, text in (("ManufacturerName", "ACME"), ("ModelName", model),
                      ("BluetoothName", "VantrelBT"), ("BluetoothPassword", "1234")):
        expect(settings[key]["text"] == text, "%s: %s %s" % (v, key, settings[key]))
    expect(settings["RadioAddress"]["bytes"] == [0x00, 0x84, 0x00, 0x01],
           "%s: radio address %s" % (v, settings["RadioAddress"]))
    expect(round(settings["StartOffset"]["mm"]) == 10 and round(settings["CutOffset"]["mm"]) == 20,
           "%s: offsets %s %s" % (v, settings["StartOffset"], settings["CutOffset"]))
    expect(state["serialLine"] == {"baud": 9600, "parity": "none", "dataBits": 8,
                                   "flow": "XON/XOFF"}, "%s: line %s" % (v, state["serialLine"]))
    expect(state["counters"]["unknownBytes"] == 0, "%s: unknown bytes %s" % (v, state["counters"]))


def test_full_set_against_simulator(h, exe):
    """Set with every setting chosen, over COM1 to the virtual printer, in both variants."""
    for variant in (ZH, EN):
        full_set(h, exe, variant, "com1")


def test_full_set_over_ethernet(h, exe):
    """The same Set over Ethernet to the simulator on a loopback address: nothing is read, every
    line says completed, and the connection is closed only after the report's box (arp follows
    the close; Wine has no arp program, so it fails unseen, as its result is not looked at)."""
    for variant in (ZH, EN):
        full_set(h, exe, variant, "tcp")


def test_full_set_over_lpt1(h, exe):
    """The same Set over LPT1: the skip rule's settings are not read back, the rest are."""
    for variant in (ZH, EN):
        full_set(h, exe, variant, "lpt1")


def test_echoed_xoff_over_com1(h, exe):
    """The printer echoes values 0x13 (code page CP858, alignment 19, a radio address ending in
    13), which Wine's XON/XOFF line would take for XOFF, and sends no XON after them. Those
    answers are read with output flow control off, so they reach the judge and report succeeded,
    and every later command and the closing frame still reach the printer."""
    sim = Simulator(h.simulator, os.path.join(h.out, "sim-echoed-xoff"))
    try:
        sim.wire(h)
        report = ("语言设置成功!\\r\\n代码页设置成功!\\r\\n打印速度设置成功!\\r\\n"
                  "射频地址设置成功!\\r\\n双向打印校对调整设置成功!\\r\\n字符打印列数设置成功!\\r\\n")
        h.drive(ZH, f"""start {exe}
wait-dialog {ZH['caption']}
select 1019 COM1
select 1013 "CP858 Multilingual Latin Ⅰ+Euro)"
select 1005 150mm/S
check 1046
type 1044 13
select 1006 19
select 1029 #1
click 1
expect-box "{report}" 90
close
""")
    finally:
        sim.stop()
    log = sim.log()
    for sent in ("1B 09", "1B 16 00", "1B 74 13", "1B 1E 00", "1C BD 00 84 00 13", "1B 1A 13",
                 "1B 39 00", "1B 15"):
        expect("  [%s]" % sent in log, "the printer did not get %s:\n%s" % (sent, log))


def test_late_echo_over_com1(h, exe):
    """The printer's first answer comes 2.4 s late, after the English dialog's 2 s read, and the
    next one queues behind it. After an answer judged wrong the dialog lets the rest of the line
    arrive, and input left waiting is dropped before each setting command, so the late echo costs
    its own setting and the one read while it came, not every later one
    (neighbouring values differ, so an answer judged for the wrong setting would show)."""
    sim = Simulator(h.simulator, os.path.join(h.out, "sim-late-echo"), fault="late:2400")
    try:
        sim.wire(h)
        # The English dialog starts with its printer language English (value 0) chosen.
        report = ("Language setting failed!\\r\\nFonts setting failed!\\r\\n"
                  "Blacklabel detection setting succeed!\\r\\nInstruction set setting succeed!\\r\\n"
                  "Paper sensitivity setting succeed!\\r\\nPrint direction setting succeed!\\r\\n"
                  "Codepage setting succeed!\\r\\n")
        h.drive(EN, f"""start {exe}
wait-dialog {EN['caption']}
select 1019 COM1
select 1008 #2
select 1009 #1
select 1010 #2
select 1011 #1
select 1012 #2
select 1013 #10
click 1
expect-box "{report}" 90
close
""")
    finally:
        sim.stop()


def box_texts(lines):
    """The texts of the boxes a script printed with wait-box or dismiss-box, in order."""
    return [json.loads(l.split(" caption ")[0][4:])
            for l in lines if l.startswith("box ")]


def test_usb_without_device(h, exe):
    """USB with no printer attached: the failure message, after the warning when Wine's device
    list cannot be obtained."""
    warning = "获取相关的设备信息集GUID句柄失败！"
    for variant, failure in ((ZH, "USB接口打开失败!"), (EN, "Failed to open USB port!")):
        first = box_texts(h.drive(variant, f"""start {exe}
wait-dialog {variant['caption']}
select 1019 USB
click 1
dismiss-box
"""))
        rest = box_texts(h.drive(variant, f"""wait-dialog {variant['caption']}
dismiss-box
""")) if first == [warning] else []
        h.drive(variant, f"""wait-dialog {variant['caption']}
expect-no-box 1
close
""")
        shown = first + rest
        h.say("  USB with no device (%s): %s" % (variant["name"], " | ".join(shown)))
        expect(shown in ([failure], [warning, failure]), "%s: boxes %s" % (variant["name"], shown))


FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bitmap", "fixtures")


def bmp_dots(path):
    """The dots a 1-bit BMP (40-byte header, bottom-up) prints: every pixel of colour entry 0,
    whatever colour the entry holds. Rows top first, as text of 0 and 1."""
    with open(path, "rb") as f:
        data = f.read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width + 31) // 32 * 4
    rows = []
    for r in range(height):
        row = data[offset + r * stride:offset + (r + 1) * stride]
        rows.append("".join("0" if row[x // 8] >> (7 - x % 8) & 1 else "1" for x in range(width)))
    return rows[::-1]


def png_dots(path, width):
    """The dark pixels of the simulator's picture of a slot, WIDTH columns of each row."""
    pbm = subprocess.run(["convert", path, "-colorspace", "Gray", "-threshold", "50%",
                          "-compress", "none", "pbm:-"], capture_output=True, text=True,
                         check=True).stdout.split()
    w, h = int(pbm[1]), int(pbm[2])
    bits = pbm[3:]
    return ["".join(bits[r * w:r * w + width]) for r in range(h)]


BITMAP_MESSAGES = {  # download then print: over a port, over the network
    ("zh", "com1"): ["图片下载完成!", "位图打印完成!"],
    ("en", "com1"): ["图片下载完成!", "Bitmap print succeed!"],
    ("zh", "tcp"): ["下载位图操作完成!", "图片下载完成!", "位图打印完成!"],
    ("en", "tcp"): ["Download succeed!", "图片下载完成!", "Bitmap print completed!"],
}


def test_bitmap_download_and_print(h, exe):
    """Select, preview, download into the third slot and print, over COM1 and Ethernet: the
    simulator's stored slot holds the source image dot for dot."""
    source = os.path.join(FIXTURES, "mono-100x50.bmp")
    for variant, interface in ((ZH, "com1"), (EN, "com1"), (ZH, "tcp"), (EN, "tcp")):
        v = variant["name"]
        sim = Simulator(h.simulator, os.path.join(h.out, "sim-bitmap-%s-%s" % (interface, v)),
                        tcp=interface == "tcp")
        try:
            sim.wire(h)
            boxes = "\n".join('expect-box "%s" 30' % m for m in BITMAP_MESSAGES[(v, interface)])
            lines = h.drive(variant, f"""start {exe}
wait-dialog {variant['caption']}
{INTERFACE_STEPS[interface].format(address=sim.address)}
click 1015
open-file {source}
expect-enabled 1018 yes
select 1017 #2
click 1018
{boxes.split(chr(10))[0]}
""")
            if interface == "com1" and v == "zh":
                h.screenshot("bitmap-preview-zh.png", dialog_line(lines))
            h.drive(variant, f"""wait-dialog {variant['caption']}
{chr(10).join(boxes.split(chr(10))[1:-1])}
expect-enabled 1027 yes
click 1027
{boxes.split(chr(10))[-1]}
close
""")
        finally:
            state = sim.stop()
        slot = state["slots"][2]
        expect(slot and slot["rows"] == 50 and slot["widthDots"] >= 100, "%s %s: slot %s" % (
            v, interface, slot))
        png = slot["png"] if os.path.isabs(slot["png"]) else os.path.join(sim.out, slot["png"])
        expect(png_dots(png, 100) == bmp_dots(source),
               "%s %s: the stored slot differs from %s" % (v, interface, source))
        expect(state["counters"]["bitmapsPrinted"] == 1, "%s %s: printed %s" % (
            v, interface, state["counters"]))
        if interface == "tcp" and v == "en":
            shutil.copy(png, os.path.join(h.out, "bitmap-stored.png"))


# The drawer, cut and test buttons' ids per variant, and the counter each one moves.
DEVICE_BUTTONS = {"zh": {6: "drawerPulses", 5: "cuts", 4: "linesPrinted"},
                  "en": {3: "drawerPulses", 4: "cuts", 5: "linesPrinted"}}
FIXED_BUTTONS = {  # the fixed-command buttons and their messages
    "zh": {1031: "BID调整测试样条打印完成!", 1034: "走纸到下一位置并打印完成!",
           1035: "打印并走纸到切/撕纸位置完成!"},
    "en": {1031: "print BID adjust demo completed!",
           1034: "print and walk paper to next position completed!",
           1035: "print and walk paper to next cut/tear paper position completed!"},
}


def test_device_buttons(h, exe):
    """Every device button over COM1 and Ethernet in both variants: each drawer, cut and test
    button moves its own counter at the printer (the ids differ between the variants), and the
    fixed-command buttons show their messages."""
    for variant, interface in ((ZH, "com1"), (EN, "com1"), (ZH, "tcp"), (EN, "tcp")):
        v = variant["name"]
        sim = Simulator(h.simulator, os.path.join(h.out, "sim-buttons-%s-%s" % (interface, v)),
                        tcp=interface == "tcp")
        try:
            sim.wire(h)
            h.drive(variant, f"""start {exe}
wait-dialog {variant['caption']}
{INTERFACE_STEPS[interface].format(address=sim.address)}
""")
            for id, counter in DEVICE_BUTTONS[v].items():
                before = sim.snapshot()["counters"]
                h.drive(variant, f"""wait-dialog {variant['caption']}
click {id}
""")
                deadline = time.monotonic() + 15
                while sim.snapshot()["counters"] == before and time.monotonic() < deadline:
                    time.sleep(0.1)
                h.drive(variant, f"""wait-dialog {variant['caption']}
expect-no-box 1
""")
                after = sim.snapshot()["counters"]
                moved = {k: after[k] - before[k] for k in ("drawerPulses", "cuts", "linesPrinted")
                         if after[k] != before[k]}
                expect(moved == {counter: 1}, "%s %s: button %d moved %s" % (
                    v, interface, id, moved))
            fixed = "\n".join('click %d\nexpect-box "%s"' % item
                              for item in FIXED_BUTTONS[v].items())
            h.drive(variant, f"""wait-dialog {variant['caption']}
{fixed}
close
""")
        finally:
            state = sim.stop()
        expect(state["counters"]["alignmentTests"] == 1 and state["counters"]["unknownBytes"] == 0,
               "%s %s: counters %s" % (v, interface, state["counters"]))


# What a device button shows when the printer's address cannot be reached, in both variants.
REFUSED = "IP addr error or net error, please reset and make sure the printer connected properly!"


def test_refused_connection(h, exe):
    """Ethernet to a loopback address where nothing listens: Set shows the opener's message in
    the variant's language, a device button the English one in both."""
    for variant, message, cut in ((ZH, "网络连接失败 请检查网络连接!", 5), (EN, REFUSED, 4)):
        h.drive(variant, f"""start {exe}
wait-dialog {variant['caption']}
select 1019 #12
ip 1026 127.0.0.9
click 1
expect-box "{message}" 30
click {cut}
expect-box "{REFUSED}" 30
close
""")


def test_unanswered_connect(h, exe):
    """Ethernet to a printer address whose connect is never answered (a listener whose queue is
    full completes no handshake): the button gives up at the connect's bound of 10 s with the
    opener's message, not after the system's own retries."""
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    fillers = []
    try:
        listener.bind(("127.0.0.10", 9100))
        listener.listen(0)
        for _ in range(2):
            filler = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            filler.setblocking(False)
            filler.connect_ex(("127.0.0.10", 9100))
            fillers.append(filler)
        h.drive(EN, f"""start {exe}
wait-dialog {EN['caption']}
select 1019 #12
ip 1026 127.0.0.10
click 4
expect-box "{REFUSED}" 25
close
""")
    finally:
        for filler in fillers:
            filler.close()
        listener.close()


def test_silent_printer(h, exe):
    """A printer that never answers: the failure lines arrive and the run ends."""
    for variant in (ZH, EN):
        v = variant["name"]
        sim = Simulator(h.simulator, os.path.join(h.out, "sim-silent-" + v), fault="silent")
        try:
            sim.wire(h)
            failed = "".join(LINES[v][i][1] + "\\r\\n" for i in (3, 21))
            h.drive(variant, f"""start {exe}
wait-dialog {variant['caption']}
select 1019 COM1
select 1009 #2
select 1047 #2
click 1
expect-box "{failed}" 60
close
""")
        finally:
            state = sim.stop()
        expect(state["settings"]["BlackMarkDetection"]["value"] is not None, "%s: not stored" % v)


def test_refused_bitmaps(h, exe):
    """A file that is no bitmap, a 3-colour one and one 577 dots wide are refused on selection."""
    folder = tempfile.mkdtemp(prefix="vantrel-files-")
    text = os.path.join(folder, "notes.bmp")
    with open(text, "w") as f:
        f.write("not a picture\n")
    try:
        for variant, colours, wide in ((ZH, "不是单色位图 请使用单色位图!", "宽度不能超过576Pix!"),
                                       (EN, "Please Use 2-Color Bmp!",
                                        "Width Must Be Within 576Pix!")):
            lines = h.drive(variant, f"""start {exe}
wait-dialog {variant['caption']}
click 1015
open-file {text}
expect-box "This isn't a bitmap file!"
click 1015
open-file {FIXTURES}/palette-4bit.bmp
dismiss-box
click 1015
open-file {FIXTURES}/mono-577x8.bmp
expect-box "{wide}"
expect-enabled 1018 no
close
""")
            shown = box_texts(lines)
            expect(len(shown) == 3 and shown[1].endswith("\\palette-4bit.bmp" + colours),
                   "%s: 3-colour file gave %s" % (variant["name"], shown))
    finally:
        shutil.rmtree(folder)


def test_refused_selection(h, exe):
    """A radio address field that is not hexadecimal: the message, and not one byte sent."""
    for variant, message in ((ZH, "射频地址第2栏须以两位十六进制数字(0-9, A-F)开头!"),
                             (EN, "Radio Address field 2 must begin with two hexadecimal digits "
                                  "(0-9, A-F)!")):
        sim = Simulator(h.simulator, os.path.join(h.out, "sim-refused-" + variant["name"]))
        try:
            sim.wire(h)
            h.drive(variant, f"""start {exe}
wait-dialog {variant['caption']}
select 1019 COM1
select 1009 #2
check 1046
type 1042 ZZ
click 1
expect-box "{message}"
close
""")
        finally:
            state = sim.stop()
        decoded = re.findall(r"\[[0-9A-F]{2}(?: [0-9A-F]{2})*\]", sim.log())
        expect(not decoded and not state["settings"] and not any(state["counters"].values()),
               "%s: the printer got %s %s" % (variant["name"], decoded, state["counters"]))


# --- figures: the dialog against the paced printer ---------------------------------------------


def timed(h, sim, variant, steps, timeout=300):
    """Milliseconds from a driver script's first step until both its steps are done and the
    printer has taken in one more "setup end" (a pseudo-terminal takes bytes ahead of the paced
    printer), less a driver start that does nothing."""
    t0 = time.monotonic()
    h.drive(variant, "wait-dialog %s\n" % variant["caption"])
    idle = time.monotonic() - t0
    ends = sim.log().count("setup end")
    t0 = time.monotonic()
    h.drive(variant, "wait-dialog %s\n%s" % (variant["caption"], steps), timeout)
    while sim.log().count("setup end") <= ends and time.monotonic() - t0 < timeout:
        time.sleep(0.01)
    return (time.monotonic() - t0 - idle) * 1000


def wire_bytes(log):
    """Bytes the printer took in and answered, from its log's [..] and -> .. parts."""
    taken = sum(len(m.split()) for m in re.findall(r"  \[([0-9A-F ]+)", log))
    raster = sum(int(n) for n in re.findall(r" \+ (\d+) raster bytes\]", log))
    answered = sum(len(m.split()) for m in re.findall(r"-> ([0-9A-F ]+)", log))
    return taken + raster, answered


def bench_dialog(h, exe):
    """The full Set (English, every setting) and a 576x300 download through the dialog over COM1
    at 9600 baud and over Ethernet, against the paced printer, beside each floor: the run's fixed
    waits plus every byte's wire time at 10 bits a byte (loopback: the waits only)."""
    image = os.path.join(h.out, "bench-576x300.bmp")
    subprocess.run(["convert", "-size", "576x300", "gradient:white-black", "-monochrome",
                    "BMP3:" + image], check=True)
    steps = "\n".join("select %d #%d" % (id, index) for id, index, _ in FULL_SET_CHOICES)
    rows = []
    for interface in ("com1", "tcp"):
        sim = Simulator(h.simulator, os.path.join(h.out, "bench-" + interface),
                        tcp=interface == "tcp", pace=True)
        try:
            sim.wire(h)
            h.drive(EN, f"""start {exe}
wait-dialog {EN['caption']}
{INTERFACE_STEPS[interface].format(address=sim.address)}
{steps}
select 1077 9600
check 1003
type 1001 ACME
check 1004
type 1002 TP80
check 1036
type 1037 Shop
check 1038
type 1039 1234
check 1046
check 1041
type 1032 10
check 1045
type 1033 5
click 1015
open-file {image}
""")
            wall = timed(h, sim, EN, "click 1\nwait-box 120\n")
            h.drive(EN, "wait-dialog %s\ndismiss-box\n" % EN["caption"])
            taken, answered = wire_bytes(sim.log())
            floor = 1000 + ((taken + answered) * 10000 / 9600 if interface == "com1" else 1000)
            rows.append(("full Set, " + interface, wall, floor))
            before = len(sim.log())
            wall = timed(h, sim, EN, "click 1018\nwait-box 120\n")
            h.drive(EN, "wait-dialog %s\ndismiss-box\n%s" % (
                EN["caption"], "dismiss-box\n" if interface == "tcp" else ""))
            taken, _ = wire_bytes(sim.log()[before:])
            floor = 100 + taken * 10000 / 9600 if interface == "com1" else 1000
            rows.append(("576x300 download, " + interface, wall, floor))
            h.drive(EN, "wait-dialog %s\nclose\n" % EN["caption"])
        finally:
            sim.stop()
    h.say("%-30s %10s %10s %6s" % ("through the dialog (en)", "wall", "floor", "ratio"))
    for what, wall, floor in rows:
        h.say("%-30s %7.0f ms %7.0f ms %6.2f" % (what, wall, floor, wall / floor))


EXE_TESTS = [test_imports_only_windows_dlls, test_chinese_dialog_starts,
             test_english_dialog_starts, test_dropped_list_at_144_dpi, test_set_with_nothing_chosen,
             test_one_setting_answered, test_missing_serial_port, test_usb_without_device,
             test_refused_connection, test_refused_bitmaps]

# Against the virtual printer.
SIM_TESTS = [test_full_set_against_simulator, test_full_set_over_ethernet, test_full_set_over_lpt1,
             test_echoed_xoff_over_com1, test_late_echo_over_com1,
             test_bitmap_download_and_print, test_device_buttons, test_silent_printer,
             test_unanswered_connect,
             test_refused_selection]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, help="the mingw build tree")
    parser.add_argument("--out", required=True, help="where logs, dumps and screenshots go")
    parser.add_argument("--exe", help="the program under test (default: BUILD/app/win32/Vantrel.exe)")
    parser.add_argument("--simulator", help="vantrel-sim (default: build/native/sim/vantrel-sim)")
    parser.add_argument("--bench", action="store_true",
                        help="print the dialog's figures against the paced printer instead")
    parser.add_argument("only", nargs="*", help="run only the tests whose names hold one of these")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    h = Harness(os.path.abspath(args.build), os.path.abspath(args.out))
    exe = os.path.abspath(args.exe or os.path.join(args.build, "app", "win32", "Vantrel.exe"))

    h.simulator = os.path.abspath(args.simulator or os.path.join(
        os.path.dirname(__file__), "..", "..", "build", "native", "sim", "vantrel-sim"))
    # A missing program or printer is a failed run, never a shorter one that looks green.
    for needed in (exe, h.simulator):
        if not os.path.exists(needed):
            h.say("FAIL: %s is missing; build it before the Wine tests" % needed)
            return 1
    h.say("program: %s, %d bytes" % (exe, os.path.getsize(exe)))
    h.figures.append("size of %s: %d bytes" % (os.path.basename(exe), os.path.getsize(exe)))
    tests = [(test_driver_on_stand_in, ())] + [(t, (exe,)) for t in EXE_TESTS + SIM_TESTS]

    if args.bench:
        tests = [(bench_dialog, (exe,))]
    if args.only:
        tests = [t for t in tests if any(word in t[0].__name__ for word in args.only)]
    failed = 0
    began = time.monotonic()
    try:
        start_wine_session(h)
    except (Failure, subprocess.SubprocessError) as e:
        h.say("FAIL: %s" % e)
        return 1
    h.say("wine: server and desktop ready in %.1f s" % (time.monotonic() - began))
    for test, extra in tests:
        t0 = time.monotonic()
        try:
            test(h, *extra)
            h.say("PASS %s (%.1f s)" % (test.__name__, time.monotonic() - t0))
        except (Failure, subprocess.SubprocessError, OSError) as e:
            failed += 1
            h.say("FAIL %s (%.1f s)\n  %s" % (test.__name__, time.monotonic() - t0, e))
            # A failed test may leave its program (and a box) behind, which the next test would
            # find by its caption: Wine and everything in it start afresh.
            try:
                end_wine_server()
                start_wine_session(h)
            except (Failure, subprocess.SubprocessError) as again:
                h.say("FAIL: Wine did not start again after %s: %s" % (test.__name__, again))
                return 1
    for figure in h.figures:
        h.say("figure: " + figure)
    h.say("%d of %d Wine tests passed in %.0f s; screenshots, dumps and scripts in %s" %
          (len(tests) - failed, len(tests), time.monotonic() - began, h.out))
    h.say("Wine start-up retries: %d" % h.wine_retries)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
