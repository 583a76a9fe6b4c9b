import sys


def main(n):
    l = []
    for i in range(n):
        l.append(i)
    print("CHECKSUM", len(l))


main(int(sys.argv[1]))
