// Position reporting: the report address and the request on timer 3.
#include "panes/tracking.h"

#include "gps/gps.h"
#include "kit/download.h"
#include "xml/utf8text.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kPlaceholders[] = {"%1", "%2", "%3"};
// "%f" of the largest double: 309 digits, the sign, the point and six more.
constexpr size_t kNumberTextSize = 400;

std::string FormatNumber(double value)
{
    char text[kNumberTextSize];
    const int n = std::snprintf(text, sizeof text, "%f", value);
    return n > 0 && static_cast<size_t>(n) < sizeof text ? std::string(text, static_cast<size_t>(n)) : std::string();
}

}  // namespace

std::string FormatTrackingUrl(const char* urlTemplate, double x, double y, double z)
{
    if (!urlTemplate)
        return {};
    const size_t length = strnlen(urlTemplate, kMaxTrackingUrlBytes + 1);
    if (length > kMaxTrackingUrlBytes)
        return {};
    std::string url(urlTemplate, length);
    const double values[] = {x, y, z};
    for (size_t i = 0; i < 3; ++i) {
        const size_t at = url.find(kPlaceholders[i]);
        if (at != std::string::npos)
            url.replace(at, 2, FormatNumber(values[i]));
    }
    return url.size() > kMaxTrackingUrlBytes ? std::string() : url;
}

void InternetTrackingTick(HWND window, const char* urlTemplate)
{
    GPS_POSITION position{};
    {
        // Copied out: the request below blocks, and the reader must not wait
        // for it.
        LiveRecordGuard live(&GpsDevice);
        if (live->fix != 1)
            return;
        position = live->pos;
    }
    const std::string url = FormatTrackingUrl(urlTemplate, position.x, position.y, position.z);
    if (url.empty())
        return;
    const std::wstring wide = Utf8ToWide(url);
    if (wide.empty())
        return;
    DownloadUrlToFile(window, nullptr, wide.c_str());
}
