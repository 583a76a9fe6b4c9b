import sys


def main(n):
    s = ""
    for i in range(n):
        k = i - (i // 8) * 8
        s += "ab" * k
        s += "c"
    print("CHECKSUM", len(s))


main(int(sys.argv[1]))
