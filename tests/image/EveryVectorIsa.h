// EveryVectorIsa.h - runs a check once per instruction set this processor has (the plain
// forms included), and leaves the image steps free to use them all again afterwards.
#pragma once

#include <gtest/gtest.h>

#include "image/VectorIsa.h"

namespace ovilux::image::test {

template <typename Check>
void ForEveryVectorIsa(Check check) {
    using detail::VectorIsa;
    for (VectorIsa isa : {VectorIsa::Plain, VectorIsa::Sse41, VectorIsa::Avx2}) {
        detail::LimitVectorIsa(isa);
        if (detail::ActiveVectorIsa() != isa) {
            continue;  // this processor lacks it
        }
        SCOPED_TRACE(::testing::Message() << "instruction set " << static_cast<int>(isa));
        check();
        if (::testing::Test::HasFatalFailure()) {
            break;
        }
    }
    detail::LimitVectorIsa(VectorIsa::Avx2);
}

}  // namespace ovilux::image::test
