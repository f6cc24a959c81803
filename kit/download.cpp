// The HTTP download: WinINet into a temporary file that replaces the target
// only when the whole body arrived.
#include "kit/download.h"

#include "platform/handles.h"

#include <wininet.h>

#include <cwchar>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

DOWNLOAD_LIMITS DownloadLimits = kDefaultDownloadLimits;

namespace {

constexpr wchar_t kAgentName[] = L"Pathvex";
constexpr DWORD kRequestFlags =
    INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_AUTO_REDIRECT;
constexpr int kMaxRedirects = 10;
constexpr DWORD kMaxUrlChars = 4096;
constexpr DWORD kChunkBytes = 10000;
constexpr wchar_t kTempPrefix[] = L"pvx";
constexpr const wchar_t* kSchemes[] = {L"http://", L"https://"};

// A file being written. Close reports whether the data reached the disk; a
// file dropped unclosed (a failed download) is only closed.
class OutputFile {
public:
    explicit OutputFile(const wchar_t* path)
        : file_(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    bool Valid() const { return file_.Valid(); }
    bool Write(const char* bytes, DWORD count)
    {
        while (count > 0) {
            DWORD written = 0;
            if (!WriteFile(file_.Get(), bytes, count, &written, nullptr) || written == 0)
                return false;
            bytes += written;
            count -= written;
        }
        return true;
    }
    // Flushed and closed; false when either failed (the data may be lost).
    bool Close()
    {
        if (!file_.Valid())
            return true;
        const HANDLE h = file_.Release();
        const bool flushed = FlushFileBuffers(h) != FALSE;
        const bool closed = CloseHandle(h) != FALSE;
        return flushed && closed;
    }

private:
    FileHandle file_;
};

bool IsHttpUrl(const wchar_t* url)
{
    for (const wchar_t* scheme : kSchemes) {
        size_t i = 0;
        while (scheme[i] && url[i] && std::towlower(url[i]) == scheme[i])
            ++i;
        if (!scheme[i])
            return true;
    }
    return false;
}

// Time-outs go on the request handle: a session's receive time-out does
// not reach a request on every WinINet.
void SetLimits(HINTERNET request, const DOWNLOAD_LIMITS& limits)
{
    DWORD connect = limits.connectMs;
    DWORD receive = limits.receiveMs;
    InternetSetOptionW(request, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionW(request, INTERNET_OPTION_SEND_TIMEOUT, &receive, sizeof receive);
    InternetSetOptionW(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    // A server may send a compressed body although nobody asked for one;
    // what is kept must be the resource itself, not its transfer form.
    BOOL decode = TRUE;
    InternetSetOptionW(request, INTERNET_OPTION_HTTP_DECODING, &decode, sizeof decode);
}

// A sent GET: the connection and its request.
class OpenedRequest {
public:
    OpenedRequest(HINTERNET connection, HINTERNET request) : connection_(connection), request_(request) {}
    HINTERNET Get() const { return request_.Get(); }

private:
    NetHandle connection_;
    NetHandle request_;   // closed before its connection
};

// Sends a GET for url; null when the address cannot be read, the server
// cannot be reached or the request fails.
std::unique_ptr<OpenedRequest> SendRequest(HINTERNET session, const std::wstring& url, const DOWNLOAD_LIMITS& limits)
{
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = 1;   // non-zero with null pointers: point into url
    parts.dwUserNameLength = 1;
    parts.dwPasswordLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) || !parts.lpszHostName ||
        parts.dwHostNameLength == 0)
        return nullptr;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return nullptr;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    // A user name and password in the address sign in, as they would in a browser.
    const std::wstring user = parts.lpszUserName ? std::wstring(parts.lpszUserName, parts.dwUserNameLength) : L"";
    const std::wstring password =
        parts.lpszPassword ? std::wstring(parts.lpszPassword, parts.dwPasswordLength) : L"";
    std::wstring object = parts.lpszUrlPath ? std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) : L"";
    if (parts.lpszExtraInfo)
        object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (object.empty() || object[0] != L'/')
        object.insert(0, 1, L'/');
    HINTERNET connection =
        InternetConnectW(session, host.c_str(), parts.nPort, user.empty() ? nullptr : user.c_str(),
                         user.empty() ? nullptr : password.c_str(), INTERNET_SERVICE_HTTP, 0, 0);
    if (!connection)
        return nullptr;
    DWORD flags = kRequestFlags;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS)
        flags |= INTERNET_FLAG_SECURE;
    HINTERNET request = HttpOpenRequestW(connection, L"GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0);
    auto opened = std::make_unique<OpenedRequest>(connection, request);
    if (!request)
        return nullptr;
    SetLimits(request, limits);
    if (!HttpSendRequestW(request, nullptr, 0, nullptr, 0))
        return nullptr;
    return opened;
}

DWORD StatusCode(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return 0;
    return status;
}

bool IsRedirect(DWORD status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The address a redirect names, resolved against the one it came from.
bool RedirectTarget(HINTERNET request, const std::wstring& from, std::wstring* to)
{
    DWORD size = 0;
    HttpQueryInfoW(request, HTTP_QUERY_LOCATION, nullptr, &size, nullptr);
    if (size == 0 || size > kMaxUrlChars * sizeof(wchar_t))
        return false;
    std::wstring location(size / sizeof(wchar_t) + 1, L'\0');
    if (!HttpQueryInfoW(request, HTTP_QUERY_LOCATION, location.data(), &size, nullptr))
        return false;
    location.resize(std::wcslen(location.c_str()));
    std::wstring combined(kMaxUrlChars, L'\0');
    DWORD length = kMaxUrlChars;
    if (!InternetCombineUrlW(from.c_str(), location.c_str(), combined.data(), &length, ICU_NO_ENCODE))
        return false;
    combined.resize(std::wcslen(combined.c_str()));
    *to = combined;
    return IsHttpUrl(to->c_str());
}

// WinINet's own redirect handling may follow a loop for ever (Wine's does);
// ours gives up after kMaxRedirects hops (the last answer is then a
// redirect, not a 2xx).
std::unique_ptr<OpenedRequest> SendRequestFollowingRedirects(HINTERNET session, const wchar_t* url,
                                                             const DOWNLOAD_LIMITS& limits)
{
    std::wstring address = url;
    for (int hop = 0;; ++hop) {
        std::unique_ptr<OpenedRequest> request = SendRequest(session, address, limits);
        if (!request || hop == kMaxRedirects || !IsRedirect(StatusCode(request->Get())))
            return request;
        if (!RedirectTarget(request->Get(), address, &address))
            return request;
    }
}

bool StatusIsSuccess(HINTERNET request)
{
    const DWORD status = StatusCode(request);
    return status >= 200 && status <= 299;
}

// The body length the server announced, when it announced one for the bytes
// we read: with a content encoding it counts the encoded bytes, and WinINet
// hands out the decoded ones.
bool AnnouncedLength(HINTERNET request, uint64_t* length)
{
    wchar_t text[64] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    if (HttpQueryInfoW(request, HTTP_QUERY_CONTENT_ENCODING, text, &size, nullptr) &&
        _wcsicmp(text, L"identity") != 0)
        return false;
    size = sizeof text - sizeof(wchar_t);
    if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
        return false;
    uint64_t value = 0;
    const wchar_t* p = text;
    while (*p == L' ')
        ++p;
    if (*p < L'0' || *p > L'9')
        return false;
    for (; *p >= L'0' && *p <= L'9'; ++p)
        value = value > (UINT64_MAX - 9) / 10 ? UINT64_MAX : value * 10 + static_cast<uint64_t>(*p - L'0');
    *length = value;
    return true;
}

// Reads the body to its end into file (may be null: read and dropped).
bool ReadBody(HINTERNET request, OutputFile* file, const DOWNLOAD_LIMITS& limits, uint64_t* total)
{
    const ULONGLONG deadline = GetTickCount64() + limits.totalMs;
    std::vector<char> buffer(kChunkBytes);
    *total = 0;
    for (;;) {
        if (GetTickCount64() > deadline)
            return false;
        // Asking what is there first keeps each read short, so a server
        // that trickles its body still meets the deadline.
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0))
            return false;
        if (available == 0)
            return true;
        DWORD got = 0;
        if (!InternetReadFile(request, buffer.data(), available < kChunkBytes ? available : kChunkBytes, &got))
            return false;
        if (got == 0)
            return true;
        *total += got;
        if (*total > limits.maxBytes)
            return false;
        if (file && !file->Write(buffer.data(), got))
            return false;
    }
}

// No body: the target goes (the download's result for an empty file).
bool RemoveTarget(const wchar_t* target)
{
    if (DeleteFileW(target))
        return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

TempFileBeside::TempFileBeside(const wchar_t* target)
{
    if (!target)
        return;
    const wchar_t* cut = target + std::wcslen(target);
    while (cut > target && cut[-1] != L'\\' && cut[-1] != L'/')
        --cut;
    const std::wstring folder = cut == target ? std::wstring(L".") : std::wstring(target, cut);
    wchar_t name[MAX_PATH] = {};
    if (GetTempFileNameW(folder.c_str(), kTempPrefix, 0, name))
        path_ = name;
}

TempFileBeside::~TempFileBeside()
{
    if (!path_.empty())
        DeleteFileW(path_.c_str());
}

bool TempFileBeside::MoveOver(const wchar_t* target)
{
    if (path_.empty() || !MoveFileExW(path_.c_str(), target, MOVEFILE_REPLACE_EXISTING))
        return false;
    path_.clear();
    return true;
}

bool DownloadUrlToFile(HWND, const wchar_t* target, const wchar_t* url)
{
    if (!url || !IsHttpUrl(url) || (target && !*target))
        return false;
    const DOWNLOAD_LIMITS limits = DownloadLimits;
    NetHandle session(InternetOpenW(kAgentName, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session.Get())
        return false;
    std::unique_ptr<OpenedRequest> request = SendRequestFollowingRedirects(session.Get(), url, limits);
    if (!request || !StatusIsSuccess(request->Get()))
        return false;
    uint64_t announced = 0;
    const bool hasLength = AnnouncedLength(request->Get(), &announced);
    if (hasLength && announced > limits.maxBytes)
        return false;

    std::unique_ptr<TempFileBeside> temp;
    std::unique_ptr<OutputFile> file;
    if (target) {
        temp = std::make_unique<TempFileBeside>(target);
        if (!temp->Valid())
            return false;
        file = std::make_unique<OutputFile>(temp->Path());
        if (!file->Valid())
            return false;
    }
    uint64_t total = 0;
    if (!ReadBody(request->Get(), file.get(), limits, &total))
        return false;
    // A connection that closes early ends the body as quietly as a whole
    // one does: only the announced length tells them apart.
    if (hasLength && total != announced)
        return false;
    if (!target)
        return true;
    if (!file->Close())
        return false;
    if (total == 0)
        return RemoveTarget(target);
    return temp->MoveOver(target);
}
