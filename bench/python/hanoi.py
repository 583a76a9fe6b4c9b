"""Towers of Hanoi with the three pegs as lists: every move takes the top
disk off one list and appends it to another."""
import sys


def hanoi(count, source, target, spare):
    global moves, weight
    if count > 0:
        hanoi(count - 1, source, spare, target)
        src = pegs[source]
        top = len(src) - 1
        disk = src[top]
        moves += 1
        weight += disk * (moves - (moves // 7) * 7)
        pegs[target].append(disk)
        del src[top]
        hanoi(count - 1, spare, target, source)


def main():
    global pegs, moves, weight
    n = int(sys.argv[1])
    pegs = [list(range(n, 0, -1)), [], []]
    moves = weight = 0
    hanoi(n, 0, 2, 1)
    print("CHECKSUM", moves, weight, len(pegs[2]), len(pegs[0]))


main()
