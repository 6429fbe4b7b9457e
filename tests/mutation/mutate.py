#!/usr/bin/env python3
"""A focused mutation run for this project's C++ logic.

Each mutant is one small change to one source file (a comparison flipped or
its boundary moved, a constant +-1, a condition negated or dropped, a
statement deleted, a return value changed, two adjacent calls swapped). The
sources are copied into a scratch tree under the build folder, so the working
tree is never touched; each mutant is written there, rebuilt incrementally
(only its object and the unit-test executable) and run against the unit tests
with a timeout.

A mutant is
  caught      the unit tests fail, crash or time out;
  survived    the unit tests pass;
  equivalent  the compiler made the same object code of it as of the
              original (nothing to catch);
  invalid     it does not compile (not counted).

Survivors whose key is listed in tests/mutation/explained.txt are reported as
explained (equivalent or harmless, with the reason given there).
"""

from __future__ import annotations

import argparse
import dataclasses
import hashlib
import json
import os
import random
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]

DEFAULT_FILES = [
    "platform/CString.cpp",
    "platform/TextFile.cpp",
    "installer/InstallList.cpp",
    "shell/PathNames.cpp",
    "platform/framework/Afx.cpp",
    "tests/memory/MemoryTree.cpp",
    "tests/memory/MemoryPath.cpp",
]
# Logic files of the two programs' flows, mutated when they exist.
FLOW_FILES = [
    "installer/CopyDlg.cpp",
    "installer/PageLinks.cpp",
    "installer/Registration.cpp",
    "installer/SetupDlg.cpp",
    "installer/InstallDriver.cpp",
    "installer/DirectoryTree.cpp",
    "installer/FinishDlg.cpp",
    "installer/InstallerApp.cpp",
    "uninst/DeleteTree.cpp",
    "uninst/InstallationFolder.cpp",
    "uninst/StartUninstall.cpp",
    "uninst/UninstDialogs.cpp",
    "uninst/UninstApp.cpp",
]


# ---------------------------------------------------------------- lexing

def code_mask(text: str) -> list[bool]:
    """True for every character that is code: not in a comment, a string or
    character literal, or a preprocessor line."""
    mask = [True] * len(text)
    i, n = 0, len(text)

    def skip(start: int, end: int) -> int:
        """Marks [start, end) as not code; returns end."""
        end = min(end, n)
        mask[start:end] = [False] * (end - start)
        return end

    def line_end(start: int) -> int:
        j = text.find("\n", start)
        return n if j < 0 else j

    line_start = True
    while i < n:
        c = text[i]
        if line_start and c in " \t":
            i += 1
            continue
        if line_start and c == "#":
            i = skip(i, line_end(i))
            continue
        line_start = c == "\n"
        if text.startswith("//", i):
            i = skip(i, line_end(i))
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            i = skip(i, n if j < 0 else j + 2)
            continue
        if c in "\"'":
            # A digit separator (1'000) is not used in this code base.
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            i = skip(i, j + 1)
            continue
        i += 1
    return mask


def matching_paren(text: str, mask: list[bool], open_at: int) -> int:
    depth = 0
    for i in range(open_at, len(text)):
        if not mask[i]:
            continue
        if text[i] == "(":
            depth += 1
        elif text[i] == ")":
            depth -= 1
            if depth == 0:
                return i
    return -1


def top_level_split(text: str, mask: list[bool], start: int, end: int, op: str) -> list[tuple[int, int]]:
    """Operands of op (&& or ||) at parenthesis depth 0 within [start, end)."""
    parts, depth, begin, i = [], 0, start, start
    while i < end:
        if mask[i]:
            ch = text[i]
            if ch in "([{":
                depth += 1
            elif ch in ")]}":
                depth -= 1
            elif depth == 0 and text.startswith(op, i):
                parts.append((begin, i))
                begin = i + len(op)
                i += len(op)
                continue
        i += 1
    parts.append((begin, end))
    return parts


# ---------------------------------------------------------------- mutants

@dataclasses.dataclass
class Mutant:
    file: str
    line: int
    start: int
    end: int
    replacement: str
    operator: str
    original: str

    def description(self) -> str:
        shown = lambda s: " ".join(s.split())
        return f"{self.operator}: `{shown(self.original)}` -> `{shown(self.replacement)}`"

    def key(self, source_lines: list[str]) -> str:
        # Stable across edits elsewhere in the file: the line's text, not its number.
        return f"{self.file}| {source_lines[self.line - 1].strip()} | {self.description()}"


RELATIONAL = {
    "<": ["<=", ">"],
    "<=": ["<", ">="],
    ">": [">=", "<"],
    ">=": [">", "<="],
    "==": ["!="],
    "!=": ["=="],
}

STATEMENT_START = re.compile(r"^(\s*)((?:\+\+|--|\*|this->|[A-Za-z_][\w:]*(?:\.|->|\(|\[| |\+\+|--)).*);\s*$")
DECLARATION = re.compile(
    r"^\s*(const |constexpr |static |auto |unsigned |int |bool |char |std::|[A-Z]\w*[ &*<]|\w+<)")
KEYWORD_START = re.compile(r"^\s*(return|if|for|while|switch|case|default|else|do|using|namespace|template|typedef|struct|class|enum|delete|new|goto|throw|public|private|protected)\b")


def is_plain_statement(line: str) -> bool:
    """A one-line expression statement (a call, an assignment, an increment,
    break or continue): deleting or moving it still compiles."""
    s = line.strip()
    if s in ("break;", "continue;"):
        return True
    if not s.endswith(";") or KEYWORD_START.match(line) or DECLARATION.match(line):
        return False
    if not STATEMENT_START.match(line):
        return False
    # "Type name = ..." and "Type name(...)" are declarations.
    head = re.split(r"[=(]", s, maxsplit=1)[0].strip()
    if re.fullmatch(r"[\w:<>,&* ]+ [\w]+", head) and not re.search(r"(\+=|-=|\|=|&=)", s):
        return False
    return s.count("(") == s.count(")")


def generate(rel: str, text: str) -> list[Mutant]:
    mask = code_mask(text)
    line_starts = [0]
    for i, ch in enumerate(text):
        if ch == "\n":
            line_starts.append(i + 1)

    def line_of(offset: int) -> int:
        lo, hi = 0, len(line_starts) - 1
        while lo < hi:
            mid = (lo + hi + 1) // 2
            if line_starts[mid] <= offset:
                lo = mid
            else:
                hi = mid - 1
        return lo + 1

    def code(start: int, end: int) -> bool:
        return all(mask[start:end])

    mutants: list[Mutant] = []

    def add(start: int, end: int, replacement: str, operator: str) -> None:
        mutants.append(Mutant(rel, line_of(start), start, end, replacement, operator, text[start:end]))

    # Comparisons: written with a space on both sides (templates and shifts are not).
    for m in re.finditer(r"(?<=\S) (<=|>=|==|!=|<|>) (?=\S)", text):
        op = m.group(1)
        s, e = m.start(1), m.end(1)
        if not code(s, e):
            continue
        for r in RELATIONAL[op]:
            add(s, e, r, "comparison")

    # Logical connectives.
    for m in re.finditer(r" (&&|\|\|) ", text):
        s, e = m.start(1), m.end(1)
        if code(s, e):
            add(s, e, "||" if m.group(1) == "&&" else "&&", "connective")

    # Integer constants +-1.
    for m in re.finditer(r"(?<![\w.])(0[xX][0-9A-Fa-f]+|\d+)([uUlL]*)(?![\w.])", text):
        s, e = m.start(1), m.end(1)
        if not code(s, m.end()):
            continue
        literal = m.group(1)
        value = int(literal, 16) if literal[:2].lower() == "0x" else int(literal)
        fmt = (lambda v: f"0x{v:X}") if literal[:2].lower() == "0x" else str
        add(s, e, fmt(value + 1), "constant")
        if value > 0:
            add(s, e, fmt(value - 1), "constant")

    # Conditions of if and while: negated, dropped (always true for if), and
    # each operand of a top-level && or || dropped.
    for m in re.finditer(r"\b(if|while) \(", text):
        if not code(m.start(), m.end()):
            continue
        open_at = m.end() - 1
        close_at = matching_paren(text, mask, open_at)
        if close_at < 0:
            continue
        cs, ce = open_at + 1, close_at
        cond = text[cs:ce]
        if "\n" in cond and len(cond) > 200:
            continue
        add(cs, ce, f"!({cond})", "negate")
        for op in ("&&", "||"):
            parts = top_level_split(text, mask, cs, ce, op)
            if len(parts) < 2:
                continue
            for k, (ps, pe) in enumerate(parts):
                rest = [text[a:b].strip() for j, (a, b) in enumerate(parts) if j != k]
                add(cs, ce, f" {op} ".join(rest), "drop operand")
            break
        else:
            if m.group(1) == "if":
                add(cs, ce, "true", "drop condition")

    # Statements and return values, line by line.
    lines = text.split("\n")
    for idx, line in enumerate(lines):
        start = line_starts[idx]
        if not line.strip() or not code(start + len(line) - len(line.lstrip()), start + len(line.rstrip())):
            continue
        if is_plain_statement(line):
            s = start + len(line) - len(line.lstrip())
            add(s, start + len(line.rstrip()), "", "delete statement")
            nxt = lines[idx + 1] if idx + 1 < len(lines) else ""
            indent = len(line) - len(line.lstrip())
            if (nxt.strip() and is_plain_statement(nxt) and len(nxt) - len(nxt.lstrip()) == indent
                    and "(" in line and "(" in nxt and line.strip() != nxt.strip()
                    and code(line_starts[idx + 1] + indent, line_starts[idx + 1] + len(nxt.rstrip()))):
                e = line_starts[idx + 1] + len(nxt.rstrip())
                add(s, e, nxt.strip() + "\n" + " " * indent + line.strip(), "swap calls")
    for m in re.finditer(r"\breturn ([^;]+);", text):
        if not code(m.start(), m.end()):
            continue
        value = m.group(1).strip()
        s, e = m.start(1), m.end(1)
        if value == "true":
            add(s, e, "false", "return value")
        elif value == "false":
            add(s, e, "true", "return value")
        elif value in ("*this", "{}", "nullptr", "0", "1", "-1") or "\n" in value:
            continue
        else:
            add(s, e, "{}", "return value")
    mutants.sort(key=lambda mu: (mu.start, mu.operator, mu.replacement))
    return mutants


# ---------------------------------------------------------------- building

class Workspace:
    def __init__(self, build_dir: Path, verbose: bool, jobs: int):
        self.jobs = jobs
        self.dir = build_dir
        self.src = build_dir / "src"
        self.obj = build_dir / "obj"
        self.verbose = verbose
        self.baseline_objects: dict[str, str] = {}

    def log(self, msg: str) -> None:
        print(msg, flush=True)

    def sync_sources(self) -> None:
        files = subprocess.run(
            ["git", "ls-files", "-z", "-co", "--exclude-standard"], cwd=ROOT, check=True,
            capture_output=True, text=True).stdout.split("\0")
        for rel in files:
            if not rel or rel.startswith("build/"):
                continue
            source = ROOT / rel
            if not source.is_file():
                continue
            target = self.src / rel
            if target.is_file() and target.read_bytes() == source.read_bytes():
                continue
            target.parent.mkdir(parents=True, exist_ok=True)
            shutil.copyfile(source, target)  # a fresh mtime: ninja rebuilds what depends on it
        # Files gone from the tree go from the copy too (the build globs folders).
        kept = {rel for rel in files if rel}
        for path in self.src.rglob("*"):
            if path.is_file() and str(path.relative_to(self.src)).replace(os.sep, "/") not in kept:
                path.unlink()

    def configure(self) -> None:
        cmd = ["cmake", "-S", str(self.src), "-B", str(self.obj), "-G", "Ninja",
               "-DCMAKE_CXX_COMPILER=g++", "-DCMAKE_BUILD_TYPE=Release",
               "-DCMAKE_CXX_FLAGS_RELEASE=-O1", "-DDRAMA_BENCH=OFF"]
        if shutil.which("ccache"):
            cmd.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        if shutil.which("ld.gold"):
            cmd.append("-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=gold")  # links the test program faster
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)

    def build(self) -> bool:
        r = subprocess.run(["ninja", "-C", str(self.obj), f"-j{self.jobs}", "unit_tests"],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if r.returncode != 0 and self.verbose:
            print(r.stdout[-3000:])
        return r.returncode == 0

    def objects_of(self, rel: str) -> dict[str, str]:
        name = Path(rel).name + ".o"
        found = {}
        for path in self.obj.rglob(name):
            found[str(path)] = hashlib.sha256(path.read_bytes()).hexdigest()
        return found

    def run_tests(self, timeout: float) -> tuple[str, float]:
        exe = self.obj / "tests" / "unit" / "unit_tests"
        t0 = time.monotonic()
        try:
            r = subprocess.run([str(exe), "--gtest_brief=1", "--gtest_fail_fast"],
                               cwd=self.obj, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               timeout=timeout)
        except subprocess.TimeoutExpired:
            return "timeout", time.monotonic() - t0
        took = time.monotonic() - t0
        if r.returncode == 0:
            return "pass", took
        return ("crash" if r.returncode < 0 else "fail"), took


def load_explained(path: Path) -> dict[str, str]:
    explained = {}
    if not path.is_file():
        return explained
    for raw in path.read_text(encoding="utf-8").split("\n"):
        if not raw.strip() or raw.startswith("#"):
            continue
        key, sep, reason = raw.partition(" ## ")
        explained[key.strip()] = reason.strip() if sep else ""
    return explained


def report(summary, seconds=None) -> None:
    print("\n==== mutation results")
    print(f"{'file':40} {'mutants':>7} {'caught':>6} {'survived':>8} {'explained':>9} {'equiv':>5} {'invalid':>7} {'score':>6}")
    tot = {"mutants": 0, "caught": 0, "survived": 0, "explained": 0, "equivalent": 0, "invalid": 0}
    for rel, c, _ in summary:
        ran = c["caught"] + c["survived"] + c["explained"]
        score = f"{100 * c['caught'] / (c['caught'] + c['survived']):.0f}%" if c["caught"] + c["survived"] else "-"
        print(f"{rel:40} {ran + c['equivalent'] + c['invalid']:>7} {c['caught']:>6} {c['survived']:>8} "
              f"{c['explained']:>9} {c['equivalent']:>5} {c['invalid']:>7} {score:>6}")
        tot["mutants"] += ran + c["equivalent"] + c["invalid"]
        for k in ("caught", "survived", "explained", "equivalent", "invalid"):
            tot[k] += c[k]
    denom = tot["caught"] + tot["survived"]
    score = f"{100 * tot['caught'] / denom:.0f}%" if denom else "-"
    print(f"{'total':40} {tot['mutants']:>7} {tot['caught']:>6} {tot['survived']:>8} {tot['explained']:>9} "
          f"{tot['equivalent']:>5} {tot['invalid']:>7} {score:>6}")
    print("score: caught / (caught + unexplained survivors); explained survivors are equivalent or harmless")
    if seconds is not None:
        print(f"time: {seconds / 60:.1f} min")
    any_survivor = False
    for rel, _, survivors in summary:
        for m, status, reason in survivors:
            if status == "survived":
                if not any_survivor:
                    print("\nsurvivors:")
                    any_survivor = True
                print(f"  {rel}:{m.line}: {m.description()}")
    for rel, _, survivors in summary:
        for m, status, reason in survivors:
            if status == "explained":
                print(f"  explained {rel}:{m.line}: {m.description()} -- {reason}")


def changed_lines(rel: str, rev: str) -> set[int]:
    """Line numbers of the working file that git shows as added or changed since rev."""
    diff = subprocess.run(["git", "diff", "-U0", rev, "--", rel], cwd=ROOT, capture_output=True,
                          text=True, check=True).stdout
    lines: set[int] = set()
    for hunk in re.finditer(r"^@@ -\S+ \+(\d+)(?:,(\d+))? @@", diff, re.M):
        start, count = int(hunk.group(1)), int(hunk.group(2) or "1")
        lines.update(range(start, start + count))
    return lines


def summarize(paths: list[str], explained: dict[str, str]) -> None:
    """The table and survivors of earlier runs' result files; for a mutant
    run more than once, its last result counts."""
    latest: dict[str, dict] = {}
    for path in paths:
        for raw in Path(path).read_text(encoding="utf-8").split("\n"):
            if raw.strip():
                r = json.loads(raw)
                latest[r["key"]] = r
    by_file: dict[str, tuple[dict, list]] = {}
    for key, r in latest.items():
        counts, survivors = by_file.setdefault(r["file"], (
            {"caught": 0, "survived": 0, "explained": 0, "equivalent": 0, "invalid": 0, "not run": 0}, []))
        status = r["status"]
        if status in ("survived", "explained"):
            status = "explained" if key in explained else "survived"
            m = Mutant(r["file"], r["line"], 0, 0, "", "", "")
            m.description = (lambda text: (lambda: text))(r["change"])
            survivors.append((m, status, explained.get(key, "")))
        counts[status] += 1
    report([(f, c, sv) for f, (c, sv) in sorted(by_file.items())])


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--files", nargs="*", help="source files to mutate (default: the logic files)")
    ap.add_argument("--sample", type=int, help="at most this many mutants per file, chosen at random")
    ap.add_argument("--fraction", type=float, help="this fraction of each file's mutants, at random")
    ap.add_argument("--seed", type=int, default=1, help="seed of the sampling")
    ap.add_argument("--budget-minutes", type=float, help="stop starting new mutants after this long")
    ap.add_argument("--timeout", type=float, help="seconds a mutant's test run may take (default 10x the baseline, at least 30)")
    ap.add_argument("--build-dir", default=str(ROOT / "build" / "mutation"))
    ap.add_argument("--results", help="append each result as a JSON line to this file")
    ap.add_argument("--list", action="store_true", help="only list the mutants")
    ap.add_argument("--line", type=int, help="only mutants on this line (with one file)")
    ap.add_argument("--changed-since", metavar="REV",
                    help="only mutants on lines added or changed since this git revision")
    ap.add_argument("--survivors-of", nargs="+", metavar="RESULTS",
                    help="only the mutants these result files list as survived (to check new tests)")
    ap.add_argument("--jobs", type=int, default=2, help="parallel compile jobs (default 2)")
    ap.add_argument("--prepare", action="store_true", help="only build the scratch tree and time the unit tests")
    ap.add_argument("--summarize", nargs="+", metavar="RESULTS",
                    help="only print the table of earlier runs' result files")
    ap.add_argument("--verbose", action="store_true")
    args = ap.parse_args()

    if args.summarize:
        summarize(args.summarize, load_explained(ROOT / "tests" / "mutation" / "explained.txt"))
        return 0
    files = args.files or [f for f in DEFAULT_FILES + FLOW_FILES if (ROOT / f).is_file()]
    explained = load_explained(ROOT / "tests" / "mutation" / "explained.txt")

    wanted = None
    if args.survivors_of:
        wanted = set()
        for path in args.survivors_of:
            for row in open(path, encoding="utf-8"):
                if row.strip() and json.loads(row)["status"] == "survived":
                    wanted.add(json.loads(row)["key"])
        if not args.files:
            files = sorted({k.split("|", 1)[0] for k in wanted})

    plan: list[tuple[str, str, list[Mutant]]] = []
    rng = random.Random(args.seed)
    for rel in files:
        text = (ROOT / rel).read_text(encoding="utf-8")
        mutants = generate(rel, text)
        if args.line:
            mutants = [m for m in mutants if m.line == args.line]
        if args.changed_since:
            changed = changed_lines(rel, args.changed_since)
            mutants = [m for m in mutants if m.line in changed]
        if wanted is not None:
            lines = text.split("\n")
            mutants = [m for m in mutants if m.key(lines) in wanted]
        total = len(mutants)
        if args.fraction is not None:
            mutants = rng.sample(mutants, max(1, round(total * args.fraction))) if mutants else []
        if args.sample is not None and len(mutants) > args.sample:
            mutants = rng.sample(mutants, args.sample)
        mutants.sort(key=lambda mu: mu.start)
        plan.append((rel, text, mutants))
        print(f"{rel}: {total} mutants, {len(mutants)} selected", flush=True)

    if args.list:
        for rel, text, mutants in plan:
            lines = text.split("\n")
            for m in mutants:
                print(f"{rel}:{m.line}: {m.description()}")
        return 0

    ws = Workspace(Path(args.build_dir), args.verbose, args.jobs)
    ws.src.mkdir(parents=True, exist_ok=True)
    ws.sync_sources()
    ws.configure()
    print("baseline build ...", flush=True)
    if not ws.build():
        print("the unmutated sources do not build", file=sys.stderr)
        return 2
    outcome, took = ws.run_tests(600)
    if outcome != "pass":
        print(f"the unit tests fail without any mutant ({outcome})", file=sys.stderr)
        return 2
    timeout = args.timeout or max(30.0, 10 * took)
    print(f"baseline: unit tests pass in {took:.1f} s; timeout per mutant {timeout:.0f} s", flush=True)
    if args.prepare:
        return 0

    deadline = time.monotonic() + args.budget_minutes * 60 if args.budget_minutes else None
    results_file = open(args.results, "a", encoding="utf-8") if args.results else None
    summary = []
    started = time.monotonic()
    for rel, text, mutants in plan:
        target = ws.src / rel
        lines = text.split("\n")
        baseline = ws.objects_of(rel)
        counts = {"caught": 0, "survived": 0, "explained": 0, "equivalent": 0, "invalid": 0, "not run": 0}
        survivors = []
        for m in mutants:
            if deadline and time.monotonic() > deadline:
                counts["not run"] += 1
                continue
            key = m.key(lines)
            mutated = text[:m.start] + m.replacement + text[m.end:]
            try:
                target.write_text(mutated, encoding="utf-8")
                if not ws.build():
                    status = "invalid"
                elif baseline and ws.objects_of(rel) == baseline:
                    status = "equivalent"
                else:
                    outcome, _ = ws.run_tests(timeout)
                    if outcome == "pass":
                        status = "explained" if key in explained else "survived"
                    else:
                        status = "caught"
            finally:
                target.write_text(text, encoding="utf-8")
            counts[status] += 1
            if status in ("survived", "explained"):
                survivors.append((m, status, explained.get(key, "")))
            print(f"  {status:10} {rel}:{m.line}: {m.description()}", flush=True)
            if results_file:
                results_file.write(json.dumps({"file": rel, "line": m.line, "change": m.description(),
                                               "status": status, "key": key}, ensure_ascii=False) + "\n")
                results_file.flush()
        # Leave the scratch build matching the sources.
        ws.build()
        summary.append((rel, counts, survivors))

    report(summary, time.monotonic() - started)
    return 0


if __name__ == "__main__":
    sys.exit(main())
