// HueRunKernel.inl - the hue and chroma run loop written once over a small set of 32-bit lane
// operations V, compiled once per instruction set by HueSaturationSimd.cpp. Each line is the
// plain loop's line in HueSaturation.cpp, lane-wise; comparisons give all-ones masks, and the
// six-way choice of a channel's ramp is the sum of masks that never overlap.

using Reg = V::Reg;

inline int32_t HueRunLoop(const HueRun& run, int32_t count, int32_t scaleFactor, int32_t shift) {
    const int32_t shiftSectors = shift / 255;
    const Reg shiftWithin = V::Set(shift % 255);
    const Reg scale = V::Set(scaleFactor);
    const Reg half = V::Set(0x8000);
    const Reg one = V::Set(1);
    const Reg sectorEnd = V::Set(254);
    const Reg sectorSize = V::Set(255);
    const Reg wheelTop = V::Set(0xFF0000);
    const Reg lightTop = V::Set(511);
    const Reg darkHalf = V::Set(255);
    const Reg five = V::Set(5);
    const Reg roundRamp = V::Set(128);
    int32_t k = 0;
    for (; k + V::kLanes <= count; k += V::kLanes) {
        const Reg blue = V::Load(run.blue + k), green = V::Load(run.green + k), red = V::Load(run.red + k);
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
        const Reg limit = V::Select(V::Greater(lightness, darkHalf), V::Sub(lightTop, lightness), lightness);
        const Reg c = V::Min(limit, V::Sar(V::Add(V::Mul(d, scale), half), 16));
        const Reg n = V::Sar(V::Sub(lightness, c), 1);
        const Reg divisor = V::Max(d, one);
        const Reg estimate = V::Quotient(wheelTop, divisor);
        const Reg reciprocal = V::Add(estimate, V::Greater(V::Mul(estimate, divisor), wheelTop));
        const Reg f0 = V::Add(V::Sar(V::Add(V::Mul(p, reciprocal), half), 16), shiftWithin);
        const Reg past = V::Greater(f0, sectorEnd);
        const Reg i0 = V::Sub(V::Add(sector, V::Set(shiftSectors)), past);
        const Reg i = V::Sub(i0, V::And(V::Greater(i0, five), V::Set(6)));
        const Reg f = V::Sub(f0, V::And(past, sectorSize));
        const Reg chroma = V::Sub(V::Sar(V::Add(lightness, c), 1), n);
        const Reg ramp = V::Sar(V::Add(V::Mul(f, chroma), roundRamp), 8);
        const Reg fall = V::Sub(chroma, ramp);
        const Reg in0 = V::Equal(i, V::Zero()), in1 = V::Equal(i, one), in2 = V::Equal(i, V::Set(2));
        const Reg in3 = V::Equal(i, V::Set(3)), in4 = V::Equal(i, V::Set(4)), in5 = V::Equal(i, five);
        V::Store(run.outBlue + k,
                 V::Add(n, V::Or(V::Or(V::And(in0, fall), V::And(in3, ramp)), V::And(V::Or(in4, in5), chroma))));
        V::Store(run.outGreen + k,
                 V::Add(n, V::Or(V::Or(V::And(in1, ramp), V::And(V::Or(in2, in3), chroma)), V::And(in4, fall))));
        V::Store(run.outRed + k,
                 V::Add(n, V::Or(V::Or(V::And(V::Or(in0, in1), chroma), V::And(in2, fall)), V::And(in5, ramp))));
    }
    return k;
}
