#!/usr/bin/env python3
# Stands in for the online-video download tool in tests: no network.
#
# Steered by the folder named in VXM_FAKE_YTDLP_DIR:
#   analysis.json  printed for -J (missing: the analysis fails)
#   mode           words: fail-analysis, hang-analysis, hang-download,
#                  fail-download-<n> (the first n download runs fail), slow
#   media          path of a file copied as the downloaded file
#   version        printed for --version (default 2023.03.04)
#   calls.log      each call's arguments, one JSON list per line (appended)
import base64
import json
import os
import shutil
import sys
import time

PIXEL_PNG = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg=="
folder = os.environ.get("VXM_FAKE_YTDLP_DIR", "")
args = sys.argv[1:]


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


mode = read("mode").split()
if "--version" in args:
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

# A download run.
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
ext = "mp3" if "-x" in args else "mp4"
target = template.replace("%(ext)s", ext)
total = 400000
steps = 8 if "slow" in mode else 4
source = read("media")
if source:
    total = os.path.getsize(source)
for step in range(steps):
    if "hang-download" in mode and step == 1:
        with open(target + ".part", "wb") as f:
            f.write(b"\0" * 1000)
        hang()
    done = total * step // steps
    print("[vxm-progress] %d %d NA %d" % (done, total, 250000), flush=True)
    if thumb_template and step == 0:
        thumb_ext = option("--convert-thumbnails") or "png"
        with open(thumb_template.replace("%(ext)s", thumb_ext), "wb") as f:
            f.write(base64.b64decode(PIXEL_PNG))
    time.sleep(0.3 if "slow" in mode else 0.02)
if source:
    shutil.copyfile(source, target)
else:
    with open(target, "wb") as f:
        f.write(b"\0" * total)
print("[vxm-progress] %d %d NA %d" % (total, total, 250000), flush=True)
print("[vxm-file] " + target, flush=True)
sys.exit(0)
