import sys


def main(n):
    s = 0
    for i in range(n):
        s += i
    print("CHECKSUM", s)


main(int(sys.argv[1]))
