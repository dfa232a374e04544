import kestrune
import pandas as pd

print(kestrune.check("ヤマﾀﾞ", "full-katakana").suggestion)

customers = pd.DataFrame({"kana": ["ヤマダ　タロウ", "すずき　はなこ", "イトウ　①"],
                          "account": ["ﾔﾏﾀﾞ ﾀﾛｳ", "ｽｽﾞｷ ﾊﾅｺ", "ｲﾄｳ ﾊﾙｶ"]})
for failure in kestrune.check_column(customers["kana"], "full-katakana,max-bytes=40"):
    print(failure.row, failure.rule, failure.position, failure.character, failure.suggestion)
