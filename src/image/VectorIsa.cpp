// VectorIsa.cpp - the processor's instruction sets, asked once, under a process-wide limit.
#include "image/VectorIsa.h"

#include <algorithm>
#include <atomic>

namespace ovilux::image::detail {

namespace {

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
VectorIsa ProcessorIsa() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) {
        return VectorIsa::Avx2;
    }
    return __builtin_cpu_supports("sse4.1") && __builtin_cpu_supports("ssse3") ? VectorIsa::Sse41 : VectorIsa::Plain;
}
#else
VectorIsa ProcessorIsa() { return VectorIsa::Plain; }
#endif

std::atomic<VectorIsa> gLimit{VectorIsa::Avx2};

}  // namespace

void LimitVectorIsa(VectorIsa most) { gLimit.store(most); }

VectorIsa ActiveVectorIsa() {
    static const VectorIsa processor = ProcessorIsa();
    return std::min(processor, gLimit.load());
}

}  // namespace ovilux::image::detail
