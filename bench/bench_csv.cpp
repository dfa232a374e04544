// Throughput of a whole kestrune-check run on a 64 MiB CSV file in code page 932, beside memchr
// over the same bytes (the stand-in for what the memory system allows).
//
// The file is a customer list as a spreadsheet saves it: a header row, CR LF record ends and ten
// columns (ID, name in kanji, its reading in full-width and in half-width katakana, postal code,
// address, phone, email, a quoted note that now and then holds a comma, a doubled quote or a
// CR LF, and a date). It is generated in memory from a fixed seed, so every run reads the same
// bytes. About one record in 1000 fails, so that the failure path and the output are exercised:
// a letter in the postal code, a half-width ｱ among the full-width katakana, or an empty ID,
// each of which bench/csv_python.py catches as well.
//
// `bench_csv --write-csv PATH` writes the file and says how many records were made to fail;
// bench/compare-csv runs kestrune-check and the Python script on it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "checker.h"
#include "cp932.h"

namespace {

constexpr std::size_t kFileSize = 64 << 20;

// The rules bench/compare-csv gives too; header names in UTF-8, as a command line spells them.
const std::vector<std::string> kArguments = {
    "--csv",
    "--header",
    "--quiet",
    "--column",
    "ID:half-digits,required",
    "--column",
    "氏名カナ:full-katakana,max-bytes=40",
    "--column",
    "郵便番号:half-digits",
    "--column",
    "カナ:half-katakana,max-bytes=30",
};

struct Name {
    const char* kanji;
    const char* kana;      // full-width katakana
    const char* halfKana;  // half-width katakana
};
const Name kFamilyNames[] = {
    {"佐藤", "サトウ", "ｻﾄｳ"},    {"鈴木", "スズキ", "ｽｽﾞｷ"},    {"高橋", "タカハシ", "ﾀｶﾊｼ"},
    {"田中", "タナカ", "ﾀﾅｶ"},    {"伊藤", "イトウ", "ｲﾄｳ"},     {"渡辺", "ワタナベ", "ﾜﾀﾅﾍﾞ"},
    {"山本", "ヤマモト", "ﾔﾏﾓﾄ"}, {"中村", "ナカムラ", "ﾅｶﾑﾗ"},  {"小林", "コバヤシ", "ｺﾊﾞﾔｼ"},
    {"加藤", "カトウ", "ｶﾄｳ"},    {"吉田", "ヨシダ", "ﾖｼﾀﾞ"},    {"山田", "ヤマダ", "ﾔﾏﾀﾞ"},
    {"佐々木", "ササキ", "ｻｻｷ"},  {"山口", "ヤマグチ", "ﾔﾏｸﾞﾁ"}, {"松本", "マツモト", "ﾏﾂﾓﾄ"},
    {"井上", "イノウエ", "ｲﾉｳｴ"}, {"木村", "キムラ", "ｷﾑﾗ"},     {"林", "ハヤシ", "ﾊﾔｼ"},
    {"清水", "シミズ", "ｼﾐｽﾞ"},   {"山崎", "ヤマザキ", "ﾔﾏｻﾞｷ"},
};
const Name kGivenNames[] = {
    {"太郎", "タロウ", "ﾀﾛｳ"}, {"花子", "ハナコ", "ﾊﾅｺ"}, {"一郎", "イチロウ", "ｲﾁﾛｳ"},
    {"美咲", "ミサキ", "ﾐｻｷ"}, {"健太", "ケンタ", "ｹﾝﾀ"}, {"陽子", "ヨウコ", "ﾖｳｺ"},
    {"翔", "ショウ", "ｼｮｳ"},   {"由美", "ユミ", "ﾕﾐ"},    {"大輔", "ダイスケ", "ﾀﾞｲｽｹ"},
    {"直美", "ナオミ", "ﾅｵﾐ"}, {"結衣", "ユイ", "ﾕｲ"},    {"拓也", "タクヤ", "ﾀｸﾔ"},
};
const char* const kRomanFamily[] = {"sato", "suzuki", "takahashi", "tanaka", "ito",
                                    "kato", "yamada", "kimura",    "hayashi"};
const char* const kRomanGiven[] = {"taro", "hanako", "ichiro", "misaki", "kenta", "yoko", "sho"};
const char* const kDomains[] = {"example.co.jp", "example.ne.jp", "example.com", "mail.example.jp"};
const char* const kPrefectures[] = {"東京都", "大阪府", "神奈川県", "愛知県", "北海道", "福岡県"};
const char* const kCities[] = {"千代田区",   "中央区",       "横浜市西区", "名古屋市中区",
                               "札幌市北区", "福岡市博多区", "堺市堺区",   "川崎市中原区"};
const char* const kTowns[] = {"本町", "緑町", "桜台", "旭町", "栄町", "東雲", "若葉"};
const char* const kBuildings[] = {"", "", "", "メゾン桜", "コーポ山田", "第二ビル", "ハイツ緑"};
// Notes without a comma of their own; the generator adds the rarer shapes.
const char* const kNotes[] = {
    "",
    "いつもお世話になっております。",
    "配送は午前中希望",
    "請求書は月末締め、翌月払い",
    "不在時は宅配ボックスへ",
    "担当者変更あり（４月より）",
    "ＤＭ送付不要",
    "法人契約・年間更新",
};

// Every fixed text in code page 932, converted once.
struct Pools {
    std::vector<std::string> family, familyKana, familyHalf, given, givenKana, givenHalf;
    std::vector<std::string> cities, towns, buildings, notes;
    std::string header, space, chome, ban, go, comma, quoted, lines, halfA;
};

template <std::size_t N>
std::vector<std::string> Converted(const char* const (&texts)[N]) {
    std::vector<std::string> out;
    for (const char* text : texts) out.push_back(Utf8ToCp932(text));
    return out;
}

Pools MakePools() {
    Pools p;
    for (const Name& n : kFamilyNames) {
        p.family.push_back(Utf8ToCp932(n.kanji));
        p.familyKana.push_back(Utf8ToCp932(n.kana));
        p.familyHalf.push_back(Utf8ToCp932(n.halfKana));
    }
    for (const Name& n : kGivenNames) {
        p.given.push_back(Utf8ToCp932(n.kanji));
        p.givenKana.push_back(Utf8ToCp932(n.kana));
        p.givenHalf.push_back(Utf8ToCp932(n.halfKana));
    }
    p.cities = Converted(kCities);
    p.towns = Converted(kTowns);
    p.buildings = Converted(kBuildings);
    p.notes = Converted(kNotes);
    p.header = Utf8ToCp932("ID,氏名,氏名カナ,カナ,郵便番号,住所,電話番号,メール,備考,登録日\r\n");
    p.space = Utf8ToCp932("　");
    p.chome = Utf8ToCp932("丁目");
    p.ban = Utf8ToCp932("番");
    p.go = Utf8ToCp932("号");
    p.comma = Utf8ToCp932("電話連絡可, 夜間不可");
    p.quoted = Utf8ToCp932("件名に\"\"至急\"\"と記載");  // "" as it stands in the file
    p.lines = Utf8ToCp932("1行目\r\n2行目");
    p.halfA = Utf8ToCp932("ｱ");
    return p;
}

struct Csv {
    std::string bytes;
    int failing = 0;  // records made to fail
};

// The fields of one record after another, drawn from one seeded generator. At most one draw
// to an expression: the operands of + are not ordered, and every compiler must make the same
// file.
class RecordMaker {
  public:
    RecordMaker() : p_(MakePools()), random_(20240401) {}

    // A record ended by CR LF; `fail` tells whether it was made to fail.
    const std::string& Next(unsigned long id, bool& fail) {
        const std::size_t f = random_() % p_.family.size();
        const std::size_t g = random_() % p_.given.size();
        // One record in about 1000 fails, in one of three ways.
        fail = random_() % 1000 == 0;
        const int how = fail ? static_cast<int>(random_() % 3) : -1;
        record_.clear();
        if (how != 0) record_ += std::to_string(id);  // an empty ID
        record_ += ',';
        record_ += p_.family[f] + p_.space + p_.given[g] + ',';
        record_ += p_.familyKana[f];
        if (how == 1) record_ += p_.halfA;  // half-width among the full-width katakana
        record_ += p_.space + p_.givenKana[g] + ',';
        record_ += p_.familyHalf[f] + ' ' + p_.givenHalf[g] + ',';
        record_ += Number(3);
        record_ += '-';
        record_ += Number(4);
        if (how == 2) record_.back() = 'O';  // the letter O typed for a digit
        record_ += ',';
        Address();
        Contact();
        Note();
        return record_;
    }
    const std::string& header() const { return p_.header; }

  private:
    const std::string& Pick(const std::vector<std::string>& pool) {
        return pool[random_() % pool.size()];
    }
    std::string Number(int digits) {
        std::string s;
        for (int k = 0; k < digits; ++k) s += static_cast<char>('0' + random_() % 10);
        return s;
    }
    void Address() {
        record_ += Pick(p_.cities);
        record_ += Pick(p_.towns);
        record_ += std::to_string(1 + random_() % 5);
        record_ += p_.chome;
        record_ += std::to_string(1 + random_() % 30);
        record_ += p_.ban;
        record_ += std::to_string(1 + random_() % 20);
        record_ += p_.go;
        if (const std::string& building = Pick(p_.buildings); !building.empty()) {
            record_ += p_.space;
            record_ += building;
            record_ += std::to_string(101 + random_() % 8);
        }
    }
    void Contact() {
        record_ += ",0";
        record_ += Number(2);
        record_ += '-';
        record_ += Number(4);
        record_ += '-';
        record_ += Number(4);
        record_ += ',';
        record_ += kRomanGiven[random_() % std::size(kRomanGiven)];
        record_ += '.';
        record_ += kRomanFamily[random_() % std::size(kRomanFamily)];
        record_ += Number(2);
        record_ += '@';
        record_ += kDomains[random_() % std::size(kDomains)];
    }
    void Note() {
        record_ += ",\"";
        const unsigned shape = random_() % 100;
        record_ += shape < 10   ? p_.comma
                   : shape < 15 ? p_.quoted
                   : shape < 17 ? p_.lines
                                : Pick(p_.notes);
        record_ += "\",";
        const unsigned year = 2015 + random_() % 10;
        const unsigned month = 1 + random_() % 12;
        const unsigned day = 1 + random_() % 28;
        char date[16];
        std::snprintf(date, sizeof date, "%u/%02u/%02u", year, month, day);
        record_ += date;
        record_ += "\r\n";
    }

    const Pools p_;
    std::mt19937 random_;
    std::string record_;
};

// Records are added until the next could pass kFileSize; the file is then exactly that size,
// the last record's note padded with spaces.
Csv MakeCsv() {
    RecordMaker maker;
    Csv csv;
    std::string& out = csv.bytes;
    out.reserve(kFileSize);
    out += maker.header();
    for (unsigned long id = 100001;; ++id) {
        bool fail = false;
        const std::string& record = maker.Next(id, fail);
        if (out.size() + record.size() + 64 > kFileSize) break;
        out += record;
        csv.failing += fail ? 1 : 0;
    }
    // The padding record passes.
    std::string record = "999999,,,,,,,,\"";
    record += std::string(kFileSize - out.size() - record.size() - 14, ' ');
    record += "\",2024/01/01\r\n";
    out += record;
    return csv;
}

const Csv& TheCsv() {
    static const Csv csv = MakeCsv();
    return csv;
}

std::string filePath;    // the file the runs read, removed at exit
std::string fixedPath;   // the corrected file, likewise
std::string reportPath;  // the page of --report, likewise

void RemoveFile() {
    if (!filePath.empty()) std::remove(filePath.c_str());
    if (!fixedPath.empty()) std::remove(fixedPath.c_str());
    if (!reportPath.empty()) std::remove(reportPath.c_str());
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// One rule, which measures the reader more than the rules (the empty IDs still fail).
const std::vector<std::string> kOneRule = {"--csv", "--header", "--quiet", "--column",
                                           "ID:required"};

// A run of `base` (bench/compare-csv's four rules, or one rule) with `more` options: with --fix,
// the corrected file is written beside the input (and removed at exit), where about 140 of the
// failing records have a correction; --summary and --report add up every record, which the
// plain run, --quiet, skips.
void WholeRun(benchmark::State& state, const std::vector<std::string>& base,
              const std::vector<std::string>& more) {
    std::vector<std::string> args = base;
    args.insert(args.end(), more.begin(), more.end());
    args.push_back(filePath);
    check::Environment env;
    env.out = std::fopen("/dev/null", "w");
    if (env.out == nullptr) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    for (auto _ : state) {
        const int status = check::RunCommandLine(args, env);
        if (status != check::kSomeFailed) {
            state.SkipWithError("kestrune-check did not report the failing records");
            break;
        }
    }
    std::fclose(env.out);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}

// Every LF in turn, as a reader that only splits records would go.
void MemchrLines(benchmark::State& state) {
    const std::string& bytes = TheCsv().bytes;
    for (auto _ : state) {
        const char* p = bytes.data();
        const char* const end = p + bytes.size();
        std::size_t lines = 0;
        while (const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
            p = static_cast<const char*>(lf) + 1;
            ++lines;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// A byte the file does not hold, so one call reads it all: the memory system's pace.
void MemchrWhole(benchmark::State& state) {
    const std::string& bytes = TheCsv().bytes;
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::memchr(bytes.data(), '\0', bytes.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-csv") == 0) {
        const Csv& csv = TheCsv();
        if (!WriteFile(argv[2], csv.bytes)) {
            std::perror(argv[2]);
            return 1;
        }
        std::printf("%d\n", csv.failing);
        return 0;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_csv_XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        std::perror(pattern.c_str());
        return 1;
    }
    close(fd);
    filePath = pattern;
    fixedPath = pattern + ".fixed";
    reportPath = pattern + ".html";
    std::atexit(RemoveFile);
    if (!WriteFile(filePath, TheCsv().bytes)) {
        std::perror(filePath.c_str());
        return 1;
    }
    struct NamedRun {
        const char* name;
        const std::vector<std::string>* base;
        std::vector<std::string> more;
    };
    const NamedRun kRuns[] = {
        {"kestrune-check/csv/64MiB", &kArguments, {}},
        {"kestrune-check/csv-required/64MiB", &kOneRule, {}},
        {"kestrune-check/fix/64MiB", &kArguments, {"--fix", fixedPath}},
        // Against csv/64MiB of the same run: within 10 %.
        {"kestrune-check/summary/64MiB", &kArguments, {"--summary"}},
        {"kestrune-check/report/64MiB", &kArguments, {"--report", reportPath}},
    };
    for (const NamedRun& run : kRuns) {
        benchmark::RegisterBenchmark(run.name, WholeRun, *run.base, run.more)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("memchr/lines/64MiB", MemchrLines)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("memchr/whole/64MiB", MemchrWhole)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
