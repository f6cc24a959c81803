// The NMEA log: what the receiver sent, one time-stamped entry per batch.
#include "gps/gps.h"

#include <cwchar>

NmeaLog::NmeaLog() : enabled_(false), file_(nullptr), clock_(nullptr)
{
    std::wcscpy(path_, L".\\gps.log");
}

NmeaLog::~NmeaLog()
{
    Close();
}

void NmeaLog::SetEnabled(bool on)
{
    enabled_.store(on);
}

bool NmeaLog::Enabled() const
{
    return enabled_.load();
}

void NmeaLog::SetPath(const wchar_t* path)
{
    if (!path || file_)
        return;
    std::wcsncpy(path_, path, MAX_PATH - 1);
    path_[MAX_PATH - 1] = 0;
}

void NmeaLog::SetClock(LocalClockFn clock)
{
    clock_ = clock;
}

bool NmeaLog::IsOpen() const
{
    return file_ != nullptr;
}

void NmeaLog::Close()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

void NmeaLog::Write(const char* data, size_t length)
{
    if (!enabled_.load()) {
        Close();
        return;
    }
    if (!data)
        return;
    if (!file_) {
        file_ = _wfopen(path_, L"a+b");
        if (!file_)
            return;
    }
    SYSTEMTIME now{};
    if (clock_)
        clock_(&now);
    else
        GetLocalTime(&now);
    std::fprintf(file_, "[%02u:%02u:%02u] ", static_cast<unsigned>(now.wHour),
                 static_cast<unsigned>(now.wMinute), static_cast<unsigned>(now.wSecond));
    std::fwrite(data, 1, length, file_);
    std::fwrite("\r\n", 1, 2, file_);
    // Flushed per batch: the log is read after the program, or the machine,
    // has stopped.
    std::fflush(file_);
}
