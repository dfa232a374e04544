# SPDX-License-Identifier: MIT
"""The module kestrune: one check through str and bytes alike, check_column against check over
generated values, and what bad arguments raise."""
import random

import pandas as pd
import pytest

import kestrune

# Characters of every kind the checks tell apart, in UTF-8: katakana and hiragana, half-width
# kana with the voiced mark, letters and digits of both widths, symbols, kanji, vendor
# characters (① NEC, 髙 IBM), a user-defined one, and characters code page 932 lacks.
POOL = list("アイウカガダヂヲンーあいがを　・ｱｲｶｶﾞﾀﾞｯｬﾟﾞ-.()/ 09AZaz０９ＡＺａｚ!?？！山田髙①Ⅰ∵") + [
    "\ue000", "😀", "é", "\u3099",
]
RULE_LISTS = [
    "full-katakana", "half-katakana,no-symbols", "zengin,max-bytes=8,required", "jis",
    "cp932,max-bytes=3", "full-hiragana,required", "half-alnum", "digits", "char-count",
]


def generated(rng, count):
    """str mostly, some bytes in code page 932, some missing values."""
    values = []
    for _ in range(count):
        text = "".join(rng.choice(POOL) for _ in range(rng.randrange(0, 7)))
        roll = rng.random()
        if roll < 0.15:
            values.append(kestrune.to_cp932(text))
        elif roll < 0.2:
            values.append(None)
        else:
            values.append(text)
    return values


def expected_failure(row, result):
    first = result.findings[0]
    return kestrune.Failure(row, first.rule or None, first.position, first.kind, first.character,
                            first.suggestion)


@pytest.mark.parametrize("rules", RULE_LISTS)
def test_check_column_agrees_with_check_value_by_value(rules):
    rng = random.Random(rules)
    values = generated(rng, 2000)
    parsed = kestrune.Rules(rules)
    expected = [expected_failure(k, r) for k, v in enumerate(values)
                if not (r := parsed.check(v if v is not None else ""))]
    assert kestrune.check_column(values, parsed) == expected
    # A Series names its rows by its index labels; a plain rule list parses the same.
    labels = [f"r{k}" for k in range(len(values))]
    series = pd.Series(values, index=labels, dtype=object)
    assert kestrune.check_column(series, rules) == [f._replace(row=labels[f.row]) for f in expected]


def test_a_long_column_checked_in_several_runs_keeps_its_rows():
    rng = random.Random(23)
    values = generated(rng, 300_000)
    parsed = kestrune.Rules("full-katakana,max-bytes=6")
    expected = [expected_failure(k, r) for k, v in enumerate(values)
                if not (r := parsed.check(v if v is not None else ""))]
    assert kestrune.check_column(values, parsed) == expected
    assert kestrune.check_column(tuple(values), parsed) == expected


@pytest.mark.parametrize("operation", ["full-katakana", "half-katakana", "jis", "cp932", "zengin",
                                       "full-width", "half-digits", "full-alnum"])
def test_str_and_its_cp932_bytes_give_one_result(operation):
    rng = random.Random(operation)
    for text in generated(rng, 500):
        if not isinstance(text, str) or kestrune.from_cp932(kestrune.to_cp932(text)) != text:
            continue  # a lost character fails the str alone
        for symbols in (True, False):
            a = kestrune.check(text, operation, symbols=symbols, all=True)
            b = kestrune.check(kestrune.to_cp932(text), operation, symbols=symbols, all=True)
            assert (a.ok, a.position, a.positions, a.kind, a.suggestion) == \
                (b.ok, b.position, b.positions, b.kind, b.suggestion), text
            assert a.positions[:1] == ([a.position] if not a.ok else [])


@pytest.mark.parametrize("rules", RULE_LISTS)
def test_a_rule_list_over_str_and_over_its_cp932_bytes_agree(rules):
    rng = random.Random(rules + "bytes")
    parsed = kestrune.Rules(rules)
    for text in generated(rng, 800):
        if not isinstance(text, str) or kestrune.from_cp932(kestrune.to_cp932(text)) != text:
            continue
        a, b = parsed.check(text, all=True), parsed.check(kestrune.to_cp932(text), all=True)
        assert (a.ok, a.position, a.positions, [(r.name, r.ok, r.position, r.measured) for r in a.rules]) == \
            (b.ok, b.position, b.positions, [(r.name, r.ok, r.position, r.measured) for r in b.rules]), text


# operation, text, symbols, ok, position, kind, suggestion
CASES = [
    ("full-katakana", "ヤマﾀﾞ", True, False, 5, None, "ダ"),
    ("full-katakana", "ヤマダ　タロウ", True, True, 0, None, None),
    ("full-katakana", "ヤマダ　タロウ", False, False, 7, None, None),
    ("jis", "a∵", True, True, 0, None, None),
    ("jis", "株①", True, False, 3, "nec-special", None),
    ("cp932", "株\ue000", True, False, 3, "user-defined", None),
    ("zengin", "Suzuki", True, False, 2, None, "U"),
    ("half-digits", "１２３", True, False, 1, None, "1"),
    ("full-katakana", "ア😀", True, False, 3, "not-in-cp932", None),
    ("half-width", "ｱ😀", True, False, 2, "not-in-cp932", None),
]


@pytest.mark.parametrize("operation,text,symbols,ok,position,kind,suggestion", CASES)
def test_check(operation, text, symbols, ok, position, kind, suggestion):
    result = kestrune.check(text, operation, symbols=symbols)
    assert (bool(result), result.ok, result.position, result.kind, result.suggestion) == \
        (ok, ok, position, kind, suggestion)


def test_rules_report_each_rule():
    result = kestrune.Rules("full-katakana,max-bytes=4,required").check("アイウ")
    assert [(r.name, r.ok, r.position, r.measured) for r in result.rules] == \
        [("full-katakana", True, 0, 0), ("max-bytes", False, 5, 6), ("required", True, 0, 0)]
    assert kestrune.Rules("zengin,fold-small-kana,trim").names == ["zengin"]


@pytest.mark.parametrize("call,error", [
    (lambda: kestrune.check("ア", "katakana"), ValueError),
    (lambda: kestrune.Rules("full-katakana,kana"), ValueError),
    (lambda: kestrune.Rules("max-bytes=0"), ValueError),
    (lambda: kestrune.Rules("truncate"), ValueError),
    (lambda: kestrune.check(12, "jis"), TypeError),
    (lambda: kestrune.check_column(["ア", 3], "jis"), TypeError),
    (lambda: kestrune.check_column(5, "jis"), TypeError),
])
def test_bad_arguments_raise(call, error):
    with pytest.raises(error):
        call()


def test_a_lone_surrogate_is_ill_formed_not_an_exception():
    for result in (kestrune.check("a\ud800", "jis"), kestrune.Rules("jis").check("a\ud800")):
        assert (result.ok, result.position, result.kind) == (False, 2, "ill-formed-utf-8")
    assert kestrune.check_column(["a\ud800"], "half-width")[0].kind == "ill-formed-utf-8"


def test_conversion_round_trip():
    text = "".join(c for c in POOL if c not in "\ue000😀é\u3099")
    assert kestrune.from_cp932(kestrune.to_cp932(text)) == text
    assert kestrune.to_cp932("a😀") == b"a?"
    assert kestrune.from_cp932(b"\x83\x41\x80") == "ア\ufffd"


def test_docstrings_and_stub():
    import pathlib
    assert kestrune.check.__doc__ and kestrune.check_column.__doc__ and kestrune.Rules.__doc__
    stub = pathlib.Path(kestrune.__file__).with_name("kestrune.pyi")
    assert "def check_column" in stub.read_text(encoding="utf-8")
