#!/usr/bin/env python3
"""Runs every example of the manual through roteiral and compares the final screen.

An example is a "~~~ roteiro" block, optionally followed by a "~~~ teclas" block (each
line ends with Enter; \\e stands for Esc) and then a "~~~ tela" block with the screen
expected when the script ends. Also checks that every command word of the dispatcher has
its section in comandos.md and that no line of the manual is wider than 80 columns.
"""
import os
import re
import subprocess
import sys
import tempfile


def blocks(text):
    """Yields (kind, body, line number) for each ~~~ block."""
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        m = re.match(r"^~~~ (\w+)$", lines[i])
        if m:
            start = i + 1
            j = start
            while j < len(lines) and lines[j] != "~~~":
                j += 1
            yield m.group(1), "\n".join(lines[start:j]), start
            i = j + 1
        else:
            i += 1


def examples(path):
    text = open(path, encoding="utf-8").read()
    pending = None
    for kind, body, line in blocks(text):
        if kind == "roteiro":
            pending = {"script": body, "keys": None, "line": line}
        elif kind == "teclas" and pending:
            pending["keys"] = body
        elif kind == "tela" and pending:
            pending["screen"] = body
            yield pending
            pending = None
        elif kind not in ("roteiro", "teclas", "tela", "texto"):
            raise SystemExit(f"{path}:{line}: unknown block kind {kind}")


def run(build, ex):
    with tempfile.TemporaryDirectory() as work:
        script = os.path.join(work, "exemplo.cmd")
        with open(script, "w", encoding="utf-8", newline="\r\n") as f:
            f.write(ex["script"] + "\n")
        keys = b""
        if ex["keys"] is not None:
            keys = (ex["keys"] + "\n").replace("\\e", "\x1b").encode("utf-8")
        screen = os.path.join(work, "tela.txt")
        env = dict(os.environ, ROTEIRAL_CONSOLE="headless", ROTEIRAL_AUDIO="null",
                   ROTEIRAL_SCREEN=screen)
        env.pop("ROTEIRAL_SPEECH_LOG", None)
        subprocess.run([os.path.join(build, "bin", "roteiral"), "exemplo.cmd"], cwd=work,
                       input=keys, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       env=env, timeout=60)
        got = open(screen, encoding="utf-8").read() if os.path.exists(screen) else ""
        return got.rstrip("\n")


def command_words(source):
    table = open(source, encoding="latin-1").read()
    body = table[table.index("kTable"):]
    return re.findall(r'\{"([^"]+)",', body)


def main():
    build, manual, executor = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
    failures = 0
    count = 0
    for name in sorted(os.listdir(manual)):
        path = os.path.join(manual, name)
        if not name.endswith(".md"):
            continue
        for n, line in enumerate(open(path, encoding="utf-8").read().split("\n"), 1):
            if len(line) > 80:
                print(f"{name}:{n}: line wider than 80 columns")
                failures += 1
        for ex in examples(path):
            count += 1
            got = run(build, ex)
            if got != ex["screen"]:
                failures += 1
                print(f"--- {name}:{ex['line']}: the screen differs\n--- expected:\n"
                      f"{ex['screen']}\n--- got:\n{got}\n")
    commands = open(os.path.join(manual, "comandos.md"), encoding="utf-8").read()
    headings = re.findall(r"^## (.+)$", commands, re.M)
    named = {w.strip() for h in headings for w in h.split(",")}
    for word in command_words(executor):
        shown = re.sub(r"\\x([0-9A-Fa-f]{2})", lambda m: bytes([int(m.group(1), 16)]).decode("cp1252"), word)
        if shown not in named:
            failures += 1
            print(f"comandos.md: no section for {shown}")
    print(f"{count} examples run, {failures} failures")
    return 1 if failures or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
