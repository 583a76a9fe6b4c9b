"""Product of two n x n matrices of pseudo-random numbers below 100, held as
lists of row lists, one dot product call per cell."""
import sys


def main():
    n = int(sys.argv[1])
    seed = 3

    def random_row():
        nonlocal seed
        row = []
        for _ in range(n):
            seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
            row.append(seed - (seed // 100) * 100)
        return row

    ma, mb = [], []
    for _ in range(n):
        ma.append(random_row())
        mb.append(random_row())

    def dot(a_row, column):
        total = 0
        for k in range(n):
            total += a_row[k] * mb[k][column]
        return total

    mc = [[dot(a_row, column) for column in range(n)] for a_row in ma]
    trace = 0
    total = 0
    for i, row in enumerate(mc):
        trace += row[i]
        for value in row:
            total = (total + value) - ((total + value) // 1000003) * 1000003
    print("CHECKSUM", trace, total)


main()
