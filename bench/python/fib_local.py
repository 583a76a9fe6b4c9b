import sys


def fibl(n):
    if n < 2:
        return n
    return fibl(n - 1) + fibl(n - 2)


print("CHECKSUM", fibl(int(sys.argv[1])))
