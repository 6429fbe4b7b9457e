#!/usr/bin/env python3
"""Writes a synthetic CD for the benchmarks: N content files in nested
folders under HTML/ with a realistic size mix (many small pages and
pictures, a few large media files), two program files beside HTML/, an
install.dat that lists them all (folder lines, file lines, copy-as lines
and outside-file lines; Shift-JIS, CR LF), and pages 01.html and 05.html
full of links to rewrite. Names on disk are UTF-8 (as Wine shows them to a
Japanese system); the list holds them in Shift-JIS.

usage: make_cd.py OUT_DIR [--files N] [--seed S] [--media-mb M]
"""
import argparse
import os
import random


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def page_with_links(rng, lines, prefix):
    out = ["<html><head><title>\u30da\u30fc\u30b8</title></head><body>"]
    for i in range(lines):
        kind = rng.random()
        if kind < 0.4:
            out.append(f'<a href="../../../program/viewer{i}.exe">viewer {i}</a>'
                       f' <a href="../../../program/update/patch{i}.exe">patch</a>')
        elif kind < 0.5:
            # Several links on one long line.
            out.append(" ".join(f'<a href="{prefix}item{i}_{k}.html">{k}</a>' for k in range(40)))
        else:
            out.append(f"<p>\u7b2c{i}\u8a71\u3000\u30c9\u30e9\u30de\u306e\u3042\u3089\u3059\u3058 text {i}</p>")
    out.append("</body></html>")
    return ("\r\n".join(out) + "\r\n").encode("cp932")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--files", type=int, default=300)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--media-mb", type=float, default=2.0, help="size of one large media file")
    args = ap.parse_args()
    rng = random.Random(args.seed)
    html = os.path.join(args.out, "HTML")
    lines = ["index.html", "01.html", "05.html", "\u8868\u7d19.html",
             "..\\program\\viewer.exe", "..\\program\\update\\patch.exe", ""]
    write(os.path.join(html, "index.html"), b"<html><body>index</body></html>\r\n")
    write(os.path.join(html, "\u8868\u7d19.html"), "<html>\u8868\u7d19</html>\r\n".encode("cp932"))
    write(os.path.join(html, "01.html"), page_with_links(rng, 2000, "../../../program/"))
    write(os.path.join(html, "05.html"), page_with_links(rng, 2000, "../../../program/update/"))
    write(os.path.join(args.out, "program", "viewer.exe"), os.urandom(64 * 1024))
    write(os.path.join(args.out, "program", "update", "patch.exe"), os.urandom(32 * 1024))

    # Folders: images\chapterK (two levels, parent first), pages\K, media.
    remaining = max(0, args.files - 6)
    media = max(1, remaining // 200)
    chapters = max(1, remaining // 60)
    folder_lines = ["*\\images", "*\\pages", "*\\media"]
    per_folder = {}
    for k in range(chapters):
        per_folder[f"images\\\u30bd\u30d5\u30c8{k}"] = []
        per_folder[f"pages\\{k}"] = []
    names = list(per_folder)
    for i in range(remaining - media):
        folder = names[i % len(names)]
        if folder.startswith("images"):
            size = rng.randint(20_000, 150_000)
            name = f"pic{i}.jpg" if i % 10 else f"\u30b2\u30fc\u30e0{i}.png"
        else:
            size = rng.randint(2_000, 20_000)
            name = f"page{i}.html"
        per_folder[folder].append((name, size))
    for line in folder_lines:
        lines.append(line)
    for folder, files in per_folder.items():
        lines.append("*\\" + folder)
        for j, (name, size) in enumerate(files):
            on_cd = os.path.join(html, *folder.split("\\"), name)
            write(on_cd, rng.randbytes(size))
            if j == 0 and folder.startswith("images"):
                # Copied under another name.
                lines.append(f"{name}\tcopy_{name}")
            else:
                lines.append(name)
    lines.append("*\\media")
    for m in range(media):
        name = f"bgm{m}.wav"
        write(os.path.join(html, "media", name), rng.randbytes(int(args.media_mb * 1024 * 1024)))
        lines.append(name)
    lines.append("*")
    with open(os.path.join(args.out, "install.dat"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))
    write(os.path.join(args.out, "readme.txt"), "\u30d9\u30f3\u30c1\u30de\u30fc\u30af\u7528\u306eCD\r\n".encode("cp932"))
    total = sum(len(fs) for fs in per_folder.values()) + media + 6
    print(f"{args.out}: {total} files listed, {len(lines)} lines in install.dat")


if __name__ == "__main__":
    main()
