"""Text processing: a text of n two-syllable words, read back character by
character into words, each word counted in a list of distinct words found by
a linear search (list.index)."""
import sys


def position(items, item):
    try:
        return items.index(item)
    except ValueError:
        return len(items)


def main():
    n = int(sys.argv[1])
    syllables = ["ka", "lo", "mi", "ne", "tu", "ra", "si", "po"]
    seed = 11
    text = ""
    for _ in range(n):
        seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
        first = syllables[seed - (seed // 8) * 8]
        seed = (seed * 75 + 74) - ((seed * 75 + 74) // 65537) * 65537
        second = syllables[seed // 8 - (seed // 64) * 8]
        text += first + second + " "
    words = []
    counts = []
    word = ""
    total = 0
    for ch in text:
        if ch == " ":
            pos = position(words, word)
            if pos == len(words):
                words.append(word)
                counts.append(0)
            counts[pos] += 1
            total += 1
            word = ""
        if ch != " ":
            word += ch
    weighted = 0
    for p, count in enumerate(counts, 1):
        weighted += count * p
    letters = sum(len(w) for w in words)
    print("CHECKSUM", len(words), total, weighted, letters)


main()
