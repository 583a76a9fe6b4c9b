"""Bubble sort of n pseudo-random numbers below 1000 on a list, swapping
neighbours in place; counts the swaps."""
import sys


def main():
    n = int(sys.argv[1])
    seed = 7
    values = []
    for _ in range(n):
        seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
        values.append(seed - (seed // 1000) * 1000)
    swaps = 0
    last = n - 1
    while last > 0:
        for j in range(last):
            if values[j] > values[j + 1]:
                values[j], values[j + 1] = values[j + 1], values[j]
                swaps += 1
        last -= 1
    weighted = sum(v * p for p, v in enumerate(values, 1))
    print("CHECKSUM", swaps, weighted, values[0], values[n - 1])


main()
