// DotTestKernel.inl - the whole dot test, 8 and 16-bit, written once over a small set of vector
// operations V (16-bit lanes, one per sample) and compiled once per instruction set by
// DotTestSimd.cpp.
//
// Lane i is sample x + i. The columns each lane reads swap with its parity (red on its own
// column or the one to the left), so both arrangements are computed and the lanes pick theirs.
// (sum x factor) >> 11 is the high half of sum x (factor << 5): the weighted sums stay under
// 16 x 255 and the factors at most 512, so nothing is lost, and & 0xFF wraps as the plain test.

using Reg = V::Reg;

inline Reg Times(Reg v, int16_t n) { return V::MulLo(v, V::Set(n)); }

// 9 near[c] + 3 near[cFar] + 3 far[c] + far[cFar], c and cFar relative to x.
inline Reg Weighted(const uint8_t* near, const uint8_t* far, int32_t x, int32_t c, int32_t cFar) {
    return V::Add(V::Add(Times(V::Load(near + x + c), 9), Times(V::Add(V::Load(near + x + cFar), V::Load(far + x + c)), 3)),
                  V::Load(far + x + cFar));
}

inline Reg Wrapped(Reg sum, Reg scale) { return V::And(V::MulHiU(sum, scale), V::Set(0xFF)); }

// All ones where |a - b| > limit.
inline Reg Apart(Reg a, Reg b, int16_t limit) { return V::CmpGt(V::Max(V::Sub(a, b), V::Sub(b, a)), V::Set(limit)); }

uint32_t DotMask8(const DotRows8& rows, int32_t x, bool redOnEven, uint32_t redFactor, uint32_t blueFactor) {
    const Reg sample = V::Load(rows.row + x);
    const Reg around = V::Add(V::Add(V::Load(rows.row + x - 2), V::Load(rows.row + x + 2)),
                              V::Add(V::Load(rows.above + x), V::Load(rows.below + x)));
    const Reg bright = V::CmpGt(V::Sub(sample, V::Shr(around, 2)), V::Set(kDotThreshold8 - 1));
    const uint32_t brightBits = V::LaneBits(bright);
    if (brightBits == 0) {
        return 0;  // most blocks of most frames: the colour need not be worked out
    }

    const Reg redHere = redOnEven ? V::EvenLanes() : V::Not(V::EvenLanes());
    const Reg redSum = V::Select(redHere, Weighted(rows.redRow, rows.redFar, x, 0, -2),
                                 Weighted(rows.redRow, rows.redFar, x, -1, 1));
    const Reg blueSum = V::Select(redHere, Weighted(rows.blueRow, rows.blueFar, x, -1, 1),
                                  Weighted(rows.blueRow, rows.blueFar, x, 0, -2));
    const Reg greenSum = V::Select(redHere, V::Add(V::Load(rows.redRow + x - 1), V::Load(rows.blueRow + x)),
                                   V::Add(V::Load(rows.redRow + x), V::Load(rows.blueRow + x - 1)));
    const Reg red = Wrapped(redSum, V::Set(static_cast<int16_t>(redFactor << 5)));
    const Reg blue = Wrapped(blueSum, V::Set(static_cast<int16_t>(blueFactor << 5)));
    const Reg green = V::Shr(greenSum, 1);
    // Each difference over the limit counts -1; more than one of them makes the colour stand out.
    const Reg votes = V::Add(V::Add(Apart(red, green, kDotColourSpread8), Apart(red, blue, kDotColourSpread8)),
                             Apart(green, blue, kDotColourSpread8));
    return brightBits & V::LaneBits(V::CmpGt(V::Set(-1), votes));
}

// Unsigned |a - b|, all 16 bits of it.
inline Reg Distance(Reg a, Reg b) { return V::Or(V::SubSat(a, b), V::SubSat(b, a)); }

// All ones where a - b is under limit (unsigned).
inline Reg Near(Reg a, Reg b, int16_t limit) { return V::CmpEq(V::SubSat(Distance(a, b), V::Set(limit - 1)), V::Set(0)); }

// The mean of four is the sum of their quarters plus the quarter of their remainders' sum: the
// same floor as the plain test's, without overflowing 16 bits.
uint32_t DotMask16(const DotRows16& rows, int32_t x) {
    const uint16_t* row = rows.rows[2];
    const Reg sample = V::Load16(row + x);
    const Reg around[4] = {V::Load16(row + x - 2), V::Load16(row + x + 2), V::Load16(rows.rows[0] + x),
                           V::Load16(rows.rows[4] + x)};
    Reg quarters = V::Set(0), remainders = V::Set(0);
    for (const Reg& r : around) {
        quarters = V::Add(quarters, V::Shr(r, 2));
        remainders = V::Add(remainders, V::And(r, V::Set(3)));
    }
    Reg close = Near(sample, V::Add(quarters, V::Shr(remainders, 2)), kDotThreshold16);
    if (V::LaneBits(close) == V::kAllLanes) {
        return 0;  // most blocks: no sample far from its mean
    }
    for (int dy = 1; dy <= 3; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (dy != 2 || dx != 0) {
                close = V::Or(close, Near(V::Load16(rows.rows[dy] + x + dx), sample, kDotThreshold16));
            }
        }
    }
    return ~V::LaneBits(close) & V::kAllLanes;
}
