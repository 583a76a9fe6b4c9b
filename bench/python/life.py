"""Game of Life on a 32 x 32 torus held as a list of row lists; at() reads a
cell with wrap-around, every generation builds a new grid."""
import sys

SIDE = 32


def at(r, c):
    row = grid[(r + SIDE) - ((r + SIDE) // SIDE) * SIDE]
    return row[(c + SIDE) - ((c + SIDE) // SIDE) * SIDE]


def main():
    global grid
    n = int(sys.argv[1])
    seed = 7
    grid = []
    for r in range(SIDE):
        row = []
        for c in range(SIDE):
            seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
            alive = 0
            if seed > 43690:
                alive = 1
            row.append(alive)
        grid.append(row)
    for gen in range(n):
        nxt = []
        for r in range(SIDE):
            nextrow = []
            here = grid[r]
            for c in range(SIDE):
                count = at(r - 1, c - 1) + at(r - 1, c) + at(r - 1, c + 1) + at(r, c - 1)
                count += at(r, c + 1) + at(r + 1, c - 1) + at(r + 1, c) + at(r + 1, c + 1)
                me = here[c]
                alive = 0
                if count == 3:
                    alive = 1
                if count == 2:
                    alive = me
                nextrow.append(alive)
            nxt.append(nextrow)
        grid = nxt
    live = 0
    weight = 0
    for r, row in enumerate(grid):
        for c, cell in enumerate(row):
            if cell:
                live += 1
                weight += r * SIDE + c
    print("CHECKSUM", live, weight)


main()
