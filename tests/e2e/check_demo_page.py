#!/usr/bin/env python3
"""Checks the demo's page against what the demo wrote: every picture in the
folder is shown, every file the page names (pictures, links) is there, and
the CD image and the installation report are linked when they were written.

    check_demo_page.py DEMO-FOLDER
"""
import html.parser
import os
import sys


class Names(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.images, self.links = [], []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "img" and a.get("src"):
            self.images.append(a["src"])
        if tag == "a" and a.get("href"):
            self.links.append(a["href"])


def problems(folder):
    page = os.path.join(folder, "index.html")
    if not os.path.isfile(page):
        return [f"{page} is missing"]
    names = Names()
    with open(page, encoding="utf-8") as f:
        names.feed(f.read())
    found = []
    for name in names.images + names.links:
        # Only plain names of files beside the page: the page travels with them.
        if "/" in name or "\\" in name or ":" in name or name.startswith("."):
            found.append(f"the page names {name}, not a file beside it")
        elif not os.path.isfile(os.path.join(folder, name)):
            found.append(f"the page names {name}, which is not in {folder}")
    for name in sorted(os.listdir(folder)):
        if name.endswith(".png") and name not in names.images:
            found.append(f"{name} was written but the page does not show it")
    for name in ("cd.iso", "cd.iso.sha256", "cd.iso.files", "installed.txt"):
        if os.path.isfile(os.path.join(folder, name)) and name not in names.links:
            found.append(f"the page does not link {name}")
    return found


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    found = problems(argv[1])
    for p in found:
        print("demo page:", p)
    print(f"demo page: {len(found)} problem(s)")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
