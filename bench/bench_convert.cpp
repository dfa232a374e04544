// UTF-8 to code page 932 conversion alone over 64 MiB of three kinds of text, each beside memchr
// over the same buffer (what the memory system allows) and beside glibc's iconv, which the
// conversion used to go through. Every text converts without loss, so iconv runs in one call.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "cp932.h"

namespace {

enum class Kind { Japanese, AsciiHeavy, Mixed };

// Lines drawn from the pieces of each kind, to 64 MiB.
const std::string& Text(Kind kind) {
    static std::string texts[3];
    std::string& text = texts[static_cast<int>(kind)];
    if (!text.empty()) return text;
    // Names in kanji with their readings in katakana and hiragana.
    const std::vector<std::string_view> family = {"佐藤", "鈴木", "高橋", "渡邉", "伊藤", "齋藤"};
    const std::vector<std::string_view> given = {"太郎", "花子", "翔太", "美咲", "健一", "陽菜"};
    const std::vector<std::string_view> reading = {"サトウ", "スズキ",   "タカハシ", "ワタナベ",
                                                   "いとう", "さいとう", "はなこ",   "ケンイチ"};
    const std::vector<std::string_view> street = {
        "Shibakoen", "Minato-ku", "Tokyo", "Umeda", "Kita-ku", "Osaka", "Apt.", "Room", "Bldg."};
    std::mt19937 random(932);
    auto pick = [&](const std::vector<std::string_view>& from) {
        return from[random() % from.size()];
    };
    auto number = [&](int digits) {
        std::string n;
        while (digits-- > 0) n += static_cast<char>('0' + random() % 10);
        return n;
    };
    text.reserve((64 << 20) + 256);
    while (text.size() < (64 << 20)) {
        std::string line;
        switch (kind) {
            case Kind::Japanese:
                line = std::string(pick(family)) + "　" + std::string(pick(given)) + "\t" +
                       std::string(pick(reading)) + "ー" + std::string(pick(reading));
                break;
            case Kind::AsciiHeavy:  // postal code, block, street, ward, city, room, phone
                line = number(3) + "-" + number(4) + " " + number(1) + "-" + number(2) + "-" +
                       number(2) + " " + std::string(pick(street)) + ", " +
                       std::string(pick(street)) + ", " + std::string(pick(street)) + " " +
                       number(4) + ", Tel 0" + number(1) + "-" + number(4) + "-" + number(4);
                if (random() % 8 == 0) line += " " + std::string(pick(family));
                break;
            case Kind::Mixed:  // as typed into a form: full- and half-width, kanji and digits
                // Appended rather than "literal" + string: GCC 12 at -O3 warns falsely of an
                // overlapping copy (-Wrestrict) in that operator.
                line = "〒";
                line += number(3) + "-" + number(4) + " 東京都港区芝公園" + number(1) + "－" +
                        number(2) + " ﾋﾞﾙ" + number(2) + "F " + std::string(pick(family)) +
                        std::string(pick(given)) + " (" + std::string(pick(reading)) + ")";
                break;
        }
        text += line + "\n";
    }
    text.resize(64 << 20);
    text.resize(text.rfind('\n') + 1);  // whole lines
    return text;
}

enum class Way { Ours, OursNewString, Memchr, Iconv };

void Run(benchmark::State& state, Kind kind, Way way) {
    const std::string& text = Text(kind);
    std::string out(text.size(), '\0');
    const iconv_t cd = iconv_open("CP932", "UTF-8");
    for (auto _ : state) {
        switch (way) {
            case Way::Ours:
                Utf8ToCp932(text, out, nullptr);
                break;
            case Way::OursNewString:
                out = Utf8ToCp932(text);
                break;
            case Way::Memchr:  // a byte the text does not hold, so it reads to the end
                benchmark::DoNotOptimize(std::memchr(text.data(), '\x01', text.size()));
                break;
            case Way::Iconv: {
                char* in = const_cast<char*>(text.data());
                char* to = out.data();
                std::size_t inLeft = text.size(), outLeft = out.size();
                if (iconv(cd, &in, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1))
                    state.SkipWithError("iconv stopped");
                break;
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

}  // namespace

int main(int argc, char** argv) {
    constexpr std::pair<Kind, const char*> kKinds[] = {
        {Kind::Japanese, "japanese"}, {Kind::AsciiHeavy, "ascii-heavy"}, {Kind::Mixed, "mixed"}};
    constexpr std::pair<Way, const char*> kWays[] = {{Way::Ours, "ours"},
                                                     {Way::OursNewString, "ours-new-string"},
                                                     {Way::Memchr, "memchr"},
                                                     {Way::Iconv, "iconv"}};
    for (const auto& [kind, kindName] : kKinds) {
        for (const auto& [way, wayName] : kWays) {
            const std::string name = std::string(kindName) + "/64MiB/" + wayName;
            benchmark::RegisterBenchmark(name.c_str(), Run, kind, way);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
