// The world of the job-record tests: the encoder core's private folders,
// the component runtime with the system filters, the language texts of the
// program folder (English over Korean), and a message box that records.
#pragma once

#include <string>

#include "tests/encoder/core/CoreTestSupport.h"
#include "tests/encoder/core/FakeMessagePort.h"
#include "tests/support/LoopbackHttpServer.h"

class JobTest : public CoreTest {
protected:
    void SetUp() override;
    void TearDown() override;

    FakeMessagePort messages_;
};

// Serves the bytes as one resource: the whole with 200, or from the asked
// byte on with 206 when the request names a range.
TestHttpReply ServeBytes(const TestHttpRequest& request, const std::string& bytes);
