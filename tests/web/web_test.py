#!/usr/bin/env python3
"""The web page in headless Chromium.

    web_test.py CASE --web DIR [--page PAGE] [--frames-tool PATH] [--screenshots DIR]

DIR is a web build (web/build.sh): its page/ (or PAGE, a folder holding the page's files,
such as the web zip unpacked) is served, with the case's picture, from a private HTTP
server on 127.0.0.1, and Chromium is driven over the DevTools protocol on a pipe,
so that no port is fixed and nothing is fetched from the network. CASE is one of:

  frames_bundled, frames_own_picture
      The page draws its frames with keys pressed at set frames; each frame is read back
      from the canvas and must equal, to the bit, the frame that web_frames (PATH) draws
      natively with the plain passes on an XRGB8888 screen.
  no_picture, not_a_bmp
      The page shows the error box in place of the canvas, with the program's text, and the
      program ends with status 1.
  cannot_start
      Pages that cannot start the program (CANNOT_START: opened from the disk, a browser
      without WebAssembly or its SIMD, the program's files missing, broken or unfetched, the
      picture unfetched) say why in place of the canvas, and run nothing.
  keys
      The browser's keys (BROWSER_KEYS) are left to it, Up and Down taken and drawn as on
      the desktop, Alt+Enter kept by the page.
  hidden
      Hidden behind another tab, the page draws no frame and its renderer idles; shown, its
      frames go on as the native ones. A page opened behind another tab draws from its first
      frame once shown.
  screens
      On each screen of SCREENS, one after the other, the demo is fitted at a whole factor,
      crisp and centred, the buttons large enough to tap (--screenshots DIR saves each).
  phone
      On a 360 x 640 touch screen, taps on the buttons "Overlay on" and "Overlay off" give
      the frames of Up and Down pressed at the same frames.
  full_screen
      The button "Full screen" shows the demo alone on the screen at a whole factor; Alt+Enter
      leaves full screen and goes back.
  bench_runs
      The benchmark page (bench-page/) runs two short rounds and reports its figures; the
      last frames, the floor's after the overlay's, leave the canvas opaque black.
  bench
      The benchmark itself, for scripts/web.sh bench: prints the frame against the floor.

Exits with 77, saying why, where Chromium or the web build is missing or Chromium cannot run.
"""

import argparse
import base64
import fcntl
import functools
import http.server
import json
import os
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

SKIP = 77

# Every frame is compared, across the factor's resets (the first in frame 12, then about
# every 13 frames), with the overlay switched on and off by keys the page receives as a
# user's key presses. Left changes nothing; Up twice is still on.
KEYS = "21:up,22:up,90:left,160:down,230:up"
FRAMES = {"frames_bundled": 300, "frames_own_picture": 40}
OWN_PICTURE_KEYS = "9:up"

# The DOM key codes of the keys web_frames knows.
DOM_KEYS = {"up": 38, "down": 40, "left": 37}

ERROR_CAPTION = "Unhandled Exception"
PICTURE_ERROR = "Unhandled Exception: Unable to Load Image make sure its in the directory!\n"
# The line after it, for the page at `url`, in each case.
PICTURE_WHY = {
    "no_picture": "There is no lsd.bmp in %s: the server answered 404 File not found.\n",
    "not_a_bmp": "lsd.bmp in %s is not a BMP picture.\n",
}


class Skip(Exception):
    pass


class Failure(Exception):
    pass


class Browser:
    """Headless Chromium, driven over the DevTools protocol on file descriptors 3 and 4."""

    FLAGS = [
        "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
        "--disable-component-update", "--disable-sync", "--no-first-run",
        "--no-default-browser-check", "--disable-extensions", "--mute-audio",
        # A page nobody looks at is still drawn at full speed.
        "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
        "--disable-backgrounding-occluded-windows",
        "--remote-debugging-pipe",
    ]

    def __init__(self, scratch):
        chromium = shutil.which("chromium") or shutil.which("chromium-browser")
        if not chromium:
            raise Skip("chromium not found (Debian package chromium)")
        profile = os.path.join(scratch, "profile")
        home = os.path.join(scratch, "home")
        os.makedirs(home)
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home,
               "LANG": "C.UTF-8", "XDG_CONFIG_HOME": os.path.join(home, ".config"),
               "XDG_CACHE_HOME": os.path.join(home, ".cache")}
        to_browser, self._write = os.pipe()
        self._read, from_browser = os.pipe()
        self.log = os.path.join(scratch, "chromium.log")

        def fds():
            # Moved out of the way first: either end may itself be 3 or 4.
            to_fd = fcntl.fcntl(to_browser, fcntl.F_DUPFD, 10)
            from_fd = fcntl.fcntl(from_browser, fcntl.F_DUPFD, 10)
            os.dup2(to_fd, 3)
            os.dup2(from_fd, 4)

        with open(self.log, "w") as log:
            self.process = subprocess.Popen(
                [chromium, *self.FLAGS, "--user-data-dir=" + profile, "about:blank"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log, env=env,
                pass_fds=(3, 4), preexec_fn=fds, start_new_session=True)
        os.close(to_browser)
        os.close(from_browser)
        self._buffer = b""
        self._id = 0
        self.events = []
        try:
            self.call("Browser.getVersion", timeout=60)
        except Failure as failure:
            self.close()
            raise Skip("chromium cannot run: %s\n%s" % (failure, self.log_tail()))

    def log_tail(self):
        """The end of Chromium's output, without its complaints about a missing D-Bus."""
        with open(self.log, errors="replace") as log:
            return "".join([line for line in log if "dbus" not in line][-20:])

    def _message(self, deadline):
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self._read], [], [], left)[0]:
                raise Failure("no answer from chromium in time")
            chunk = os.read(self._read, 1 << 16)
            if not chunk:
                raise Failure("chromium closed its end")
            self._buffer += chunk
        message, _, self._buffer = self._buffer.partition(b"\0")
        return json.loads(message)

    def call(self, method, params=None, session=None, timeout=60):
        self._id += 1
        request = {"id": self._id, "method": method, "params": params or {}}
        if session:
            request["sessionId"] = session
        os.write(self._write, json.dumps(request).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            message = self._message(deadline)
            if message.get("id") != self._id:
                self.events.append(message)
                continue
            if "error" in message:
                raise Failure("%s: %s" % (method, message["error"].get("message")))
            return message["result"]

    def wait_for(self, method, session, timeout=60):
        """Reads on until the event `method` of `session` has come."""
        deadline = time.monotonic() + timeout
        seen = 0
        while True:
            for event in self.events[seen:]:
                if event.get("method") == method and event.get("sessionId") == session:
                    return event
            seen = len(self.events)
            self.events.append(self._message(deadline))

    def open(self, url, hooks=None, metrics=None, touch=False, background=False):
        """A new tab at `url`, loaded, with `hooks` run before the page's own scripts: in
        front of the others, or behind them (`background`). `metrics` are the screen's
        (Emulation.setDeviceMetricsOverride), `touch` makes it a touch screen."""
        target = self.call("Target.createTarget",
                           {"url": "about:blank", "background": background})["targetId"]
        session = self.call("Target.attachToTarget",
                            {"targetId": target, "flatten": True})["sessionId"]
        page = Page(self, session, target)
        self.call("Runtime.enable", session=session)
        self.call("Page.enable", session=session)
        if metrics:
            page.set_screen(metrics)
        if touch:
            self.call("Emulation.setTouchEmulationEnabled",
                      {"enabled": True, "maxTouchPoints": 5}, session)
        if hooks:
            self.call("Page.addScriptToEvaluateOnNewDocument", {"source": hooks}, session)
        self.call("Page.navigate", {"url": url}, session)
        self.wait_for("Page.loadEventFired", session, timeout=120)
        return page

    def renderer_cpu(self):
        """The CPU time, in seconds, that Chromium's renderers have used so far: the processes
        of its session with --type=renderer."""
        total = 0
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as cmdline:
                    if b"--type=renderer" not in cmdline.read():
                        continue
                with open("/proc/%s/stat" % pid) as stat:
                    # The fields after the command's name, which is in parentheses.
                    fields = stat.read().rpartition(")")[2].split()
            except OSError:
                continue
            # session id (6), utime (14), stime (15), counted from 1 with pid and name.
            if int(fields[3]) == self.process.pid:
                total += int(fields[11]) + int(fields[12])
        return total / os.sysconf("SC_CLK_TCK")

    def close(self):
        """Closes Chromium, or ends it and the processes it started (its session's group)."""
        try:
            os.write(self._write, json.dumps({"id": 0, "method": "Browser.close"}).encode() + b"\0")
            self.process.wait(timeout=10)
        except (OSError, subprocess.TimeoutExpired):
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.process.wait()
        os.close(self._write)
        os.close(self._read)


class Page:
    def __init__(self, browser, session, target):
        self.browser = browser
        self.session = session
        self.target = target

    def call(self, method, params=None, timeout=60):
        return self.browser.call(method, params, self.session, timeout)

    def set_screen(self, metrics):
        """The screen's size, pixel ratio and kind: {width, height, deviceScaleFactor,
        mobile}."""
        self.call("Emulation.setDeviceMetricsOverride", metrics)

    def wait_until(self, expression, timeout=120):
        """Waits until `expression` is true in the page, looking every 20 ms; its value."""
        return self.evaluate("""
            new Promise(function (resolve) {
              (function look() {
                const value = (%s);
                if (value) resolve(value); else setTimeout(look, 20);
              })();
            })""" % expression, timeout)

    def screenshot(self, path):
        with open(path, "wb") as out:
            out.write(base64.b64decode(self.call("Page.captureScreenshot",
                                                 {"format": "png"})["data"]))

    def evaluate(self, expression, timeout=120):
        """The value of `expression`, a promise awaited."""
        result = self.browser.call("Runtime.evaluate", {
            "expression": expression, "awaitPromise": True, "returnByValue": True},
            self.session, timeout)
        if "exceptionDetails" in result:
            raise Failure("the page threw: %s" % describe(result["exceptionDetails"]))
        return result["result"].get("value")

    def console(self):
        """The page's console messages, as (level, text)."""
        return [(e["params"]["type"], " ".join(str(a.get("value", a.get("description", "")))
                                               for a in e["params"]["args"]))
                for e in self._events("Runtime.consoleAPICalled")]

    def exceptions(self):
        return [describe(e["params"]["exceptionDetails"])
                for e in self._events("Runtime.exceptionThrown")]

    def _events(self, method):
        return [e for e in self.browser.events
                if e.get("sessionId") == self.session and e.get("method") == method]


def describe(details):
    exception = details.get("exception", {})
    return exception.get("description") or details.get("text", "?")


class Server:
    """Serves one folder on 127.0.0.1, on a port of its own; the files named in `dropped` are
    not served: their requests are answered by closing the connection, as a network that
    fails."""

    def __init__(self, folder, dropped=()):
        class Quiet(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def send_head(self):
                if os.path.basename(self.path.split("?")[0]) in dropped:
                    self.close_connection = True
                    return None
                return super().send_head()

        handler = functools.partial(Quiet, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def bmp24_top_down(width, height):
    """A 24-bit BMP, rows top-down, with colours that differ in every channel and pixel."""
    row_bytes = (width * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in range(height):
        row = bytearray()
        for x in range(width):
            row += bytes(((x * 7 + y) & 255, (x * 3 + y * 5) & 255, (x ^ y * 3) & 255))  # BGR
        pixels += row + bytes(row_bytes - len(row))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def png(width, height):
    """A PNG that the browser's picture decoder would read, were it asked to."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + b"".join(bytes((x & 255, y & 255, 128)) for x in range(width))
                   for y in range(height))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def page_folder(args, scratch, picture):
    """The page's files in a folder of the test's own, with `picture` (bytes, or None for
    none) as lsd.bmp, or the bundled one for "bundled"."""
    built = args.page or os.path.join(args.web, "page")
    names = ["index.html", "start.js", "prismwarp.js", "prismwarp.wasm"]
    if not all(os.path.isfile(os.path.join(built, name)) for name in names + ["lsd.bmp"]):
        raise Skip("the web page is not built in %s (see the test web_build)" % built)
    folder = os.path.join(scratch, "page")
    os.makedirs(folder)
    for name in names:
        shutil.copy(os.path.join(built, name), folder)
    if picture == "bundled":
        shutil.copy(os.path.join(built, "lsd.bmp"), folder)
    elif picture is not None:
        with open(os.path.join(folder, "lsd.bmp"), "wb") as out:
            out.write(picture)
    return folder


# Run in the page before its own scripts: presses the keys before their frames, reads every
# frame back from the canvas after it is drawn, and stops drawing after the last, or goes on
# drawing without reading (plan.thenRun). Each key is pressed as a user's key press would
# reach the page, on its focused element, and whether the page took it from the browser
# (defaultPrevented) is kept. Before each frame of plan.holds no frame is drawn until the
# test calls release(): window.holding is that frame meanwhile.
FRAME_HOOKS = r"""
(function () {
  const plan = %s;
  let frame = 0;
  let released = 0;
  const hashes = [];
  const pressed = [];
  let firstDifference = null;
  let finish;
  window.framesDrawn = 0;
  window.holding = 0;
  window.release = function () { released = window.holding; window.holding = 0; };
  window.framesRead = new Promise(function (resolve) { finish = resolve; });
  function press(key) {
    const target = document.activeElement || document.body;
    const init = Object.assign({ bubbles: true, cancelable: true }, key);
    const down = new KeyboardEvent('keydown', init);
    target.dispatchEvent(down);
    target.dispatchEvent(new KeyboardEvent('keyup', init));
    pressed.push({ frame: frame, name: key.name, prevented: down.defaultPrevented });
  }
  window.Module = {
    preMainLoop: function () {
      if (frame === plan.count && !plan.thenRun) return false;
      if (plan.holds.indexOf(frame + 1) >= 0 && released !== frame + 1) {
        window.holding = frame + 1;
        return false;
      }
      frame += 1;
      (plan.keys[frame] || []).forEach(press);
    },
    postMainLoop: function () {
      window.framesDrawn += 1;
      if (frame > plan.count) return;
      const canvas = window.Module.canvas;
      const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      const rgb = new Uint8Array(rgba.length / 4 * 3);
      let hash = 0x811c9dc5;
      for (let i = 0, j = 0; i < rgba.length; i += 4) {
        for (let c = 0; c < 3; ++c, ++j) {
          rgb[j] = rgba[i + c];
          hash = Math.imul(hash ^ rgb[j], 16777619) >>> 0;
        }
      }
      hashes.push(hash);
      if (firstDifference === null && hash !== plan.expected[frame - 1]) {
        let bytes = '';
        for (let k = 0; k < rgb.length; ++k) bytes += String.fromCharCode(rgb[k]);
        firstDifference = { frame: frame, rgb: btoa(bytes) };
      }
      if (frame === plan.count)
        finish({ hashes: hashes, firstDifference: firstDifference, pressed: pressed });
    }
  };
})();
"""


# Counts the frames the program draws, which it must not when it cannot load its picture.
COUNTING_HOOKS = """
window.framesDrawn = 0;
window.Module = { postMainLoop: function () { window.framesDrawn += 1; } };
"""


def native_frames(tool, folder, count, keys, rgb_of=None):
    command = [tool, folder, str(count), keys] + (["--rgb", str(rgb_of)] if rgb_of else [])
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
    if done.returncode != 0:
        raise Failure("%s failed (%d): %s" % (" ".join(command), done.returncode,
                                              done.stderr.decode(errors="replace")))
    return done.stdout


def first_pixel_difference(ours, expected):
    width = 320
    differing = [i for i in range(0, len(expected), 3) if ours[i:i + 3] != expected[i:i + 3]]
    if not differing:
        return "no pixel differs (the hashes do)"
    i = differing[0]
    return "%d pixels differ; first at (%d, %d): page rgb%s, native rgb%s" % (
        len(differing), i // 3 % width, i // 3 // width, tuple(ours[i:i + 3]),
        tuple(expected[i:i + 3]))


class Frames:
    """A run of `count` frames of the page in `folder`, with the program's keys pressed at
    set frames ("21:up,160:down", as web_frames takes them), to be compared with the frames
    web_frames draws natively with the same keys. `other_keys` are pressed too, {frame:
    [KeyboardEvent init with a name]}, the keys that must not reach the program; `holds` and
    `then_run` are FRAME_HOOKS's. Without `press` the program's keys are not pressed: the
    test gives the program their events another way, at their frames."""

    def __init__(self, args, folder, count, keys, other_keys=None, holds=(), then_run=False,
                 press=True):
        if not args.frames_tool:
            raise Failure("--frames-tool is needed for " + args.case)
        self.tool, self.folder, self.count, self.keys = args.frames_tool, folder, count, keys
        lines = native_frames(self.tool, folder, count, keys).decode().split()
        rows = [lines[i:i + 4] for i in range(0, len(lines), 4)]
        self.expected = [int(row[1], 16) for row in rows]
        self.factors = [float(row[2]) for row in rows]
        self.overlay = [row[3] == "1" for row in rows]
        pressed = {}
        for frame, names in (other_keys or {}).items():
            pressed.setdefault(frame, []).extend(names)
        for item in keys.split(",") if keys and press else []:
            frame, key = item.split(":")
            pressed.setdefault(int(frame), []).append(
                {"name": key, "keyCode": DOM_KEYS[key]})
        self.hooks = FRAME_HOOKS % json.dumps({
            "count": count, "keys": pressed, "expected": self.expected, "holds": list(holds),
            "thenRun": then_run})

    def run(self, browser):
        """Serves the folder and runs the frames in a tab in front: the page, and its
        window.framesRead."""
        server = Server(self.folder)
        try:
            page = browser.open(server.url + "index.html", self.hooks)
            return page, page.evaluate("window.framesRead", timeout=300)
        finally:
            server.close()

    def check(self, page, result):
        """Raises Failure where a frame of `result` (window.framesRead) differs from the
        native one, or the page threw; a line on the frames compared."""
        if page.exceptions():
            raise Failure("the page threw: " + "; ".join(page.exceptions()))
        difference = result["firstDifference"]
        if difference:
            frame = difference["frame"]
            ours = base64.b64decode(difference["rgb"])
            native = native_frames(self.tool, self.folder, self.count, self.keys, rgb_of=frame)
            raise Failure("frame %d of %d differs from the native one (overlay %s): %s" % (
                frame, self.count, "on" if self.overlay[frame - 1] else "off",
                first_pixel_difference(ours, native)))
        if result["hashes"] != self.expected:
            raise Failure("the page's hashes differ from the native ones")
        resets = sum(1 for before, after in zip([1.0] + self.factors, self.factors)
                     if after < before)
        return ("%d frames read back from the canvas, each identical to the native plain "
                "passes' on an XRGB8888 screen; the factor reset in %d of them, the overlay "
                "was on in %d (keys %s)" % (self.count, resets, sum(self.overlay), self.keys))


def frames_case(case, args, scratch, browser):
    picture = "bundled" if case == "frames_bundled" else bmp24_top_down(200, 150)
    folder = page_folder(args, scratch, picture)
    frames = Frames(args, folder, FRAMES[case],
                    KEYS if case == "frames_bundled" else OWN_PICTURE_KEYS)
    print(frames.check(*frames.run(browser)))


# Which of the page's parts are laid out, and so shown: the canvas, the program's error box,
# the page's word that the program cannot start, and the controls; and the parts shown that
# do not fit the screen's width.
PARTS_SHOWN = r"""(function () {
  const ids = { canvas: 'screen', box: 'error', message: 'cannot-start', controls: 'controls' };
  const parts = { wide: [] };
  for (const part in ids) {
    const element = document.getElementById(ids[part]);
    parts[part] = element.getClientRects().length > 0;
    const box = element.getBoundingClientRect();
    if (parts[part] && (box.left < 0 || box.right > document.documentElement.clientWidth))
      parts.wide.push(part);
  }
  return parts;
})()"""
PARTS = {"canvas": "the canvas", "box": "the error box", "message": "the page's message",
         "controls": "the controls"}


def parts_problems(parts, alone):
    """What is wrong with `parts` (PARTS_SHOWN's) where the part `alone` should be the only
    one shown: the controls go with the canvas."""
    wanted = {alone} | ({"controls"} if alone == "canvas" else set())
    return ["%s is %sshown" % (PARTS[part], "" if parts[part] else "not ")
            for part in PARTS if parts[part] != (part in wanted)] + [
                "%s is wider than the screen" % PARTS[part] for part in parts["wide"]]


def error_case(case, args, scratch, browser):
    picture = None if case == "no_picture" else png(320, 240)
    folder = page_folder(args, scratch, picture)
    server = Server(folder)
    try:
        # On the narrowest screen of SCREENS, where the box must fit too.
        page = browser.open(server.url + "index.html", COUNTING_HOOKS, metrics=SCREENS[-1][1])
        shown = page.evaluate(r"""
            new Promise(function (resolve) {
              (function wait() {
                const status = document.documentElement.dataset.status;
                if (status === undefined && window.framesDrawn < 5) return setTimeout(wait, 20);
                resolve({
                  framesDrawn: window.framesDrawn,
                  status: status,
                  caption: document.getElementById('error-caption').textContent,
                  text: document.getElementById('error-text').textContent,
                  parts: %s
                });
              })();
            })""" % PARTS_SHOWN)
    finally:
        server.close()
    if shown["framesDrawn"]:
        raise Failure("no error: the program draws frames")
    problems = parts_problems(shown["parts"], "box")
    if shown["status"] != "1":
        problems.append("status %s, not 1" % shown["status"])
    if shown["caption"] != ERROR_CAPTION:
        problems.append("caption %r" % shown["caption"])
    error_text = PICTURE_ERROR + PICTURE_WHY[case] % server.url + "\n"
    if shown["text"] != error_text:
        problems.append("text %r, expected %r" % (shown["text"], error_text))
    # stderr reaches the console line by line.
    stderr = "".join(text + "\n" for level, text in page.console() if level == "error")
    if error_text not in stderr:
        problems.append("the text is not on the console (stderr): %r" % stderr)
    if problems:
        raise Failure("; ".join(problems))
    print("error box shown in place of the canvas, %r: %r; status 1" % (
        shown["caption"], shown["text"]))


# The pages that cannot start the program, each with what it tells the visitor in place of the
# canvas: (name, the page's folder without these files, these files' bytes instead, the files
# whose fetch fails outright, hooks run before the page's scripts, whether opened from the
# disk, its lines, where {url} is the page's folder, {path} the same on the disk, and a line
# ending in "..." is only the start of the line shown).
CANNOT_START = [
    ("opened from the disk", (), {}, (), None, True, [
        "This page was opened from the disk (a file:// address): browsers do not let such a "
        "page load the program and its picture.",
        "Serve the page\u2019s folder instead. Run this command in the folder {path}:",
        "python3 -m http.server",
        "then open http://localhost:8000/ in the browser."]),
    ("a browser without WebAssembly", (), {}, (), "delete window.WebAssembly;", False, [
        "This browser cannot run Prismwarp: it has no WebAssembly.",
        "Prismwarp runs in Chrome and Edge 91, Firefox 89, Safari 16.4 and their newer "
        "versions."]),
    # It refuses every module with the SIMD instructions' prefix, 0xfd.
    ("a browser without WebAssembly's SIMD", (), {}, (), """
        const validate = WebAssembly.validate;
        WebAssembly.validate = function (bytes) {
          return new Uint8Array(bytes).indexOf(0xfd) < 0 && validate.call(WebAssembly, bytes);
        };""", False, [
        "This browser cannot run Prismwarp: its WebAssembly has no 128-bit SIMD.",
        "Prismwarp runs in Chrome and Edge 91, Firefox 89, Safari 16.4 and their newer "
        "versions."]),
    ("prismwarp.wasm missing", ("prismwarp.wasm",), {}, (), None, False, [
        "The program\u2019s file prismwarp.wasm could not be loaded from {url}: the server "
        "answered 404 File not found."]),
    ("prismwarp.wasm not WebAssembly", (), {"prismwarp.wasm": b"<html>moved</html>"}, (),
     None, False, [
        "The program\u2019s file prismwarp.wasm from {url} is not a program this browser can "
        "run: WebAssembly.compile(): ..."]),
    ("prismwarp.wasm's fetch failing", (), {}, ("prismwarp.wasm",), None, False, [
        "The program\u2019s file prismwarp.wasm could not be fetched from {url}: the "
        "connection failed (Failed to fetch)."]),
    ("prismwarp.js missing", ("prismwarp.js",), {}, (), None, False, [
        "The program\u2019s file prismwarp.js could not be loaded from {url}: the server "
        "answered 404 File not found."]),
    # Told by the page, not as a missing picture by the program: the server has not said so.
    ("lsd.bmp's fetch failing", (), {}, ("lsd.bmp",), None, False, [
        "The picture lsd.bmp could not be fetched from {url}: the connection failed (Failed "
        "to fetch)."]),
]

# The lines the page shows in place of the canvas: each paragraph, and each command, once
# the page has shown them or the program has drawn frames.
CANNOT_START_SHOWN = r"""
new Promise(function (resolve) {
  (function wait() {
    const text = document.getElementById('cannot-start-text');
    if (!text.children.length && window.framesDrawn < 5) return setTimeout(wait, 20);
    resolve({
      framesDrawn: window.framesDrawn,
      status: document.documentElement.dataset.status,
      lines: Array.prototype.map.call(text.children, function (line) {
        return line.textContent;
      }),
      parts: %s
    });
  })();
})""" % PARTS_SHOWN


def cannot_start_case(case, args, scratch, browser):
    problems = []
    for number, (name, left_out, replaced, dropped, hooks, from_disk, lines) in enumerate(
            CANNOT_START):
        folder = page_folder(args, os.path.join(scratch, str(number)), "bundled")
        for file in left_out:
            os.remove(os.path.join(folder, file))
        for file, data in replaced.items():
            with open(os.path.join(folder, file), "wb") as out:
                out.write(data)
        server = None if from_disk else Server(folder, dropped)
        try:
            url = "file://" + folder + "/" if from_disk else server.url
            page = browser.open(url + "index.html", COUNTING_HOOKS + (hooks or ""),
                                metrics=SCREENS[-1][1])
            shown = page.evaluate(CANNOT_START_SHOWN)
        finally:
            if server:
                server.close()
        wrong = parts_problems(shown["parts"], "message")
        if shown["framesDrawn"] or "status" in shown:
            wrong.append("the program ran (status %s)" % shown.get("status"))
        expected = [line.format(url=url, path=folder + "/") for line in lines]
        if len(shown["lines"]) != len(expected) or not all(
                line == want or want.endswith("...") and line.startswith(want[:-3])
                for line, want in zip(shown["lines"], expected)):
            wrong.append("it says %r, expected %r" % (shown["lines"], expected))
        # The same on the console, for whoever looks there.
        console = [text for level, text in page.console() if level == "error"]
        if shown["lines"] and not all(line in console for line in shown["lines"]):
            wrong.append("the console has %r" % console)
        browser.call("Target.closeTarget", {"targetId": page.target})
        if wrong:
            problems.append("%s: %s" % (name, "; ".join(wrong)))
        else:
            print("%s: %s" % (name, " / ".join(shown["lines"])))
    if problems:
        raise Failure("\n".join(problems))


def key(name, key, code, key_code, **modifiers):
    init = {"name": name, "key": key, "code": code, "keyCode": key_code}
    init.update({modifier + "Key": True for modifier in modifiers})
    return init


# Keys whose meaning in the browser the page leaves them: scrolling, moving the focus,
# reloading, searching, the browser's full screen, typing.
BROWSER_KEYS = [
    key("PageDown", "PageDown", "PageDown", 34), key("PageUp", "PageUp", "PageUp", 33),
    key("End", "End", "End", 35), key("Home", "Home", "Home", 36),
    key("Tab", "Tab", "Tab", 9), key("Shift+Tab", "Tab", "Tab", 9, shift=True),
    key("Space", " ", "Space", 32), key("Left", "ArrowLeft", "ArrowLeft", 37),
    key("Right", "ArrowRight", "ArrowRight", 39), key("Escape", "Escape", "Escape", 27),
    key("Enter", "Enter", "Enter", 13), key("Backspace", "Backspace", "Backspace", 8),
    key("F5", "F5", "F5", 116), key("Ctrl+R", "r", "KeyR", 82, ctrl=True),
    key("Ctrl+F", "f", "KeyF", 70, ctrl=True), key("F11", "F11", "F11", 122),
    key("a", "a", "KeyA", 65), key("Q", "Q", "KeyQ", 81, shift=True),
    key("1", "1", "Digit1", 49),
]
# The page's own key, which the program does not see: Alt+Enter switches full screen.
PAGE_KEYS = [key("Alt+Enter", "Enter", "Enter", 13, alt=True)]
# The program's keys, pressed by the Frames run at its frames: "up" and "down".
KEYS_PLAN = "12:up,25:down"


def keys_case(case, args, scratch, browser):
    folder = page_folder(args, scratch, "bundled")
    # The browser's keys before, between and after the program's, the page's after Up.
    other = {5: BROWSER_KEYS, 13: PAGE_KEYS, 30: BROWSER_KEYS}
    frames = Frames(args, folder, 40, KEYS_PLAN, other_keys=other)
    page, result = frames.run(browser)
    taken = {k["name"] for k in PAGE_KEYS} | {"up", "down"}
    wrong = ["%s at frame %d is %s" % (k["name"], k["frame"],
                                       "taken from the browser" if k["prevented"] else
                                       "left to the browser")
             for k in result["pressed"] if k["prevented"] != (k["name"] in taken)]
    if len(result["pressed"]) != 2 * len(BROWSER_KEYS) + len(PAGE_KEYS) + 2:
        wrong.append("pressed %r" % result["pressed"])
    if wrong:
        raise Failure("; ".join(wrong))
    # Up and Down reached the program: its frames are the native ones with those keys.
    print(frames.check(page, result))
    print("left to the browser: %s; taken: %s" % (
        ", ".join(k["name"] for k in BROWSER_KEYS), ", ".join(sorted(taken))))


# How long the renderers' CPU is measured while the pages are hidden, and in front; how much
# of a core the hidden pages may use together.
HIDDEN_SECONDS = 4
SETTLE_SECONDS = 1
FRONT_SECONDS = 2
HIDDEN_MOST_CPU = 0.02


def cpu_share(browser, seconds):
    """The share of a core Chromium's renderers use over the next `seconds`."""
    start, used = time.monotonic(), browser.renderer_cpu()
    time.sleep(seconds)
    return (browser.renderer_cpu() - used) / (time.monotonic() - start)


def hidden_case(case, args, scratch, browser):
    folder = page_folder(args, scratch, "bundled")
    hidden_at = 60
    shown = Frames(args, folder, 150, "21:up,100:down", holds=[hidden_at], then_run=True)
    behind = Frames(args, folder, 30, "10:up")
    server = Server(folder)
    try:
        page = browser.open(server.url + "index.html", shown.hooks)
        page.wait_until("window.holding === %d" % hidden_at)
        # A page opened behind the others, hidden from the start: its program starts.
        late = browser.open(server.url + "index.html", behind.hooks, background=True)
        late.wait_until("document.hidden && window.Module.calledRun")
        # Another tab in front hides the page, which is then let go on drawing.
        front = browser.open("about:blank")
        page.wait_until("document.hidden")
        page.evaluate("window.release()")
        # Left out: the renderers finishing what they were at when the page was hidden (the
        # page opened behind has just compiled its program).
        time.sleep(SETTLE_SECONDS)
        hidden_cpu = cpu_share(browser, HIDDEN_SECONDS)
        drawn = page.evaluate("[window.framesDrawn, document.hidden]")
        drawn_late = late.evaluate("[window.framesDrawn, document.hidden]")
        browser.call("Target.activateTarget", {"targetId": page.target})
        browser.call("Target.closeTarget", {"targetId": front.target})
        result = page.evaluate("window.framesRead", timeout=300)
        # Drawing on after the frames read, in front.
        front_cpu = cpu_share(browser, FRONT_SECONDS)
        browser.call("Target.activateTarget", {"targetId": late.target})
        late_result = late.evaluate("window.framesRead", timeout=300)
    finally:
        server.close()
    problems = []
    if drawn != [hidden_at - 1, True]:
        problems.append("hidden after frame %d, the page drew %d frames in all (hidden: %s)" % (
            hidden_at - 1, drawn[0], drawn[1]))
    if drawn_late != [0, True]:
        problems.append("opened hidden, the page drew %d frames (hidden: %s)" % tuple(drawn_late))
    if hidden_cpu > HIDDEN_MOST_CPU:
        problems.append("the hidden pages use %.1f %% of a core, more than %.0f %%" % (
            100 * hidden_cpu, 100 * HIDDEN_MOST_CPU))
    if problems:
        raise Failure("; ".join(problems))
    print("hidden after frame %d: no frame drawn in %d s, the renderers using %.1f %% of a core "
          "(%.0f %% in front, drawing)" % (hidden_at - 1, SETTLE_SECONDS + HIDDEN_SECONDS,
                                            100 * hidden_cpu, 100 * front_cpu))
    print("shown again: " + shown.check(page, result))
    print("opened behind another tab: no frame drawn until shown, then " +
          behind.check(late, late_result))


# How the page is laid out, once it has had a frame to follow a change of the screen: the
# canvas's pixels and where it is shown, the stage it is fitted into (its inner box), the
# controls and the buttons (their accessible names and boxes), the text's size.
LAYOUT = r"""
new Promise(function (resolve) {
  requestAnimationFrame(function () { requestAnimationFrame(function () {
    const box = function (element) {
      const r = element.getBoundingClientRect();
      return { left: r.left, top: r.top, width: r.width, height: r.height };
    };
    const canvas = document.getElementById('screen');
    const stage = document.getElementById('stage');
    const style = getComputedStyle(stage);
    resolve({
      viewport: [innerWidth, innerHeight],
      pixels: [canvas.width, canvas.height],
      canvas: box(canvas),
      rendering: getComputedStyle(canvas).imageRendering,
      stage: { left: stage.getBoundingClientRect().left + parseFloat(style.paddingLeft),
               top: stage.getBoundingClientRect().top + parseFloat(style.paddingTop),
               width: stage.clientWidth - parseFloat(style.paddingLeft) -
                      parseFloat(style.paddingRight),
               height: stage.clientHeight - parseFloat(style.paddingTop) -
                       parseFloat(style.paddingBottom) },
      controls: box(document.getElementById('controls')),
      text: parseFloat(getComputedStyle(document.querySelector('#controls p')).fontSize),
      buttons: Array.prototype.filter.call(document.querySelectorAll('button'), function (b) {
        return b.getClientRects().length;
      }).map(function (b) {
        return { name: b.getAttribute('aria-label') || b.textContent, box: box(b) };
      }),
      fullScreen: document.fullscreenElement ? document.fullscreenElement.id : null
    });
  }); });
})"""

# The smallest a button may be, in CSS pixels, and the text.
SMALLEST_BUTTON = 44
SMALLEST_TEXT = 14


def fit_problems(layout):
    """What is wrong with how `layout` (LAYOUT's) shows the demo: it must be shown at the
    largest whole multiple of 320 x 240 that fits the stage (shrunk to the stage's width
    where the stage is narrower), crisp and centred, the canvas keeping its pixels."""
    problems = []
    stage, canvas = layout["stage"], layout["canvas"]
    scale = int(min(stage["width"] / 320, stage["height"] / 240))
    if scale < 1:
        scale = min(1, stage["width"] / 320)
    if layout["pixels"] != [320, 240]:
        problems.append("the canvas has %d x %d pixels" % tuple(layout["pixels"]))
    if abs(canvas["width"] - 320 * scale) > 0.5 or abs(canvas["height"] - 240 * scale) > 0.5:
        problems.append("the demo is %g x %g, not %g x %g (a stage of %g x %g)" % (
            canvas["width"], canvas["height"], 320 * scale, 240 * scale, stage["width"],
            stage["height"]))
    if layout["rendering"] != "pixelated":
        problems.append("the canvas is rendered %r, not pixelated" % layout["rendering"])
    for axis, size in (("left", "width"), ("top", "height")):
        off = (canvas[axis] + canvas[size] / 2) - (stage[axis] + stage[size] / 2)
        if canvas[size] <= stage[size] and abs(off) > 0.5:
            problems.append("the demo is %g px off the stage's centre (%s)" % (off, axis))
    if canvas["left"] < 0 or canvas["left"] + canvas["width"] > layout["viewport"][0] + 0.5:
        problems.append("the demo does not fit the screen's width")
    return problems, scale


def controls_problems(layout):
    """What is wrong with the controls of `layout`: the three buttons, each large enough to
    tap, and the text readable."""
    problems = []
    names = [button["name"] for button in layout["buttons"]]
    if names != ["Overlay on", "Overlay off", "Full screen"]:
        problems.append("the buttons are %r" % names)
    for button in layout["buttons"]:
        if min(button["box"]["width"], button["box"]["height"]) < SMALLEST_BUTTON:
            problems.append("%r is %g x %g" % (button["name"], button["box"]["width"],
                                               button["box"]["height"]))
    if layout["text"] < SMALLEST_TEXT:
        problems.append("the text is %g px" % layout["text"])
    return problems


# Screens the page is shown on, one after the other in the same tab, as a window resized or
# a phone turned: (name, Emulation.setDeviceMetricsOverride's metrics). The whole factor the
# demo is shown at follows from the stage the page leaves it, beside its controls.
SCREENS = [
    ("phone 360x640", {"width": 360, "height": 640, "deviceScaleFactor": 3, "mobile": True}),
    ("phone turned 640x360",
     {"width": 640, "height": 360, "deviceScaleFactor": 3, "mobile": True}),
    ("4K 3840x2160", {"width": 3840, "height": 2160, "deviceScaleFactor": 1, "mobile": False}),
    ("laptop 1280x720", {"width": 1280, "height": 720, "deviceScaleFactor": 1,
                         "mobile": False}),
    ("narrow phone 300x560",
     {"width": 300, "height": 560, "deviceScaleFactor": 2, "mobile": True}),
]


def screens_case(case, args, scratch, browser):
    folder = page_folder(args, scratch, "bundled")
    server = Server(folder)
    problems = []
    try:
        page = browser.open(server.url + "index.html", COUNTING_HOOKS, metrics=SCREENS[0][1],
                            touch=True)
        page.wait_until("window.framesDrawn > 5")
        for name, metrics in SCREENS:
            page.set_screen(metrics)
            layout = page.evaluate(LAYOUT)
            wrong, scale = fit_problems(layout)
            wrong += controls_problems(layout)
            if layout["viewport"][0] != metrics["width"]:
                wrong.append("the page is laid out %d px wide on a screen of %d" % (
                    layout["viewport"][0], metrics["width"]))
            if args.screenshots:
                page.screenshot(os.path.join(args.screenshots, name.split()[-1] + ".png"))
            if wrong:
                problems.append("%s: %s" % (name, "; ".join(wrong)))
            else:
                print("%s: the demo %g x %g (%s), centred on a stage of %g x %g" % (
                    name, layout["canvas"]["width"], layout["canvas"]["height"],
                    "%d times" % scale if scale >= 1 else "shrunk to %.3f" % scale,
                    layout["stage"]["width"], layout["stage"]["height"]))
    finally:
        server.close()
    if page.exceptions():
        problems.append("the page threw: " + "; ".join(page.exceptions()))
    if problems:
        raise Failure("\n".join(problems))


# Every click on the page, by the accessible name of what was clicked.
CLICK_HOOKS = """
window.clicks = [];
document.addEventListener('click', function (event) {
  const button = event.target.closest('button');
  window.clicks.push(button ? button.getAttribute('aria-label') || button.textContent : '');
}, true);
"""


def centre_of(page, name):
    """The centre, in CSS pixels, of the button whose accessible name is `name`, found
    through the page's accessibility tree."""
    document = page.call("Runtime.evaluate", {"expression": "document"})["result"]["objectId"]
    nodes = page.call("Accessibility.queryAXTree",
                      {"objectId": document, "accessibleName": name, "role": "button"})["nodes"]
    if len(nodes) != 1:
        raise Failure("%d buttons are named %r" % (len(nodes), name))
    quad = page.call("DOM.getBoxModel",
                     {"backendNodeId": nodes[0]["backendDOMNodeId"]})["model"]["border"]
    return sum(quad[0::2]) / 4, sum(quad[1::2]) / 4


def tap(page, name):
    x, y = centre_of(page, name)
    page.call("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": [{"x": x, "y": y}]})
    page.call("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})


def click(page, name):
    x, y = centre_of(page, name)
    for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
        page.call("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": "left",
                                               "clickCount": 1})


# The buttons tapped, each before the frame a key would be pressed at in KEYS_PLAN.
TAPS = {12: "Overlay on", 25: "Overlay off"}


def phone_case(case, args, scratch, browser):
    folder = page_folder(args, scratch, "bundled")
    frames = Frames(args, folder, 40, KEYS_PLAN, holds=sorted(TAPS), press=False)
    server = Server(folder)
    try:
        page = browser.open(server.url + "index.html", CLICK_HOOKS + frames.hooks,
                            metrics=SCREENS[0][1], touch=True)
        layout = page.evaluate(LAYOUT)
        for frame, name in sorted(TAPS.items()):
            page.wait_until("window.holding === %d" % frame)
            taps = page.evaluate("window.clicks.length")
            tap(page, name)
            page.wait_until("window.clicks.length > %d" % taps)
            page.evaluate("window.release()")
        result = page.evaluate("window.framesRead", timeout=300)
        clicks = page.evaluate("window.clicks")
    finally:
        server.close()
    problems, scale = fit_problems(layout)
    problems += controls_problems(layout)
    if clicks != [TAPS[frame] for frame in sorted(TAPS)]:
        problems.append("the taps clicked %r" % clicks)
    if problems:
        raise Failure("; ".join(problems))
    print("on a 360 x 640 touch screen the demo is %g x %g, the buttons %s" % (
        layout["canvas"]["width"], layout["canvas"]["height"], ", ".join(
            "%s %g x %g" % (b["name"], b["box"]["width"], b["box"]["height"])
            for b in layout["buttons"])))
    # The taps are the keys: the frames are the native ones with Up and Down at their frames.
    print("taps on %s: %s" % (" and ".join(TAPS.values()), frames.check(page, result)))


def alt_enter(page):
    for kind in ("rawKeyDown", "keyUp"):
        page.call("Input.dispatchKeyEvent", {"type": kind, "key": "Enter", "code": "Enter",
                                             "windowsVirtualKeyCode": 13, "modifiers": 1})


def full_screen_case(case, args, scratch, browser):
    """The button shows the stage full screen, the demo fitted to the screen; Alt+Enter
    leaves it and goes back to it, and the demo is fitted to the window again. Escape, which
    leaves it in a browser with its window, is the browser's own (see BROWSER_KEYS): headless
    Chromium has no window to handle it."""
    folder = page_folder(args, scratch, "bundled")
    server = Server(folder)
    layouts = []
    try:
        page = browser.open(server.url + "index.html", COUNTING_HOOKS)
        page.wait_until("window.framesDrawn > 5")
        screen = page.evaluate("[screen.width, screen.height]")
        for name, change, full in (("the button", lambda: click(page, "Full screen"), True),
                                   ("Alt+Enter", lambda: alt_enter(page), False),
                                   ("Alt+Enter again", lambda: alt_enter(page), True)):
            change()
            page.wait_until("%sdocument.fullscreenElement" % ("" if full else "!"))
            layouts.append((name, full, page.evaluate(LAYOUT)))
    finally:
        server.close()
    problems = []
    for name, full, layout in layouts:
        wrong, scale = fit_problems(layout)
        if full and layout["fullScreen"] != "stage":
            wrong.append("full screen shows %r" % layout["fullScreen"])
        if full and [layout["stage"]["width"], layout["stage"]["height"]] != screen:
            wrong.append("the stage is %g x %g on a screen of %d x %d" % (
                layout["stage"]["width"], layout["stage"]["height"], screen[0], screen[1]))
        if wrong:
            problems.append("after %s: %s" % (name, "; ".join(wrong)))
        else:
            print("after %s: %s, the demo %g x %g, %d times, centred on a stage of %g x %g" % (
                name, "full screen %d x %d" % tuple(screen) if full else "in the window",
                layout["canvas"]["width"], layout["canvas"]["height"], scale,
                layout["stage"]["width"], layout["stage"]["height"]))
    if page.exceptions():
        problems.append("the page threw: " + "; ".join(page.exceptions()))
    if problems:
        raise Failure("\n".join(problems))


# The first pixel of the canvas that is not opaque black, or -1.
FIRST_NOT_OPAQUE_BLACK = r"""
(function () {
  const canvas = document.getElementById('screen');
  const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  for (let i = 0; i < rgba.length; i += 4)
    if (rgba[i] || rgba[i + 1] || rgba[i + 2] || rgba[i + 3] !== 255) return i / 4;
  return -1;
})()
"""


def bench_case(case, args, scratch, browser):
    built = os.path.join(args.web, "bench-page")
    if not os.path.isfile(os.path.join(built, "bench.html")):
        raise Skip("the benchmark page is not built in %s" % built)
    rounds, frames = (2, 20) if case == "bench_runs" else (args.rounds, args.frames)
    server = Server(built)
    try:
        page = browser.open("%sbench.html?rounds=%d&frames=%d" % (server.url, rounds, frames))
        result = page.evaluate("window.benchDone", timeout=1800)
        # The stages of round 2 run off, on, floor: the floor's frames follow frames drawn in
        # the canvas's layout, and are cleared and reordered into it when presented.
        not_black = page.evaluate(FIRST_NOT_OPAQUE_BLACK) if case == "bench_runs" else -1
    finally:
        server.close()
    if page.exceptions():
        raise Failure("the page threw: " + "; ".join(page.exceptions()))
    if not_black != -1:
        raise Failure("the floor's last frame is not opaque black at pixel %d" % not_black)
    print(result["report"])
    stages = result["stages"]
    if any(not stages[name]["intervals"] for name in ("floor", "off", "on")):
        raise Failure("a stage has no figures: %r" % stages)


CASES = {
    "frames_bundled": frames_case, "frames_own_picture": frames_case,
    "no_picture": error_case, "not_a_bmp": error_case, "cannot_start": cannot_start_case,
    "keys": keys_case, "hidden": hidden_case, "screens": screens_case,
    "phone": phone_case, "full_screen": full_screen_case,
    "bench_runs": bench_case, "bench": bench_case,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--web", required=True, help="the web build's folder")
    parser.add_argument("--page", help="the page's folder, when not the web build's page/")
    parser.add_argument("--frames-tool", help="web_frames, built natively")
    parser.add_argument("--screenshots", help="screens: the folder to save each screen in, "
                                              "as a PNG")
    parser.add_argument("--rounds", type=int, default=12, help="bench: rounds of each stage")
    parser.add_argument("--frames", type=int, default=300, help="bench: frames a round")
    args = parser.parse_args()

    scratch = tempfile.mkdtemp(prefix="prismwarp-web-")
    browser = None
    try:
        browser = Browser(scratch)
        CASES[args.case](args.case, args, scratch, browser)
        return 0
    except Skip as skip:
        print("skipped: %s" % skip)
        return SKIP
    except Failure as failure:
        print("FAILED: %s" % failure)
        if browser:
            print("chromium's log ends:\n" + browser.log_tail())
        return 1
    finally:
        if browser:
            browser.close()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
