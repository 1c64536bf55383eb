#!/usr/bin/env bash
# Checks that every dependency between the folders of the source tree runs
# down the layers of scripts/layers.txt:
#   scripts/check-layers.sh [ROOT]        (default: the tree this script is in)
# It reads every #include "..." of the C, C++ and HLSL sources and, in every
# CMakeLists.txt and *.cmake, the libraries of target_link_libraries and the
# source paths named through ${CMAKE_SOURCE_DIR}, ${CMAKE_CURRENT_SOURCE_DIR}
# or "../". Each dependency on a folder of the same layer line or a higher one
# is printed as one line, "file:line: from -> to (what)", and the exit code is
# 1. A folder with sources that layers.txt does not name fails the same way.
set -euo pipefail

root=${1:-"$(cd "$(dirname "$0")/.." && pwd)"}
exec /usr/bin/env python3 - "$root" <<'PY'
import os
import re
import subprocess
import sys

root = os.path.abspath(sys.argv[1])
layers_name = "scripts/layers.txt"
source_suffixes = (".h", ".hh", ".hpp", ".inl", ".c", ".cc", ".cpp", ".cxx", ".hlsl", ".hlsli", ".S")
problems = []


def problem(where, text):
    problems.append((where, text))


# The layers: entry -> (rank, line of layers.txt).
entries = {}
with open(os.path.join(root, layers_name), encoding="utf-8") as layers_file:
    rank = 0
    for number, line in enumerate(layers_file, 1):
        names = line.split("#", 1)[0].split()
        if not names:
            continue
        for name in names:
            name = name.strip("/")
            if name in entries:
                problem(f"{layers_name}:{number}", f"'{name}' is already on line {entries[name][1]}")
            elif not os.path.isdir(os.path.join(root, name)):
                problem(f"{layers_name}:{number}", f"no folder '{name}'")
            else:
                entries[name] = (rank, number)
        rank += 1


def layer_of(path):
    """The longest entry that holds the root-relative path, or None."""
    best = None
    for name in entries:
        if (path == name or path.startswith(name + "/")) and (best is None or len(name) > len(best)):
            best = name
    return best


def allowed(source, target):
    return source == target or entries[target][0] < entries[source][0]


def tree_files():
    """Root-relative paths of the tree's files: git's tracked and unignored
    ones when root is a work tree's top, else every file outside hidden and
    build folders."""
    try:
        top = subprocess.run(["git", "-C", root, "rev-parse", "--show-toplevel"], capture_output=True,
                             text=True, check=True).stdout.strip()
        if os.path.realpath(top) == os.path.realpath(root):
            listed = subprocess.run(["git", "-C", root, "ls-files", "-z", "--cached", "--others",
                                     "--exclude-standard"], capture_output=True, text=True, check=True).stdout
            return sorted(p for p in set(listed.split("\0")) if p and os.path.isfile(os.path.join(root, p)))
    except (OSError, subprocess.CalledProcessError):
        pass
    found = []
    for directory, folders, files in os.walk(root):
        relative = os.path.relpath(directory, root)
        folders[:] = sorted(f for f in folders
                            if not f.startswith(".") and not (relative == "." and f.startswith("build")))
        for f in files:
            found.append(os.path.normpath(os.path.join(relative, f)))
    return sorted(found)


def resolve(base_dir, path):
    """A referenced path as a root-relative path, or None outside the tree."""
    full = os.path.normpath(os.path.join(root, base_dir, path))
    if full != root and not full.startswith(root + os.sep):
        return None
    return os.path.relpath(full, root)


def check(where, source, target_path, what):
    target = layer_of(target_path) if target_path else None
    if target and not allowed(source, target):
        problem(where, f"{source} -> {target} ({what})")


files = tree_files()
cmake_files = [f for f in files if os.path.basename(f) == "CMakeLists.txt" or f.endswith(".cmake")]
source_files = [f for f in files if f.endswith(source_suffixes)]

unlayered = {}
for f in cmake_files + source_files:
    if "/" in f and layer_of(f) is None:
        unlayered.setdefault(f.split("/", 1)[0], f)
for folder, f in sorted(unlayered.items()):
    problem(f, f"folder '{folder}' has no layer in {layers_name}")

# Includes: "x/y.h" is looked up beside the including file first, then from
# the root (the build's include directory), as the compiler does.
include_pattern = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
for f in source_files:
    source = layer_of(f)
    if source is None:
        continue
    directory = os.path.dirname(f)
    with open(os.path.join(root, f), encoding="utf-8", errors="replace") as text:
        for number, line in enumerate(text, 1):
            match = include_pattern.match(line)
            if not match:
                continue
            included = match.group(1)
            beside = resolve(directory, included)
            if beside and os.path.isfile(os.path.join(root, beside)):
                target_path = beside
            else:
                target_path = resolve("", included)
            check(f"{f}:{number}", source, target_path, f'#include "{included}"')


def commands(text):
    """(name, [(argument, line)]) of every command call of a CMake file."""
    found = []
    i, line, n = 0, 1, len(text)
    name_pattern = re.compile(r"[A-Za-z_][A-Za-z0-9_]*")
    while i < n:
        c = text[i]
        if c == "\n":
            line += 1
            i += 1
        elif c == "#":
            while i < n and text[i] != "\n":
                i += 1
        elif c.isalpha() or c == "_":
            match = name_pattern.match(text, i)
            i = match.end()
            j = i
            while j < n and text[j] in " \t":
                j += 1
            if j >= n or text[j] != "(":
                continue
            i, depth, arguments, token, token_line = j + 1, 1, [], "", line
            while i < n and depth:
                c = text[i]
                if c == '"':
                    if not token:
                        token_line = line
                    i += 1
                    while i < n and text[i] != '"':
                        if text[i] == "\\":
                            i += 1
                        elif text[i] == "\n":
                            line += 1
                        token += text[i] if i < n else ""
                        i += 1
                    i += 1
                    continue
                if c == "#" and not token:
                    while i < n and text[i] != "\n":
                        i += 1
                    continue
                if c in " \t\n()":
                    if token:
                        arguments.append((token, token_line))
                        token = ""
                    if c == "\n":
                        line += 1
                    depth += {"(": 1, ")": -1}.get(c, 0)
                else:
                    if not token:
                        token_line = line
                    token += c
                i += 1
            found.append((match.group(0).lower(), arguments))
        else:
            i += 1
    return found


parsed = {}
targets = {}  # target -> layer of the folder that defines it
for f in cmake_files:
    with open(os.path.join(root, f), encoding="utf-8", errors="replace") as text:
        parsed[f] = commands(text.read())
    for name, arguments in parsed[f]:
        if name in ("add_library", "add_executable") and arguments and "${" not in arguments[0][0]:
            if len(arguments) > 1 and arguments[1][0] == "IMPORTED":
                continue
            targets[arguments[0][0]] = layer_of(f)

source_dir_pattern = re.compile(r"\$\{(CMAKE_SOURCE_DIR|PROJECT_SOURCE_DIR|CMAKE_CURRENT_SOURCE_DIR|CMAKE_CURRENT_LIST_DIR)\}(/[^;\s]*)?")
for f in cmake_files:
    source = layer_of(f)
    if source is None:
        continue
    directory = os.path.dirname(f)
    for name, arguments in parsed[f]:
        if name == "target_link_libraries" and arguments:
            linking = targets.get(arguments[0][0]) or source
            for library, number in arguments[1:]:
                if library in targets and targets[library] and not allowed(linking, targets[library]):
                    problem(f"{f}:{number}", f"{linking} -> {targets[library]} "
                                             f"({arguments[0][0]} links {library})")
        for argument, number in arguments:
            for match in source_dir_pattern.finditer(argument):
                base = "" if match.group(1) in ("CMAKE_SOURCE_DIR", "PROJECT_SOURCE_DIR") else directory
                path = resolve(base, (match.group(2) or "/").lstrip("/") or ".")
                check(f"{f}:{number}", source, path, argument)
            if argument.startswith("../"):
                check(f"{f}:{number}", source, resolve(directory, argument), argument)

def order(item):
    where = item[0].rsplit(":", 1)
    return (where[0], int(where[1])) if len(where) == 2 and where[1].isdigit() else (item[0], 0)

for where, text in sorted(problems, key=order):
    print(f"{where}: {text}")
if problems:
    sys.exit(1)
print(f"check-layers: {len(source_files)} sources and {len(cmake_files)} CMake files follow {layers_name}",
      file=sys.stderr)
PY
