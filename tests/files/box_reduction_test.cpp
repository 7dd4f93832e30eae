#include <gtest/gtest.h>

#include <vector>

#include "engine/supersampling.h"
#include "files/box_reduction.h"

namespace {

uint32_t Grey(uint32_t level) { return level << 16 | level << 8 | level; }

TEST(BoxReductionTest, UniformBlocksKeepTheirColourAtEverySize)
{
    for (int32_t n = 1; n <= MaxSupersampling; ++n) {
        for (uint32_t level = 0; level < 256; ++level) {
            // Each channel its own level: no channel may leak into another.
            const uint32_t colour = level << 16 | (255 - level) << 8 | (level * 7 % 256);
            const std::vector<uint32_t> block(static_cast<size_t>(n) * n * 2, colour);
            std::vector<uint32_t> out(2);
            ReduceBoxes(block.data(), 2 * n, n, n, out.data());
            ASSERT_EQ(out, std::vector<uint32_t>(2, colour)) << n << " " << level;
        }
    }
}

TEST(BoxReductionTest, AveragesInLinearLightAndRoundsOnce)
{
    // Half black, half white is half the light: sRGB 187.5.., not 128.
    const std::vector<uint32_t> checker{Grey(0), Grey(255), Grey(255), Grey(0)};
    uint32_t out = 0;
    ReduceBoxes(checker.data(), 2, 2, 2, &out);
    EXPECT_EQ(out, Grey(188));

    // One lit sample in 64: linear 1/64 encodes to 33.53.. -> 34.
    std::vector<uint32_t> sparse(64, 0);
    sparse[27] = 0xff0000;
    ReduceBoxes(sparse.data(), 8, 8, 8, &out);
    EXPECT_EQ(out, 34u << 16);

    // Blocks are taken from their own columns and rows only.
    const std::vector<uint32_t> picture{Grey(255), Grey(255), 0,         0,
                                        Grey(255), Grey(255), 0,         0,
                                        0,         0,         0x0000ff, 0x0000ff,
                                        0,         0,         0x0000ff, 0x0000ff};
    std::vector<uint32_t> quarters(4);
    ReduceBoxes(picture.data(), 4, 4, 2, quarters.data());
    EXPECT_EQ(quarters, (std::vector<uint32_t>{Grey(255), 0, 0, 0x0000ff}));
}

}  // namespace
