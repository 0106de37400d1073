#!/usr/bin/env python3
"""Makes the MP3 files the book-making tests copy around (silent MPEG audio of known length by
lame, ID3 tags by mutagen), MP3 files of every kind lame makes for their playing times, and the
ZIP and 7z archives of books (by bsdtar).
Usage: makeaudio.py OUTPUT_FOLDER"""
import array
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile

from mutagen.id3 import APIC, ID3, TALB, TPE1, TPE2

RATE = 8000  # mono 16-bit samples per second

# name: (seconds, album, artist, album artist)
FILES = {
    "plain2.mp3": (2, None, None, None),
    "plain3.mp3": (3, None, None, None),
    "child.mp3": (2, "Детство", "Лев Толстой", None),
    "boyhood.mp3": (2, "Отрочество", "Лев Толстой", None),
    "albumartist.mp3": (1, "Сказки", None, "Народ"),
    "esperanto.mp3": (1, "Ĉu vi parolas", "Ludoviko Zamenhof", None),
}


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        for name, (seconds, album, artist, album_artist) in FILES.items():
            raw = os.path.join(work, "silence.raw")
            with open(raw, "wb") as f:
                f.write(b"\0" * (RATE * 2 * seconds))
            target = os.path.join(out, name)
            subprocess.run(["lame", "--quiet", "-r", "-s", "8", "-m", "m", "--bitwidth", "16", "--signed",
                            "--little-endian", "-b", "32", "--cbr", raw, target], check=True,
                           stderr=subprocess.DEVNULL)
            if album or artist or album_artist:
                tags = ID3()
                if album:
                    tags.add(TALB(encoding=3, text=album))
                if artist:
                    tags.add(TPE1(encoding=3, text=artist))
                if album_artist:
                    tags.add(TPE2(encoding=3, text=album_artist))
                tags.save(target)

    make_archives(out)
    make_timed(out)


# name: (seconds, samples per second, channels, lame's options); half a second over the whole
# seconds, so that the encoder's delay and padding never reach the next second.
TIMED = {
    "cbr8.mp3": (7.5, 8000, 1, ["-b", "8", "--cbr"]),
    "cbr320.mp3": (5.5, 44100, 2, ["-b", "320", "--cbr"]),
    "cbr128-noinfo.mp3": (6.5, 44100, 2, ["-b", "128", "--cbr", "-t"]),
    "vbr.mp3": (9.5, 44100, 2, ["--nohist", "-V", "5"]),
    "vbr-noxing.mp3": (9.5, 44100, 2, ["--nohist", "-V", "5", "-t"]),
    "mpeg2-22khz.mp3": (4.5, 22050, 1, ["--nohist", "-V", "5"]),
    "mpeg2-22khz-noxing.mp3": (4.5, 22050, 1, ["--nohist", "-V", "5", "-t"]),
}


def make_timed(out):
    """A gliding tone with noise that swells and falls, so that VBR frames differ in bit rate."""
    for name, (seconds, rate, channels, options) in TIMED.items():
        rng, samples, phase = random.Random(name), array.array("h"), 0.0
        for i in range(int(seconds * rate)):
            loud = 0.5 + 0.5 * math.sin(2 * math.pi * 0.7 * i / rate)
            phase += 2 * math.pi * (200 + 150 * math.sin(2 * math.pi * 0.3 * i / rate)) / rate
            samples.extend([int(9000 * loud * math.sin(phase) + rng.uniform(-6000, 6000) * loud * loud)] * channels)
        subprocess.run(["lame", "--quiet", "-r", "-s", str(rate / 1000), "-m", "m" if channels == 1 else "j",
                        "--bitwidth", "16", "--signed", "--little-endian"] + options + ["-", os.path.join(out, name)],
                       input=samples.tobytes(), check=True, stderr=subprocess.DEVNULL)
    # The VBR file behind an ID3v2 tag with a large picture and padding.
    target = os.path.join(out, "id3-picture.mp3")
    shutil.copyfile(os.path.join(out, "vbr.mp3"), target)
    tags = ID3()
    tags.add(APIC(encoding=3, mime="image/jpeg", type=3, desc="обложка", data=random.Random(1).randbytes(120000)))
    tags.save(target, padding=lambda info: 5000)


NCC = """<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" "xhtml1-transitional.dtd">
<html xmlns="http://www.w3.org/1999/xhtml"><head><title>Сказки</title>
<meta name="dc:title" content="Сказки"/><meta name="dc:creator" content="Пушкин"/>
<meta name="ncc:narrator" content="Иванов"/></head>
<body><h1 class="title" id="h1"><a href="a.smil#t1">Сказки</a></h1></body></html>
"""
SMIL = """<?xml version="1.0" encoding="utf-8"?>
<smil><body><seq>
<par id="t1"><audio src="02.mp3" clip-begin="npt=0s" clip-end="npt=1s"/></par>
<par id="t2"><audio src="01.mp3" clip-begin="npt=0s" clip-end="npt=1s"/></par>
</seq></body></smil>
"""


def make_archives(out):
    """Archives of a folder book, a DAISY book, a descriptor book and of no book at all."""
    env = dict(os.environ, LC_ALL="C.UTF-8")
    books = {
        "Лев Толстой - Детство.zip": {"Детство/Глава 10.mp3": "plain3.mp3", "Детство/Глава 2.mp3": "plain2.mp3",
                                        "Детство/обложка.jpg": b"jpg"},
        "12345.zip": {"Лев Толстой - Отрочество/01.mp3": "plain2.mp3", "readme.txt": b"text"},
        "daisy.7z": {"book/ncc.html": NCC.encode(), "book/a.smil": SMIL.encode(), "book/01.mp3": "plain2.mp3",
                     "book/02.mp3": "plain3.mp3"},
        "descriptor.zip": {"BOOK_001.ydr": b"#TITLE=Ready\r\n#AUTHOR=Maker\r\n#TOTAL_SIZE_KB=9\r\n01.mp3\r\n",
                           "01.mp3": "plain2.mp3"},
        "nothing.zip": {"readme.txt": b"text", "01.m4b": b"m4b", "02.M4B": b"m4b"},
    }
    with tempfile.TemporaryDirectory() as work:
        for archive, files in books.items():
            root = os.path.join(work, archive + ".d")
            for relative, content in files.items():
                target = os.path.join(root, relative)
                os.makedirs(os.path.dirname(target), exist_ok=True)
                if isinstance(content, bytes):
                    with open(target, "wb") as f:
                        f.write(content)
                else:
                    shutil.copyfile(os.path.join(out, content), target)
            target = os.path.join(out, archive)
            if os.path.exists(target):
                os.remove(target)
            subprocess.run(["bsdtar", "-a", "-cf", target, "-C", root] + sorted(os.listdir(root)), check=True, env=env)


if __name__ == "__main__":
    main()
