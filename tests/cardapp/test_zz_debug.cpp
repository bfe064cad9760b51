#include <gtest/gtest.h>
#include <iostream>
#include "SimCard.h"
TEST(Debug, Transcript) {
    const char* img = getenv("VN_DEBUG_IMAGE");
    if (!img) GTEST_SKIP();
    SimBench bench(img, atoi(getenv("VN_DEBUG_TYPE")));
    bench.detect();
    for (const auto& e : bench.card().transcript())
        if (e.kind == cardsim::Exchange::Kind::Apdu)
            std::cout << "> " << cardsim::toHex(e.command) << "\n< " << cardsim::toHex(e.response) << "\n";
}
