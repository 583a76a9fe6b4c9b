import sys


def add3(a, b, c):
    return a + b + c


def inc(a):
    return a + 1


def main(n):
    s = 0
    i = 0
    while i < n:
        s = add3(s, i, 1)
        i = inc(i)
    print("CHECKSUM", s)


main(int(sys.argv[1]))
