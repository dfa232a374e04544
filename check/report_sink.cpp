// The page of --report: one self-contained HTML file in UTF-8, with its style inline and no
// script, to attach to a mail or leave on a share. Everything that comes from the data (file
// names, the command line, column names, field texts) is escaped, so a field that holds markup
// shows as text; control characters show as their symbols (U+2400 on).
#include <cstdio>

#include "cp932.h"
#include "summary.h"
#include "wording.h"

namespace check {

namespace {

// The characters and records the page lists for each rule.
constexpr std::size_t kListed = 20;

constexpr std::string_view kStyle = R"css(
body { font-family: "IPAPGothic", "Noto Sans CJK JP", "Meiryo", sans-serif; margin: 2em;
       color: #1f2328; max-width: 70em; }
h1 { font-size: 1.5em; margin-bottom: 0.2em; }
h2 { font-size: 1.25em; border-bottom: 1px solid #d0d7de; padding-bottom: 0.2em; margin-top: 2em; }
h3 { font-size: 1.05em; margin-top: 1.5em; }
code, .text { font-family: "IPAGothic", monospace; }
.command { background: #f6f8fa; padding: 0.5em 0.8em; border-radius: 4px; overflow-wrap: anywhere; }
table { border-collapse: collapse; margin: 0.5em 0; }
th, td { padding: 0.25em 0.7em; border-bottom: 1px solid #e4e7eb; text-align: left;
         vertical-align: top; }
th { background: #f6f8fa; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
.bar { display: inline-block; width: 10em; height: 0.8em; background: #dafbe1;
       border: 1px solid #aac9b2; vertical-align: middle; }
.bar span { display: block; height: 100%; background: #cf222e; }
.ok { color: #1a7f37; }
.ng { color: #cf222e; font-weight: bold; }
mark { background: #ffd8d3; color: #82071e; outline: 1px solid #cf222e; padding: 0 1px; }
.note { color: #57606a; font-size: 0.85em; margin-left: 0.3em; }
.text { white-space: pre-wrap; overflow-wrap: anywhere; }
.empty { color: #57606a; font-style: italic; }
td.verdict { white-space: nowrap; }
)css";

// Text as HTML: UTF-8, each maximal ill-formed sequence as U+FFFD, markup escaped.
void Escaped(std::string& html, std::string_view utf8) {
    while (!utf8.empty()) {
        const std::size_t valid = ValidUtf8Prefix(utf8);
        for (const char c : utf8.substr(0, valid)) {
            switch (c) {
                case '&':
                    html += "&amp;";
                    break;
                case '<':
                    html += "&lt;";
                    break;
                case '>':
                    html += "&gt;";
                    break;
                case '"':
                    html += "&quot;";
                    break;
                case '\'':
                    html += "&#39;";
                    break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                        // U+2400 on for C0, U+2421 for DEL: the control characters' symbols.
                        const unsigned v = c == 0x7F ? 0x21u : static_cast<unsigned char>(c);
                        html += "\xE2\x90";
                        html += static_cast<char>(0x80 + v);
                    } else {
                        html += c;
                    }
            }
        }
        utf8.remove_prefix(valid);
        if (utf8.empty()) break;
        bool wellFormed = false;
        utf8.remove_prefix(Utf8SequenceLength(utf8, wellFormed));
        html += "\xEF\xBF\xBD";
    }
}

void Cp932(std::string& html, std::string_view cp932) {
    Escaped(html, Cp932ToUtf8(cp932));
}

std::string Hex(std::string_view bytes) {
    std::string hex;
    for (const char b : bytes) {
        char two[4];
        std::snprintf(two, sizeof two, "%s%02X", hex.empty() ? "" : " ",
                      static_cast<unsigned char>(b));
        hex += two;
    }
    return hex;
}

std::string Percent(unsigned long long failing, unsigned long long checked) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f%%",
                  checked == 0 ? 0.0 : 100.0 * static_cast<double>(failing) / checked);
    return text;
}

// What is said of a rejected character, in code page 932: its kind and bytes, and its fix.
std::string Note(std::string_view character, const std::optional<CharacterKind>& kind,
                 std::string_view suggestion) {
    std::string note = kind ? std::string(KindName(*kind)) + " " : "";
    note += Hex(character);
    if (!suggestion.empty())
        note +=
            " \x81\xA8 \x8C\xF3\x95\xE2\x81u" + std::string(suggestion) + "\x81v";  // → 候補「…」
    return note;
}

class Page {
  public:
    std::string html;

    void File(const FileTally& file, std::string_view id);

  private:
    void Summary(const FileTally& file);
    void Rule(const FileTally& file, const RuleTally& rule, std::string_view id);
    void Kept(const KeptRecord& kept);
    void Number(unsigned long long n, std::string_view cls) {
        html += "<td class=\"n " + std::string(cls) + "\">" + std::to_string(n) + "</td>";
    }
};

unsigned long long Checked(const FileTally& file, const RuleTally& rule) {
    return rule.ofRecord ? file.records : rule.checked;
}

void Page::File(const FileTally& file, std::string_view id) {
    html += "<section class=\"file\" id=\"" + std::string(id) + "\">\n<h2>";
    if (file.name.empty()) {
        html += "Total of " + std::to_string(file.files) + " files";
    } else {
        Escaped(html, file.name);
    }
    html += "</h2>\n<p class=\"counts\"><span class=\"records\">" + std::to_string(file.records) +
            "</span> records, <span class=\"failing " + (file.failing > 0 ? "ng" : "ok") + "\">" +
            std::to_string(file.failing) + "</span> failing</p>\n";
    Summary(file);
    std::size_t k = 0;
    for (const bool ofRecord : {false, true}) {
        for (const RuleTally& rule : file.rules) {
            if (rule.ofRecord != ofRecord) continue;
            ++k;
            if (rule.failing > 0) Rule(file, rule, std::string(id) + "-" + std::to_string(k));
        }
    }
    html += "</section>\n";
}

void Page::Summary(const FileTally& file) {
    if (file.rules.empty()) return;
    html +=
        "<table class=\"summary\">\n<thead><tr><th>column</th><th>rule</th><th>checked</th>"
        "<th>failing</th><th>failing share</th><th>measured</th></tr></thead>\n<tbody>\n";
    for (const bool ofRecord : {false, true}) {
        for (const RuleTally& rule : file.rules) {
            if (rule.ofRecord != ofRecord) continue;
            const unsigned long long checked = Checked(file, rule);
            const std::string share = ShareText(rule.failing, checked);
            html += "<tr><td>";
            Cp932(html, rule.ColumnText());
            html += "</td><td>";
            Cp932(html, rule.RuleText());
            html += "</td>";
            Number(checked, "checked");
            Number(rule.failing, rule.failing > 0 ? "failing ng" : "failing");
            html += "<td><span class=\"bar\" title=\"" + share +
                    "\"><span style=\"width:" + Percent(rule.failing, checked) +
                    "\"></span></span> " + share + "</td><td>";
            if (rule.measures && rule.checked > 0) {
                html += "smallest " + std::to_string(rule.smallest) + ", largest " +
                        std::to_string(rule.largest) + ", mean " + MeanText(rule.Mean());
            }
            html += "</td></tr>\n";
        }
    }
    html += "</tbody></table>\n";
}

void Page::Rule(const FileTally& file, const RuleTally& rule, std::string_view id) {
    html += "<div class=\"rule\" id=\"" + std::string(id) + "\">\n<h3>";
    Cp932(html, rule.ColumnText());
    html += " &middot; ";
    Cp932(html, rule.RuleText());
    html += ": " + std::to_string(rule.failing) + " of " + std::to_string(Checked(file, rule)) +
            " failing</h3>\n";
    const std::vector<const CharacterCount*> ranked = Ranked(rule);
    if (!ranked.empty()) {
        html += "<table class=\"characters\">\n<thead><tr><th>character</th><th>count</th>";
        if (rule.namesKinds) html += "<th>kind</th>";
        html += "<th>bytes</th><th>suggestion</th><th>first seen</th></tr></thead>\n<tbody>\n";
        for (std::size_t k = 0; k < ranked.size() && k < kListed; ++k) {
            const CharacterCount& c = *ranked[k];
            html += "<tr><td class=\"text\"><mark>";
            Cp932(html, c.character);
            html += "</mark></td>";
            Number(c.count, "count");
            if (rule.namesKinds) {
                html += "<td>";
                if (c.kind) Cp932(html, KindName(*c.kind));
                html += "</td>";
            }
            html += "<td><code>" + Hex(c.character) + "</code></td><td class=\"text\">";
            Cp932(html, c.suggestion);
            html += "</td><td>record " + std::to_string(c.record) + ", byte " +
                    std::to_string(c.position) + "</td></tr>\n";
        }
        html += "</tbody></table>\n";
        if (ranked.size() > kListed) {
            html += "<p>and " + std::to_string(ranked.size() - kListed) + " more</p>\n";
        }
    }
    if (!rule.kept.empty()) {
        html +=
            "<table class=\"records\">\n<thead><tr><th>record</th><th>line</th>"
            "<th>result</th><th>text</th></tr></thead>\n<tbody>\n";
        for (const KeptRecord& kept : rule.kept) Kept(kept);
        html += "</tbody></table>\n";
        if (rule.kept.size() < rule.failing) {
            html += "<p>The first " + std::to_string(rule.kept.size()) + " of " +
                    std::to_string(rule.failing) + " failing records.</p>\n";
        }
    }
    html += "</div>\n";
}

// A failing record with each rejected character marked, and what is said of it after it.
void Page::Kept(const KeptRecord& kept) {
    html += "<tr><td class=\"n\">" + std::to_string(kept.record) + "</td><td class=\"n\">" +
            std::to_string(kept.line) + "</td><td class=\"verdict\">";
    Cp932(html, kept.verdict);
    html += "</td><td class=\"text\">";
    if (kept.text.empty()) html += "<span class=\"empty\">(empty)</span>";
    std::size_t done = 0;
    for (const Mark& mark : kept.marks) {
        Cp932(html, std::string_view(kept.text).substr(done, mark.at - done));
        const std::string_view character = std::string_view(kept.text).substr(mark.at, mark.width);
        const std::string note = Note(character, mark.kind, mark.suggestion);
        html += "<mark title=\"";
        Cp932(html, note);
        html += "\">";
        Cp932(html, character);
        html += "</mark><span class=\"note\">(";
        Cp932(html, note);
        html += ")</span>";
        done = mark.at + mark.width;
    }
    Cp932(html, std::string_view(kept.text).substr(done));
    html += "</td></tr>\n";
}

}  // namespace

void WriteReport(Output& page, const ReportRun& run, std::span<const FileTally> files,
                 const FileTally* total) {
    Page p;
    std::string names;
    for (const FileTally& file : files) {
        if (!names.empty()) names += ", ";
        names += file.name;
    }
    p.html =
        "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width\">\n<title>kestrune-check: ";
    Escaped(p.html, names);
    p.html += "</title>\n<style>";
    p.html += kStyle;
    p.html +=
        "</style>\n</head>\n<body>\n<h1>kestrune-check report</h1>\n"
        "<p class=\"command\"><code>kestrune-check";
    for (const std::string& argument : run.arguments) {
        p.html += " ";
        Escaped(p.html, argument);
    }
    p.html += "</code></p>\n";
    for (std::size_t k = 0; k < files.size(); ++k) {
        p.File(files[k], "file-" + std::to_string(k + 1));
    }
    if (total != nullptr) p.File(*total, "total");
    p.html += "</body>\n</html>\n";
    page.Raw(p.html);
}

}  // namespace check
