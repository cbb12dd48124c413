#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "relay/SpscRing.h"

namespace moxel {
namespace {

TEST(SpscRingTest, KeepsOrderAcrossManyWrapArounds) {
    SpscRing<std::uint32_t, 8> ring;
    std::uint32_t next = 0;
    std::uint32_t expected = 0;
    for (int round = 0; round < 100; ++round) {
        const int burst = 1 + round % 8; // 1..8 elements, so the indices wrap often
        for (int i = 0; i < burst; ++i) {
            ASSERT_TRUE(ring.tryPush(next++));
        }
        EXPECT_EQ(ring.size(), static_cast<std::size_t>(burst));
        std::uint32_t v = 0;
        while (ring.tryPop(v)) {
            ASSERT_EQ(v, expected++);
        }
    }
    EXPECT_EQ(expected, next);
}

TEST(SpscRingTest, RefusesWhenFullAndAcceptsAgainAfterAPop) {
    SpscRing<int, 4> ring;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(ring.tryPush(i));
    }
    EXPECT_FALSE(ring.tryPush(99));
    int v = -1;
    ASSERT_TRUE(ring.tryPop(v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(ring.tryPush(4));
    EXPECT_FALSE(ring.tryPush(5));
    for (int want = 1; want <= 4; ++want) {
        ASSERT_TRUE(ring.tryPop(v));
        EXPECT_EQ(v, want);
    }
    EXPECT_FALSE(ring.tryPop(v));
    EXPECT_EQ(v, 4) << "a failed pop leaves the target alone";
}

TEST(SpscRingTest, PushAllIsAllOrNothing) {
    SpscRing<int, 8> ring;
    const std::vector<int> five{1, 2, 3, 4, 5};
    ASSERT_TRUE(ring.tryPushAll(five.data(), five.size()));
    EXPECT_FALSE(ring.tryPushAll(five.data(), five.size())) << "only three places left";
    EXPECT_EQ(ring.size(), 5u);
    const std::vector<int> three{6, 7, 8};
    ASSERT_TRUE(ring.tryPushAll(three.data(), three.size()));
    for (int want = 1; want <= 8; ++want) {
        int v = 0;
        ASSERT_TRUE(ring.tryPop(v));
        EXPECT_EQ(v, want);
    }
}

TEST(SpscRingTest, TwoThreadsLoseNothingAndKeepOrder) {
    constexpr std::uint32_t kCount = 200000;
    SpscRing<std::uint32_t, 64> ring;
    std::thread producer([&] {
        for (std::uint32_t i = 0; i < kCount;) {
            if (i % 7 == 0 && i + 3 <= kCount) {
                const std::uint32_t batch[3] = {i, i + 1, i + 2};
                if (ring.tryPushAll(batch, 3)) {
                    i += 3;
                } else {
                    std::this_thread::yield();
                }
            } else if (ring.tryPush(i)) {
                ++i;
            } else {
                std::this_thread::yield();
            }
        }
    });
    std::uint32_t expected = 0;
    std::uint32_t outOfOrder = 0;
    while (expected < kCount) {
        std::uint32_t v = 0;
        if (ring.tryPop(v)) {
            if (v != expected) {
                ++outOfOrder;
                expected = v;
            }
            ++expected;
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_EQ(outOfOrder, 0u);
    EXPECT_EQ(expected, kCount);
    std::uint32_t extra = 0;
    EXPECT_FALSE(ring.tryPop(extra));
}

} // namespace
} // namespace moxel
