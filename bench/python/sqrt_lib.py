import struct
import sys

# The ZIRN math library's sqrt: Newton's iteration until two successive
# estimates differ by less than the single-precision literal 0.0000000001.
TOLERANCE = struct.unpack("f", struct.pack("f", 0.0000000001))[0]


def abs_(a):
    if a < 0:
        return a - a * 2
    return a


def sqrt(a):
    x = float(a)
    if x < 2:
        return x
    y = x
    z = (y + x / y) / 2
    while abs_(y - z) >= TOLERANCE:
        y = z
        z = (y + x / y) / 2
    return z


def main(n):
    acc = 0
    for i in range(1, n + 1):
        r = sqrt(i)
        acc += int(r * 1000 + 0.5)
    print("CHECKSUM", acc)


main(int(sys.argv[1]))
