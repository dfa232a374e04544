// Throughput of the ten operations, each beside memchr over the same buffer (the stand-in for
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
#include "wording.h"

namespace {

constexpr int kSymbols = 1;

// Conforming text for each operation, as code page 932 characters to draw from.
std::vector<std::string_view> Alphabet(Operation op) {
    switch (op) {
        case Operation::ByteSize:
        case Operation::CharCount:  // mixed widths: katakana, ASCII, half-width katakana
            return {"\x83\x4A", "\x83\x5E", "\x81\x5B", "a", "7", " ", "\xB1", "\xB6"};
        case Operation::FullWidth:  // kana and kanji 漢 字, trail bytes of every kind
            return {"\x82\xA0", "\x83\x41", "\x8A\xBF", "\x8E\x9A", "\x81\x40", "\xE0\x40"};
        case Operation::HalfWidth:
            return {"a", "Z", "0", " ", "-", "\xB1", "\xDE", "\xA5"};
        case Operation::FullHiragana:
            return {"\x82\xA0", "\x82\xF1", "\x82\xE7", "\x81\x5B", "\x81\x41"};
        case Operation::FullKatakana:
            return {"\x83\x4A", "\x83\x5E", "\x83\x93", "\x81\x5B", "\x81\x40"};
        case Operation::FullAlnum:
            return {"\x82\x60", "\x82\x79", "\x82\x81", "\x82\x4F", "\x81\x7C"};
        case Operation::HalfKatakana:
            return {"\xB1", "\xB6", "\xDE", "\xB0", " "};
        case Operation::HalfDigits:
            return {"0", "1", "9", "-"};
        case Operation::HalfAlnum:
            return {"a", "z", "A", "0", "_"};
    }
    return {};
}

// A character every check but the measurements rejects at that point: あ for the half-width
// checks, ｱ for the full-width ones.
std::string_view Rejected(Operation op) {
    switch (op) {
        case Operation::HalfWidth:
        case Operation::HalfKatakana:
        case Operation::HalfDigits:
        case Operation::HalfAlnum:
            return "\x82\xA0";
        default:
            return "\xB1";
    }
}

const std::string& Buffer(Operation op, std::size_t size, bool failing) {
    static std::map<std::tuple<Operation, std::size_t, bool>, std::string> buffers;
    std::string& text = buffers[{op, size, failing}];
    if (!text.empty()) return text;
    std::mt19937 random(1);
    const std::vector<std::string_view> alphabet = Alphabet(op);
    text.reserve(size);
    while (text.size() + 2 <= size) text += alphabet[random() % alphabet.size()];
    if (text.size() < size) text += alphabet.back().size() == 1 ? alphabet.back() : " ";
    if (failing) {
        // On a character start 100 bytes before the end.
        std::size_t at = 0;
        while (at < size - 100) at += IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
        text.replace(at, Rejected(op).size(), Rejected(op));
    }
    return text;
}

// The literal scan of an operation from byte index `from`.
int Literal(Operation op, std::string_view text, std::size_t from = 0) {
    const auto check = [](CheckResult r) { return r.position; };
    switch (op) {
        case Operation::ByteSize:
            return CheckByteSize(text);
        case Operation::CharCount:
            return literal::CheckCharCount(text, from);
        case Operation::FullWidth:
            return check(literal::CheckFullWidth(text, from));
        case Operation::HalfWidth:
            return check(literal::CheckHalfWidth(text, from));
        case Operation::FullHiragana:
            return check(literal::CheckFullHiragana(text, kSymbols, from));
        case Operation::FullKatakana:
            return check(literal::CheckFullKatakana(text, kSymbols, from));
        case Operation::FullAlnum:
            return check(literal::CheckFullAlnum(text, kSymbols, from));
        case Operation::HalfKatakana:
            return check(literal::CheckHalfKatakana(text, kSymbols, from));
        case Operation::HalfDigits:
            return check(literal::CheckHalfDigits(text, kSymbols, from));
        case Operation::HalfAlnum:
            return check(literal::CheckHalfAlnum(text, kSymbols, from));
    }
    return 0;
}

// The fast path through one named kernel, then the literal scan, as the operations do it.
int ThroughKernel(kernels::Isa isa, Operation op, std::string_view text) {
    if (op == Operation::ByteSize) return CheckByteSize(text);
    if (op == Operation::CharCount) {
        const kernels::CountedPrefix prefix = kernels::CountPrefix(isa, text);
        return static_cast<int>(prefix.count) + Literal(op, text, prefix.resume);
    }
    const auto check = static_cast<kernels::Check>(static_cast<int>(op) - 2);
    return Literal(op, text, kernels::ConfirmedPrefix(isa, check, text, kSymbols));
}

enum class Way { Memchr, Literal, Fast, Sse2, Avx2 };

void Run(benchmark::State& state, Operation op, Way way, std::size_t size, bool failing) {
    const std::string& text = Buffer(op, size, failing);
    for (auto _ : state) {
        switch (way) {
            case Way::Memchr:  // a byte the buffer does not hold, so it reads to the end
                benchmark::DoNotOptimize(std::memchr(text.data(), '\n', text.size()));
                break;
            case Way::Literal:
                benchmark::DoNotOptimize(Literal(op, text));
                break;
            case Way::Fast:
                benchmark::DoNotOptimize(RunOperation(op, text, kSymbols));
                break;
            case Way::Sse2:
                benchmark::DoNotOptimize(ThroughKernel(kernels::Isa::Sse2, op, text));
                break;
            case Way::Avx2:
                benchmark::DoNotOptimize(ThroughKernel(kernels::Isa::Avx2, op, text));
                break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

const char* Name(Operation op) {
    constexpr const char* kNames[] = {"ByteSize",     "CharCount",    "FullWidth", "HalfWidth",
                                      "FullHiragana", "FullKatakana", "FullAlnum", "HalfKatakana",
                                      "HalfDigits",   "HalfAlnum"};
    return kNames[static_cast<int>(op)];
}

}  // namespace

int main(int argc, char** argv) {
    struct Size {
        const char* name;
        std::size_t bytes;
    };
    constexpr Size kSizes[] = {{"64KiB", 64 << 10}, {"256KiB", 256 << 10}, {"64MiB", 64 << 20}};
    constexpr std::pair<Way, const char*> kWays[] = {{Way::Memchr, "memchr"},
                                                     {Way::Literal, "literal"},
                                                     {Way::Fast, "fast"},
                                                     {Way::Sse2, "sse2"},
                                                     {Way::Avx2, "avx2"}};
    for (int o = 0; o < kOperationCount; ++o) {
        const auto op = static_cast<Operation>(o);
        const bool measurement = op == Operation::ByteSize || op == Operation::CharCount;
        for (bool failing : {false, true}) {
            if (failing && measurement) continue;  // a measurement never fails
            for (const Size& size : kSizes) {
                for (const auto& [way, wayName] : kWays) {
                    if (way == Way::Avx2 && !kernels::Available(kernels::Isa::Avx2)) continue;
                    const std::string name = std::string(Name(op)) + "/" + size.name + "/" +
                                             (failing ? "failing" : "conforming") + "/" + wayName;
                    benchmark::RegisterBenchmark(name.c_str(), Run, op, way, size.bytes, failing);
                }
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
