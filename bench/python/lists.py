import sys


def main(n):
    l = []
    for i in range(n):
        l.append(i)
    s = 0
    for e in l:
        s += e
    m = n // 100
    for j in range(m):
        p = j * 97 - (j * 97 // n) * n
        s += l[p]
    length = n
    for j in range(m):
        del l[length - 1]
        length -= 1
    t = 0
    for e in l:
        t += e
    print("CHECKSUM", s, t, len(l))


main(int(sys.argv[1]))
