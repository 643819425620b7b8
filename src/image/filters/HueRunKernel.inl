// HueRunKernel.inl - the hue and chroma run loop written once over a small set of 32-bit lane
// operations V, compiled once per instruction set by HueSaturationSimd.cpp. Each line is the
// plain loop's line in HueSaturation.cpp, lane-wise; comparisons give all-ones masks, and the
// six-way choice of a channel's ramp is the sum of masks that never overlap.

using Reg = V::Reg;

struct HueLaneSettings {
    int32_t shiftSectors;
    Reg shiftWithin;
    Reg scale;
};

inline HueLaneSettings MakeLaneSettings(int32_t scaleFactor, int32_t shift) {
    return HueLaneSettings{shift / 255, V::Set(shift % 255), V::Set(scaleFactor)};
}

inline void ShiftLanes(const HueLaneSettings& s, Reg blue, Reg green, Reg red, Reg& outBlue, Reg& outGreen,
                       Reg& outRed) {
    const Reg half = V::Set(0x8000);
    const Reg one = V::Set(1);
    const Reg five = V::Set(5);
    const Reg wheelTop = V::Set(0xFF0000);
    const Reg redGreen = V::Max(red, green);
    const Reg hi = V::Max(redGreen, blue);
    const Reg lo = V::Min(V::Min(red, green), blue);
    const Reg lightness = V::Add(hi, lo);
    const Reg d = V::Sub(hi, lo);
    const Reg blueTop = V::Greater(blue, redGreen);
    const Reg greenAbove = V::Greater(green, red);
    const Reg p0 = V::Select(blueTop, V::Sub(red, green), V::Select(greenAbove, V::Sub(blue, red), V::Sub(green, blue)));
    const Reg below = V::Greater(V::Zero(), p0);
    // 5, 1 or 3, less one when p0 < 0 (the mask is -1).
    const Reg sector = V::Add(V::Select(blueTop, five, V::Select(greenAbove, V::Set(3), one)), below);
    const Reg p = V::Add(p0, V::And(below, d));
    const Reg limit = V::Select(V::Greater(lightness, V::Set(255)), V::Sub(V::Set(511), lightness), lightness);
    const Reg c = V::Min(limit, V::Sar(V::Add(V::Mul(d, s.scale), half), 16));
    const Reg n = V::Sar(V::Sub(lightness, c), 1);
    const Reg divisor = V::Max(d, one);
    const Reg estimate = V::Quotient(wheelTop, divisor);
    const Reg reciprocal = V::Add(estimate, V::Greater(V::Mul(estimate, divisor), wheelTop));
    const Reg f0 = V::Add(V::Sar(V::Add(V::Mul(p, reciprocal), half), 16), s.shiftWithin);
    const Reg past = V::Greater(f0, V::Set(254));
    const Reg i0 = V::Sub(V::Add(sector, V::Set(s.shiftSectors)), past);
    const Reg i = V::Sub(i0, V::And(V::Greater(i0, five), V::Set(6)));
    const Reg f = V::Sub(f0, V::And(past, V::Set(255)));
    const Reg chroma = V::Sub(V::Sar(V::Add(lightness, c), 1), n);
    const Reg ramp = V::Sar(V::Add(V::Mul(f, chroma), V::Set(128)), 8);
    const Reg fall = V::Sub(chroma, ramp);
    const Reg in0 = V::Equal(i, V::Zero()), in1 = V::Equal(i, one), in2 = V::Equal(i, V::Set(2));
    const Reg in3 = V::Equal(i, V::Set(3)), in4 = V::Equal(i, V::Set(4)), in5 = V::Equal(i, five);
    outBlue = V::Add(n, V::Or(V::Or(V::And(in0, fall), V::And(in3, ramp)), V::And(V::Or(in4, in5), chroma)));
    outGreen = V::Add(n, V::Or(V::Or(V::And(in1, ramp), V::And(V::Or(in2, in3), chroma)), V::And(in4, fall)));
    outRed = V::Add(n, V::Or(V::Or(V::And(V::Or(in0, in1), chroma), V::And(in2, fall)), V::And(in5, ramp)));
}

inline int32_t HueRunLoop(const HueRun& run, int32_t count, int32_t scaleFactor, int32_t shift) {
    const HueLaneSettings settings = MakeLaneSettings(scaleFactor, shift);
    int32_t k = 0;
    for (; k + V::kLanes <= count; k += V::kLanes) {
        Reg blue, green, red;
        ShiftLanes(settings, V::Load(run.blue + k), V::Load(run.green + k), V::Load(run.red + k), blue, green, red);
        V::Store(run.outBlue + k, blue);
        V::Store(run.outGreen + k, green);
        V::Store(run.outRed + k, red);
    }
    return k;
}

// 8-bit pixels of Channels bytes worked where they lie. A 3-byte block load reads 4 bytes past
// its pixels, so the loop stops 2 pixels before the row's end and leaves those to the caller.
template <int Channels>
int32_t HueRow8(uint8_t* pixels, int32_t count, int32_t scaleFactor, int32_t shift) {
    const HueLaneSettings settings = MakeLaneSettings(scaleFactor, shift);
    constexpr int32_t kSlack = Channels == 3 ? 2 : 0;
    int32_t k = 0;
    for (; k + V::kLanes + kSlack <= count; k += V::kLanes) {
        uint8_t* px = pixels + static_cast<std::ptrdiff_t>(k) * Channels;
        Reg blue, green, red;
        V::template LoadPixels8<Channels>(px, blue, green, red);
        ShiftLanes(settings, blue, green, red, blue, green, red);
        V::template StorePixels8<Channels>(px, blue, green, red);
    }
    return k;
}
