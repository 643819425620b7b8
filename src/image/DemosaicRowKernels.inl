// DemosaicRowKernels.inl - the vector pair loop of the demosaic, written once over a small
// set of vector operations V and compiled once per instruction set by DemosaicSimd.cpp.
//
// V::kLanes 128-bit lanes work side by side, each on its own block of pixels (16 of 8-bit or
// 8 of 16-bit samples) exactly as a single 128-bit register would; V::StorePixels puts the
// lanes' pixels back in memory order.

using Reg = V::Reg;

inline Reg Even8(Reg v) { return V::And(v, V::Set16(0x00FF)); }
inline Reg Odd8(Reg v) { return V::Shr16(v, 8); }
inline Reg Times3x16(Reg v) { return V::Add16(V::Add16(v, v), v); }
inline Reg Even16(Reg v) { return V::And(v, V::Set32(0xFFFF)); }
inline Reg Odd16(Reg v) { return V::Shr32(v, 16); }
inline Reg Times3x32(Reg v) { return V::Add32(V::Add32(v, v), v); }
inline Reg Scale32(Reg sum, Reg factor) { return V::Shr32(V::MulLo32(sum, factor), 11); }

// 8-bit samples: weighted sums (at most 16 x 255) in 16-bit lanes; (sum x factor) >> 11 is the
// high half of sum x (factor << 5).
template <int Channels>
int32_t Row8(const DemosaicRows& rows, int32_t x, int32_t end, uint32_t redFactor, uint32_t blueFactor) {
    constexpr int32_t kBlock = 16 * V::kLanes;
    const Reg redScale = V::Set16(static_cast<int16_t>(redFactor << 5));
    const Reg blueScale = V::Set16(static_cast<int16_t>(blueFactor << 5));
    for (; x + kBlock <= end; x += kBlock) {
        const uint8_t* r = rows.redRow + x;
        const uint8_t* rf = rows.redFar + x;
        const uint8_t* b = rows.blueRow + x;
        const uint8_t* bf = rows.blueFar + x;
        const Reg rLeft = V::Load(r - 2), rMid = V::Load(r);
        const Reg bMid = V::Load(b);
        const Reg vr = V::Add16(Times3x16(Even8(rMid)), Even8(V::Load(rf)));
        const Reg vrLeft = V::Add16(Times3x16(Even8(rLeft)), Even8(V::Load(rf - 2)));
        const Reg vrRight = V::Add16(Times3x16(Even8(V::Load(r + 2))), Even8(V::Load(rf + 2)));
        const Reg vbLeft = V::Add16(Times3x16(Odd8(V::Load(b - 2))), Odd8(V::Load(bf - 2)));
        const Reg vbRight = V::Add16(Times3x16(Odd8(bMid)), Odd8(V::Load(bf)));
        const Reg vr3 = Times3x16(vr);
        const Reg red = V::PackU16(V::MulHiU16(V::Add16(vr3, vrLeft), redScale),
                                               V::MulHiU16(V::Add16(vr3, vrRight), redScale));
        const Reg blue = V::PackU16(V::MulHiU16(V::Add16(Times3x16(vbLeft), vbRight), blueScale),
                                                V::MulHiU16(V::Add16(Times3x16(vbRight), vbLeft), blueScale));
        const Reg greenBlue = Even8(bMid);
        const Reg green = V::PackU16(V::Shr16(V::Add16(Odd8(rLeft), greenBlue), 1),
                                                 V::Shr16(V::Add16(Odd8(rMid), greenBlue), 1));
        V::template StorePixels<Channels>(rows.out + Channels * x, blue, green, red, Layout(1, Channels));
    }
    return x;
}

// 16-bit samples: 32-bit lanes throughout.
template <int Channels>
int32_t Row16(const DemosaicRows& rows, int32_t x, int32_t end, uint32_t redFactor, uint32_t blueFactor) {
    constexpr int32_t kBlock = 8 * V::kLanes;
    const Reg redScale = V::Set32(static_cast<int32_t>(redFactor));
    const Reg blueScale = V::Set32(static_cast<int32_t>(blueFactor));
    for (; x + kBlock <= end; x += kBlock) {
        const uint8_t* r = rows.redRow + 2 * x;
        const uint8_t* rf = rows.redFar + 2 * x;
        const uint8_t* b = rows.blueRow + 2 * x;
        const uint8_t* bf = rows.blueFar + 2 * x;
        const Reg rLeft = V::Load(r - 4), rMid = V::Load(r);
        const Reg bMid = V::Load(b);
        const Reg vr = V::Add32(Times3x32(Even16(rMid)), Even16(V::Load(rf)));
        const Reg vrLeft = V::Add32(Times3x32(Even16(rLeft)), Even16(V::Load(rf - 4)));
        const Reg vrRight = V::Add32(Times3x32(Even16(V::Load(r + 4))), Even16(V::Load(rf + 4)));
        const Reg vbLeft = V::Add32(Times3x32(Odd16(V::Load(b - 4))), Odd16(V::Load(bf - 4)));
        const Reg vbRight = V::Add32(Times3x32(Odd16(bMid)), Odd16(V::Load(bf)));
        const Reg vr3 = Times3x32(vr);
        const Reg red =
            V::PackU32(Scale32(V::Add32(vr3, vrLeft), redScale), Scale32(V::Add32(vr3, vrRight), redScale));
        const Reg blue = V::PackU32(Scale32(V::Add32(Times3x32(vbLeft), vbRight), blueScale),
                                                Scale32(V::Add32(Times3x32(vbRight), vbLeft), blueScale));
        const Reg greenBlue = Even16(bMid);
        const Reg green = V::PackU32(V::Shr32(V::Add32(Odd16(rLeft), greenBlue), 1),
                                                 V::Shr32(V::Add32(Odd16(rMid), greenBlue), 1));
        V::template StorePixels<Channels>(rows.out + 2 * Channels * x, blue, green, red, Layout(2, Channels));
    }
    return x;
}
