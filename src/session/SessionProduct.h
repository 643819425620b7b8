// SessionProduct.h - the product id a new session asks the camera device for: the one the
// library is built for, unless a test of the simulated family chose another, so that one build
// can drive every product of the family.
#pragma once

#include <cstdint>

namespace ovilux::session {

int32_t SessionProduct();
// productId 0 returns to the product the library is built for.
void ChooseSessionProduct(int32_t productId);

}  // namespace ovilux::session
