// A small HTTP server on 127.0.0.1 for tests: it listens on a free port,
// answers each connection with one scripted reply and closes it, and stops by
// itself after its lifetime even when a test forgets it. Every connection runs
// on its own thread with socket time-outs, so nothing it does can hang a test.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct TestHttpRequest {
    std::string method;  // empty when the connection did not speak HTTP
    std::string target;  // as sent on the request line
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string firstBytes;  // the first bytes the client sent, whatever they were

    // The value of a header (case-blind name), "" when absent.
    std::string Header(const std::string& name) const;
    int HeaderCount(const std::string& name) const;
};

struct TestHttpReply {
    std::string statusLine = "HTTP/1.1 200 OK";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // When >= 0 the body is made on the fly: the bytes PatternByte(first ..
    // first + generatedLength - 1), so resources of any size cost no memory.
    int64_t generatedLength = -1;
    int64_t generatedFirst = 0;
    // Adds "Content-Length" for the whole body unless false.
    bool sendLength = true;
    // Sends only this many body bytes and then closes (a short body); -1 all.
    int64_t sendLimit = -1;
    // Waits this long after the headers before the body.
    int stallMs = 0;
    // A slow sender: the body in pieces of pieceBytes with pieceDelayMs between.
    int pieceBytes = 0;
    int pieceDelayMs = 0;
};

using TestHttpHandler = std::function<TestHttpReply(const TestHttpRequest&)>;

class LoopbackHttpServer {
public:
    explicit LoopbackHttpServer(TestHttpHandler handler, int lifetimeMs = 60000);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:PORT" + path.
    std::string Url(const std::string& path) const;
    std::wstring WUrl(const std::string& path) const;
    std::vector<TestHttpRequest> Requests() const;
    size_t RequestCount() const;
    // Body bytes handed to the kernel so far, over all connections.
    int64_t BodyBytesSent() const { return bodyBytesSent_; }

    // Byte i of every generated resource.
    static unsigned char PatternByte(int64_t i);
    static std::string Pattern(int64_t first, int64_t count);
    // A reply serving a generated resource of the given length: 206 with
    // Content-Range for "Range: bytes=N-" when ranges are honoured, else 200
    // with the whole resource. version is "HTTP/1.1" or "HTTP/1.0".
    static TestHttpReply Resource(const TestHttpRequest& request, int64_t length, bool honourRange,
                                  const std::string& version = "HTTP/1.1");
    // A port on 127.0.0.1 where nothing listens.
    static int UnusedPort();

private:
    void AcceptLoop();
    void Serve(int fd);
    bool Wait(int ms);  // false when the server is stopping
    bool SendAll(int fd, const char* data, size_t size, bool isBody);

    TestHttpHandler handler_;
    int listenFd_ = -1;
    int port_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    std::atomic<bool> stop_{false};
    std::atomic<int64_t> bodyBytesSent_{0};
    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::vector<TestHttpRequest> requests_;
    std::set<int> openFds_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};
