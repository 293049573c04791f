#!/usr/bin/env python3
"""The shipped etapix.exe and instalar.exe under Wine, driven from outside.

A fresh Wine prefix per run (a copy of one booted once), its own Xvfb screen,
the demo medium as the prefix's CD-ROM drive D:, and xdotool as the person at
the screen: it waits for windows by their captions, clicks where the windows'
control tables (from vqm-wine-expect, the Linux build) put the controls and
presses keys. Afterwards the prefix is read with Wine's own tools (attrib,
reg export) and lnkinfo, and compared with what the same installation leaves
on the simulated machine. Screenshots of each page go to OUT/screens.

  driver.py --linux BUILD --windows BUILD --out DIR [--only NAME,...]
  driver.py --linux BUILD --windows BUILD --out DIR --demo     (the launcher on $DISPLAY)

Where Wine is known to differ from Windows a line says so with todo_wine; it
is reported and does not fail the run.
"""

import argparse
import datetime
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import zlib

WINE_DIR = "/usr/lib/wine"
SCREEN = (1024, 768)


BITS32 = False  # the programs under test are 32-bit ones


def loader():
    """Wine's loader of the programs' kind, so that Wine's own tools (cmd, reg,
    attrib) see the system folder and the registry as the programs do."""
    return os.path.join(WINE_DIR, "wine" if BITS32 else "wine64")


def is_32_bit(exe):
    data = open(exe, "rb").read(4096)
    pe = int.from_bytes(data[0x3C:0x40], "little")
    return data[pe + 4:pe + 6] == b"\x4c\x01"


class Failure(Exception):
    pass


class Run:
    """One scenario's results: checks passed, failures, todo_wine notes."""

    def __init__(self, name, log):
        self.name, self.log = name, log
        self.failures, self.todo, self.passed = [], [], 0

    def say(self, text):
        line = f"[{self.name}] {text}"
        print(line, flush=True)
        self.log.write(line + "\n")
        self.log.flush()

    def check(self, ok, what):
        if ok:
            self.passed += 1
        else:
            self.failures.append(what)
            self.say(f"FAIL: {what}")
        return ok

    def todo_wine(self, what):
        self.todo.append(what)
        self.say(f"todo_wine: {what}")


# ---- Wine ----------------------------------------------------------------------------

class Prefix:
    def __init__(self, base, path, display):
        self.path, self.display = path, display
        if os.path.exists(path):
            self.stop()
            shutil.rmtree(path)
        # Hard links make the copy instant; the registry files are copied, as
        # Wine rewrites them, and nothing the programs write replaces a file of Wine's.
        subprocess.run(["cp", "-al", base, path], check=True)
        for reg in ("system.reg", "user.reg", "userdef.reg"):
            if os.path.exists(os.path.join(base, reg)):
                shutil.copyfile(os.path.join(base, reg), os.path.join(path, reg + ".tmp"))
                os.replace(os.path.join(path, reg + ".tmp"), os.path.join(path, reg))
        self.env = dict(os.environ, WINEPREFIX=path, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                        WINEARCH="win64", DISPLAY=display, TZ="UTC", LANG="C.UTF-8")
        self.env["PATH"] = WINE_DIR + ":" + self.env.get("PATH", "")
        self.wine = loader()

    def run(self, *args, timeout=60, check=False):
        # Through files, not pipes: what a program starts (Program Manager's group
        # window) may outlive it and would hold a pipe open.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            p = subprocess.run([self.wine, *args], env=self.env, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                               timeout=timeout)
            out.seek(0)
            err.seek(0)
            p.stdout, p.stderr = out.read(), err.read()
        if check and p.returncode != 0:
            raise Failure(f"wine {' '.join(args)}: exit {p.returncode}: {p.stderr.decode(errors='replace')}")
        return p

    def start(self, program, folder):
        """Starts a program as the shell would, with its folder as working folder; the
        process handle waits for it (start /wait)."""
        return subprocess.Popen([self.wine, "start", "/wait", "/d", folder, program], env=self.env,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def drive(self, letter, host_folder, kind):
        link = os.path.join(self.path, "dosdevices", letter.lower() + ":")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(os.path.abspath(host_folder), link)
        self.run("reg", "add", r"HKLM\Software\Wine\Drives", "/v", letter.lower() + ":", "/d", kind, "/f",
                 check=True)

    def host(self, windows_path):
        """The host path of a C: path, letter case looked up the way Windows ignores it."""
        m = re.match(r"^[cC]:\\(.*)$", windows_path)
        if not m:
            return None
        path = os.path.join(self.path, "drive_c")
        for part in [p for p in m.group(1).split("\\") if p]:
            try:
                names = os.listdir(path)
            except OSError:
                names = []
            match = [n for n in names if n.lower() == part.lower()]
            path = os.path.join(path, match[0] if match else part)
        return path

    def stop(self):
        subprocess.run([os.path.join(WINE_DIR, "wineserver"), "-k"], env=dict(os.environ, WINEPREFIX=self.path),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def boot_base(base, wine_sh):
    stamp = os.path.join(base, ".vqm-wine-version")
    version = subprocess.run([os.path.join(WINE_DIR, "wine64"), "--version"], capture_output=True,
                             text=True).stdout.strip()
    if os.path.exists(stamp) and open(stamp).read().strip() == version:
        return
    subprocess.run(["bash", wine_sh, "boot", base, loader()], check=True)
    subprocess.run(["bash", wine_sh, "stop", base, loader()])
    with open(stamp, "w") as f:
        f.write(version + "\n")


# ---- the screen ----------------------------------------------------------------------

class Screen:
    def __init__(self, out):
        self.out = out
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
                                      "-nolisten", "tcp"], pass_fds=(w,), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        os.close(w)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(r, 16)
            if not chunk:
                raise Failure("Xvfb did not start")
            number += chunk
        os.close(r)
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)

    def xdotool(self, *args, timeout=30):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True, timeout=timeout)

    def wait_caption(self, caption, timeout=60):
        """Waits for a visible window whose name is the caption (non-ASCII letters
        match any character, as the X name's encoding is Wine's)."""
        pattern = caption_pattern(caption)
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = self.shown(pattern)
            if found:
                return found
            time.sleep(0.2)
        raise Failure(f"no window \"{caption}\" within {timeout} s")

    def shown(self, pattern):
        """The visible windows whose name matches, but the program's application
        window: it has the program's title, and no size."""
        return [wid for wid in self.xdotool("search", "--onlyvisible", "--name", pattern).stdout.split()
                if max(self.size(wid)) > 1]

    def size(self, wid):
        geometry = dict(line.split("=") for line in self.xdotool("getwindowgeometry", "--shell", wid).stdout.split()
                        if "=" in line)
        return int(geometry.get("WIDTH", 0)), int(geometry.get("HEIGHT", 0))

    def gone(self, caption, timeout=30):
        pattern = caption_pattern(caption)
        deadline = time.time() + timeout
        while time.time() < deadline:
            if not self.shown(pattern):
                return True
            time.sleep(0.2)
        return False

    def click(self, x, y):
        # Enter the window first, as a hand on the mouse would.
        self.xdotool("mousemove", str(x), str(y))
        time.sleep(0.15)
        self.xdotool("click", "1")
        time.sleep(0.3)

    def key(self, name):
        self.xdotool("key", name)
        time.sleep(0.3)

    def shot(self, name):
        path = os.path.join(self.out, name)
        subprocess.run(["import", "-display", self.display, "-window", "root", path], check=True)
        return path

    def stop(self):
        self.xvfb.send_signal(signal.SIGTERM)
        try:
            self.xvfb.wait(10)
        except subprocess.TimeoutExpired:
            self.xvfb.kill()


def caption_pattern(caption):
    """A regular expression for xdotool: letters outside ASCII match one to four
    bytes, whatever encoding the X name is in."""
    return "^" + "".join(re.escape(c) if ord(c) < 128 else ".{1,4}" for c in caption) + "$"


def red_pixels(png, rect):
    """The pixels of a screen rectangle that are strongly red."""
    x, y, w, h = rect
    p = subprocess.run(["convert", png, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "txt:-"],
                       capture_output=True, text=True, check=True)
    count = 0
    for line in p.stdout.splitlines()[1:]:
        m = re.search(r"\((\d+),(\d+),(\d+)", line)
        if m:
            r, g, b = (int(v) for v in m.groups())
            count += r > 160 and g < 90 and b < 90
    return count


# ---- the window list -----------------------------------------------------------------

class Windows:
    """Wine's window list, read by vqm-winlist inside the prefix."""

    def __init__(self, prefix, winlist):
        self.prefix, self.winlist = prefix, winlist

    def read(self):
        out = self.prefix.run(self.winlist, timeout=30).stdout.decode("cp1252", errors="replace")
        windows = []
        for line in out.splitlines():
            m = re.match(r"window (\S+) pid=(\d+) class=(.*?) rect=(\S+) client=(\S+) owner=(\S+) caption=(.*)$", line)
            if m:
                windows.append({"hwnd": m.group(1), "pid": int(m.group(2)), "class": m.group(3),
                                "rect": [int(v) for v in m.group(4).split(",")],
                                "client": [int(v) for v in m.group(5).split(",")], "owner": m.group(6),
                                "caption": unescape(m.group(7)), "children": []})
                continue
            m = re.match(r"child (\S+) class=(.*?) visible=(\d) rect=(\S+) text=(.*)$", line)
            if m and windows:
                windows[-1]["children"].append({"class": m.group(2), "visible": m.group(3) == "1",
                                                "rect": [int(v) for v in m.group(4).split(",")],
                                                "text": unescape(m.group(5))})
        return windows

    def find(self, caption=None, cls=None, timeout=60):
        """A window one can see and click: a program's application window (of no
        size, for its taskbar button) may bear the same caption."""
        deadline = time.time() + timeout
        while True:
            for w in self.read():
                if not has_area(w):
                    continue
                if (caption is None or w["caption"] == caption) and (cls is None or w["class"] == cls):
                    return w
            if time.time() > deadline:
                raise Failure(f"no window {caption or cls!r} in Wine's window list within {timeout} s")
            time.sleep(0.3)


class XWindows(Windows):
    """The X window list, for the Linux build's SDL windows (no frames, so the
    client area is the X window)."""

    def __init__(self, screen):
        self.screen = screen

    def read(self):
        windows = []
        for wid in self.screen.xdotool("search", "--onlyvisible", "--name", ".").stdout.split():
            name = self.screen.xdotool("getwindowname", wid).stdout.rstrip("\n")
            geometry = dict(line.split("=") for line in
                            self.screen.xdotool("getwindowgeometry", "--shell", wid).stdout.split())
            x, y, w, h = (int(geometry[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
            windows.append({"hwnd": wid, "pid": 0, "class": "", "rect": [x, y, x + w, y + h], "client": [x, y, w, h],
                            "caption": name, "children": []})
        return windows


def has_area(window):
    l, t, r, b = window["rect"]
    return r - l > 1 and b - t > 1


def unescape(text):
    return text.replace("\\r", "\r").replace("\\n", "\n")


# ---- driving the windows --------------------------------------------------------------

class Driver:
    def __init__(self, run, screen, windows, forms, shots):
        self.run, self.screen, self.windows, self.forms, self.shots = run, screen, windows, forms, shots
        self.count = 0

    def form(self, name, timeout=60):
        """Waits for the window of that form (by caption, as xdotool sees it) and
        returns its place in Wine's window list."""
        caption = self.forms[name]["caption"]
        if caption:
            self.screen.wait_caption(caption, timeout)
            return self.windows.find(caption=caption, timeout=10)
        return self.windows.find(cls=name, timeout=timeout)

    def origin(self, window, form):
        """The screen point of the form's client (0, 0). Where the system's client
        area is larger than the form's, the window draws its frame itself: equal
        borders left, right and below, the title bar above."""
        x, y, w, h = window["client"]
        cw, ch = self.forms[form]["client"]
        if (w, h) != (cw, ch) and w >= cw and h >= ch:
            border = (w - cw) // 2
            return x + border, y + (h - ch - border)
        return x, y

    def point(self, window, form, control):
        rect = self.forms[form]["controls"][control]["rect"]
        x, y = self.origin(window, form)
        return x + rect[0] + rect[2] // 2, y + rect[1] + rect[3] // 2

    def to_front(self, window):
        """When another window covers part of this one (Wine's shell opens the
        Program Manager group's folder window over the installer's), a click on a
        free spot of it brings it forward, as a person would do."""
        listed = self.windows.read()
        above = []
        for w in listed:
            if w["hwnd"] == window["hwnd"]:
                break
            above.append(w)
        else:
            return

        def covered(x, y):
            return any(a["rect"][0] <= x < a["rect"][2] and a["rect"][1] <= y < a["rect"][3] for a in above)

        l, t, r, b = window["rect"]
        if not any(covered(x, y) for x in range(l, r, 8) for y in range(t, b, 8)):
            return
        free = next(((x, y) for y in range(t + 4, b - 4, 8) for x in range(r - 5, l + 4, -8) if not covered(x, y)), None)
        names = ", ".join(repr(a["caption"]) for a in above if a["caption"])
        self.run.say(f"{window['caption']!r} is partly under {names}: a click on it at {free} brings it forward")
        if free:
            self.screen.click(*free)

    def click(self, window, form, control):
        x, y = self.point(window, form, control)
        self.run.say(f"click {form}.{control} at {x},{y}")
        self.screen.click(x, y)

    def shot(self, name):
        self.count += 1
        path = self.screen.shot(os.path.join(self.shots, f"{self.run.name}-{self.count:02d}-{name}.png"))
        self.run.say(f"screenshot {os.path.basename(path)}")
        return path


# ---- the checks ----------------------------------------------------------------------

def roles_of(prefix, bits32=False):
    env = prefix.run("cmd", "/c", "echo %USERPROFILE%;%APPDATA%", check=True).stdout.decode().strip()
    profile, appdata = env.split(";")
    start_menu = appdata + r"\Microsoft\Windows\Start Menu"
    # A 32-bit program's system folder is system32 by name; on a 64-bit prefix its files land in syswow64.
    system = r"C:\windows\syswow64" if bits32 else r"C:\windows\system32"
    return {"<WINDIR>": r"C:\windows", "<WINSYSDIR>": system, "<DESKTOP>": profile + r"\Desktop",
            "<STARTMENU>": start_menu, "<PROGRAMS>": start_menu + r"\Programs"}


def in_prefix(role_path, roles):
    for role, folder in roles.items():
        if role_path.startswith(role):
            return folder + role_path[len(role):]
    return role_path


def dos_date(host_file):
    t = datetime.datetime.fromtimestamp(os.stat(host_file).st_mtime, datetime.timezone.utc)
    return t.strftime("%Y-%m-%d %H:%M:") + f"{t.second - t.second % 2:02d}"


ATTRIBUTE_LETTERS = {"R": 1, "H": 2, "S": 4, "A": 32}


def attributes(prefix, paths):
    """Wine's attrib for each path (one cmd for them all): the R, H, S and A bits."""
    result = {path: None for path in paths}
    if not paths:
        return result
    # todo_wine: Wine's attrib takes no quoted path ("File Not Found"); the paths here have no blanks.
    out = prefix.run("cmd", "/c", " & ".join(f"attrib {p}" for p in paths), timeout=120).stdout
    for line in out.decode("cp1252", errors="replace").splitlines():
        for path in paths:
            if line.rstrip().lower().endswith(path.lower()):
                flags = line[: len(line.rstrip()) - len(path)]
                result[path] = sum(v for k, v in ATTRIBUTE_LETTERS.items() if k in flags)
    return result


def reg_export(prefix, key, scratch):
    """The values of a key as Wine's reg export writes them: name -> (type, text)."""
    out = os.path.join(scratch, "export.reg")
    if os.path.exists(out):
        os.remove(out)
    if prefix.run("reg", "export", key, "Z:" + out.replace("/", "\\"), "/y").returncode != 0 or not os.path.exists(out):
        return None
    text = open(out, "rb").read().decode("utf-16")
    values, section = {}, None
    for line in text.splitlines():
        if line.startswith("["):
            section = line.strip()[1:-1]
            continue
        if section is None or section.lower() != key.lower():
            continue
        m = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
        if not m:
            continue
        name = m.group(1).replace('\\"', '"').replace("\\\\", "\\")
        data = m.group(2)
        if data.startswith('"'):
            values[name] = ("REG_SZ", data[1:-1].replace('\\"', '"').replace("\\\\", "\\"))
        else:
            values[name] = (data.split(":")[0], data)
    return values


def lnkinfo(path):
    p = subprocess.run(["lnkinfo", path], capture_output=True, text=True, errors="replace")
    fields = {}
    for line in p.stdout.splitlines():
        m = re.match(r"^\s*(Description|Local path|Working directory|Relative path|Icon location)\s*:\s*(.*)$", line)
        if m:
            fields.setdefault(m.group(1), m.group(2).strip())
    return fields


def check_installation(run, prefix, expected, roles, scratch):
    # Files: bytes, date and attributes of each; nothing else in the target folders.
    hosts = {}
    for role_path, want in sorted(expected["files"].items()):
        path = in_prefix(role_path, roles)
        host = prefix.host(path)
        hosts[path] = host
        if not run.check(os.path.isfile(host), f"file {path} is there"):
            continue
        data = open(host, "rb").read()
        run.check(len(data) == want["size"], f"{path}: {len(data)} bytes, expected {want['size']}")
        crc = f"{zlib.crc32(data) & 0xFFFFFFFF:08x}"
        run.check(crc == want["crc32"], f"{path}: CRC-32 {crc}, expected {want['crc32']}")
        run.check(dos_date(host) == want["date"], f"{path}: dated {dos_date(host)}, expected {want['date']}")
    present = [p for p, h in hosts.items() if os.path.isfile(h)]
    got = attributes(prefix, present)
    for path in present:
        want = expected["files"][next(r for r in expected["files"] if in_prefix(r, roles) == path)]["attributes"]
        want_bits = want & 0x27
        run.check(got[path] == want_bits, f"{path}: attributes {got[path]}, expected {want_bits}")
    run.say(f"{len(present)} of {len(expected['files'])} files with their bytes, dates and attributes")
    targets = {"\\".join(p.split("\\")[:2]) for p in hosts if not p.lower().startswith("c:\\windows")}
    for top in sorted(targets):
        root = prefix.host(top)
        for folder, _, names in os.walk(root):
            for name in names:
                host = os.path.join(folder, name)
                run.check(host in hosts.values(), f"no file but the installation's in {top}: {host}")

    # Registry: every value of the records, as text values.
    for key, values in expected["registry"].items():
        got = reg_export(prefix, key, scratch)
        if not run.check(got is not None, f"registry key {key} is there"):
            continue
        for name, text in values.items():
            run.check(got.get(name) == ("REG_SZ", text), f"{key} \"{name}\" = {got.get(name)}, expected REG_SZ {text!r}")
        extra = sorted(set(got) - set(values))
        run.check(not extra, f"{key} holds no other value (found {extra})")
    run.say(f"registry: {sum(len(v) for v in expected['registry'].values())} values checked")

    # Links on the desktop and in the Start menu: the same fields as the simulated machine's.
    for role_path, copy in expected["links"].items():
        if role_path.startswith("<PROGRAMS>"):
            continue
        path = in_prefix(role_path, roles)
        host = prefix.host(path)
        if not run.check(os.path.isfile(host), f"link {path} is there"):
            continue
        want, got = lnkinfo(copy), lnkinfo(host)
        for field in ("Description", "Local path", "Working directory"):
            run.check(got.get(field, "").lower() == want.get(field, "").lower(),
                      f"link {path}: {field} {got.get(field)!r}, expected {want.get(field)!r}")
        run.say(f"link {path} -> {got.get('Local path')}")

    # Program Manager: the group Wine's shell made from our DDE commands, with its items.
    group, items = None, []
    for line in expected["dde"]:
        m = re.search(r'command="(.*)" result=', line)
        command = m.group(1).replace('""', '"') if m else ""
        m = re.match(r"^\[CreateGroup\((.*)\)\]$", command)
        if m:
            group = m.group(1)
        m = re.match(r'^\[AddItem\("(.*)","(.*)","(.*)"\)\]$', command)
        if m:
            items.append((m.group(2), m.group(1)))
    if group is None:
        return
    candidates = [in_prefix(r"<PROGRAMS>\\" + group, roles), r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs\\" + group]
    folder = next((c for c in candidates if os.path.isdir(prefix.host(c))), None)
    if not run.check(folder is not None, f"Program Manager group \"{group}\" made by Wine's shell ({candidates[0]})"):
        return
    run.say(f"Program Manager group: {folder}")
    missing = []
    for name, target in items:
        host = prefix.host(folder + "\\" + name + ".lnk")
        if not os.path.isfile(host) and not os.path.isfile(prefix.host(target) or ""):
            # Windows' shell makes the item all the same.
            run.todo_wine(f"Wine's shell makes no group item for a program that is not there: \"{name}\" -> {target}")
            missing.append(name)
            continue
        if not run.check(os.path.isfile(host), f"group item \"{name}.lnk\""):
            continue
        got = lnkinfo(host).get("Local path", "")
        run.check(got.lower() == target.lower(), f"group item \"{name}\" -> {got!r}, expected {target!r}")
    made = sorted(n[:-4] for n in os.listdir(prefix.host(folder)) if n.lower().endswith(".lnk"))
    run.check(made == sorted(n for n, _ in items if n not in missing), f"the group holds exactly its items (found {made})")
    run.say(f"group items: {len(items)}")


# ---- the scenarios -------------------------------------------------------------------

def installer_pages(d, run, terminal, cancel_once, finish=True):
    """The wizard from its first page to the completion window's "Finalizar"."""
    wizard = d.form("TFRMProgresso", timeout=90)
    d.shot("bem-vindo")
    application_window(d, run, wizard, "Instala\u00e7\u00e3o do Vantor Q-Mira")
    if terminal:
        d.click(wizard, "TFRMProgresso", "RbTerminal")
    d.click(wizard, "TFRMProgresso", "btnavancar")
    time.sleep(0.5)
    d.shot("contrato")
    d.click(wizard, "TFRMProgresso", "CheckBox1")
    d.click(wizard, "TFRMProgresso", "btnavancar")
    time.sleep(0.5)
    d.shot("resumo")
    d.click(wizard, "TFRMProgresso", "btnavancar")
    # The copy: the strip at the bottom of the screen and the billboards.
    time.sleep(2)
    d.shot("copia")
    if cancel_once:
        strip = strip_window(d)
        d.click(strip, "TFRMProcess", "btnabort")
        cancel = d.form("TFRMCancela", timeout=30)
        run.say(f"the cancel window: system client area {cancel['client']}, window {cancel['rect']}")
        dialog_frame(d, run, cancel, "TFRMCancela")
        d.shot("cancelar")
        run.say("the cancel question is up; Enter answers \"&Continuar\"")
        d.screen.key("Return")
        if not d.screen.gone(d.forms["TFRMCancela"]["caption"], timeout=5):
            run.todo_wine("Enter did not reach the cancel window: \"&Continuar\" clicked instead")
            d.click(cancel, "TFRMCancela", "Button1")
        run.check(d.screen.gone(d.forms["TFRMCancela"]["caption"], timeout=10), "the cancel window closed")
    for n in range(6):
        time.sleep(7)
        d.shot(f"billboard-{n + 1}")
        if any(w["caption"] == d.forms["TFRMConclusao"]["caption"] for w in d.windows.read()):
            break
    done = d.form("TFRMConclusao", timeout=240)
    time.sleep(1)
    d.shot("conclusao")
    d.to_front(done)
    if finish:
        d.click(done, "TFRMConclusao", "RadioButton2")
        d.shot("nao-reiniciar")
        d.click(done, "TFRMConclusao", "Ok")
    return done


def application_window(d, run, window, title):
    """The program's one taskbar button: its application window, of no size and
    with the program's title, owns each of the program's windows, which so have
    no button of their own."""
    if "owner" not in window:
        return  # not Wine's window list
    mine = [w for w in d.windows.read() if w["pid"] == window["pid"]]
    apps = [w for w in mine if w["class"] == "VqmApplication"]
    if not run.check(len(apps) == 1, f"one application window of the program ({len(apps)} found)"):
        return
    app = apps[0]
    run.say(f"the application window {app['hwnd']}: {app['caption']!r} at {app['rect']}")
    run.check(app["caption"] == title, f"the application window bears the title {title!r} (found {app['caption']!r})")
    run.check(not has_area(app), f"the application window has no size ({app['rect']})")
    forms = [w for w in mine if w["class"] == "VqmForm"]
    unowned = [w["caption"] for w in forms if w["owner"] != app["hwnd"]]
    run.check(forms and not unowned, f"the program's windows are owned by the application window (not: {unowned})")


def dialog_frame(d, run, window, form):
    """A window with the system's dialog frame: its client area is the form's,
    the system's title bar above it."""
    if "owner" not in window:
        return
    x, y, w, h = window["client"]
    top = window["rect"][1]
    run.check([w, h] == list(d.forms[form]["client"]) and y - top >= 18,
              f"{form} has the system's frame: client area {w}x{h} at {x},{y}, window {window['rect']}")


def close_box(window):
    """The middle of the close box in the system's title bar: at its right end,
    as wide as the bar is high less the frame's and its own borders."""
    l, t, r, b = window["rect"]
    x, y, w, h = window["client"]
    frame = x - l
    bar = y - t - frame
    return r - frame - 2 - (bar - 4) // 2, t + frame + bar // 2


def control_by_caption(form, caption):
    return next(name for name, c in form["controls"].items() if c["caption"] == caption)


def strip_window(d):
    """The progress strip: its caption changes during the run, so it is found by its size."""
    w, h = d.forms["TFRMProcess"]["client"]
    deadline = time.time() + 60
    while time.time() < deadline:
        for win in d.windows.read():
            if win["client"][2:] == [w, h]:
                return win
        time.sleep(0.3)
    raise Failure("no progress strip in Wine's window list")


def launcher_session(run, prefix, screen, windows, expect, args, terminal):
    d = Driver(run, screen, windows, expect["forms"], args.screens)
    forms = expect["forms"]
    started = time.time()
    etapix = prefix.start(r"D:\etapix.exe", "D:\\") if prefix else args.sdl_start()
    launcher = d.form("TFrmMain", timeout=60)
    first = d.shot("etapix-inicio")
    application_window(d, run, launcher, "Assistente de Instala\u00e7\u00e3o")
    sign = forms["TFrmMain"]["controls"]["ImgStep3"]["rect"]
    sign_on_screen = (launcher["client"][0] + sign[0], launcher["client"][1] + sign[1], sign[2], sign[3])
    run.check(red_pixels(first, sign_on_screen) == 0, "step III is open when the launcher starts")

    if not terminal and prefix:
        # "&Manual": the shell's print verb on manual.htm, in the launcher's folder.
        record = prefix.host(r"C:\vqm-print.txt")
        d.click(launcher, "TFrmMain", "Button1")
        deadline = time.time() + 15
        printed = []
        while time.time() < deadline and len(printed) < 2:
            time.sleep(0.2)
            if os.path.exists(record):
                printed = [l for l in open(record, "rb").read().decode("cp1252").split("\r\n") if l.strip()]
        run.say(f"\"&Manual\": the shell ran the print verb with {printed[:2]}")
        run.check(len(printed) >= 2 and printed[0].strip().lower().endswith("manual.htm")
                  and printed[1].strip().upper() == "D:\\", "\"&Manual\" prints manual.htm from D:\\")

    # "&Vantor": ShellExecuteA starts instalar.exe from the medium.
    d.click(launcher, "TFrmMain", "Button3")
    background = d.form("TFRMMain", timeout=60) if forms["TFRMMain"]["caption"] else None
    installer_pages(d, run, terminal, cancel_once=not terminal)
    run.check(screen.gone(forms["TFRMConclusao"]["caption"], timeout=30), "\"Finalizar\" ended the installer")
    if background is not None:
        run.check(screen.gone(forms["TFRMMain"]["caption"], timeout=30), "the background window went with it")

    if prefix:
        for w in windows.read():
            run.say(f"on the desktop now: {w['class']} {w['caption']!r} at {w['rect']}")
    # The launcher sees the product's main executable and marks step III done.
    if prefix:
        d.to_front(launcher)
    note = forms["TFrmMain"]["controls"]["LbMsgVtr"]["rect"]
    note_on_screen = (launcher["client"][0] + note[0], launcher["client"][1] + note[1], note[2], note[3])
    deadline = time.time() + 20
    done = 0
    while time.time() < deadline and done == 0:
        time.sleep(0.5)
        last = d.shot("etapix-passo-iii")
        done = red_pixels(last, sign_on_screen)
    run.check(done > 50, f"the launcher shows step III done: its no-entry sign ({done} red pixels)")
    written = red_pixels(last, note_on_screen)
    run.check(written > 50, f"the launcher shows step III done: its red note ({written} red pixels)")
    d.click(launcher, "TFrmMain", "Button4")
    try:
        status = etapix.wait(30)
        run.check(status == 0, f"\"&Sair\" ended the launcher (exit {status})")
    except subprocess.TimeoutExpired:
        run.check(False, "\"&Sair\" ended the launcher")
        etapix.kill()
    run.say(f"the session took {time.time() - started:.0f} s")
    if not prefix:
        return
    roles = roles_of(prefix, args.bits32)
    check_installation(run, prefix, expect["terminal" if terminal else "server"], roles, args.out)


def box(d, run, caption, text, button, timeout=60):
    """A message box of the program: its caption from the screen's window list,
    its text from Wine's (a system message box has its text and buttons as
    child windows; a box our framework draws has none, so its screenshot shows
    the text), then its button: clicked where the list puts it, else Enter,
    since the box's one button is its default."""
    d.screen.wait_caption(caption, timeout)
    win = d.windows.find(caption=caption, timeout=10)
    time.sleep(0.5)
    d.shot("caixa")
    texts = [c["text"] for c in win["children"] if c["visible"] and c["text"]]
    if not win["children"]:
        run.say(f"box \"{caption}\" ({win['class']}, drawn by the program: its text is in the screenshot)")
        run.check(True, f"the box \"{caption}\" is up")
        d.screen.key("Return")
        return win
    run.say(f"box \"{caption}\": {texts}")
    if text is not None:
        run.check(text in texts, f"the box \"{caption}\" says {text!r} (found {texts})")
    buttons = [c for c in win["children"] if c["visible"] and c["class"].lower() == "button" and
               c["text"].replace("&", "") == button.replace("&", "")]
    if not run.check(buttons, f"the box \"{caption}\" has the button {button!r}"):
        d.screen.key("Return")
        return win
    r = buttons[0]["rect"]
    d.screen.click((r[0] + r[2]) // 2, (r[1] + r[3]) // 2)
    return win


def bad_input(run, prefix, screen, windows, expect, args, name, medium):
    d = Driver(run, screen, windows, expect["forms"], args.screens)
    forms = expect["forms"]
    program = prefix.start(r"D:\instalar.exe", "D:\\")
    if name in ("sem-script", "sem-pasta-temporaria"):
        text = ("O arquivo de configura\u00e7\u00e3o [*.STP] n\u00e3o foi encontrado !!!.\r\n A Instala\u00e7\u00e3o ser\u00e1 cancelada !!!"
                if name == "sem-script" else
                "N\u00e3o pude criar a pasta tempor\u00e1ria[C:\\windows\\temp\\tqsetup] da Instala\u00e7\u00e3o.\r"
                "Imposs\u00edvel Continuar a Instala\u00e7\u00e3o !!!")
        box(d, run, "Aten\u00e7\u00e3o", text, "A&bortar")
        try:
            program.wait(30)
            run.check(True, "the installer ended after the box")
        except subprocess.TimeoutExpired:
            run.check(False, "the installer ended after the box")
        run.check(not any(w["caption"] == forms["TFRMProgresso"]["caption"] for w in windows.read()),
                  "no wizard appeared")
        return
    if name == "apoio-danificado":
        title = "Instala\u00e7\u00e3o do Vantor Q-Mira"
        first = box(d, run, title, None, "OK")
        run.check(any("winsysdlls.bak" in c["text"] for c in first["children"]),
                  "the uncaught-error box names the damaged archive")
        # The archives after it are not unpacked, so the wizard finds no licence text: a second box.
        time.sleep(2)
        while any(w["caption"] == title and w["children"] for w in windows.read()):
            box(d, run, title, None, "OK", timeout=10)
            time.sleep(1)
        wizard = d.form("TFRMProgresso", timeout=60)
        d.shot("assistente-abre")
        run.check(True, "the wizard opens after the uncaught-error box")
        # Leave: the wizard's close asks the cancel question; "&Sair" ends.
        d.click(wizard, "TFRMProgresso", control_by_caption(forms["TFRMProgresso"], "&Cancelar"))
        cancel = d.form("TFRMCancela", timeout=30)
        run.say(f"the cancel window: system client area {cancel['client']}, window {cancel['rect']}")
        dialog_frame(d, run, cancel, "TFRMCancela")
        d.shot("cancelar")
        # The system's close box of the dialog frame answers as "&Sair" does.
        x, y = close_box(cancel)
        run.say(f"click the cancel window's close box at {x},{y}")
        d.screen.click(x, y)
        try:
            program.wait(30)
            run.check(True, "the cancel window's close box (\"&Sair\") ended the installer")
        except subprocess.TimeoutExpired:
            d.shot("depois-de-fechar")
            left = [(w["class"], w["caption"]) for w in windows.read()]
            run.check(False, f"the cancel window's close box (\"&Sair\") ended the installer (windows left: {left})")
            d.click(cancel, "TFRMCancela", "Button2")
            program.wait(30)
        return
    # A missing billboard picture, a missing change.wav: the run goes on to its end without a box.
    installer_pages(d, run, terminal=False, cancel_once=False)
    boxes = [w for w in windows.read() if w["caption"] in ("Aten\u00e7\u00e3o", "Instala\u00e7\u00e3o do Vantor Q-Mira")
             and w["children"]]
    run.check(not boxes, f"no box on the way ({[b['caption'] for b in boxes]})")
    try:
        program.wait(30)
        run.check(True, "\"Finalizar\" ended the installer")
    except subprocess.TimeoutExpired:
        run.check(False, "\"Finalizar\" ended the installer")
    expected = dict(expect["server"])
    if name == "sem-billboard":
        # The picture missing from its support archive is missing from the scratch folder too.
        expected["files"] = {p: f for p, f in expected["files"].items()
                             if not p.lower().endswith("\\" + args.missing_picture.lower())}
    check_installation(run, prefix, expected, roles_of(prefix, args.bits32), args.out)


def sdl_session(args, expect_tool, program):
    medium, machine = os.path.join(args.out, "medium-sdl"), os.path.join(args.out, "machine-sdl")
    for folder in (medium, machine):
        shutil.rmtree(folder, ignore_errors=True)
    subprocess.run([program(args.linux, "vqm-demomedium"), medium], check=True, stdout=subprocess.DEVNULL)
    subprocess.run([expect_tool, medium, os.path.join(args.out, "expect")], check=True, stdout=subprocess.DEVNULL)
    expect = json.load(open(os.path.join(args.out, "expect", "expect.json")))
    subprocess.run([program(args.linux, "vqm-machine"), "init", machine, "--cdrom", medium], check=True,
                   stdout=subprocess.DEVNULL)
    wrapper = os.path.join(args.out, "instalar-sdl.sh")
    with open(wrapper, "w") as f:
        f.write(f"#!/bin/sh\nexec {program(args.linux, 'instalar')}\n")
    os.chmod(wrapper, 0o755)
    subprocess.run([program(args.linux, "vqm-launcherdemo"), medium, machine, wrapper,
                    program(args.linux, "vqm-fbsetup")], check=True, stdout=subprocess.DEVNULL)
    os.makedirs(args.screens, exist_ok=True)
    log = open(os.path.join(args.out, "driver-sdl.log"), "w")
    screen = Screen(args.screens)
    env = dict(os.environ, VQM_MACHINE=machine, VQM_MODULE=r"D:\etapix.exe", VQM_CURDIR="D:\\",
               DISPLAY=screen.display)
    env.pop("VQM_DISPLAY", None)
    args.sdl_start = lambda: subprocess.Popen([program(args.linux, "etapix")], env=env)
    run = Run("sdl", log)
    try:
        launcher_session(run, None, screen, XWindows(screen), expect, args, terminal=False)
    except (Failure, subprocess.TimeoutExpired, KeyError) as e:
        run.check(False, f"stopped: {e!r}")
        screen.shot("sdl-falha.png")
    finally:
        screen.stop()
    print(f"sdl: {run.passed} passed, {len(run.failures)} failed")
    return 1 if run.failures else 0


# ---- main ----------------------------------------------------------------------------

def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--linux", required=True, help="the Linux build folder (vqm-wine-expect, vqm-medium)")
    ap.add_argument("--windows", required=True, help="the Windows build folder (etapix.exe, instalar.exe, vqm-winlist.exe)")
    ap.add_argument("--out", required=True, help="where the prefixes, the medium, the screens and the log go")
    ap.add_argument("--only", default="", help="comma-separated scenarios")
    ap.add_argument("--demo", action="store_true", help="start the launcher on $DISPLAY and wait for it")
    ap.add_argument("--sdl", action="store_true",
                    help="drive the Linux build's SDL windows over a simulated machine instead (no Wine checks)")
    args = ap.parse_args()
    here = os.path.dirname(os.path.abspath(__file__))
    source = os.path.dirname(os.path.dirname(here))
    args.out = os.path.abspath(args.out)
    args.screens = os.path.join(args.out, "screens")
    os.makedirs(args.out, exist_ok=True)

    # Where the builds put the programs used here.
    places = {"vqm-wine-expect": "tests/wine-e2e", "vqm-winlist.exe": "tests/wine-e2e", "arq": "tools/arq",
              "vqm-demomedium": "tools/demo-medium", "vqm-machine": "tools/vqm-machine", "instalar": "installer",
              "instalar.exe": "installer", "etapix": "launcher", "vqm-launcherdemo": "launcher",
              "vqm-fbsetup": "launcher"}

    def program(build, name):
        path = os.path.abspath(os.path.join(build, places[name], name))
        if not os.path.isfile(path):
            raise Failure(f"{path} is not built")
        return path

    expect_tool = program(args.linux, "vqm-wine-expect")
    if args.sdl:
        return sdl_session(args, expect_tool, program)
    winlist = program(args.windows, "vqm-winlist.exe")
    global BITS32
    args.bits32 = BITS32 = is_32_bit(program(args.windows, "instalar.exe"))

    # The demo medium for Windows, with the programs of this build; what its
    # installations leave, from the Linux build.
    medium = os.path.join(args.out, "medium")
    subprocess.run(["bash", os.path.join(source, "scripts", "windows-medium.sh"), medium, args.windows, args.linux],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run([expect_tool, medium, os.path.join(args.out, "expect")], check=True, stdout=subprocess.DEVNULL)
    expect = json.load(open(os.path.join(args.out, "expect", "expect.json")))

    base = os.path.join(args.out, "base")
    boot_base(base, os.path.join(source, "scripts", "wine.sh"))

    if args.demo:
        display = os.environ.get("DISPLAY")
        if not display:
            raise Failure("--demo needs a desktop (DISPLAY)")
        prefix = Prefix(base, os.path.join(args.out, "prefix-demo"), display)
        prefix.drive("d", medium, "cdrom")
        shutil.copyfile(winlist, os.path.join(prefix.path, "drive_c", "vqm-winlist.exe"))
        print(f"demo: the medium is D: ({medium}) of the prefix {prefix.path}; the launcher starts")
        prefix.start(r"D:\etapix.exe", "D:\\").wait()
        prefix.stop()
        return 0

    # Bad media, each a copy of the good one with one thing wrong.
    def variant(name, change):
        folder = os.path.join(args.out, "medium-" + name)
        shutil.rmtree(folder, ignore_errors=True)
        shutil.copytree(medium, folder)
        change(folder)
        return folder

    def damage(folder):
        path = os.path.join(folder, "winsysdlls.bak")
        data = bytearray(open(path, "rb").read())
        for i in range(0, min(len(data), 16)):
            data[i] ^= 0x5A
        open(path, "wb").write(bytes(data))

    def no_billboard(folder):
        # The billboard archive without its second picture, made again with arq: the script still names it.
        arq = program(args.linux, "arq")
        archive, pictures = os.path.join(folder, "BillBrds.bak"), os.path.join(folder, "billboards")
        subprocess.run([arq, "x", archive, "-d", pictures, "--overwrite"], check=True, stdout=subprocess.DEVNULL)
        names = sorted(os.listdir(pictures))
        os.remove(archive)
        subprocess.run([arq, "c", archive, "--paths", "none", *[os.path.join(pictures, n) for n in names if n != names[1]]],
                       check=True, stdout=subprocess.DEVNULL)
        shutil.rmtree(pictures)
        args.missing_picture = names[1]

    scenarios = ["servidor", "terminal", "sem-script", "sem-pasta-temporaria", "apoio-danificado",
                 "sem-billboard", "sem-som"]
    if args.only:
        scenarios = [s for s in scenarios if s in args.only.split(",")]
    media = {"sem-script": lambda: variant("sem-script", lambda f: os.remove(os.path.join(f, "VANTOR.STP"))),
             "apoio-danificado": lambda: variant("apoio-danificado", damage),
             "sem-billboard": lambda: variant("sem-billboard", no_billboard),
             "sem-som": lambda: variant("sem-som", lambda f: os.remove(os.path.join(f, "change.wav")))}

    os.makedirs(args.screens, exist_ok=True)
    for old in os.listdir(args.screens):
        os.remove(os.path.join(args.screens, old))
    log = open(os.path.join(args.out, "driver.log"), "w")
    screen = Screen(args.screens)
    runs, started = [], time.time()
    try:
        for name in scenarios:
            run = Run(name, log)
            runs.append(run)
            t0 = time.time()
            prefix = Prefix(base, os.path.join(args.out, "prefix-" + name), screen.display)
            try:
                prefix.drive("d", media[name]() if name in media else medium, "cdrom")
                prefix.run("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f", check=True)
                # Wine's prefix knows no .htm files (todo_wine: Windows prints them through its
                # browser); a print verb that writes down what the shell passed stands in.
                if prefix.run("reg", "query", r"HKCR\.htm").returncode != 0:
                    run.todo_wine("Wine's shell has no association for .htm: a print verb stand-in records the print")
                prefix.run("reg", "add", r"HKCR\.htm", "/ve", "/d", "htmlfile", "/f", check=True)
                prefix.run("reg", "add", r"HKCR\htmlfile\shell\print\command", "/ve", "/d",
                           r'C:\windows\system32\cmd.exe /c "echo %1>C:\vqm-print.txt&cd>>C:\vqm-print.txt"', "/f",
                           check=True)
                if name == "sem-pasta-temporaria":
                    with open(prefix.host(r"C:\windows\temp\tqsetup"), "w") as f:
                        f.write("a file where the scratch folder would be\n")
                windows = Windows(prefix, r"C:\vqm-winlist.exe")
                shutil.copyfile(winlist, prefix.host(r"C:\vqm-winlist.exe"))
                if name in ("servidor", "terminal"):
                    launcher_session(run, prefix, screen, windows, expect, args, terminal=name == "terminal")
                else:
                    bad_input(run, prefix, screen, windows, expect, args, name, None)
            except (Failure, subprocess.TimeoutExpired, KeyError) as e:
                run.check(False, f"stopped: {e!r}")
                try:
                    Driver(run, screen, Windows(prefix, r"C:\vqm-winlist.exe"), expect["forms"], args.screens).shot("falha")
                    for w in Windows(prefix, r"C:\vqm-winlist.exe").read():
                        run.say(f"window: {w['class']} {w['caption']!r} {w['client']} {[c['text'] for c in w['children']]}")
                except Exception:
                    pass
            finally:
                prefix.stop()
            run.say(f"{run.passed} checks passed, {len(run.failures)} failed, {len(run.todo)} todo_wine, "
                    f"{time.time() - t0:.0f} s")
    finally:
        screen.stop()
    failed = sum(len(r.failures) for r in runs)
    print(f"wine-e2e: {len(runs)} runs, {sum(r.passed for r in runs)} checks passed, {failed} failed, "
          f"{sum(len(r.todo) for r in runs)} todo_wine, {time.time() - started:.0f} s; screens in {args.screens}")
    return 1 if failed else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as e:
        print(f"wine-e2e: {e}", file=sys.stderr)
        sys.exit(1)
