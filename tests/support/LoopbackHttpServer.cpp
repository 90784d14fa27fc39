#include "LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/win32/CodePage.h"

namespace {

constexpr size_t kMaxRequestHead = 16 * 1024;
constexpr int kSocketTimeoutMs = 5000;
constexpr size_t kMaxConnections = 256;

bool EqualsNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

void SetTimeouts(int fd)
{
    timeval tv{kSocketTimeoutMs / 1000, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
}

int ListenOnLoopback(int* port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof(addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(fd);
        throw std::runtime_error("bind failed");
    }
    *port = ntohs(addr.sin_port);
    return fd;
}

}  // namespace

std::string TestHttpRequest::Header(const std::string& name) const
{
    for (const auto& [n, v] : headers) {
        if (EqualsNoCase(n, name)) return v;
    }
    return "";
}

int TestHttpRequest::HeaderCount(const std::string& name) const
{
    int count = 0;
    for (const auto& h : headers) count += EqualsNoCase(h.first, name) ? 1 : 0;
    return count;
}

LoopbackHttpServer::LoopbackHttpServer(TestHttpHandler handler, int lifetimeMs) : handler_(std::move(handler))
{
    // Tests talk to 127.0.0.1 only: never through a proxy of the environment.
    setenv("no_proxy", "*", 1);
    setenv("NO_PROXY", "*", 1);
    listenFd_ = ListenOnLoopback(&port_);
    if (listen(listenFd_, 64) != 0) {
        close(listenFd_);
        throw std::runtime_error("listen failed");
    }
    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(lifetimeMs);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
        for (int fd : openFds_) shutdown(fd, SHUT_RDWR);
    }
    wake_.notify_all();
    acceptor_.join();
    for (std::thread& t : workers_) t.join();
}

std::string LoopbackHttpServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::wstring LoopbackHttpServer::WUrl(const std::string& path) const { return Utf8ToWide(Url(path)); }

std::vector<TestHttpRequest> LoopbackHttpServer::Requests() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

size_t LoopbackHttpServer::RequestCount() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return requests_.size();
}

unsigned char LoopbackHttpServer::PatternByte(int64_t i)
{
    // Depends on every bit of the position, so bytes from a wrong offset
    // (a truncated 64-bit position, a range answered from 0) differ.
    uint64_t x = static_cast<uint64_t>(i) * 0x9E3779B97F4A7C15ull;
    return static_cast<unsigned char>((x >> 56) ^ (x >> 29));
}

std::string LoopbackHttpServer::Pattern(int64_t first, int64_t count)
{
    std::string out(static_cast<size_t>(count), '\0');
    for (int64_t i = 0; i < count; ++i) out[static_cast<size_t>(i)] = static_cast<char>(PatternByte(first + i));
    return out;
}

TestHttpReply LoopbackHttpServer::Resource(const TestHttpRequest& request, int64_t length, bool honourRange,
                                           const std::string& version)
{
    TestHttpReply reply;
    int64_t first = 0;
    bool ranged = false;
    std::string range = request.Header("Range");
    if (honourRange && range.rfind("bytes=", 0) == 0) {
        const char* p = range.c_str() + 6;
        char* end = nullptr;
        errno = 0;
        long long value = std::strtoll(p, &end, 10);
        if (end != p && errno == 0 && value >= 0 && std::string(end) == "-") {
            first = value;
            ranged = true;
        }
    }
    reply.headers.emplace_back("Content-Type", "application/octet-stream");
    if (ranged && first >= length) {
        reply.statusLine = version + " 416 Range Not Satisfiable";
        reply.headers.emplace_back("Content-Range", "bytes */" + std::to_string(length));
        return reply;
    }
    if (ranged) {
        reply.statusLine = version + " 206 Partial Content";
        reply.headers.emplace_back("Content-Range", "bytes " + std::to_string(first) + "-" +
                                                        std::to_string(length - 1) + "/" + std::to_string(length));
    } else {
        reply.statusLine = version + " 200 OK";
    }
    reply.generatedFirst = first;
    reply.generatedLength = length - first;
    return reply;
}

int LoopbackHttpServer::UnusedPort()
{
    int port = 0;
    int fd = ListenOnLoopback(&port);
    close(fd);
    return port;
}

bool LoopbackHttpServer::Wait(int ms)
{
    std::unique_lock<std::mutex> guard(lock_);
    wake_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
    return !stop_ && std::chrono::steady_clock::now() < deadline_;
}

void LoopbackHttpServer::AcceptLoop()
{
    while (!stop_ && std::chrono::steady_clock::now() < deadline_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        SetTimeouts(fd);
        std::lock_guard<std::mutex> guard(lock_);
        if (stop_ || workers_.size() >= kMaxConnections) {
            close(fd);
            continue;
        }
        openFds_.insert(fd);
        workers_.emplace_back([this, fd] { Serve(fd); });
    }
    stop_ = true;  // past its lifetime the server ends every connection too
    wake_.notify_all();
    close(listenFd_);
}

bool LoopbackHttpServer::SendAll(int fd, const char* data, size_t size, bool isBody)
{
    while (size > 0) {
        if (stop_) return false;
        ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (std::chrono::steady_clock::now() >= deadline_) return false;
                continue;  // the reader holds back; wait on until stopped
            }
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
        if (isBody) bodyBytesSent_ += n;
    }
    return true;
}

void LoopbackHttpServer::Serve(int fd)
{
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxRequestHead && !stop_) {
        pollfd p{fd, POLLIN, 0};
        int ready = poll(&p, 1, 100);
        if (ready == 0) {
            if (std::chrono::steady_clock::now() >= deadline_) break;
            continue;
        }
        ssize_t n = recv(fd, buf, sizeof(buf), 0);
        if (n <= 0) break;
        head.append(buf, static_cast<size_t>(n));
        if (head[0] < 'A' || head[0] > 'Z') break;  // not HTTP (a TLS hello): record and close
    }

    TestHttpRequest request;
    request.firstBytes = head.substr(0, 64);
    size_t headEnd = head.find("\r\n\r\n");
    if (headEnd != std::string::npos) {
        size_t lineEnd = head.find("\r\n");
        std::string line = head.substr(0, lineEnd);
        size_t a = line.find(' ');
        size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
        if (b != std::string::npos) {
            request.method = line.substr(0, a);
            request.target = line.substr(a + 1, b - a - 1);
            request.version = line.substr(b + 1);
        }
        size_t pos = lineEnd + 2;
        while (pos < headEnd) {
            size_t eol = head.find("\r\n", pos);
            std::string h = head.substr(pos, eol - pos);
            pos = eol + 2;
            size_t colon = h.find(':');
            if (colon != std::string::npos)
                request.headers.emplace_back(Trim(h.substr(0, colon)), Trim(h.substr(colon + 1)));
        }
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        requests_.push_back(request);
    }

    if (!request.method.empty()) {
        TestHttpReply reply = handler_(request);
        int64_t total = reply.generatedLength >= 0 ? reply.generatedLength : static_cast<int64_t>(reply.body.size());
        std::string out = reply.statusLine + "\r\n";
        bool haveLength = false;
        for (const auto& [n, v] : reply.headers) {
            out += n + ": " + v + "\r\n";
            haveLength = haveLength || EqualsNoCase(n, "Content-Length");
        }
        if (reply.sendLength && !haveLength) out += "Content-Length: " + std::to_string(total) + "\r\n";
        out += "Connection: close\r\n\r\n";
        bool ok = SendAll(fd, out.data(), out.size(), false);
        if (ok && reply.stallMs > 0) ok = Wait(reply.stallMs);
        int64_t limit = reply.sendLimit >= 0 ? std::min(reply.sendLimit, total) : total;
        int64_t piece = reply.pieceBytes > 0 ? reply.pieceBytes : 64 * 1024;
        for (int64_t offset = 0; ok && offset < limit; offset += piece) {
            int64_t n = std::min(piece, limit - offset);
            std::string data = reply.generatedLength >= 0
                                   ? Pattern(reply.generatedFirst + offset, n)
                                   : reply.body.substr(static_cast<size_t>(offset), static_cast<size_t>(n));
            ok = SendAll(fd, data.data(), data.size(), true);
            if (ok && reply.pieceDelayMs > 0 && offset + n < limit) ok = Wait(reply.pieceDelayMs);
        }
        // Let the client see the end before the socket goes: read until it
        // closes (bounded by the socket time-out), so no reset cuts off what
        // it has not read yet.
        shutdown(fd, SHUT_WR);
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 100) == 0) {
                if (std::chrono::steady_clock::now() >= deadline_) break;
                continue;
            }
            if (recv(fd, buf, sizeof(buf), 0) <= 0) break;
        }
    }
    std::lock_guard<std::mutex> guard(lock_);
    openFds_.erase(fd);
    close(fd);
}
