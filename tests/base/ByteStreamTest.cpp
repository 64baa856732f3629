#include "tests/base/TestStreams.h"

#include <gtest/gtest.h>

using namespace vt;

namespace {

TEST(MemoryStreams, DeliverWhatTheyHoldAndShortAtTheEnd)
{
    const Bytes data{1, 2, 3, 4, 5};
    MemoryInputStream in(data);
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(in.Read(buffer, 3), 3u);
    EXPECT_EQ(in.Read(buffer, 4), 2u);
    EXPECT_EQ(buffer[0], 4);
    EXPECT_EQ(buffer[1], 5);
    EXPECT_EQ(in.Read(buffer, 4), 0u);

    MemoryOutputStream out;
    out.Write(data.data(), 2);
    out.Write(data.data(), 0);
    out.Write(data.data() + 2, 3);
    EXPECT_EQ(out.Bytes(), data);
}

} // namespace
