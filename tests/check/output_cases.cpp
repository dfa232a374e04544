// The table of what kestrune-check prints, shared by the in-process test and the run of
// kestrune-check.exe under Wine. Expected lines are spelled in UTF-8 (the output encoding the
// rows are run with) and inputs converted to code page 932 by the test's own converter.
#include "output_cases.h"

#include "bytes.h"

std::vector<OutputCase> OutputCases(const std::string& layout) {
    const std::string in = "(standard input):";
    const std::string customers = Sjis("ID,氏名カナ\r\n1,ヤマダ\r\n\"2\",\"ス,ズキ\"\r\nx\r\n");
    // clang-format off
    return {
        // アイウ passes; アaイ stops at the a, byte 3.
        {"katakana per record", {"--full-katakana"}, Sjis("アイウ\nアaイ\n"),
         in + "1: 全角カタカナ：ＯＫ\n" + in + "2: 全角カタカナ：ＮＧ (3バイト目)\n" + in + "2: 　　　> ア 【a】 イ\n", 1},
        // CR LF ends records; the CR is in neither the check nor the excerpt.
        {"CR LF records", {"--half-katakana"}, Sjis("ｱｲ\r\nｱ1\r\n"),
         in + "1: 半角カタカナ：ＯＫ\n" + in + "2: 半角カタカナ：ＮＧ (2バイト目)\n" + in + "2: 　　　> ｱ 【1】 \n", 1},
        // A CR not before an LF stays in the record: ｱ CR fails at byte 2 with symbols off.
        {"lone CR is data", {"--half-katakana", "--no-symbols"}, Sjis("ｱ\rｲ"),
         in + "1: 半角カタカナ：ＮＧ (2バイト目)\n" + in + "1: 　　　> ｱ 【\r】 ｲ\n", 1},
        // Operations in the order given; an empty record and a last record without LF.
        {"several operations", {"--char-count", "--full-width", "--byte-size"}, Sjis("\nあいa"),
         in + "1: 文字数：0文字\n" + in + "1: 全角：ＯＫ\n" + in + "1: 文字サイズ：0バイト\n" +
         in + "2: 文字数：3文字\n" + in + "2: 全角：ＮＧ (5バイト目)\n" + in + "2: 　　　> あい 【a】 \n" + in + "2: 候補「ａ」 (5バイト目)\n" +
         in + "2: 文字サイズ：5バイト\n", 1},
        // ア・イ: the middle dot is a symbol, allowed by default and not with --no-symbols.
        {"symbols allowed by default", {"--full-katakana"}, Sjis("ア・イ\n"), in + "1: 全角カタカナ：ＯＫ\n", 0},
        {"no symbols", {"--full-katakana", "--no-symbols"}, Sjis("ア・イ\n"),
         in + "1: 全角カタカナ：ＮＧ (3バイト目)\n" + in + "1: 　　　> ア 【・】 イ\n", 1},
        // --quiet prints only the failing record, with all its lines.
        {"quiet", {"--quiet", "--half-digits", "--byte-size"}, Sjis("123\n12a\n456\n"),
         in + "2: 半角数値：ＮＧ (3バイト目)\n" + in + "2: 　　　> 12 【a】 \n" + in + "2: 文字サイズ：3バイト\n", 1},
        // The second tab-separated field; positions count from the field's start.
        {"field", {"--field", "2", "--half-alnum"}, Sjis("ｱｲ\tabc1\tｳ\n"), in + "1: 半角英数：ＯＫ\n", 0},
        {"missing field is empty", {"--field", "3", "--full-hiragana"}, Sjis("a\tb\n"), in + "1: 全角ひらがな：ＯＫ\n", 0},
        // ポ is 0x83 0x7C: its trail byte is a |, which must not split the field.
        {"delimiter inside a character", {"--field=1", "--delimiter=|", "--full-katakana"}, Sjis("ポポ|x\n"),
         in + "1: 全角カタカナ：ＯＫ\n", 0},
        // UTF-8 input: 😀 becomes "?" at byte 2 and is reported before the result lines; the
        // record fails even though the operation has nothing to reject.
        {"utf-8 with a character outside code page 932", {"--input-encoding", "utf-8", "--byte-size"},
         "a\xF0\x9F\x98\x80" "b\n", in + "1: コードページ932にない文字 U+1F600 (2バイト目)\n" + in + "1: 文字サイズ：3バイト\n", 1},
        // 〜 (U+301C) is the wave dash of code page 932 on Linux, so nothing is lost.
        {"utf-8 wave dash", {"--input-encoding=utf-8", "--full-hiragana"}, "あ\xE3\x80\x9Cい\n",
         in + "1: 全角ひらがな：ＯＫ\n", 0},
        {"utf-8 failing", {"--input-encoding=utf-8", "--full-hiragana"}, "あア\n",
         in + "1: 全角ひらがな：ＮＧ (3バイト目)\n" + in + "1: 　　　> あ 【ア】 \n" + in + "1: 候補「あ」 (3バイト目)\n", 1},
        // JSON: one object per record and operation, lines in UTF-8.
        {"json", {"--json", "--input-encoding=utf-8", "--full-katakana"}, "ア\"\xF0\x9F\x98\x80\n",
         R"j({"file":"(standard input)","record":1,"line":1,"operation":"cp932-unrepresentable","ok":false,"position":4,"lines":["コードページ932にない文字 U+1F600 (4バイト目)"]})j" "\n"
         R"j({"file":"(standard input)","record":1,"line":1,"operation":"full-katakana","ok":false,"position":3,"suggestion":null,"lines":["全角カタカナ：ＮＧ (3バイト目)","　　　> ア 【\"】 ?"]})j" "\n", 1},
        // Columns by header name, in the order given; a short record fails its field count and
        // its missing field is empty.
        {"csv columns", {"--csv", "--header", "--quiet", "--column", "氏名カナ:full-katakana", "--column", "ID:half-digits,required"},
         customers, in + "3:氏名カナ: 全角カタカナ：ＮＧ (3バイト目)\n" + in + "3:氏名カナ: 　　　> ス 【,】 ズキ\n" + in + "3:氏名カナ: 候補「，」 (3バイト目)\n" +
         in + "3:ID: 半角数値：ＯＫ\n" + in + "3:ID: 必須：ＯＫ\n" + in + "4: フィールド数：ＮＧ (1個、見出しは2個)\n" +
         in + "4:氏名カナ: 全角カタカナ：ＯＫ\n" + in + "4:ID: 半角数値：ＮＧ (1バイト目)\n" + in + "4:ID: 　　　>  【x】 \n" +
         in + "4:ID: 必須：ＯＫ\n", 1},
        {"required and malformed records", {"--csv", "--quiet", "--column", "2:required"}, "a,\"\"\n\"a\"b\n",
         in + "1:2: 必須：ＮＧ (空欄)\n" + in + "2: CSV：ＮＧ (4バイト目) 閉じた \" の後に区切り文字も改行もありません\n", 1},
        {"a layout file", {"--layout", layout}, Sjis("a\tカ・ナ\n"),
         in + "1:2: 全角カタカナ：ＮＧ (3バイト目)\n" + in + "1:2: 　　　> カ 【・】 ナ\n", 1},
        // --all: the NG line keeps the first position; every rejected character is bracketed.
        {"all", {"--all", "--half-katakana"}, Sjis("ｱaｲbー\n"),
         in + "1: 半角カタカナ：ＮＧ (2バイト目)\n" + in + "1: 　　　> ｱ 【a】 ｲ 【b】  【ー】 \n" + in + "1: 候補「ｰ」 (5バイト目)\n", 1},
        // イ straddles the third byte; the record spans two lines.
        {"json of a column", {"--csv", "--all", "--json", "--column", "2:max-bytes=3,half-katakana"}, Sjis("a,\"ア\nイウ\",x\n"),
         R"j({"file":"(standard input)","record":1,"line":1,"field":2,"operation":"max-bytes","ok":false,"position":4,"positions":[4],"size":7,"limit":3,"lines":["最大3バイト：ＮＧ (4バイト目)","　　　> ア\u000a 【イ】 ウ"]})j" "\n"
         R"j({"file":"(standard input)","record":1,"line":1,"field":2,"operation":"half-katakana","ok":false,"position":1,"positions":[1,4,6],"suggestion":"ｱ","suggestions":["ｱ","ｲ","ｳ"],"lines":["半角カタカナ：ＮＧ (1バイト目)","　　　>  【ア】 \u000a 【イ】  【ウ】 ","候補「ｱ」 (1バイト目)","候補「ｲ」 (4バイト目)","候補「ｳ」 (6バイト目)"]})j" "\n", 1},
        // Each character --jis rejects is named, with the JIS X 0208 code of the NEC ∵.
        {"jis names kinds", {"--all", "--jis"}, Bytes("61 87 9A ED 40 F0 40 85 40 0A"),
         in + "1: JIS文字：ＮＧ (2バイト目)\n" + in + "1: 　　　> a 【∵】  【纊】  【\xEE\x80\x80】  【\xEF\xBF\xBD@】 \n" +
         in + "1: NEC特殊文字 87 9A (2バイト目)\n" + in + "1: 候補「∵」 (2バイト目)\n" + in + "1: NEC選定IBM拡張文字 ED 40 (4バイト目)\n" +
         in + "1: 外字 F0 40 (6バイト目)\n" + in + "1: 未定義の文字 85 40 (8バイト目)\n", 1},
        // ｶﾞ passes the bank set; a gets its capital, が nothing.
        {"json kinds and suggestions", {"--json", "--all", "--csv", "--column", "1:cp932", "--column", "2:zengin"},
         Bytes("F0 40 85 40 2C B6 DE 61 82 AA 0A"),
         R"j({"file":"(standard input)","record":1,"line":1,"field":1,"operation":"cp932","ok":false,"position":1,"positions":[1,3],"kind":"user-defined","kinds":["user-defined","undefined"],"suggestion":null,"suggestions":[null,null],"lines":["CP932文字：ＮＧ (1バイト目)","　　　>  【)j" "\xEE\x80\x80" R"j(】  【)j" "\xEF\xBF\xBD" R"j(@】 ","外字 F0 40 (1バイト目)","未定義の文字 85 40 (3バイト目)"]})j" "\n"
         R"j({"file":"(standard input)","record":1,"line":1,"field":2,"operation":"zengin","ok":false,"position":3,"positions":[3,4],"suggestion":"A","suggestions":["A",null],"lines":["全銀文字：ＮＧ (3バイト目)","　　　> ｶﾞ 【a】  【が】 ","候補「A」 (3バイト目)"]})j" "\n", 1},
        // The end of the input right after a delimiter: one more, empty field.
        {"a delimiter ends the input", {"--csv", "--column", "2:required"}, "a,", in + "1:2: 必須：ＮＧ (空欄)\n", 1},
        {"after a quoted field", {"--csv", "--column", "2:byte-size"}, "\"a\"\"b\",", in + "1:2: 文字サイズ：0バイト\n", 0},
        {"quiet json after a header", {"--csv", "--header", "--quiet", "--json", "--column", "y:required"}, "x,y\na,",
         R"j({"file":"(standard input)","record":2,"line":2,"field":2,"column":"y","operation":"required","ok":false,"position":0,"lines":["必須：ＮＧ (空欄)"]})j" "\n", 1},
        // A lone lead byte, and 0x80 with the byte after it, are bracketed whole: no byte of
        // them pairs with a mark.
        {"a lone lead byte at the end", {"--all", "--full-hiragana"}, "\x82\xA0\x81\n",
         in + "1: 全角ひらがな：ＮＧ (3バイト目)\n" + in + "1: 　　　> あ 【\uFFFD】 \n", 1},
        {"json of 0x80 and a lone A0", {"--all", "--json", "--full-hiragana"}, "\x82\xA0\x80\x82\xA0\n",
         R"j({"file":"(standard input)","record":1,"line":1,"operation":"full-hiragana","ok":false,"position":3,"positions":[3,5],"suggestion":null,"suggestions":[null,null],"lines":["全角ひらがな：ＮＧ (3バイト目)","　　　> あ 【��】  【�】 "]})j" "\n", 1},
        {"json of a named field", {"--header", "--field", "カナ", "--json", "--half-katakana"}, Sjis("名\tカナ\nb\tｶﾅ\n"),
         R"j({"file":"(standard input)","record":2,"line":2,"field":2,"column":"カナ","operation":"half-katakana","ok":true,"position":0,"lines":["半角カタカナ：ＯＫ"]})j" "\n", 0},
        // A measurement's number in JSON, beside the line that words it.
        {"json values of measurements", {"--json", "--char-count", "--byte-size"}, Sjis("aア\n"),
         R"j({"file":"(standard input)","record":1,"line":1,"operation":"char-count","ok":true,"position":0,"value":2,"lines":["文字数：2文字"]})j" "\n"
         R"j({"file":"(standard input)","record":1,"line":1,"operation":"byte-size","ok":true,"position":0,"value":3,"lines":["文字サイズ：3バイト"]})j" "\n", 0},

        // --summary. Records 2-4 after the header: x fails ID; やまだ has three rejected
        // characters with suggestions and ア① one without; 名義 measures 4, 7 and 1 bytes (ﾞ is a
        // character of its own), so 7 fails max-bytes=6 and the mean is 4.
        {"summary of columns and measurements", {"--csv", "--header", "--summary", "--json", "--column", "ID:half-digits",
          "--column", "カナ:full-katakana", "--column", "名義:max-bytes=6,char-count"},
         Sjis("ID,カナ,名義\n1,ヤマダ,ﾔﾏﾀﾞ\n2,やまだ,ﾔﾏﾀﾞﾀﾛｳ\nx,ア①,ｱ\n"),
         R"j({"file":"(standard input)","operation":"summary","records":3,"failing":2,"rules":[)j"
         R"j({"field":1,"column":"ID","operation":"half-digits","checked":3,"failing":1,"characters":[{"character":"x","count":1,"suggestion":null,"record":4,"position":1}]},)j"
         R"j({"field":2,"column":"カナ","operation":"full-katakana","checked":3,"failing":2,"characters":[{"character":"や","count":1,"suggestion":"ヤ","record":3,"position":1},)j"
         R"j({"character":"ま","count":1,"suggestion":"マ","record":3,"position":3},{"character":"だ","count":1,"suggestion":"ダ","record":3,"position":5},)j"
         R"j({"character":"①","count":1,"suggestion":null,"record":4,"position":3}]},)j"
         R"j({"field":3,"column":"名義","operation":"max-bytes","limit":6,"checked":3,"failing":1,"smallest":1,"largest":7,"mean":4,"characters":[]},)j"
         R"j({"field":3,"column":"名義","operation":"char-count","checked":3,"failing":0,"smallest":1,"largest":7,"mean":4,"characters":[]}]})j" "\n", 1},
        // A short record fails its field count and its missing field is empty; a malformed one
        // is checked for nothing else, so column 2 is checked twice in three records.
        {"summary of what records fail as a whole", {"--csv", "--header", "--summary", "--json", "--column", "2:required"},
         "a,b\n1\n\"x\"y,2\n3,4\n",
         R"j({"file":"(standard input)","operation":"summary","records":3,"failing":2,"rules":[)j"
         R"j({"field":2,"column":"b","operation":"required","checked":2,"failing":1,"characters":[]},)j"
         R"j({"field":0,"operation":"field-count","checked":3,"failing":1,"characters":[]},)j"
         R"j({"field":0,"operation":"csv","checked":3,"failing":1,"characters":[]}]})j" "\n", 1},
        // ① twice ranks first; 﨑 (FA B1) and the NEC ∵ (87 9A) once each, in the order seen.
        {"summary of kinds", {"--jis", "--summary", "--json"}, Bytes("87 40 FA B1 87 40 87 9A 0A"),
         R"j({"file":"(standard input)","operation":"summary","records":1,"failing":1,"rules":[{"field":0,"operation":"jis","checked":1,"failing":1,"characters":[)j"
         R"j({"character":"①","count":2,"kind":"nec-special","suggestion":null,"record":1,"position":1},)j"
         R"j({"character":"﨑","count":1,"kind":"ibm-extension","suggestion":null,"record":1,"position":3},)j"
         R"j({"character":"∵","count":1,"kind":"nec-special","suggestion":"∵","record":1,"position":7}]}]})j" "\n", 1},
        // 氏名カナ takes eight columns on a terminal, as its eight bytes in code page 932.
        {"summary table", {"--csv", "--header", "--summary", "--column", "氏名カナ:full-katakana", "--column", "ID:half-digits"},
         Sjis("ID,氏名カナ\n1,さ\n"),
         "(standard input): 1 record, 1 failing\n"
         "  column    rule           checked  failing   share\n"
         "  氏名カナ  full-katakana        1        1  100.0%\n"
         "  ID        half-digits          1        0    0.0%\n"
         "\n"
         "氏名カナ full-katakana: 1 rejected character\n"
         "  count  character  suggestion  first seen\n"
         "      1  「さ」     「サ」      record 2, byte 1\n", 1},
    };
    // clang-format on
}
