import sys


def main(n):
    flags = []
    for i in range(n + 1):
        flags.append(1)
    flags[0] = 0
    flags[1] = 0
    i = 2
    while i * i <= n:
        if flags[i]:
            for j in range(i * i, n + 1, i):
                flags[j] = 0
        i += 1
    count = 0
    total = 0
    for k, e in enumerate(flags):
        if e:
            count += 1
            total += k
    print("CHECKSUM", count, total)


main(int(sys.argv[1]))
