"""Appending a converted number to a text, n times."""
import sys


def main():
    n = int(sys.argv[1])
    s = ""
    for k in range(n):
        s += str(k)
    print("CHECKSUM", len(s))


main()
