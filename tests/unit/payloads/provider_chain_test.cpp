#include "payloads/pellin/provider_chain.h"

#include <gtest/gtest.h>

namespace sorvane::payloads {
namespace {

TEST(NextInChain, TakesTheEntryBelowTheOwnOne) {
    const std::uint32_t chain[] = {1010, 1001};
    EXPECT_EQ(NextInChain(chain, 2, 1010), 1001u);
    const std::uint32_t deeper[] = {2000, 1010, 1001};
    EXPECT_EQ(NextInChain(deeper, 3, 1010), 1001u);
}

TEST(NextInChain, UnknownOwnIdMeansTopOfChain) {
    const std::uint32_t chain[] = {1010, 1001, 1002};
    EXPECT_EQ(NextInChain(chain, 3, 0), 1001u);
    EXPECT_EQ(NextInChain(chain, 3, 5555), 1001u);
}

TEST(NextInChain, NothingBelow) {
    const std::uint32_t chain[] = {1010, 1001};
    EXPECT_EQ(NextInChain(chain, 2, 1001), 0u);
    EXPECT_EQ(NextInChain(chain, 1, 1010), 0u);  // a base provider
    EXPECT_EQ(NextInChain(chain, 0, 1010), 0u);  // the layered entry itself
    EXPECT_EQ(NextInChain(nullptr, 2, 1010), 0u);
}

TEST(NextInChain, DamagedChainsGiveNothing) {
    const std::uint32_t eight[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(NextInChain(eight, 8, 1), 0u);
    EXPECT_EQ(NextInChain(eight, -1, 1), 0u);
    const std::uint32_t loop[] = {1010, 1010, 1001};
    EXPECT_EQ(NextInChain(loop, 3, 0), 0u);
    const std::uint32_t zero[] = {1010, 0};
    EXPECT_EQ(NextInChain(zero, 2, 1010), 0u);
}

}  // namespace
}  // namespace sorvane::payloads
