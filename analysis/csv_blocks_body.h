// The CSV block kernel's body, included once for each instruction set inside its namespace,
// after it defines KESTRUNE_CSV_TARGET (the body's target attributes) and, with them,
//   Classes Classify(const char* p, const CsvSyntax& syntax): the block's bytes of each kind
//   unsigned Ctz(std::uint64_t x), Popcount(std::uint64_t x): 64 trailing zeros for 0
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

// The offsets of the bits of `bits` from `at`, four at a time: a block of records mostly holds
// a few field ends. Writes up to three entries past those it counts.
KESTRUNE_CSV_TARGET inline void Flatten(std::uint32_t* out, std::size_t& n, std::uint32_t at,
                                        std::uint64_t bits) {
    if (bits == 0) return;
    std::uint32_t* p = out + n;
    n += static_cast<std::size_t>(Popcount(bits));
    do {
        for (int k = 0; k < 4; ++k) {
            p[k] = at + Ctz(bits);
            bits &= bits - 1;
        }
        p += 4;
    } while (bits != 0);
}

KESTRUNE_CSV_TARGET std::size_t CsvSplitBlocks(const CsvSyntax& syntax, std::string_view text,
                                               std::size_t from, std::size_t blocks,
                                               CsvCarry& carried, CsvSplit& split,
                                               std::size_t& stray) {
    stray = SIZE_MAX;
    blocks = std::min(blocks, (text.size() - from) / kBlock);
    // In registers, not stored beside the output at every block.
    CsvCarry carry = carried;
    CsvSplit out = split;
    const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t k = 0; k < blocks; ++k) {
        const std::size_t at = from + k * kBlock;
        const Classes c = Classify(text.data() + at, syntax);
        std::uint64_t delimiters = c.delimiter;
        if (syntax.trailBytes) delimiters &= ~Trails(c.lead, carry.trail);
        const std::uint64_t quoted = PrefixXor(c.quote) ^ carry.quoted;
        std::uint64_t fieldEnds = (delimiters | c.lineFeed) & ~quoted;
        const std::uint64_t opens = c.quote & quoted;
        const std::uint64_t closes = c.quote & ~quoted;
        const std::uint64_t afterClose = closes << 1 | carry.closed;
        const std::uint64_t atFieldStart = fieldEnds << 1 | carry.ended;
        std::uint64_t recordEnds = c.lineFeed & ~quoted;
        std::uint64_t rare = (opens & afterClose) | (c.lineFeed & quoted);
        // A quote opens at a field's start or doubles the one before it; a closing quote is
        // followed by a delimiter, an LF, CR LF or the quote that doubles it.
        std::uint64_t strays = opens & ~afterClose & ~atFieldStart;
        std::uint64_t crAfterClose = 0;
        for (std::uint64_t other = afterClose & ~(c.quote | delimiters | c.lineFeed); other != 0;
             other &= other - 1) {  // rare: a closing quote that ends a record with CR LF
            const unsigned b = Ctz(other);
            if (at + b < text.size() && bytes[at + b] == '\r') {
                crAfterClose |= std::uint64_t{1} << b;
            } else {
                strays |= std::uint64_t{1} << b;
            }
        }
        strays |= (crAfterClose << 1 | carry.closedCr) & ~c.lineFeed;
        carry.quoted = static_cast<std::uint64_t>(static_cast<std::int64_t>(quoted) >> 63);
        carry.closed = closes >> 63;
        carry.closedCr = crAfterClose >> 63;
        carry.ended = fieldEnds >> 63;
        if (strays != 0) {
            const unsigned first = Ctz(strays);
            stray = at + first;
            const std::uint64_t before = (std::uint64_t{1} << first) - 1;
            fieldEnds &= before;
            recordEnds &= before;
            rare &= before;
            blocks = k + 1;
        }
        const std::size_t fieldsBefore = out.fields;
        const auto offset = static_cast<std::uint32_t>(at);
        Flatten(out.fieldEnds, out.fields, offset, fieldEnds);
        for (; recordEnds != 0; recordEnds &= recordEnds - 1) {
            const std::uint64_t upTo = ~std::uint64_t{0} >> (63 - Ctz(recordEnds));
            out.recordEnds[out.records++] =
                static_cast<std::uint32_t>(fieldsBefore + Popcount(fieldEnds & upTo));
        }
        if (rare != 0) Flatten(out.rare, out.rares, offset, rare);
    }
    carried = carry;
    split = out;
    return blocks;
}
