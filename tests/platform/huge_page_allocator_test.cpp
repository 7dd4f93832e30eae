#include "platform/huge_page_allocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

TEST(HugePageAllocatorTest, LargeBlocksAreWholePagesAndKeepTheirValuesThroughGrowth)
{
    std::vector<int64_t, HugePageAllocator<int64_t>> values(1000);
    std::iota(values.begin(), values.end(), 0);
    values.resize(3'000'000);  // 24 MB: mapped, and the small block freed
    EXPECT_EQ(reinterpret_cast<uintptr_t>(values.data()) % (2u << 20), 0u);
    EXPECT_EQ(values[999], 999);
    EXPECT_EQ(values[2'999'999], 0);
    values[2'999'999] = 7;
    std::vector<int64_t, HugePageAllocator<int64_t>> copy = values;
    EXPECT_EQ(copy[2'999'999], 7);
    values.clear();
    values.shrink_to_fit();
    EXPECT_THROW(HugePageAllocator<int64_t>().allocate(SIZE_MAX / 4), std::bad_array_new_length);

    // A 640x480 picture's buffer (1.2 MB) takes one page of its own.
    const HugePageVector<int32_t> picture(642 * 482);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(picture.data()) % (2u << 20), 0u);
}
