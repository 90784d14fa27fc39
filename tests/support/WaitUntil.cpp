#include "tests/support/WaitUntil.h"

#include <thread>

::testing::AssertionResult WaitUntil(const char* what, const std::function<bool()>& done,
                                     std::chrono::milliseconds limit, std::chrono::milliseconds every)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done()) return ::testing::AssertionSuccess();
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(every);
    }
    if (done()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << what << " did not happen within " << limit.count() << " ms";
}
