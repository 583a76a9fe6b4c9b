"""A text built from numbers through the conversion builtins (str, len,
float, int, a type test), then read back character by character."""
import sys


def main():
    n = int(sys.argv[1])
    s = ""
    width = half = ints = 0
    for i in range(n):
        k = (i * 7) - ((i * 7) // 1000) * 1000
        t = str(k)
        s += t
        s += ","
        width += len(t)
        half += int(float(k) / 2)
        if type(k) is int:
            ints += 1
    total = count = cur = 0
    for ch in s:
        if ch == ",":
            total += cur
            count += 1
            cur = 0
        if ch != ",":
            cur = cur * 10 + int(ch)
    print("CHECKSUM", len(s), width, half, ints, total, count)


main()
