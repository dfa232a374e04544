// --summary and --report: the summary's counts against counts worked out here from generated
// records, whichever path checked them; the page escaped, written whole, and never changing
// the lines printed beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <set>

#include "bytes.h"
#include "harness.h"
#include "output_cases.h"
#include "summary.h"

namespace {

// ---------------------------------------------------------------------------------------------
// The summary against an oracle: records of characters whose verdicts are known.

// What full-katakana (symbols allowed) and half-digits (symbols allowed) say of each character,
// and the suggestion each makes where it rejects it.
struct Letter {
    const char* utf8;
    bool katakana;
    const char* katakanaFix;  // "" for none
    bool digits;
    const char* digitsFix;
};
constexpr Letter kLetters[] = {
    {"ア", true, "", false, ""},  {"ｱ", false, "ア", false, ""},  // the other width of the kana
    {"1", false, "", true, ""},    // １ is no katakana and no symbol
    {"・", true, "", false, "･"},  // a full-width symbol; its half width passes the digits
    {"-", false, "－", true, ""},  // a half-width symbol
    {"①", false, "", false, ""},  {"a", false, "", false, ""},
};

struct Seen {
    std::string character;
    unsigned long long count = 0, record = 0;
    int position = 0;
    std::string fix;
};

// The summary object of one rule, worked out from the letters of each record.
std::string Expected(const std::vector<std::vector<int>>& records, bool katakana) {
    unsigned long long failing = 0;
    std::vector<Seen> seen;
    for (std::size_t r = 0; r < records.size(); ++r) {
        int position = 1;
        bool failed = false;
        for (const int k : records[r]) {
            const Letter& letter = kLetters[k];
            const std::string bytes = Sjis(letter.utf8);
            if (!(katakana ? letter.katakana : letter.digits)) {
                failed = true;
                auto at = std::find_if(seen.begin(), seen.end(),
                                       [&](const Seen& s) { return s.character == letter.utf8; });
                if (at == seen.end()) {
                    seen.push_back({letter.utf8, 0, r + 1, position,
                                    katakana ? letter.katakanaFix : letter.digitsFix});
                    at = seen.end() - 1;
                }
                ++at->count;
            }
            position += static_cast<int>(bytes.size());
        }
        failing += failed;
    }
    std::stable_sort(seen.begin(), seen.end(),
                     [](const Seen& a, const Seen& b) { return a.count > b.count; });
    std::string json = std::string("{\"field\":0,\"operation\":\"") +
                       (katakana ? "full-katakana" : "half-digits") +
                       "\",\"checked\":" + std::to_string(records.size()) +
                       ",\"failing\":" + std::to_string(failing) + ",\"characters\":[";
    for (const Seen& s : seen) {
        json += (&s == &seen.front() ? "" : ",") + std::string("{\"character\":\"") + s.character +
                "\",\"count\":" + std::to_string(s.count) +
                ",\"suggestion\":" + (s.fix.empty() ? "null" : "\"" + s.fix + "\"") +
                ",\"record\":" + std::to_string(s.record) +
                ",\"position\":" + std::to_string(s.position) + "}";
    }
    return json + "]}";
}

// Many generated files, checked several ways: with the fast path that confirms runs of passing
// records at once, with it reading a few bytes at a time, with two checks, and with a
// measurement beside the check, which takes every record through the record loop. Every way
// gives the oracle's counts.
TEST(Summary, CountsWhatAnOracleCountsWhicheverPathChecks) {
    std::mt19937 random(27);
    check::Environment slow;
    slow.chunk = 3;
    for (int trial = 0; trial < 150; ++trial) {
        std::vector<std::vector<int>> records(1 + random() % 120);
        std::string input;
        std::vector<int> sizes;
        for (auto& record : records) {
            // Most records pass the katakana check (ア ・), so that runs of them long enough for
            // the fast path occur; some pass the digits check (1 -), the rest are of any letters.
            const unsigned kind = random() % 5;
            for (int k = static_cast<int>(random() % 6); k > 0; --k) {
                const int pick = static_cast<int>(random() % 2);
                record.push_back(kind < 3    ? (pick ? 3 : 0)
                                 : kind == 3 ? (pick ? 4 : 2)
                                             : static_cast<int>(random() % std::size(kLetters)));
            }
            std::string bytes;
            for (const int k : record) bytes += Sjis(kLetters[k].utf8);
            sizes.push_back(static_cast<int>(bytes.size()));
            // Half the files end without an LF, unless an empty last record would then vanish.
            input +=
                bytes + (&record == &records.back() && trial % 2 && !bytes.empty() ? "" : "\n");
        }
        // The object's start, up to its rules, for a run of the katakana check and maybe the
        // digits check.
        const auto head = [&](bool digits) {
            const auto fails = [&](const std::vector<int>& r) {
                return std::any_of(r.begin(), r.end(), [&](int k) {
                    return !kLetters[k].katakana || (digits && !kLetters[k].digits);
                });
            };
            return "{\"file\":\"(standard input)\",\"operation\":\"summary\",\"records\":" +
                   std::to_string(records.size()) + ",\"failing\":" +
                   std::to_string(std::count_if(records.begin(), records.end(), fails)) +
                   ",\"rules\":[" + Expected(records, true);
        };
        const std::string katakana = head(false) + "]}\n";
        for (const check::Environment& env : {check::Environment{}, slow}) {
            EXPECT_EQ(RunCheck({"--summary", "--json", "--full-katakana"}, input, env).out,
                      katakana)
                << "trial " << trial << " chunk " << env.chunk << ", input " << Hex(input);
        }
        EXPECT_EQ(RunCheck({"--summary", "--json", "--full-katakana", "--half-digits"}, input).out,
                  head(true) + "," + Expected(records, false) + "]}\n")
            << "trial " << trial << ", input " << Hex(input);
        const std::string measured =
            head(false) + ",{\"field\":0,\"operation\":\"byte-size\",\"checked\":" +
            std::to_string(records.size()) + ",\"failing\":0,\"smallest\":" +
            std::to_string(*std::min_element(sizes.begin(), sizes.end())) +
            ",\"largest\":" + std::to_string(*std::max_element(sizes.begin(), sizes.end())) +
            ",\"mean\":";
        const std::string got =
            RunCheck({"--summary", "--json", "--full-katakana", "--byte-size"}, input).out;
        ASSERT_EQ(got.substr(0, measured.size()), measured) << "trial " << trial;
        const double mean = static_cast<double>(std::accumulate(sizes.begin(), sizes.end(), 0)) /
                            static_cast<double>(sizes.size());
        EXPECT_NEAR(std::stod(got.substr(measured.size())), mean, 0.005) << "trial " << trial;
    }
}

// ---------------------------------------------------------------------------------------------
// The page.

// Fields that would be markup, or would end a mark or an attribute, were they not escaped.
const char* const kHostile[] = {
    "<script>document.title='ran'</script>",
    "<img src=x onerror=alert(1)>",
    "a&b&amp;c",
    "\"quoted\" 'single'",
    "</mark></td></table>",
    "<!-- -->",
};

// Every `from` in `text` as `to`.
std::string Replaced(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The page's text with its markup taken away, the notes after the marks too, and the
// entities read back: what a reader sees of each kept record, run together.
std::string PageText(std::string html) {
    const std::string note = "<span class=\"note\">";
    for (std::size_t at = html.find(note); at != std::string::npos; at = html.find(note, at)) {
        html.erase(at, html.find("</span>", at) + 7 - at);
    }
    std::string text;
    bool inTag = false;
    for (const char c : html) {
        if (c == '<' || c == '>') {
            inTag = c == '<';
        } else if (!inTag) {
            text += c;
        }
    }
    for (const auto& [entity, c] : {std::pair{"&lt;", "<"},
                                    {"&gt;", ">"},
                                    {"&quot;", "\""},
                                    {"&#39;", "'"},
                                    {"&amp;", "&"}}) {
        text = Replaced(text, entity, c);
    }
    return text;
}

// A share never rounds to none while a record fails, nor to all while one passes.
TEST(Summary, ShareSaysNoneOrAllOnlyWhenItIs) {
    const struct {
        unsigned long long failing, checked;
        const char* text;
    } kCases[] = {{0, 0, ""},           {0, 5, "0.0%"},         {1, 1000, "0.1%"},
                  {1, 1001, "<0.1%"},   {125, 412468, "<0.1%"}, {1, 3, "33.3%"},
                  {999, 1000, "99.9%"}, {1000, 1001, ">99.9%"}, {7, 7, "100.0%"}};
    for (const auto& c : kCases) {
        EXPECT_EQ(check::ShareText(c.failing, c.checked), c.text) << c.failing << "/" << c.checked;
    }
}

TEST(Report, ShowsWhatTheDataHoldsAsTextAndMakesNoElementOfIt) {
    std::string csv;
    for (const char* field : kHostile) csv += "\"" + Replaced(field, "\"", "\"\"") + "\"\n";
    const std::string input = TempFile("hostile.csv", csv);
    const std::string page = TempFolder() + "/hostile.html";
    const CheckRun run =
        RunCheck({"--csv", "--quiet", "--column", "1:full-katakana", "--report", page, input});
    ASSERT_EQ(run.status, 1) << run.err;
    const std::string html = ReadFile(page);
    // Every tag is one the page itself writes, and no attribute could run anything.
    const std::set<std::string> names = {"!DOCTYPE", "html", "head",  "meta",  "title", "style",
                                         "body",     "h1",   "h2",    "h3",    "p",     "code",
                                         "section",  "div",  "table", "thead", "tbody", "tr",
                                         "th",       "td",   "span",  "mark"};
    for (std::size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
        const std::string tag = html.substr(at + 1, html.find('>', at) - at - 1);
        const std::size_t from = tag.starts_with('/') ? 1 : 0;
        EXPECT_TRUE(names.count(tag.substr(from, tag.find(' ') - from)))
            << "an element from the data: <" << tag << ">";
        EXPECT_EQ(tag.find(" on"), std::string::npos) << "a handler: <" << tag << ">";
    }
    const std::string text = PageText(html);
    for (const char* field : kHostile) EXPECT_NE(text.find(field), std::string::npos) << field;
}

// The lines printed are the same with a page or without, in every case of the shared table.
TEST(Report, LeavesTheLinesPrintedAsTheyAre) {
    const std::string layout = TempFile("layout.txt", "2:full-katakana,no-symbols\n");
    const std::string page = TempFolder() + "/cases.html";
    for (const OutputCase& c : OutputCases(layout)) {
        std::vector<std::string> args = {"--report", page};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CheckRun got = RunCheck(args, c.input);
        EXPECT_EQ(got.out, c.expected) << c.name << "\n" << ByteDiff(c.expected, got.out);
        EXPECT_EQ(got.status, c.status) << c.name << ": " << got.err;
        EXPECT_EQ(ReadFile(page).substr(0, 15), "<!DOCTYPE html>") << c.name;
    }
}

// The page is written whole or not at all, and never over an input.
TEST(Report, IsWrittenWholeOrNotAtAll) {
    const std::string input = TempFile("in.txt", "ア\n");
    const std::string page = TempFile("kept.html", "as it was");
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string said;  // on standard error
    };
    const Row rows[] = {
        {"the input itself", {"--report", input, input}, "--report " + input + " is an input"},
        // The page tells of every file; one not read leaves it unwritten, as --fix does.
        {"an input not read",
         {"--report", page, input, TempFolder() + "/none.txt"},
         page + " not written"},
        {"a folder that is not there",
         {"--report", TempFolder() + "/none/page.html", input},
         "No such file"},
        {"no file", {"--report=", input}, "--report needs a file"},
        {"standard output", {"--report", "-", input}, "--report needs a file"},
    };
    for (const Row& row : rows) {
        std::vector<std::string> args = row.args;
        args.insert(args.begin(), "--full-katakana");
        const CheckRun got = RunCheck(args, "ア\n");
        EXPECT_EQ(got.status, 2) << row.name;
        EXPECT_NE(got.err.find(row.said), std::string::npos) << row.name << ": " << got.err;
        EXPECT_EQ(ReadFile(input), "ア\n") << row.name;
        EXPECT_EQ(ReadFile(page), "as it was") << row.name;
    }
}

}  // namespace
