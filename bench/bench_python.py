#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""kestrune.check_column over a million short names beside the same check written as a user
would in Python: a compiled regular expression for full-width katakana and
len(s.encode("cp932")) for the byte limit. Both must find the same failing rows; prints the
best of a few runs of each and the ratio.

    PYTHONPATH=build/python /usr/bin/python3 bench/bench_python.py [--count N] [--runs N]
"""
import argparse
import random
import re
import time

import kestrune

RULES = "full-katakana,max-bytes=20"
# Full-width katakana with the symbols a name holds: the long vowel mark, the middle dot and
# the full-width space.
KATAKANA = re.compile(r"[ァ-ヶー・　]*")


def names(count, seed=23):
    """Katakana names of 2 to 8 characters, one in a hundred with hiragana, a half-width kana or
    a Latin letter, one in a hundred too long."""
    rng = random.Random(seed)
    kana = "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワンガギグゲゴダヂヅデドバビブベボパピプペポャュョッー"
    out = []
    for _ in range(count):
        family = "".join(rng.choices(kana, k=rng.randint(1, 4)))
        given = "".join(rng.choices(kana, k=rng.randint(1, 4)))
        name = family + "　" + given
        roll = rng.random()
        if roll < 0.01:
            at = rng.randrange(len(name))
            name = name[:at] + rng.choice("あｶA") + name[at:]
        elif roll < 0.02:
            name = name + given * 3
        out.append(name)
    return out


def by_hand(values):
    """The check as a user writes it: a loop, the pattern, the encoded length."""
    failing = []
    for row, value in enumerate(values):
        try:
            size = len(value.encode("cp932"))
        except UnicodeEncodeError:
            failing.append(row)
            continue
        if not KATAKANA.fullmatch(value) or size > 20:
            failing.append(row)
    return failing


def with_kestrune(values):
    return [f.row for f in kestrune.check_column(values, RULES)]


def best(function, values, runs):
    """The least wall-clock time, and the least processor time of all threads (on a shared
    machine the second says more of the work done), with the result."""
    times, cpu = [], []
    for _ in range(runs):
        start, start_cpu = time.perf_counter(), time.process_time()
        result = function(values)
        times.append(time.perf_counter() - start)
        cpu.append(time.process_time() - start_cpu)
    return min(times), min(cpu), result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--count", type=int, default=1_000_000)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    values = names(args.count)
    hand_time, hand_cpu, hand = best(by_hand, values, args.runs)
    ours_time, ours_cpu, ours = best(with_kestrune, values, args.runs)
    assert hand == ours, "the two checks disagree"
    try:
        import pandas as pd
        series = pd.Series(values)
        series_time, series_cpu, from_series = best(with_kestrune, series, args.runs)
        assert from_series == list(series.index[ours])
    except ImportError:
        series_time = None
    print(f"{args.count} names, {len(ours)} failing, best of {args.runs}: "
          "wall-clock ms, processor ms, and each as a ratio to the first row")
    rows = [("regex + len(s.encode('cp932'))", hand_time, hand_cpu),
            ("kestrune.check_column (list)", ours_time, ours_cpu)]
    if series_time is not None:
        rows.append(("kestrune.check_column (Series)", series_time, series_cpu))
    for name, wall, cpu in rows:
        print(f"  {name:32} {wall * 1000:8.1f} {cpu * 1000:8.1f}"
              f"  {hand_time / wall:5.1f} x {hand_cpu / cpu:5.1f} x")


if __name__ == "__main__":
    main()
