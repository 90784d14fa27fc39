// A trace viewer of the test's own: a datagram socket bound where the
// platform's debug output sends (in the private runtime folder the test's
// environment names), read without waiting, since a record is in the socket
// once the send returns.
#pragma once

#include <string>
#include <vector>

class TraceViewer {
public:
    TraceViewer();
    ~TraceViewer();
    TraceViewer(const TraceViewer&) = delete;
    TraceViewer& operator=(const TraceViewer&) = delete;

    bool bound() const { return bound_; }
    // The records that arrived since the last call, whole (header and text).
    std::vector<std::string> Records();
    // The texts of the records that arrived since the last call (ANSI code
    // page, without the terminating NUL).
    std::vector<std::string> Lines();
    // The same texts, each followed by a newline.
    std::string Text();

private:
    int fd_ = -1;
    bool bound_ = false;
};
