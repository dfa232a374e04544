# SPDX-License-Identifier: MIT
"""The module on Dask: a CSV in code page 932 read in partitions by worker processes of a
LocalCluster, two columns checked with map_partitions, gives the failing rows kestrune-check
gives for the same file."""
import json
import os
import random
import subprocess

import pytest

import kestrune

dd = pytest.importorskip("dask.dataframe")
distributed = pytest.importorskip("distributed")
import pandas as pd  # noqa: E402

# Tornado, under distributed 2022.12, warns of its own start-up.
pytestmark = pytest.mark.filterwarnings("ignore:make_current is deprecated:DeprecationWarning")

COLUMNS = {"kana": "full-katakana,max-bytes=20", "account": "zengin,max-bytes=16,required"}


def customers(rng, count):
    """Rows of an id, a name in katakana and an account name in the bank set, a few of each
    wrong: hiragana, half-width kana, vendor characters, small kana, lower case, empty, long."""
    kana = "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン"
    bank = "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ0123456789ABCXYZ"
    wrong_kana = ["あ", "ｱ", "①", "髙", "A", "﨑", "ヴ"]
    wrong_bank = ["ｬ", "ｯ", "a", "ア", "ｰ", "_"]
    rows = []
    for k in range(count):
        name = "".join(rng.choice(kana) for _ in range(rng.randrange(1, 6)))
        account = "".join(rng.choice(bank) for _ in range(rng.randrange(1, 12)))
        if rng.random() < 0.05:
            at = rng.randrange(len(name) + 1)
            name = name[:at] + rng.choice(wrong_kana) + name[at:]
        if rng.random() < 0.05:
            at = rng.randrange(len(account) + 1)
            account = account[:at] + rng.choice(wrong_bank) + account[at:]
        if rng.random() < 0.02:
            account = "" if rng.random() < 0.5 else account * 3
        rows.append((str(k + 1), name + "　" + name, account))
    return rows


def expected_failures(path):
    """(id, column, rule, position) of each column's first failed rule, from kestrune-check."""
    command = [os.environ["KESTRUNE_CHECK"], "--csv", "--header", "--quiet", "--json"]
    for column, rules in COLUMNS.items():
        command += ["--column", f"{column}:{rules}"]
    run = subprocess.run(command + [str(path)], capture_output=True, text=True, check=False)
    assert run.returncode in (0, 1), run.stderr
    found = {}
    for line in run.stdout.splitlines():
        result = json.loads(line)
        key = (result["record"] - 1, result["column"])  # the header is record 1, id 1 record 2
        if not result["ok"] and key not in found:
            found[key] = (result["operation"], result["position"])
    return {(k[0], k[1], rule, position) for k, (rule, position) in found.items()}


def test_map_partitions_on_a_local_cluster_finds_what_kestrune_check_finds(tmp_path):
    rows = customers(random.Random(23), 3000)
    path = tmp_path / "customers.csv"
    with open(path, "w", encoding="cp932", newline="") as out:
        out.write("id,kana,account\r\n")
        out.writelines(",".join(row) + "\r\n" for row in rows)

    def failures(part):
        # Runs in the workers; the module is imported there as here.
        found = []
        for column, rules in COLUMNS.items():
            for f in kestrune.check_column(part[column], rules):
                found.append((int(part.at[f.row, "id"]), column, f.rule, f.position))
        return pd.DataFrame(found, columns=["id", "column", "rule", "position"])

    meta = pd.DataFrame({"id": pd.Series(dtype="int64"), "column": pd.Series(dtype=object),
                         "rule": pd.Series(dtype=object), "position": pd.Series(dtype="int64")})
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None, local_directory=str(tmp_path),
                                  silence_logs=40) as cluster, distributed.Client(cluster):
        frame = dd.read_csv(str(path), encoding="cp932", dtype=str, keep_default_na=False,
                            blocksize=16 * 1024)
        assert frame.npartitions > 3
        got = frame.map_partitions(failures, meta=meta).compute()

    expected = expected_failures(path)
    assert len(expected) > 100
    assert set(got.itertuples(index=False, name=None)) == expected
    assert len(got) == len(expected)
