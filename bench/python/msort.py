"""Merge sort with the order passed in as a function: msort splits by
walking the list, merge asks the order function for every pair."""
import sys


def before(a, b):
    return a <= b


def merge(a, b, order):
    out = []
    i = j = 0
    na, nb = len(a), len(b)
    while i < na and j < nb:
        x = a[i]
        y = b[j]
        first = order(x, y)
        if first:
            out.append(x)
            i += 1
        if not first:
            out.append(y)
            j += 1
    while i < na:
        out.append(a[i])
        i += 1
    while j < nb:
        out.append(b[j])
        j += 1
    return out


def msort(items, order):
    size = len(items)
    if size < 2:
        return items
    left = []
    right = []
    k = 0
    for item in items:
        if k < size // 2:
            left.append(item)
        if k >= size // 2:
            right.append(item)
        k += 1
    return merge(msort(left, order), msort(right, order), order)


def main():
    n = int(sys.argv[1])
    data = []
    seed = 5
    for _ in range(n):
        seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
        data.append(seed)
    result = msort(data, before)
    weighted = 0
    for p, x in enumerate(result, 1):
        weighted += x * p
    print("CHECKSUM", weighted, result[0], result[n - 1], len(result))


main()
