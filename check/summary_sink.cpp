// The summary of --summary: a table per file, and one for the total, in the output encoding;
// or one JSON object each. A code page 932 character takes as many columns on a terminal as it
// has bytes (a double-byte character is full-width), so the table is padded by bytes before it
// is converted.
#include <cstdio>

#include "summary.h"
#include "wording.h"

namespace check {

namespace {

// The characters a table lists for each rule; JSON gives them all.
constexpr std::size_t kListed = 10;

}  // namespace

std::string ShareText(unsigned long long failing, unsigned long long checked) {
    if (checked == 0) return "";
    // A share that rounds to none or to all is said as less or more: one failing record in a
    // million is not "0.0%".
    if (failing > 0 && failing * 1000 < checked) return "<0.1%";
    if (failing < checked && (checked - failing) * 1000 < checked) return ">99.9%";
    char text[16];
    std::snprintf(text, sizeof text, "%.1f%%", 100.0 * static_cast<double>(failing) / checked);
    return text;
}

std::string MeanText(double mean) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", mean);
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

namespace {

unsigned long long Checked(const FileTally& file, const RuleTally& rule) {
    return rule.ofRecord ? file.records : rule.checked;
}

// The rules of the plan first, then what the record as a whole failed.
std::vector<const RuleTally*> InOrder(const FileTally& file) {
    std::vector<const RuleTally*> rules;
    for (const bool ofRecord : {false, true}) {
        for (const RuleTally& rule : file.rules) {
            if (rule.ofRecord == ofRecord) rules.push_back(&rule);
        }
    }
    return rules;
}

// Rows of cells padded to the widest of each column, in bytes; `right` says which are numbers.
class Table {
  public:
    explicit Table(std::vector<bool> right) : right_(std::move(right)) {}
    void Row(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }
    void Write(Output& out, std::string_view indent) const {
        std::vector<std::size_t> widths(right_.size(), 0);
        for (const auto& row : rows_) {
            for (std::size_t k = 0; k < row.size(); ++k) {
                widths[k] = std::max(widths[k], row[k].size());
            }
        }
        for (const auto& row : rows_) {
            std::string line(indent);
            for (std::size_t k = 0; k < row.size(); ++k) {
                const std::string pad(widths[k] - row[k].size(), ' ');
                if (k > 0) line += "  ";
                line += right_[k] ? pad + row[k] : row[k] + pad;
            }
            while (!line.empty() && line.back() == ' ') line.pop_back();
            out.Text(line);
            out.Raw("\n");
        }
    }

  private:
    std::vector<bool> right_;
    std::vector<std::vector<std::string>> rows_;
};

std::string Quoted(std::string_view cp932) {
    return "\x81u" + std::string(cp932) + "\x81v";  // 「…」
}

void Characters(Output& out, const RuleTally& rule) {
    const std::vector<const CharacterCount*> ranked = Ranked(rule);
    std::string heading = "\n";  // appended to, which GCC 12 does not misjudge as + (-Wrestrict)
    heading += rule.ColumnText();
    heading += ' ';
    heading += rule.RuleText();
    heading += ": ";
    heading += std::to_string(ranked.size());
    heading += ranked.size() == 1 ? " rejected character\n" : " rejected characters\n";
    out.Text(heading);
    // The kind only for the checks that name kinds.
    const auto row = [&](std::string count, std::string character, std::string kind,
                         std::string suggestion, std::string first) {
        if (rule.namesKinds) return std::vector{count, character, kind, suggestion, first};
        return std::vector{count, character, suggestion, first};
    };
    Table table({true, false, false, false, false});
    table.Row(row("count", "character", "kind", "suggestion", "first seen"));
    for (std::size_t k = 0; k < ranked.size() && k < kListed; ++k) {
        const CharacterCount& c = *ranked[k];
        table.Row(
            row(std::to_string(c.count), Quoted(c.character),
                c.kind ? std::string(KindName(*c.kind)) : "",
                c.suggestion.empty() ? "" : Quoted(c.suggestion),
                "record " + std::to_string(c.record) + ", byte " + std::to_string(c.position)));
    }
    table.Write(out, "  ");
    if (ranked.size() > kListed) {
        out.Raw("  ... and " + std::to_string(ranked.size() - kListed) + " more\n");
    }
}

}  // namespace

void WriteSummary(Output& out, const FileTally& file) {
    if (file.name.empty()) {
        out.Raw("total: " + std::to_string(file.files) + " files, ");
    } else {
        out.Name(file.name);
        out.Raw(": ");
    }
    out.Raw(std::to_string(file.records) + (file.records == 1 ? " record, " : " records, ") +
            std::to_string(file.failing) + " failing\n");
    const std::vector<const RuleTally*> rules = InOrder(file);
    if (!rules.empty()) {
        Table table({false, false, true, true, true, false});
        table.Row({"column", "rule", "checked", "failing", "share", ""});
        for (const RuleTally* rule : rules) {
            const unsigned long long checked = Checked(file, *rule);
            std::string measured;
            if (rule->measures && rule->checked > 0) {
                measured = "smallest " + std::to_string(rule->smallest) + ", largest " +
                           std::to_string(rule->largest) + ", mean " + MeanText(rule->Mean());
            }
            table.Row({rule->ColumnText(), rule->RuleText(), std::to_string(checked),
                       std::to_string(rule->failing), ShareText(rule->failing, checked), measured});
        }
        table.Write(out, "  ");
    }
    for (const RuleTally* rule : rules) {
        if (!rule->characters.empty()) Characters(out, *rule);
    }
}

void WriteSummaryJson(Output& out, const FileTally& file) {
    const auto number = [&](std::string_view key, long long n) {
        out.Raw(key);
        out.Raw(std::to_string(n));
    };
    out.Raw("{\"file\":");
    file.name.empty() ? out.Raw("null") : out.JsonName(file.name);
    if (file.name.empty()) number(",\"files\":", static_cast<long long>(file.files));
    out.Raw(",\"operation\":\"summary\"");
    number(",\"records\":", static_cast<long long>(file.records));
    number(",\"failing\":", static_cast<long long>(file.failing));
    out.Raw(",\"rules\":[");
    bool first = true;
    for (const RuleTally* rule : InOrder(file)) {
        out.Raw(first ? "{" : ",{");
        first = false;
        out.Raw("\"field\":");
        out.Raw(std::to_string(rule->field));
        if (!rule->name.empty()) {
            out.Raw(",\"column\":");
            out.JsonText(rule->name);
        }
        out.Raw(",\"operation\":\"" + rule->operation + "\"");
        if (rule->limit > 0) number(",\"limit\":", rule->limit);
        if (!rule->text.empty()) {
            out.Raw(",\"text\":");
            out.JsonText(rule->text);
        }
        number(",\"checked\":", static_cast<long long>(Checked(file, *rule)));
        number(",\"failing\":", static_cast<long long>(rule->failing));
        if (rule->measures && rule->checked > 0) {
            number(",\"smallest\":", rule->smallest);
            number(",\"largest\":", rule->largest);
            out.Raw(",\"mean\":" + MeanText(rule->Mean()));
        }
        out.Raw(",\"characters\":[");
        bool firstCharacter = true;
        for (const CharacterCount* c : Ranked(*rule)) {
            out.Raw(firstCharacter ? "{\"character\":" : ",{\"character\":");
            firstCharacter = false;
            out.JsonText(c->character);
            number(",\"count\":", static_cast<long long>(c->count));
            if (rule->namesKinds) {
                out.Raw(",\"kind\":");
                if (c->kind) {
                    out.Raw("\"");
                    out.Raw(JsonKindName(*c->kind));
                    out.Raw("\"");
                } else {
                    out.Raw("null");
                }
            }
            out.Raw(",\"suggestion\":");
            c->suggestion.empty() ? out.Raw("null") : out.JsonText(c->suggestion);
            number(",\"record\":", static_cast<long long>(c->record));
            number(",\"position\":", c->position);
            out.Raw("}");
        }
        out.Raw("]}");
    }
    out.Raw("]}\n");
}

}  // namespace check
