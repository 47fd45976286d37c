#!/usr/bin/env python3
"""Checks that every #include runs down the layers, never up or sideways.

The layers and what each may include are the table in docs/architecture.md
(the block fenced as ```layers), so the picture a reader looks at and the
rule the test command holds are one text. Prints every include that crosses
a layer the wrong way, with its file and line, and exits 1 if there is any;
exits 2 if the table itself is unusable.

    tools/check-layers.py [--root DIR]
"""

import argparse
import os
import re
import subprocess
import sys

SOURCE = re.compile(r"\.(h|hpp|c|cc|cpp|rc|rc\.in)$")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
# A standard C++ header: a bare name such as <cstdint> or <string_view>.
STANDARD = re.compile(r"^[a-z_]+$")


class TableError(Exception):
    pass


def read_table(doc_path):
    """The layers table: {layer: (allowed set or None for anything, portable)},
    and the single includes still let through ({(file, included file)})."""
    try:
        with open(doc_path, encoding="utf-8") as f:
            text = f.read()
    except OSError as e:
        raise TableError(f"cannot read {doc_path}: {e.strerror}")
    block = re.search(r"^```layers\n(.*?)^```", text, re.S | re.M)
    if not block:
        raise TableError(f"{doc_path} has no ```layers block")
    table, known = {}, set()
    for number, line in enumerate(block.group(1).splitlines(), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        m = re.fullmatch(r"known\s+(\S+)\s*->\s*(\S+)", line)
        if m:
            known.add(m.groups())
            continue
        m = re.fullmatch(r"(\S+)\s*->\s*(.*?)\s*(\[portable\])?", line)
        if not m:
            raise TableError(f"layers line {number} is not 'LAYER -> LAYER ...': {line}")
        layer, targets, portable = m.group(1).rstrip("/"), m.group(2).split(), bool(m.group(3))
        if layer in table:
            raise TableError(f"layer {layer} is listed twice")
        allowed = None if targets == ["*"] else {t.rstrip("/") for t in targets if t != "-"}
        table[layer] = (allowed, portable)
    for layer, (allowed, _) in table.items():
        for target in allowed or ():
            if target not in table:
                raise TableError(f"{layer} may include {target}, which is no layer of the table")
    return table, known


def layer_of(path, table):
    """The longest layer that holds path, or None."""
    best = None
    for layer in table:
        if (path == layer or path.startswith(layer + "/")) and (best is None or len(layer) > len(best)):
            best = layer
    return best


def resolve(root, including, name):
    """The repository path an include names, or None (system or generated)."""
    candidates = [os.path.join(os.path.dirname(including), name), name]
    # The service's libraries include each other from server/.
    if including.startswith("server/"):
        candidates.insert(1, os.path.join("server", name))
    for candidate in candidates:
        candidate = os.path.normpath(candidate)
        if not candidate.startswith("..") and os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def tracked_sources(root):
    try:
        out = subprocess.run(["git", "ls-files", "-z"], cwd=root, capture_output=True, check=True).stdout
        files = [f for f in out.decode("utf-8", "replace").split("\0") if f]
    except (OSError, subprocess.CalledProcessError):
        files = []
        for d, dirs, names in os.walk(root):
            dirs[:] = [x for x in dirs if not x.startswith(".") and x != "build"]
            files += [os.path.relpath(os.path.join(d, n), root) for n in names]
    return sorted(f for f in files if SOURCE.search(f))


def check(root, table, known=frozenset()):
    """Every wrong include as 'file:line: text'; a known crossing that no
    longer happens is a fault too, so the list cannot go stale."""
    faults, seen = [], set()
    for path in tracked_sources(root):
        layer = layer_of(path, table)
        if layer is None:
            faults.append(f"{path}: in no layer of the table; add its folder to docs/architecture.md")
            continue
        allowed, portable = table[layer]
        try:
            with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
                lines = f.readlines()
        except OSError as e:
            faults.append(f"{path}: cannot be read: {e.strerror}")
            continue
        for number, line in enumerate(lines, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            kind, name = m.groups()
            if kind == "<":
                if portable and not STANDARD.match(name):
                    faults.append(f"{path}:{number}: the portable {layer}/ includes <{name}>, "
                                  "which is no standard C++ header")
                continue
            target = resolve(root, path, name)
            if target is None:
                continue
            target_layer = layer_of(target, table)
            if target_layer is None or target_layer == layer or allowed is None:
                continue
            if target_layer not in allowed:
                if (path, target) in known:
                    seen.add((path, target))
                    continue
                faults.append(f"{path}:{number}: {layer}/ includes {target}, but {layer}/ may not "
                              f"include {target_layer}/")
    for path, target in sorted(set(known) - seen):
        faults.append(f"{path}: the known crossing to {target} is gone; strike it from the table")
    return faults


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    args = parser.parse_args(argv)
    root = os.path.abspath(args.root)
    try:
        table, known = read_table(os.path.join(root, "docs", "architecture.md"))
    except TableError as e:
        print(f"check-layers: {e}", file=sys.stderr)
        return 2
    faults = check(root, table, known)
    for fault in faults:
        print(fault)
    if faults:
        print(f"check-layers: {len(faults)} include(s) cross a layer the wrong way "
              "(the layers are in docs/architecture.md)", file=sys.stderr)
        return 1
    print(f"check-layers: every include runs down the {len(table)} layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
