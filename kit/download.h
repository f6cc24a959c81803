// kit/download.h - one synchronous HTTP download through WinINet.
//
// DownloadUrlToFile fetches a URL and keeps its body in a file, or reads it
// through and drops it when no file is given (the position report sends its
// request that way). Only a whole 2xx answer counts: the body goes into a
// temporary file beside the target and is moved over the target when the
// last byte arrived, so an error page, a cut-off transfer or a failed write
// leaves the target exactly as it was. The temporary file ends in ".tmp",
// which the maps folder scan never takes for a map.
//
// Runs on the calling thread (the UI thread in every use) and blocks it for
// the whole transfer, bounded by DownloadLimits. Nothing throws.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// The bounds of one download. The program keeps the defaults; tests may
// lower them to reach the limits quickly.
struct DOWNLOAD_LIMITS {
    DWORD connectMs;     // to open the connection
    DWORD receiveMs;     // to wait for the answer or for the next bytes of the body
    DWORD totalMs;       // for the whole transfer, body included
    uint64_t maxBytes;   // of the body; a longer one fails
};
inline constexpr DOWNLOAD_LIMITS kDefaultDownloadLimits = {5000, 5000, 60000, 16u << 20};
extern DOWNLOAD_LIMITS DownloadLimits;

// Fetches url (http: or https:, UTF-16). owner is not used. With a target
// file (UTF-16 name) the body replaces it; an empty body deletes it. True
// only when the server answered 2xx and the whole body (as many bytes as it
// announced, when it did) was read and, with a target, stored. False, with
// the target untouched, for no network, a server that cannot be reached, a
// non-2xx answer (redirects are followed, ten at most), a body cut off, too
// slow or too long, or a file that cannot be written or moved.
bool DownloadUrlToFile(HWND owner, const wchar_t* target, const wchar_t* url);

// A temporary file "pvx*.tmp" made in the folder of a target file (a target
// without a folder: the current one). It is deleted when the object goes,
// unless it was moved over the target.
class TempFileBeside {
public:
    explicit TempFileBeside(const wchar_t* target);
    ~TempFileBeside();
    TempFileBeside(const TempFileBeside&) = delete;
    TempFileBeside& operator=(const TempFileBeside&) = delete;
    bool Valid() const { return !path_.empty(); }   // false: the file could not be made
    const wchar_t* Path() const { return path_.c_str(); }
    // Replaces target with the file; false (and the target untouched) when
    // the system refuses.
    bool MoveOver(const wchar_t* target);

private:
    std::wstring path_;
};
