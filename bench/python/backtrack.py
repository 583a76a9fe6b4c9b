"""N-queens counted by backtracking: cols[r] is the column of the queen in
row r; safe() checks a square against the rows above, one recursive call
per row."""
import sys


def safe(i, row, col):
    if i < 0:
        return 1
    q = cols[i]
    if q == col:
        return 0
    if q - col == row - i:
        return 0
    if col - q == row - i:
        return 0
    return safe(i - 1, row, col)


def place(row):
    global placed
    if row == n:
        return 1
    count = 0
    for col in range(n):
        if safe(row - 1, row, col):
            cols[row] = col
            placed += 1
            count += place(row + 1)
    return count


def main():
    global n, cols, placed
    n = int(sys.argv[1])
    cols = [0] * n
    placed = 0
    solutions = place(0)
    print("CHECKSUM", solutions, placed)


main()
