// VectorIsa.h - which vector instructions the image steps' fast forms may use, chosen once at
// run time from what the processor has. Every fast form equals its plain form byte for byte,
// whichever set it runs on.
#pragma once

namespace ovilux::image::detail {

// Instruction sets in rising order.
enum class VectorIsa { Plain, Sse41, Avx2 };

// The most the image steps may use from now on, process-wide (all the processor has by
// default): lets the tests hold every form against the plain one, and a caller compare them.
void LimitVectorIsa(VectorIsa most);
// The instruction set the fast forms come from: the best the processor has within the limit.
VectorIsa ActiveVectorIsa();

}  // namespace ovilux::image::detail
