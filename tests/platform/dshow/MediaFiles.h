// The system filters' tests: their media fixtures (made at test time by the
// ffmpeg command line, with ffprobe as the oracle), and a test environment
// in which the system filters are registered (a private registry store,
// the component runtime initialised for each test).
#pragma once

#include <gtest/gtest.h>

#include "tests/support/MediaFixtures.h"

// The component runtime and the system filters for one test; the registry
// store of the whole test program lives in a private folder.
class SystemFilterTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};
