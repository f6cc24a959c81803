#include "update_test_support.h"

#include "support/dib_canvas.h"
#include "support/window_support.h"
#include "updater/digest.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace updtest {
namespace {

constexpr size_t kPieceBytes = 16384;

sockaddr_in Loopback()
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

unsigned short BoundPort(SOCKET s)
{
    sockaddr_in addr = Loopback();
    bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    int len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

bool SendAll(SOCKET s, const char* p, size_t n)
{
    for (int sent = 0; n > 0; p += sent, n -= size_t(sent))
        if ((sent = send(s, p, int(std::min(n, kPieceBytes)), 0)) <= 0)
            return false;
    return true;
}

std::string UserAgent(const std::string& request)
{
    const size_t at = Lower(request).find("\r\nuser-agent: ");
    return at == std::string::npos ? "" : request.substr(at + 14, request.find("\r\n", at + 2) - at - 14);
}

void SaveScreenUnder(HWND window, const std::string& path)
{
    Sleep(300);   // let it paint
    testsupport::SaveScreenUnder(window, path);
}

}  // namespace

UpdateServer::UpdateServer()
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    port_ = BoundPort(listener_);
    listen(listener_, 8);
    thread_ = std::thread([this] {
        for (SOCKET c; (c = accept(listener_, nullptr, nullptr)) != INVALID_SOCKET;)
            Answer(c);
    });
}

UpdateServer::~UpdateServer()
{
    closesocket(listener_);   // ends accept
    thread_.join();
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

std::vector<std::string> UpdateServer::Requests() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return requests_;
}

void UpdateServer::Answer(SOCKET client)
{
    std::string request;
    char buf[4096];
    for (int n; request.find("\r\n\r\n") == std::string::npos && (n = recv(client, buf, sizeof buf, 0)) > 0;)
        request.append(buf, size_t(n));
    const size_t start = request.find(' ') + 1;
    const std::string target = request.substr(start, request.find(' ', start) - start);
    std::shared_ptr<const Reply> reply = std::make_shared<const Reply>("<html>404 Not Found</html>", 404);
    {
        std::lock_guard<std::mutex> hold(lock_);
        requests_.push_back(target + " " + UserAgent(request));
        if (replies_.count(target))
            reply = replies_[target];
    }
    const std::string head = "HTTP/1.0 " + std::to_string(reply->status) + " X\r\nContent-Length: " +
                             std::to_string(reply->body.size()) + "\r\nConnection: close\r\n\r\n";
    bool ok = SendAll(client, head.data(), head.size());
    const size_t end = std::min(reply->body.size(), reply->dropAfter);
    for (size_t at = 0; ok && at < end; at += kPieceBytes) {
        ok = SendAll(client, reply->body.data() + at, std::min(kPieceBytes, end - at));
        Sleep(reply->pauseMs);
    }
    if (reply->dropAfter != std::string::npos && reply->reset) {
        linger abort{1, 0};   // a reset, as a connection that breaks sends
        setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    } else {
        shutdown(client, SD_SEND);
    }
    closesocket(client);
}

std::wstring DeadUrl()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const unsigned short port = BoundPort(s);
    closesocket(s);
    return Widen("http://127.0.0.1:" + std::to_string(port) + "/hash.php");
}

BoxAnswerer::BoxAnswerer(DWORD pid, const std::wstring& caption, int button, const std::string& picture)
{
    thread_ = std::thread([=, this] {
        for (; !stop_; Sleep(50)) {
            const HWND box = testsupport::FindDialog(
                pid, [&](HWND w) { return testsupport::WindowText(w) == caption && GetDlgItem(w, 0xFFFF); });
            if (!box)
                continue;
            text = testsupport::BoxText(box);
            question = GetDlgItem(box, IDYES) != nullptr;
            if (!picture.empty())
                SaveScreenUnder(box, picture);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(button ? button : question ? IDYES : IDOK, BN_CLICKED), 0);
            done_ = true;
            return;
        }
    });
}

BoxAnswerer::~BoxAnswerer()
{
    stop_ = true;
    thread_.join();
}

bool BoxAnswerer::Wait(DWORD ms)
{
    return WaitFor([this] { return done_.load(); }, ms);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    FILE* f = _wfopen(path.c_str(), L"wb");
    const bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return f && std::fclose(f) == 0 && ok;
}

std::string ReadBytes(const std::wstring& path)
{
    std::string out;
    FILE* f = _wfopen(path.c_str(), L"rb");
    char buf[65536];
    for (size_t n; f && (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        out.append(buf, n);
    if (f)
        std::fclose(f);
    return out;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Our own SHA-1: test_digest checks it against sha1sum.
std::string Sha1Of(const std::string& bytes)
{
    Sha1Hasher h;
    h.Update(bytes.data(), bytes.size());
    h.Final();
    char text[kSha1TextSize] = {};
    h.Report(text, sizeof text, kSha1ReportHex);
    return text;
}

std::wstring Widen(const std::string& s) { return testsupport::Wide(s); }

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

namespace {

constexpr wchar_t kShippedSite[] = L"http://pathvex.org";
constexpr size_t kSiteUnits = 64;

std::string Utf16(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

}  // namespace

bool PointAtServer(std::string* exe, const std::wstring& site)
{
    const std::string shipped = Utf16(kShippedSite) + std::string(2, '\0');
    const size_t at = exe->find(shipped);
    if (at == std::string::npos || exe->find(shipped, at + 1) != std::string::npos || site.size() >= kSiteUnits)
        return false;
    const std::string room = exe->substr(at + shipped.size(), 2 * kSiteUnits - shipped.size());
    if (room.find_first_not_of('\0') != std::string::npos)
        return false;
    const std::string text = Utf16(site);
    exe->replace(at, text.size(), text);
    return true;
}

}  // namespace updtest
