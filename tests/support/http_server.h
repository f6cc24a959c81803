// A small HTTP server inside the test process, for the download, position
// report and online map tests: it listens on 127.0.0.1 only, on a port the
// system chooses, records the request line of every request and answers each
// path as the test told it to. Every answer closes its connection. The
// server stops, and its threads end, when the object goes.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

enum class ReplyShape {
    Whole,     // the body with its Content-Length
    CutOff,    // announces the whole body, sends half of it and closes
    Chunked,   // chunked transfer coding, in pieces of 100 bytes
    Gzip,      // gzip content coding, announced by Content-Encoding
    Endless,   // no length, bytes until the client goes away
};

struct HttpReply {
    HttpReply() = default;
    HttpReply(int status, std::string body, ReplyShape shape = ReplyShape::Whole, DWORD delayMs = 0,
              std::string location = "")
        : status(status), body(std::move(body)), shape(shape), delayMs(delayMs), location(std::move(location))
    {
    }
    int status = 200;
    std::string body;
    std::string contentType = "text/plain";
    ReplyShape shape = ReplyShape::Whole;
    DWORD delayMs = 0;       // waited before anything is sent
    std::string location;    // sent as Location when not empty
};

struct SeenRequest {
    std::string line;   // "GET /path?query HTTP/1.1"
    ULONGLONG tick;     // GetTickCount64 when it arrived
};

class HttpServer {
public:
    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    int Port() const { return port_; }   // 0: not listening
    // "http://127.0.0.1:port" followed by path.
    std::string Url(const std::string& path) const;
    // Requests whose path (the target before any '?') is path get reply;
    // any other path gets a 404 page.
    void Answer(const std::string& path, const HttpReply& reply);
    std::vector<SeenRequest> Requests() const;
    size_t RequestCount() const;
    // True once at least n requests arrived, false after ms.
    bool WaitForRequests(size_t n, DWORD ms) const;

private:
    void AcceptLoop();
    void Serve(uintptr_t client);
    bool Pause(DWORD ms) const;   // false when the server stops meanwhile

    uintptr_t listener_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, HttpReply> replies_;
    std::vector<SeenRequest> requests_;
    std::vector<std::thread> handlers_;
    std::thread acceptor_;
};

// The gzip member (RFC 1952) holding data in stored deflate blocks.
std::string GzipStored(const std::string& data);

}  // namespace testsupport
