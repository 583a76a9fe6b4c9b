import sys

# The ZIRN dict library: two parallel lists, keys and values, searched linearly.


def find(keys, key):
    try:
        return keys.index(key)
    except ValueError:
        return len(keys)


def dict_new():
    return [[], []]


def insertdict(d, key, value):
    keys, values = d
    temp = find(keys, key)
    if temp != len(keys):
        del keys[temp]
        del values[temp]
    keys.append(key)
    values.append(value)
    return [keys, values]


def getdict(d, key):
    keys, values = d
    return values[find(keys, key)]


def removedict(d, key):
    keys, values = d
    temp = find(keys, key)
    del keys[temp]
    del values[temp]
    return [keys, values]


def main(n):
    d = dict_new()
    for i in range(n):
        d = insertdict(d, "k" + str(i), i)
    s = 0
    for i in range(n):
        s += getdict(d, "k" + str(i))
    for i in range(0, n, 2):
        d = insertdict(d, "k" + str(i), i * 3)
    for i in range(0, n, 5):
        d = removedict(d, "k" + str(i))
    w = 0
    p = 0
    for e in d[1]:
        p += 1
        w += p * e
    print("CHECKSUM", s, w, p)


main(int(sys.argv[1]))
