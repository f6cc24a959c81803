#include "update_test_support.h"

#include <wincrypt.h>

#include "support/dib_canvas.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace updtest {
namespace {

constexpr size_t kMaxRequestBytes = 65536;
constexpr size_t kPieceBytes = 16384;

std::string ReasonOf(int status)
{
    return status == 200 ? "OK" : status == 404 ? "Not Found" : "Status";
}

bool SendAll(SOCKET s, const char* p, size_t n)
{
    while (n > 0) {
        const int sent = send(s, p, int(std::min<size_t>(n, kPieceBytes)), 0);
        if (sent <= 0)
            return false;
        p += sent;
        n -= size_t(sent);
    }
    return true;
}

std::string HeaderValue(const std::string& request, const std::string& name)
{
    const std::string lower = Lower(request);
    const size_t at = lower.find("\r\n" + Lower(name) + ":");
    if (at == std::string::npos)
        return {};
    size_t start = at + name.size() + 3;
    while (start < request.size() && request[start] == ' ')
        ++start;
    return request.substr(start, request.find("\r\n", start) - start);
}

// The screen under window, as a person would see it there.
void SaveScreenPart(HWND window, const std::string& path)
{
    Sleep(300);   // let it paint
    RECT r{};
    GetWindowRect(window, &r);
    testsupport::DibCanvas canvas(r.right - r.left, r.bottom - r.top);
    HDC screen = GetDC(nullptr);
    BitBlt(canvas.Dc(), 0, 0, canvas.Width(), canvas.Height(), screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    canvas.SavePng(path);
}

}  // namespace

UpdateServer::UpdateServer()
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(listener_, 8);
    int len = sizeof addr;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = CreateThread(nullptr, 0, &UpdateServer::Run, this, 0, nullptr);
}

UpdateServer::~UpdateServer()
{
    closesocket(listener_);   // ends accept
    WaitForSingleObject(thread_, 30000);
    CloseHandle(thread_);
    WSACleanup();
}

void UpdateServer::Serve(const std::string& target, Reply reply)
{
    std::lock_guard<std::mutex> hold(lock_);
    replies_[target] = std::make_shared<const Reply>(std::move(reply));
}

std::wstring UpdateServer::Url(const std::string& target) const
{
    return Widen("http://127.0.0.1:" + std::to_string(port_) + target);
}

std::vector<std::string> UpdateServer::Targets() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return targets_;
}

std::vector<std::string> UpdateServer::Agents() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return agents_;
}

DWORD WINAPI UpdateServer::Run(void* self)
{
    auto* server = static_cast<UpdateServer*>(self);
    for (;;) {
        SOCKET client = accept(server->listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return 0;
        server->Answer(client);
    }
}

void UpdateServer::Answer(SOCKET client)
{
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < kMaxRequestBytes) {
        const int n = recv(client, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        request.append(buf, size_t(n));
    }
    const size_t start = request.find(' ') + 1;
    const std::string target = request.substr(start, request.find(' ', start) - start);
    std::shared_ptr<const Reply> found;
    {
        std::lock_guard<std::mutex> hold(lock_);
        targets_.push_back(target);
        agents_.push_back(HeaderValue(request, "User-Agent"));
        const auto known = replies_.find(target);
        if (known != replies_.end())
            found = known->second;
    }
    static const Reply kMissing{"<html><body>404 Not Found</body></html>", 404};
    const Reply& reply = found ? *found : kMissing;
    const std::string head = "HTTP/1.0 " + std::to_string(reply.status) + " " + ReasonOf(reply.status) +
                             "\r\nContent-Length: " + std::to_string(reply.body.size()) +
                             "\r\nConnection: close\r\n" + reply.extraHeaders + "\r\n";
    bool ok = SendAll(client, head.data(), head.size());
    const size_t end = std::min(reply.body.size(), reply.dropAfter);
    for (size_t at = 0; ok && at < end; at += kPieceBytes) {
        ok = SendAll(client, reply.body.data() + at, std::min(kPieceBytes, end - at));
        if (reply.pauseMs)
            Sleep(reply.pauseMs);
    }
    if (reply.dropAfter != std::string::npos && reply.reset) {
        // Reset, as a connection that breaks does.
        linger abort{1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    } else {
        shutdown(client, SD_SEND);
    }
    closesocket(client);
}

std::wstring DeadUrl()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    int len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    closesocket(s);
    return Widen("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/hash.php");
}

BoxAnswerer::BoxAnswerer(DWORD pid, std::wstring caption, int button, std::string picture)
    : pid_(pid), caption_(std::move(caption)), button_(button), picture_(std::move(picture))
{
    done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, &BoxAnswerer::Run, this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer()
{
    SetEvent(stop_);
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
    CloseHandle(stop_);
    CloseHandle(done_);
}

bool BoxAnswerer::Wait(DWORD ms)
{
    return WaitForSingleObject(done_, ms) == WAIT_OBJECT_0;
}

std::wstring BoxAnswerer::Text() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return text_;
}

bool BoxAnswerer::Question() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return question_;
}

DWORD WINAPI BoxAnswerer::Run(void* self)
{
    auto* a = static_cast<BoxAnswerer*>(self);
    while (WaitForSingleObject(a->stop_, 50) == WAIT_TIMEOUT) {
        HWND box = nullptr;
        while ((box = FindWindowExW(nullptr, box, L"#32770", a->caption_.c_str())) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(box, &pid);
            if (pid == a->pid_ && GetDlgItem(box, 0xFFFF) && IsWindowVisible(box))
                break;
        }
        if (!box)
            continue;
        wchar_t text[2048] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 2048);
        const bool question = GetDlgItem(box, IDYES) != nullptr;
        {
            std::lock_guard<std::mutex> hold(a->lock_);
            a->text_ = text;
            a->question_ = question;
        }
        if (!a->picture_.empty())
            SaveScreenPart(box, a->picture_);
        const int button = a->button_ ? a->button_ : question ? IDYES : IDOK;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        SetEvent(a->done_);
        return 0;
    }
    return 0;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string ReadBytes(const std::wstring& path)
{
    std::string out;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f)
        return out;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    std::fclose(f);
    return out;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SystemSha1(const std::string& bytes)
{
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    std::string text;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return text;
    BYTE digest[20] = {};
    DWORD size = sizeof digest;
    if (CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash) &&
        CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()), 0) &&
        CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
        char hex[3];
        for (BYTE b : digest) {
            std::snprintf(hex, sizeof hex, "%02X", b);
            text += hex;
        }
    }
    if (hash)
        CryptDestroyHash(hash);
    CryptReleaseContext(provider, 0);
    return text;
}

std::wstring Widen(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace updtest
