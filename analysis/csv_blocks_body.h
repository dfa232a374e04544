// The CSV block kernel's body, included once for each instruction set inside its namespace,
// after it defines KESTRUNE_CSV_TARGET (the body's target attributes) and, with them,
//   Classes Classify(const char* p, const CsvSyntax& syntax): the block's bytes of each kind
//   std::uint64_t PrefixXor(std::uint64_t x): bit k the XOR of bits 0..k
// No include guard: it is meant to be included more than once.

// Bit k: byte k is a trail byte, the byte after a lead byte that is not one itself; where lead
// bytes run on, they pair up from the run's start. `trail` carries in and out whether the next
// block starts with a trail byte.
inline std::uint64_t Trails(std::uint64_t leads, std::uint64_t& trail) {
    constexpr std::uint64_t kEven = 0x5555555555555555;
    const std::uint64_t carried = trail;
    leads &= ~carried;
    const std::uint64_t starts = leads & ~(leads << 1);
    // A run's start bit added to it carries to the bit just past its end; the run's length is
    // odd where start and end differ in parity.
    const std::uint64_t evenEnds = (leads + (starts & kEven)) & ~leads;
    std::uint64_t oddEnds;
    trail = __builtin_add_overflow(leads, starts & ~kEven, &oddEnds) ? 1 : 0;
    oddEnds &= ~leads;
    return (evenEnds & ~kEven) | (oddEnds & kEven) | carried;
}

KESTRUNE_CSV_TARGET std::size_t CsvBlocks(const CsvSyntax& syntax, std::string_view text,
                                          CsvCarry& carry, std::span<CsvMasks> out,
                                          std::size_t& stray) {
    stray = SIZE_MAX;
    const std::size_t blocks = std::min(text.size() / kBlock, out.size());
    for (std::size_t k = 0; k < blocks; ++k) {
        const Classes c = Classify(text.data() + k * kBlock, syntax);
        std::uint64_t delimiters = c.delimiter;
        if (syntax.trailBytes) delimiters &= ~Trails(c.lead, carry.trail);
        const std::uint64_t quoted = PrefixXor(c.quote) ^ carry.quoted;
        const std::uint64_t fieldEnds = (delimiters | c.lineFeed) & ~quoted;
        const std::uint64_t opens = c.quote & quoted;
        const std::uint64_t closes = c.quote & ~quoted;
        const std::uint64_t afterClose = closes << 1 | carry.closed;
        const std::uint64_t atFieldStart = fieldEnds << 1 | carry.ended;
        out[k] = {fieldEnds, c.lineFeed & ~quoted, (opens & afterClose) | (c.lineFeed & quoted)};
        carry.quoted = static_cast<std::uint64_t>(static_cast<std::int64_t>(quoted) >> 63);
        carry.closed = closes >> 63;
        carry.ended = fieldEnds >> 63;
        const std::uint64_t strays = opens & ~afterClose & ~atFieldStart;
        if (strays != 0) {
            stray = k * kBlock + static_cast<std::size_t>(__builtin_ctzll(strays));
            return k + 1;
        }
    }
    return blocks;
}
