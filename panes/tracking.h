// panes/tracking.h - reporting the position to a web address.
//
// At each tick of timer 3, while "eit" is on, the main window hands the "itu"
// template to InternetTrackingTick: the live longitude, latitude and altitude
// go into it and the address is requested; the answer is read and dropped,
// and a failed request is neither retried nor reported, so a web server can
// follow the device. UI thread only; the request blocks it for as long as
// the server takes, within the download's time-outs. Nothing throws.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

// The longest report address sent; a longer one is not sent at all (a cut
// address would report a wrong position).
inline constexpr size_t kMaxTrackingUrlBytes = 2000;

// urlTemplate with its first "%1", then its first "%2", then its first "%3"
// replaced by x, y and z as "%f" writes them (-0.5 as "-0.500000"); a missing
// placeholder is skipped and later ones stay as they are. Empty for a null
// template and when the address would be longer than kMaxTrackingUrlBytes.
std::string FormatTrackingUrl(const char* urlTemplate, double x, double y, double z);

// One report: nothing unless the live fix is 1; otherwise the address made
// from urlTemplate (UTF-8) is requested without a target file.
void InternetTrackingTick(HWND window, const char* urlTemplate);
