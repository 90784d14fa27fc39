// Waiting with a deadline. A test that waits for another thread or process
// (a streaming thread, a listener started in the background, a file another
// program writes) polls through this, so that it fails with a message when
// the deadline passes instead of hanging:
//
//   ASSERT_TRUE(WaitUntil("the first sample", [&] { return !sink->Records().empty(); }));
//
// On time-out the result reads "<what> did not happen within <limit> ms".
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

constexpr std::chrono::milliseconds kDefaultWaitLimit{30000};

// Polls done() every `every` until it holds or `limit` has passed; done() is
// asked once more at the deadline.
::testing::AssertionResult WaitUntil(const char* what, const std::function<bool()>& done,
                                     std::chrono::milliseconds limit = kDefaultWaitLimit,
                                     std::chrono::milliseconds every = std::chrono::milliseconds(1));
