#include "player/pageaddress.h"

#include <gtest/gtest.h>

#include <set>

namespace {

const std::string kKey = "0123456789abcdef0123456789abcdef";

TEST(PageAddress, StoredFormReadsBack) {
    PageAddress address{31234, kKey};
    std::optional<PageAddress> back = ParsePageAddress(FormatPageAddress(address));
    ASSERT_TRUE(back);
    EXPECT_EQ(31234, back->port);
    EXPECT_EQ(kKey, back->key);
    for (const std::string& bad : std::vector<std::string>{
             "", "31234", "31234 " + kKey.substr(1), "31234 " + kKey + "0",
          "31234  " + kKey, "80 " + kKey, "45000 " + kKey, "x1234 " + kKey,
          "31234 0123456789ABCDEF0123456789ABCDEF", "123456 " + kKey})
        EXPECT_FALSE(ParsePageAddress(bad)) << bad;
}

TEST(PageAddress, OneNamePerProgramFolder) {
    EXPECT_EQ(PageAddressName("C:\\Courses\\A\\"), PageAddressName("c:\\courses\\a\\"));
    EXPECT_EQ(PageAddressName("C:\\Courses\\A\\"), PageAddressName("C:/Courses/A/"));
    EXPECT_NE(PageAddressName("C:\\Courses\\A\\"), PageAddressName("C:\\Courses\\B\\"));
    EXPECT_EQ(21u, PageAddressName("x").size());
}

TEST(PageAddress, PortsStayBelowTheDynamicRange) {
    std::set<int> seen;
    for (std::uint32_t r : {0u, 1u, 24999u, 25000u, 0xFFFFFFFFu, 123456789u}) {
        int port = PortFrom(r);
        EXPECT_GE(port, 20000);
        EXPECT_LT(port, 45000);
        seen.insert(port);
    }
    EXPECT_GT(seen.size(), 3u);
    std::vector<int> ports = PortsToTry(31000);
    ASSERT_GT(ports.size(), 2u);
    EXPECT_EQ(31000, ports[0]);
    EXPECT_EQ(31001, ports[1]);
    // Near the top they wrap around inside the range.
    for (int port : PortsToTry(44999)) {
        EXPECT_GE(port, 20000);
        EXPECT_LT(port, 45000);
    }
}

}  // namespace
