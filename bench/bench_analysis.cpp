// Throughput of the operations, each beside memchr over the same buffer (the stand-in for
// what the memory system allows), the literal scan alone, and the public operation (fast kernel,
// then the literal scan). Buffers of 64 KiB, 256 KiB and 64 MiB, all conforming or with one
// rejected character 100 bytes before the end; symbols allowed, as the window starts.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "analysis.h"
#include "kernels.h"
#include "literal.h"
#include "operations.h"

namespace {

constexpr int kSymbols = 1;

// What each operation reads, in Operation order: conforming characters to draw from, and a
// character the check rejects (あ for the half-width checks, ｱ for the full-width ones).
struct Sample {
    std::vector<std::string_view> alphabet;
    std::string_view rejected;
};
const std::vector<std::string_view> kJapanese = {
    "\x82\xCC", "\x82\xC9", "\x82\xCD", "\x82\xBD", "\x82\xB5", "\x82\xC4", "\x82\xA2", "\x82\xE9",
    "\x93\xFA", "\x96\x7B", "\x98\x62", "\x8A\xBF", "\x8E\x9A", "\x89\xEF", "\x8E\xD0", "\x93\x8C",
    "\x8B\x9E", "\x8E\x9E", "\x8A\xD4", "\x83\x41", "\x83\x93", "\x83\x67", "\x81\x41", "\x81\x42",
    "\x81\x5B", "\x81\x75", "\x81\x76", "\x98\xA0", "a",        "7",        " ",        "\xB1"};

const Sample kSamples[kOperationCount] = {
    // ByteSize, CharCount: mixed widths, katakana, ASCII, half-width katakana
    {{"\x83\x4A", "\x83\x5E", "\x81\x5B", "a", "7", " ", "\xB1", "\xB6"}, ""},
    {{"\x83\x4A", "\x83\x5E", "\x81\x5B", "a", "7", " ", "\xB1", "\xB6"}, ""},
    // FullWidth: kana and kanji 漢 字, trail bytes of every kind
    {{"\x82\xA0", "\x83\x41", "\x8A\xBF", "\x8E\x9A", "\x81\x40", "\xE0\x40"}, "\xB1"},
    {{"a", "Z", "0", " ", "-", "\xB1", "\xDE", "\xA5"}, "\x82\xA0"},         // HalfWidth
    {{"\x82\xA0", "\x82\xF1", "\x82\xE7", "\x81\x5B", "\x81\x41"}, "\xB1"},  // FullHiragana
    {{"\x83\x4A", "\x83\x5E", "\x83\x93", "\x81\x5B", "\x81\x40"}, "\xB1"},  // FullKatakana
    {{"\x82\x60", "\x82\x79", "\x82\x81", "\x82\x4F", "\x81\x7C"}, "\xB1"},  // FullAlnum
    {{"\xB1", "\xB6", "\xDE", "\xB0", " "}, "\x82\xA0"},                     // HalfKatakana
    {{"0", "1", "9", "-"}, "\x82\xA0"},                                      // HalfDigits
    {{"a", "z", "A", "0", "_"}, "\x82\xA0"},                                 // HalfAlnum
    // Jis, Cp932: Japanese prose, mostly hiragana and level 1 kanji (の に は た し て い る 日
    // 本 話 漢 字 会 社 東 京 時 間), some katakana (ア ン ト), 、 。 ー 「 」, a level 2 kanji 丐,
    // ASCII and half-width katakana; a user-defined character that neither accepts
    {kJapanese, "\xF0\x40"},
    {kJapanese, "\xF0\x40"},
    {{"\xB1", "\xB6", "\xDE", "A", "0", " ", "(", "-"}, "a"},  // Zengin: ｱ ｶ ﾞ and the rest
};

const std::string& Buffer(Operation op, std::size_t size, bool failing) {
    static std::map<std::tuple<Operation, std::size_t, bool>, std::string> buffers;
    std::string& text = buffers[{op, size, failing}];
    if (!text.empty()) return text;
    std::mt19937 random(1);
    const std::vector<std::string_view>& alphabet = kSamples[static_cast<int>(op)].alphabet;
    text.reserve(size);
    while (text.size() + 2 <= size) text += alphabet[random() % alphabet.size()];
    if (text.size() < size) text += alphabet.back().size() == 1 ? alphabet.back() : " ";
    if (failing) {
        // On a character start 100 bytes before the end.
        std::size_t at = 0;
        while (at < size - 100) at += IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
        const std::string_view rejected = kSamples[static_cast<int>(op)].rejected;
        text.replace(at, rejected.size(), rejected);
    }
    return text;
}

// The fast path through one named kernel, then the literal scan, as the operations do it.
Outcome ThroughKernel(kernels::Isa isa, const OperationRow& row, std::string_view text) {
    if (row.kernel) {
        return row.literal(text, kSymbols,
                           kernels::ConfirmedPrefix(isa, *row.kernel, text, kSymbols));
    }
    // The jis and cp932 checks share one kernel outside the rows' Check kernels.
    if (row.operation == Operation::Jis || row.operation == Operation::Cp932) {
        return row.literal(text, kSymbols, kernels::ConfirmedJis(isa, text));
    }
    if (row.unit != Unit::Characters) return row.run(text, kSymbols);
    const kernels::CountedPrefix prefix = kernels::CountPrefix(isa, text);
    const Outcome rest = row.literal(text, kSymbols, prefix.resume);
    return {true, 0, static_cast<int>(prefix.count) + rest.value};
}

enum class Way { Memchr, Literal, Fast, Sse2, Avx2, Avx512 };

void Run(benchmark::State& state, Operation op, Way way, std::size_t size, bool failing) {
    const std::string& text = Buffer(op, size, failing);
    const OperationRow& row = Row(op);
    for (auto _ : state) {
        switch (way) {
            case Way::Memchr:  // a byte the buffer does not hold, so it reads to the end
                benchmark::DoNotOptimize(std::memchr(text.data(), '\n', text.size()));
                break;
            case Way::Literal:
                benchmark::DoNotOptimize(row.literal(text, kSymbols, 0));
                break;
            case Way::Fast:
                benchmark::DoNotOptimize(RunOperation(op, text, kSymbols));
                break;
            case Way::Sse2:
                benchmark::DoNotOptimize(ThroughKernel(kernels::Isa::Sse2, row, text));
                break;
            case Way::Avx2:
                benchmark::DoNotOptimize(ThroughKernel(kernels::Isa::Avx2, row, text));
                break;
            case Way::Avx512:
                benchmark::DoNotOptimize(ThroughKernel(kernels::Isa::Avx512, row, text));
                break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// The UTF-8 records kernel over katakana records of 1 to 20 characters (ア ー 　 コ ン), ended
// by LF or CR LF, with katakana and 　 ・ ー accepted: how UTF-8 input of the katakana check is
// confirmed without converting it.
void RunUtf8(benchmark::State& state, kernels::Isa isa, std::size_t size) {
    static std::map<std::size_t, std::string> buffers;
    std::string& text = buffers[size];
    if (text.empty()) {
        std::mt19937 random(1);
        const std::string_view units[] = {"\xE3\x82\xA2", "\xE3\x83\xBC", "\xE3\x80\x80",
                                          "\xE3\x82\xB3", "\xE3\x83\xB3"};
        while (text.size() < size) {
            for (std::size_t n = random() % 20 + 1; n > 0; --n) text += units[random() % 5];
            text += random() % 2 ? "\r\n" : "\n";
        }
    }
    kernels::Utf8Block block{0xE3, 0x80, {}};
    for (unsigned k = 0xA1; k <= 0xF6; ++k) block.accepted[k >> 3] |= 1 << (k & 7);  // ァ … ヶ
    for (unsigned k : {0x00, 0xFB, 0xFC}) block.accepted[k >> 3] |= 1 << (k & 7);    // 　 ・ ー
    for (auto _ : state) benchmark::DoNotOptimize(kernels::ConfirmedUtf8Records(isa, block, text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

}  // namespace

int main(int argc, char** argv) {
    struct Size {
        const char* name;
        std::size_t bytes;
    };
    constexpr Size kSizes[] = {{"64KiB", 64 << 10}, {"256KiB", 256 << 10}, {"64MiB", 64 << 20}};
    constexpr std::pair<Way, const char*> kWays[] = {
        {Way::Memchr, "memchr"}, {Way::Literal, "literal"}, {Way::Fast, "fast"},
        {Way::Sse2, "sse2"},     {Way::Avx2, "avx2"},       {Way::Avx512, "avx512"}};
    for (const OperationRow& row : kOperations) {
        const Operation op = row.operation;
        const bool measurement = row.unit != Unit::None;
        for (bool failing : {false, true}) {
            if (failing && measurement) continue;  // a measurement never fails
            for (const Size& size : kSizes) {
                for (const auto& [way, wayName] : kWays) {
                    if (way == Way::Avx2 && !kernels::Available(kernels::Isa::Avx2)) continue;
                    // AVX-512 has kernels of its own for these alone; the rest run AVX2's.
                    if (way == Way::Avx512 &&
                        (!kernels::Available(kernels::Isa::Avx512) ||
                         !(row.operation == Operation::CharCount ||
                           row.operation == Operation::Jis || row.operation == Operation::Cp932)))
                        continue;
                    const std::string name = std::string(row.option) + "/" + size.name + "/" +
                                             (failing ? "failing" : "conforming") + "/" + wayName;
                    benchmark::RegisterBenchmark(name.c_str(), Run, op, way, size.bytes, failing);
                }
            }
        }
    }
    for (const Size& size : kSizes) {
        for (const auto& [isa, isaName] :
             {std::pair{kernels::Isa::Scalar, "scalar"}, std::pair{kernels::Isa::Avx2, "avx2"}}) {
            if (isa == kernels::Isa::Avx2 && !kernels::Available(isa)) continue;
            const std::string name = std::string("utf8-records/") + size.name + "/" + isaName;
            benchmark::RegisterBenchmark(name.c_str(), RunUtf8, isa, size.bytes);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
