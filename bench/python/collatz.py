"""Collatz sequences of 1..n: total and longest number of steps."""
import sys


def main():
    n = int(sys.argv[1])
    total = longest = 0
    for i in range(1, n + 1):
        x = i
        steps = 0
        while x != 1:
            h = x // 2
            odd = x - h * 2
            if odd == 0:
                x = h
            if odd:
                x = x * 3 + 1
            steps += 1
        total += steps
        if steps > longest:
            longest = steps
    print("CHECKSUM", total, longest)


main()
