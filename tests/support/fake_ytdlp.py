#!/usr/bin/env python3
# Stands in for the online-video download tool in tests: no network.
#
# Templates are read as yt-dlp reads them: the output template (-o) has its
# environment variables expanded first, then "%%" is a "%", "%(field)s" a
# field of the video made safe for a file name, and a "%(" that is no field
# makes the tool refuse the template. --print and --progress-template
# templates take "%(field)s" and "%(field)j" (JSON, ASCII only).
#
# Steered by the folder named in VXM_FAKE_YTDLP_DIR:
#   analysis.json  printed for -J (missing: the analysis fails)
#   mode           words: fail-analysis, hang-analysis, hang-download,
#                  fail-download-<n> (the first n download runs fail),
#                  fail-with-pieces (a run leaves .part and .ytdl pieces, then
#                  fails), huge-progress (numbers far beyond any size), slow,
#                  hang-version (--version waits for the file "release")
#   media          path of a file copied as the downloaded file
#   version        printed for --version (default 2023.03.04)
#   calls.log      each call's arguments, one JSON list per line (appended)
import base64
import json
import os
import re
import shutil
import sys
import time

PIXEL_PNG = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg=="
folder = os.environ.get("VXM_FAKE_YTDLP_DIR", "")
args = sys.argv[1:]
FIELD = re.compile(r"%\((?P<key>[^)]*)\)(?P<conv>[sdj])")


def read(name, default=""):
    try:
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            return f.read().strip()
    except OSError:
        return default


def log_call():
    with open(os.path.join(folder, "calls.log"), "a", encoding="utf-8") as f:
        f.write(json.dumps(args) + "\n")


def hang():
    while True:
        time.sleep(0.05)


def option(name, prefix=""):
    for i, a in enumerate(args[:-1]):
        if a == name and args[i + 1].startswith(prefix):
            return args[i + 1]
    return None


def count_downloads():
    n = 0
    with open(os.path.join(folder, "calls.log"), encoding="utf-8") as f:
        for line in f:
            if "-J" not in json.loads(line) and "--version" not in json.loads(line):
                n += 1
    return n


def safe_name(value):
    # As yt-dlp makes a field safe for a file name (not restricted).
    out = []
    for c in value:
        if c == "\n":
            out.append(" ")
        elif c in '"*:<>?|/\\':
            out.append({"/": "\u29F8", "\\": "\u29f9"}.get(c, chr(ord(c) + 0xfee0)))
        elif ord(c) < 32 or ord(c) == 127:
            continue
        else:
            out.append(c)
    return "".join(out)


def field(info, key):
    value = info
    for part in key.split("."):
        value = value.get(part) if isinstance(value, dict) else None
    return value


def expand(template, info, file_name):
    out, at = [], 0
    while at < len(template):
        c = template[at]
        if c != "%":
            out.append(c)
            at += 1
            continue
        if template.startswith("%%", at):
            out.append("%")
            at += 2
            continue
        m = FIELD.match(template, at)
        if m:
            value = field(info, m.group("key"))
            if m.group("conv") == "j":
                out.append(json.dumps(value))
            else:
                text = "NA" if value is None else str(value)
                out.append(safe_name(text) if file_name else text)
            at = m.end()
            continue
        if template.startswith("%(", at):
            print("Usage: yt-dlp [OPTIONS] URL [URL...]\n\nyt-dlp: error: invalid output template", file=sys.stderr)
            sys.exit(2)
        out.append("%")  # a lone "%" stands for itself
        at += 1
    return "".join(out)


mode = read("mode").split()
if "--version" in args:
    if "hang-version" in mode:
        while not os.path.exists(os.path.join(folder, "release")):
            time.sleep(0.05)
    print(read("version", "2023.03.04"))
    sys.exit(0)
log_call()
if len(args) < 2 or args[-2] != "--":
    print("ERROR: the address must follow --", file=sys.stderr)
    sys.exit(2)

if "-J" in args:
    if "hang-analysis" in mode:
        hang()
    text = read("analysis.json")
    if "fail-analysis" in mode or not text:
        print("ERROR: Unsupported URL: " + args[-1], file=sys.stderr)
        sys.exit(1)
    print(text)
    sys.exit(0)

# A download run: the video is the analysis' entry of the address, or the whole.
try:
    info = json.loads(read("analysis.json"))
except ValueError:
    info = {}
for entry in info.get("entries", []) if isinstance(info, dict) else []:
    if isinstance(entry, dict) and entry.get("webpage_url") == args[-1]:
        info = entry
if not isinstance(info, dict):
    info = {}
info = dict(info)
info["ext"] = "mp3" if "-x" in args else "mp4"

fails = [w for w in mode if w.startswith("fail-download-")]
if fails and count_downloads() <= int(fails[0].split("-")[-1]):
    print("ERROR: unable to download video data: HTTP Error 503", flush=True)
    sys.exit(1)
template = None
thumb_template = None
for i, a in enumerate(args[:-1]):
    if a == "-o":
        if args[i + 1].startswith("thumbnail:"):
            thumb_template = args[i + 1][len("thumbnail:"):]
        else:
            template = args[i + 1]
target = expand(os.path.expandvars(template), info, True)
progress_template = (option("--progress-template", "download:") or "download:").split(":", 1)[1]
file_template = (option("--print", "after_move:") or "after_move:").split(":", 1)[1]
total = 400000
steps = 8 if "slow" in mode else 4
source = read("media")
if source:
    total = os.path.getsize(source)


def progress(done, total, speed):
    line = expand(progress_template, {"progress": {"downloaded_bytes": done, "total_bytes": total,
                                                   "total_bytes_estimate": None, "speed": speed}}, False)
    print(line, flush=True)


if "fail-with-pieces" in mode:
    for piece in (target + ".part", target + ".ytdl", target + ".part-Frag1"):
        with open(piece, "wb") as f:
            f.write(b"\0" * 100)
    print("ERROR: fragment 2 not found, unable to continue", flush=True)
    sys.exit(1)
if "huge-progress" in mode:
    for line in ("1e300 1e300 NA 1e300", "18446744073709551616 5 NA 1", "5 1e19 NA 1e308", "nan inf NA -1"):
        print("[vxm-progress] " + line, flush=True)
for step in range(steps):
    if "hang-download" in mode and step == 1:
        with open(target + ".part", "wb") as f:
            f.write(b"\0" * 1000)
        hang()
    progress(total * step // steps, total, 250000)
    if thumb_template and step == 0:
        thumb_ext = option("--convert-thumbnails") or "png"
        with open(expand(thumb_template, {"ext": thumb_ext}, True), "wb") as f:
            f.write(base64.b64decode(PIXEL_PNG))
    time.sleep(0.3 if "slow" in mode else 0.02)
if source:
    shutil.copyfile(source, target)
else:
    with open(target, "wb") as f:
        f.write(b"\0" * total)
progress(total, total, 250000)
print(expand(file_template, {"filepath": target}, False), flush=True)
sys.exit(0)
