#!/usr/bin/env python3
"""The Windows program's tests under Wine: the dialog as a technician sees it.

Run by tests/wine/run, which has generated the locales, started a private X server (DISPLAY) and
made a private Wine prefix (WINEPREFIX). Each test drives the running program with
vantrel-driver.exe and a few lines of driver script; serial ports are pseudo-terminals held here.
"""

import argparse
import os
import pty
import select
import shutil
import socket
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


class Harness:
    def __init__(self, build, out):
        self.build = build
        self.out = out
        self.driver = os.path.join(build, "tests", "wine", "vantrel-driver.exe")
        self.log = open(os.path.join(out, "wine-tests.log"), "w", encoding="utf-8")
        self.scripts = 0
        self.figures = []

    def say(self, text):
        print(text, flush=True)
        self.log.write(text + "\n")
        self.log.flush()

    def map_port(self, name, path):
        subprocess.run(["wine", "reg", "add", r"HKEY_LOCAL_MACHINE\Software\Wine\Ports", "/v",
                        name, "/t", "REG_SZ", "/d", path, "/f"], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-k"], check=False)
        subprocess.run(["wineserver", "-w"], check=False)

    def drive(self, variant, steps, timeout=120):
        """Runs one driver script; returns its output lines. A failing step fails the test."""
        self.scripts += 1
        path = os.path.join(self.out, "script-%02d-%s.txt" % (self.scripts, variant["name"]))
        with open(path, "w", encoding="utf-8") as f:
            f.write(steps)
        env = dict(os.environ, LANG=variant["lang"], LC_ALL=variant["lang"])
        with open(path + ".out", "w+b") as out:
            run = subprocess.Popen(["wine", self.driver, path], env=env, stdout=out,
                                   stderr=subprocess.DEVNULL)
            try:
                code = run.wait(timeout)
            except subprocess.TimeoutExpired:
                run.kill()
                code = "timed out after %d s" % timeout
            out.seek(0)
            output = out.read().decode("utf-8", "replace")
        for line in output.splitlines():
            self.log.write("    " + line + "\n")
        if code != 0:
            failed = [l for l in output.splitlines() if l.startswith("FAIL") or "differs" in l]
            raise Failure("driver (%s): %s" % (code, "\n".join(failed) or output[-1500:]))
        return output.splitlines()

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
    # A socket node: it exists, so Wine does not fall back to /dev/ttyS0 as it does for a
    # dangling mapping, and opening it fails with "no such device".
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


EXE_TESTS = [test_imports_only_windows_dlls, test_chinese_dialog_starts,
             test_english_dialog_starts, test_set_with_nothing_chosen, test_one_setting_answered,
             test_missing_serial_port]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, help="the mingw build tree")
    parser.add_argument("--out", required=True, help="where logs, dumps and screenshots go")
    parser.add_argument("--exe", help="the program under test (default: BUILD/app/win32/Vantrel.exe)")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    h = Harness(os.path.abspath(args.build), os.path.abspath(args.out))
    exe = os.path.abspath(args.exe or os.path.join(args.build, "app", "win32", "Vantrel.exe"))

    tests = [(test_driver_on_stand_in, ())]
    if os.path.exists(exe):
        h.say("program: %s, %d bytes" % (exe, os.path.getsize(exe)))
        h.figures.append("size of %s: %d bytes" % (os.path.basename(exe), os.path.getsize(exe)))
        tests += [(t, (exe,)) for t in EXE_TESTS]
    else:
        h.say("no %s: only the driver's own test runs" % exe)

    failed = 0
    began = time.monotonic()
    for test, extra in tests:
        t0 = time.monotonic()
        try:
            test(h, *extra)
            h.say("PASS %s (%.1f s)" % (test.__name__, time.monotonic() - t0))
        except (Failure, subprocess.SubprocessError, OSError) as e:
            failed += 1
            h.say("FAIL %s (%.1f s)\n  %s" % (test.__name__, time.monotonic() - t0, e))
    for figure in h.figures:
        h.say("figure: " + figure)
    h.say("%d of %d Wine tests passed in %.0f s; screenshots, dumps and scripts in %s" %
          (len(tests) - failed, len(tests), time.monotonic() - began, h.out))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
