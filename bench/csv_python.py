#!/usr/bin/env python3
"""The CSV check of bench/compare-csv written in Python as a user would write it: the csv module,
one compiled regular expression per column rule, and the code page 932 size for max-bytes.

The character classes approximate kestrune-check's rules with symbols allowed (the common
full-width and ASCII symbols, not every one); they agree on the file bench_csv writes, and the
point is what the checking costs. Prints how many records fail.

Usage: csv_python.py FILE
"""
import csv
import re
import sys

# Half-width digits; ASCII punctuation and space, and the half-width symbols, pass as symbols.
HALF_DIGITS = re.compile(r"[0-9 -/:-@\[-`{-~｡-･ｰﾞﾟ]*")
HALF_DIGITS_REQUIRED = re.compile(r"[0-9 -/:-@\[-`{-~｡-･ｰﾞﾟ]+")
# Full-width katakana with the long vowel mark, and the common full-width symbols.
FULL_KATAKANA = re.compile(r"[ァ-ヶー・　、。，．：；？！（）「」『』【】［］｛｝〔〕〈〉《》＋－＝／＼～…‥※〒]*")
# Half-width katakana with their marks, and ASCII punctuation and space.
HALF_KATAKANA = re.compile(r"[｡-ﾟ -/:-@\[-`{-~]*")

# (column name, expression, byte limit or None), as bench_csv's --column options.
RULES = [
    ("ID", HALF_DIGITS_REQUIRED, None),
    ("氏名カナ", FULL_KATAKANA, 40),
    ("郵便番号", HALF_DIGITS, None),
    ("カナ", HALF_KATAKANA, 30),
]


def main(path):
    failing = 0
    with open(path, encoding="cp932", newline="") as file:
        reader = csv.reader(file)
        header = next(reader)
        columns = [(header.index(name), pattern, limit) for name, pattern, limit in RULES]
        for row in reader:
            ok = len(row) == len(header)
            if ok:
                for index, pattern, limit in columns:
                    field = row[index]
                    if not pattern.fullmatch(field) or (
                        limit is not None and len(field.encode("cp932")) > limit
                    ):
                        ok = False
                        break
            if not ok:
                failing += 1
    print(failing)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-1])
    main(sys.argv[1])
