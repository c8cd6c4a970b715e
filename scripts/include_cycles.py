#!/usr/bin/env python3
"""Lists the include cycles between the modules of a source tree.

    include_cycles.py [SRC]      (default: src)

A module is a header and its source (X.h + X.cpp, by path without the
extension). Module A depends on module B when one of A's files includes one
of B's with a quoted #include. The include is resolved like the compiler
does for this project: a file beside the includer first, else the only file
under SRC whose path ends with the included name (the engine's rooms are
include directories of their own).

Prints every group of modules that reach each other (a strongly connected
component of more than one module), largest first, then the last line
"include cycles: N (largest M modules)". Exits with 1 when N > 0.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
EXTENSIONS = (".h", ".hpp", ".cpp", ".cc", ".c")


def source_files(root):
    for folder, _, names in os.walk(root):
        for name in sorted(names):
            if name.endswith(EXTENSIONS):
                yield os.path.normpath(os.path.join(folder, name))


def module_of(path):
    return os.path.splitext(path)[0]


def dependency_graph(root):
    files = list(source_files(root))
    by_name = {}
    for f in files:
        by_name.setdefault(os.path.basename(f), []).append(f)
    graph = {module_of(f): set() for f in files}
    for f in files:
        with open(f, errors="replace") as text:
            includes = INCLUDE.findall(text.read())
        for inc in includes:
            target = os.path.normpath(os.path.join(os.path.dirname(f), inc))
            if not os.path.exists(target):
                suffix = os.sep + os.path.normpath(inc)
                found = [c for c in by_name.get(os.path.basename(inc), []) if c.endswith(suffix)]
                if len(found) != 1:
                    continue  # a system header, or a name that is not unique
                target = found[0]
            if module_of(target) != module_of(f):
                graph[module_of(f)].add(module_of(target))
    return graph


def strongly_connected(graph):
    """Tarjan's algorithm, iterative (a deep include chain needs no recursion)."""
    index, low, on_stack, stack, groups = {}, {}, set(), [], []
    counter = 0
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, edges = work[-1]
            advanced = False
            for nxt in edges:
                if nxt not in index:
                    index[nxt] = low[nxt] = counter
                    counter += 1
                    stack.append(nxt)
                    on_stack.add(nxt)
                    work.append((nxt, iter(sorted(graph.get(nxt, ())))))
                    advanced = True
                    break
                if nxt in on_stack:
                    low[node] = min(low[node], index[nxt])
            if advanced:
                continue
            work.pop()
            if work:
                parent = work[-1][0]
                low[parent] = min(low[parent], low[node])
            if low[node] == index[node]:
                group = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    group.append(member)
                    if member == node:
                        break
                if len(group) > 1:
                    groups.append(sorted(group))
    return groups


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "src"
    if not os.path.isdir(root):
        print("include_cycles.py: no folder %s" % root, file=sys.stderr)
        return 2
    groups = sorted(strongly_connected(dependency_graph(root)), key=len, reverse=True)
    for group in groups:
        print("cycle of %d: %s" % (len(group), " ".join(os.path.relpath(m, root) for m in group)))
    largest = max((len(g) for g in groups), default=0)
    print("include cycles: %d (largest %d modules)" % (len(groups), largest))
    return 1 if groups else 0


if __name__ == "__main__":
    sys.exit(main())
