#!/usr/bin/env python3
"""The floors of the sources, read from their includes (tests, benchmarks and
fuzzers left out): no include from a lower floor to a higher one, no circle
between units (a header and its .cpp), no toolkit in nav/ and movie/.
Prints every offence and exits 1 when there is one."""
import os
import re
import sys

# Bottom first; a unit may include its own floor and the floors below.
FLOORS = ["platform", "engine", "color", "files", "frame", "nav", "movie", "cli",
          "platform/qt", "windows", "app"]
TOOLKIT_FREE = ("nav/", "movie/")
INCLUDE = re.compile(r'^\s*#\s*include\s+([<"])([^>"]+)[>"]', re.M)


def floor_of(path):
    folder = os.path.dirname(path)
    return FLOORS.index(folder) if folder in FLOORS else None


def read_sources(root):
    sources = {}
    for floor in FLOORS:
        folder = os.path.join(root, floor)
        for name in sorted(os.listdir(folder)):
            if name.endswith((".h", ".cpp")):
                with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                    sources[f"{floor}/{name}"] = f.read()
    return sources


def unit_graph(sources):
    graph = {}
    offences = []
    for path, text in sources.items():
        unit = os.path.splitext(path)[0]
        graph.setdefault(unit, set())
        for kind, target in INCLUDE.findall(text):
            if kind == "<":
                if path.startswith(TOOLKIT_FREE) and target.startswith("Q"):
                    offences.append(f"toolkit in {path}: <{target}>")
                continue
            if target not in sources:
                continue
            if floor_of(target) > floor_of(path):
                offences.append(f"upward include: {path} -> {target}")
            target_unit = os.path.splitext(target)[0]
            if target_unit != unit:
                graph[unit].add(target_unit)
    return graph, offences


def circles(graph):
    """Strongly connected components with more than one unit (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(graph.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    graph, offences = unit_graph(read_sources(root))
    offences += ["circle: " + " <-> ".join(c) for c in circles(graph)]
    for offence in offences:
        print(offence)
    print(f"{len(graph)} units, {len(offences)} offences")
    return 1 if offences else 0


if __name__ == "__main__":
    sys.exit(main())
