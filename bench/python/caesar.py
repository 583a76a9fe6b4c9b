"""Caesar cipher over a text of n letters and blanks: each character looked
up in the alphabet, shifted, and the text built again; decoded back,
compared, and the vowels and a hash of the secret counted."""
import sys

LETTERS = "abcdefghijklmnopqrstuvwxyz"


def position(items, item):
    index = items.find(item)
    return len(items) if index < 0 else index


def shift(text, by):
    out = ""
    for ch in text:
        pos = position(LETTERS, ch)
        if pos == 26:
            out += ch
        else:
            out += LETTERS[(pos + by) - ((pos + by) // 26) * 26]
    return out


def main():
    n = int(sys.argv[1])
    seed = 5
    text = ""
    for _ in range(n):
        seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
        pick = seed - (seed // 32) * 32
        text += " " if pick >= 26 else LETTERS[pick]
    secret = shift(text, 3)
    back = shift(secret, 23)
    same = 1 if back == text else 0
    found = 0
    hash_value = 0
    for ch in secret:
        if position("aeiou", ch) < 5:
            found += 1
        pos = position(LETTERS, ch)
        hash_value = (hash_value * 31 + pos) - ((hash_value * 31 + pos) // 1000003) * 1000003
    print("CHECKSUM", len(secret), same, found, hash_value)


main()
