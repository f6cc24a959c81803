// What the updater's tests share: an update server on 127.0.0.1, a hand
// that answers the summary box, and file helpers.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace updtest {

struct Reply {
    Reply(std::string b = "", int s = 200, size_t drop = std::string::npos, DWORD pause = 0, std::string headers = "")
        : body(std::move(b)), status(s), dropAfter(drop), pauseMs(pause), extraHeaders(std::move(headers))
    {
    }
    std::string body;
    int status;
    size_t dropAfter;       // end the connection after this many body bytes
    bool reset = true;      // ... with a reset (else closed in order)
    DWORD pauseMs;          // between 16 KB pieces of the body
    std::string extraHeaders;   // "Name: value\r\n" lines
};

// An HTTP/1.0 server on a port the system chooses; every connection gets the
// reply of its target (path and query), or a 404 page. It notes each
// request's target and User-Agent.
class UpdateServer {
public:
    UpdateServer();
    ~UpdateServer();
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    void Serve(const std::string& target, Reply reply);
    std::wstring Url(const std::string& target) const;
    unsigned short Port() const { return port_; }
    std::vector<std::string> Targets() const;
    std::vector<std::string> Agents() const;

private:
    static DWORD WINAPI Run(void* self);
    void Answer(SOCKET client);

    mutable std::mutex lock_;
    std::map<std::string, std::shared_ptr<const Reply>> replies_;
    std::vector<std::string> targets_, agents_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    HANDLE thread_ = nullptr;
};

// A URL nobody answers: a port that was just free.
std::wstring DeadUrl();

// Watches for a message box of process pid captioned caption, notes its text
// and whether it asks Yes/No, and presses button (the box's only button when
// button is 0). With a picture name, the screen under the box is saved as
// that PNG first. Stops when it has answered or goes.
class BoxAnswerer {
public:
    BoxAnswerer(DWORD pid, std::wstring caption, int button, std::string picture = "");
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    // Waits up to ms for the answer; true when a box was answered.
    bool Wait(DWORD ms);
    std::wstring Text() const;
    bool Question() const;

private:
    static DWORD WINAPI Run(void* self);

    DWORD pid_;
    std::wstring caption_;
    int button_;
    std::string picture_;
    mutable std::mutex lock_;
    std::wstring text_;
    bool question_ = false;
    HANDLE done_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
};

bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);   // empty when missing
bool Exists(const std::wstring& path);
// SHA-1 text by the system's own crypto provider, upper case.
std::string SystemSha1(const std::string& bytes);
std::wstring Widen(const std::string& s);
std::string Lower(std::string s);
// Polls done every 20 ms; false on time-out.
template <typename Done>
bool WaitFor(Done done, DWORD ms)
{
    const ULONGLONG until = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() > until)
            return false;
        Sleep(20);
    }
    return true;
}

}  // namespace updtest
