// The test HTTP server: Winsock, one thread accepting, one per connection.
#include <winsock2.h>

#include "http_server.h"

#include "png_writer.h"

#include <cstdio>

namespace testsupport {
namespace {

constexpr size_t kMaxHeadBytes = 64 * 1024;
constexpr DWORD kClientReadMs = 5000;
constexpr size_t kChunkPiece = 100;

bool SendAll(SOCKET s, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void PutLittleEndian(std::string* out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// The request head up to its blank line; empty when the client sent none.
std::string ReadHead(SOCKET s)
{
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHeadBytes) {
        const int n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0)
            return {};
        head.append(buffer, static_cast<size_t>(n));
    }
    return head;
}

}  // namespace

std::string GzipStored(const std::string& data)
{
    std::string out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff", 10);
    size_t at = 0;
    do {
        const size_t n = data.size() - at < 65535 ? data.size() - at : 65535;
        const bool last = at + n == data.size();
        out.push_back(last ? 1 : 0);
        PutLittleEndian(&out, static_cast<uint32_t>(n), 2);
        PutLittleEndian(&out, static_cast<uint32_t>(~n & 0xFFFF), 2);
        out.append(data, at, n);
        at += n;
    } while (at < data.size());
    PutLittleEndian(&out, Crc32(data.data(), data.size()), 4);
    PutLittleEndian(&out, static_cast<uint32_t>(data.size()), 4);
    return out;
}

HttpServer::HttpServer() : listener_(INVALID_SOCKET)
{
    WSADATA wsa{};
    WSAStartup(MAKEWORD(2, 2), &wsa);
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return;
    }
    listener_ = s;
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

HttpServer::~HttpServer()
{
    stopping_ = true;
    if (listener_ != INVALID_SOCKET)
        closesocket(static_cast<SOCKET>(listener_));
    if (acceptor_.joinable())
        acceptor_.join();
    for (std::thread& t : handlers_)
        t.join();
    WSACleanup();
}

std::string HttpServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpServer::Answer(const std::string& path, const HttpReply& reply)
{
    std::lock_guard<std::mutex> lock(mutex_);
    replies_[path] = reply;
}

std::vector<SeenRequest> HttpServer::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

size_t HttpServer::RequestCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.size();
}

bool HttpServer::WaitForRequests(size_t n, DWORD ms) const
{
    const ULONGLONG until = GetTickCount64() + ms;
    while (RequestCount() < n) {
        if (GetTickCount64() > until)
            return false;
        Sleep(20);
    }
    return true;
}

bool HttpServer::Pause(DWORD ms) const
{
    const ULONGLONG until = GetTickCount64() + ms;
    while (GetTickCount64() < until) {
        if (stopping_)
            return false;
        Sleep(10);
    }
    return !stopping_;
}

void HttpServer::AcceptLoop()
{
    for (;;) {
        const SOCKET client = accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
        if (client == INVALID_SOCKET || stopping_) {
            if (client != INVALID_SOCKET)
                closesocket(client);
            return;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        handlers_.emplace_back([this, client] { Serve(client); });
    }
}

void HttpServer::Serve(uintptr_t handle)
{
    const SOCKET s = static_cast<SOCKET>(handle);
    const DWORD readMs = kClientReadMs;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&readMs), sizeof readMs);
    const std::string head = ReadHead(s);
    const std::string line = head.substr(0, head.find("\r\n"));
    const size_t pathStart = line.find(' ') == std::string::npos ? line.size() : line.find(' ') + 1;
    const std::string target = line.substr(pathStart, line.find(' ', pathStart) - pathStart);
    const std::string path = target.substr(0, target.find('?'));

    HttpReply reply;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back({line, GetTickCount64()});
        const auto found = replies_.find(path);
        if (found != replies_.end()) {
            reply = found->second;
        } else {
            reply.status = 404;
            reply.contentType = "text/html";
            reply.body = "<html><body>404 Not Found</body></html>";
        }
    }
    if (!head.empty() && Pause(reply.delayMs)) {
        // The reason phrase is for people; clients read the number.
        std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " Answer\r\n";
        out += "Content-Type: " + reply.contentType + "\r\nConnection: close\r\n";
        if (!reply.location.empty())
            out += "Location: " + reply.location + "\r\n";
        std::string body = reply.body;
        switch (reply.shape) {
        case ReplyShape::Whole:
        case ReplyShape::CutOff:
            out += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
            if (reply.shape == ReplyShape::CutOff)
                body.resize(body.size() / 2);
            SendAll(s, out + body);
            break;
        case ReplyShape::Gzip:
            body = GzipStored(body);
            out += "Content-Encoding: gzip\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
            SendAll(s, out + body);
            break;
        case ReplyShape::Chunked: {
            out += "Transfer-Encoding: chunked\r\n\r\n";
            for (size_t at = 0; at < body.size(); at += kChunkPiece) {
                const std::string piece = body.substr(at, kChunkPiece);
                char size[16];
                std::snprintf(size, sizeof size, "%x\r\n", static_cast<unsigned>(piece.size()));
                out += size + piece + "\r\n";
            }
            SendAll(s, out + "0\r\n\r\n");
            break;
        }
        case ReplyShape::Endless: {
            SendAll(s, out + "\r\n");
            const std::string block(64 * 1024, 'x');
            while (!stopping_ && SendAll(s, block)) {
            }
            break;
        }
        }
    }
    shutdown(s, SD_SEND);
    closesocket(s);
}

}  // namespace testsupport
