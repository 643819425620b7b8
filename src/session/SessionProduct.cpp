// SessionProduct.cpp - the product id new sessions ask for.
#include "session/SessionProduct.h"

#include <atomic>

#include "session/SessionConstants.h"

namespace ovilux::session {

namespace {

std::atomic<int32_t> g_chosenProduct{0};

}  // namespace

int32_t SessionProduct() {
    const int32_t chosen = g_chosenProduct.load();
    return chosen != 0 ? chosen : kProductId;
}

void ChooseSessionProduct(int32_t productId) { g_chosenProduct = productId; }

}  // namespace ovilux::session
