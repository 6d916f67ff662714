#include "KASIO.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct MessageCase {
    int32_t selector;
    int32_t value;
    int32_t answer;
};

TEST(AsioMessage, AnswersWhatTheHostSupports) {
    const std::vector<MessageCase> cases = {
        {kAsioSelectorSupported, kAsioEngineVersion, 1},
        {kAsioSelectorSupported, kAsioResetRequest, 1},
        {kAsioSelectorSupported, kAsioBufferSizeChange, 0},
        {kAsioSelectorSupported, kAsioResyncRequest, 1},
        {kAsioSelectorSupported, kAsioLatenciesChanged, 1},
        {kAsioSelectorSupported, kAsioSupportsTimeInfo, 1},
        {kAsioSelectorSupported, kAsioSelectorSupported, 0},
        {kAsioSelectorSupported, 8, 0},
        {kAsioEngineVersion, 0, 2},
        {kAsioResyncRequest, 0, 1},
        {kAsioLatenciesChanged, 0, 1},
        {kAsioSupportsTimeInfo, 0, 1},
        {kAsioBufferSizeChange, 512, 0},
        {0, 0, 0},
        {8, 0, 0},
        {1000, 0, 0},
    };
    for (const MessageCase& c : cases) {
        EXPECT_EQ(AsioMessage(c.selector, c.value, nullptr, nullptr), c.answer)
            << "selector " << c.selector << ", value " << c.value;
    }
}

TEST(AsioMessage, AResetRequestWithoutAHostIsStillAnswered) {
    EXPECT_EQ(AsioMessage(kAsioResetRequest, 0, nullptr, nullptr), 1);
}

} // namespace
