"""Backtracking Sudoku solver on a flat list of 81 cells: solve() fills the
empty cells in order, ok() checks a digit against its row, column and box."""
import sys

PUZZLE = "530070000600195000098000060800060003400803001700020006060000280000419005000080079"


def ok(pos, d):
    r = pos // 9
    c = pos - r * 9
    box = (r // 3) * 27 + (c // 3) * 3
    good = 1
    i = 0
    while i < 9:
        va = g[r * 9 + i]
        vb = g[i * 9 + c]
        vc = g[box + (i // 3) * 9 + (i - (i // 3) * 3)]
        if va == d or vb == d or vc == d:
            good = 0
            i = 9
        i += 1
    return good


def solve(k):
    global tries
    if k == free:
        return 1
    pos = empties[k]
    found = 0
    d = 1
    while d <= 9:
        if ok(pos, d):
            g[pos] = d
            tries += 1
            if solve(k + 1):
                found = 1
                d = 9
            if found == 0:
                g[pos] = 0
        d += 1
    return found


def main():
    global g, empties, free, tries
    n = int(sys.argv[1])
    total = 0
    tries = 0
    for _ in range(n):
        g = []
        empties = []
        p = 0
        for ch in PUZZLE:
            g.append(int(ch))
            if ch == "0":
                empties.append(p)
            p += 1
        free = len(empties)
        solved = solve(0)
        k = 0
        for x in g:
            k += 1
            total += x * k
        total += solved
    print("CHECKSUM", total, tries)


main()
