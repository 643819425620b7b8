// ProductDescription.cpp - the family's products as the simulation builds them.
#include "sim/ProductDescription.h"

namespace ovilux::sim {

namespace {

using B = SensorBus;

constexpr ProductDescription kProducts[] = {
    {0x3020, 4608, 3288, 0x20, B::Address16Value16}, {0x3030, 2592, 1944, 0x90, B::Address8Value16},
    {0x3040, 3856, 2764, 0x20, B::Address16Value16}, {0x3042, 3856, 2764, 0x20, B::Address16Value16, false, false, true},
    {0x3050, 1600, 1200, 0x00, B::FpgaOnly},
    {0x3090, 2336, 1752, 0x00, B::FpgaOnly},         {0x30B0, 4896, 3264, 0x00, B::FpgaOnly, false, true},
    {0x30C0, 6576, 4384, 0x00, B::FpgaOnly, false, true},         {0x30F0, 3072, 2048, 0x48, B::Address16Value8},
    {0x3100, 1920, 1200, 0x48, B::Address16Value8},  {0x3110, 5520, 3680, 0x48, B::Address16Value8},
    {0x3120, 4800, 3520, 0x48, B::Address16Value8},  {0x3130, 1920, 1080, 0x42, B::FpgaOnly},
    {0x3140, 1280, 1024, 0x6C, B::Address16Value16}, {0x3150, 640, 512, 0x6C, B::FpgaOnly},
    {0x3170, 320, 256, 0x6C, B::FpgaOnly},           {0x3180, 2048, 1024, 0x48, B::TextHead},
    {0x3190, 512, 512, 0x20, B::FpgaOnly},           {0x31A0, 256, 256, 0x20, B::FpgaOnly},
    {0x31B0, 2448, 2048, 0x48, B::Address16Value8},  {0x31B4, 2448, 2048, 0x48, B::Address16Value8},
    {0x31C0, 2048, 1536, 0x48, B::Address16Value8},  {0x31C4, 2048, 1536, 0x48, B::Address16Value8},
    {0x31D0, 1024, 1024, 0x20, B::FpgaOnly},         {0x31E0, 2048, 2048, 0x6C, B::FpgaOnly, true},
    {0x31F0, 4168, 3062, 0x48, B::Address16Value8},  {0x3200, 640, 512, 0x48, B::Address16Value8},
    {0x3210, 2048, 2048, 0x20, B::FpgaOnly},         {0x3220, 320, 256, 0x6C, B::FpgaOnly},
    {0x3260, 1280, 1024, 0x48, B::Address16Value8},  {0x3270, 1280, 1024, 0x48, B::Address16Value8},
    {0x3280, 640, 512, 0x48, B::Address16Value8},    {0x3290, 640, 512, 0x48, B::Address16Value8},
    {0x32A0, 2448, 2048, 0x48, B::Address16Value8},  {0x32B0, 1936, 1096, 0x48, B::Address16Value8},
    {0x32C0, 1280, 1024, 0x48, B::Address16Value8},  {0x32D0, 4096, 4096, 0x6C, B::FpgaOnly, true},
    {0x32E0, 2848, 2848, 0x48, B::Address16Value8},  {0x32F0, 2848, 2848, 0x48, B::Address16Value8},
    {0x3300, 1440, 1080, 0x48, B::Address16Value8},
};

}  // namespace

std::optional<ProductDescription> FindProduct(uint16_t productId) {
    for (const ProductDescription& product : kProducts) {
        if (product.productId == productId) {
            return product;
        }
    }
    return std::nullopt;
}

}  // namespace ovilux::sim
