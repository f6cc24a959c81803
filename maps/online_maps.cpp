// Online map images: the service request, its XML answer and the image that
// becomes the current map.
#include "maps/online_maps.h"

#include "gps/geodesy.h"
#include "kit/download.h"
#include "kit/settings.h"
#include "maps/offline_maps.h"
#include "maps/painter.h"
#include "maps/viewport.h"
#include "xml/utf8text.h"
#include "xml/xml.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>

ONLINE_MAP_SERVICE OnlineMapService = kOnlineMapService;

namespace {

constexpr char kRequestPath[] = "/MapsService/V1/mapImage";
constexpr char kRequestQuery[] =
    "?appid=%s&image_type=png&longitude=%f&latitude=%f&radius=%.2f&image_width=%u&image_height=%u";
constexpr wchar_t kAnswerFile[] = L".\\r.xml";
#if defined(PATHVEX_PPC)
constexpr wchar_t kDocumentsFolder[] = L"\\My Documents";
constexpr wchar_t kImageFile[] = L"\\My Documents\\map.png";
#else
constexpr wchar_t kImageFile[] = L".\\map.png";
#endif
constexpr wchar_t kSavedMapName[] = L"\\%f_%f_%f_%f.png";
constexpr const char* kImageSchemes[] = {"http://", "https://"};
constexpr int kPathScreen = 13;
constexpr int kPathMargin = 2;
// Blanks around the image address in the answer.
constexpr char kBlanks[] = " \t\r\n";

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (n > 0) {
        text.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<size_t>(n));
    }
    va_end(again);
    return text;
}

// The service's request for the view drawn into a grid of width x height.
std::string RequestUrl(const MAP_VIEWPORT& v, unsigned width, unsigned height)
{
    const float centreLat = static_cast<float>((v.maxLatitude - v.minLatitude) * 0.5 + v.minLatitude);
    const float centreLon = static_cast<float>((v.maxLongitude - v.minLongitude) * 0.5 + v.minLongitude);
    // Half the distance from the centre to the west edge, in statute miles.
    const double km = CalcDistanceKm(centreLon, centreLat, static_cast<float>(v.minLongitude), centreLat);
    const double radius = km / kKmPerStatuteMile * 0.5;
    return std::string(OnlineMapService.address) + kRequestPath +
           Format(kRequestQuery, OnlineMapService.appId, centreLon, centreLat, radius, width, height);
}

// With "sdm" the maps folder and the window's west, north, east and south
// edges, else the one image file.
std::wstring ImageTarget(const MAP_VIEWPORT& v)
{
    if (!SaveOnlineMaps)
        return kImageFile;
    std::wstring name(wcslen(kSavedMapName) + 4 * 400, L'\0');
    const int n = std::swprintf(name.data(), name.size(), kSavedMapName, v.minLongitude, v.maxLatitude,
                                v.maxLongitude, v.minLatitude);
    name.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return SettingTextWide(OfflineMapsFolder) + name;
}

// Only a plain http or https address of bounded length, whatever else the
// answer holds.
bool IsImageAddress(const std::string& text)
{
    if (text.empty() || text.size() > kMaxImageAddressBytes)
        return false;
    for (unsigned char c : text)
        if (c < 0x21 || c == 0x7F)
            return false;
    for (const char* scheme : kImageSchemes) {
        const size_t n = strlen(scheme);
        if (text.size() > n && _strnicmp(text.c_str(), scheme, n) == 0)
            return true;
    }
    return false;
}

// The text of the first child of the answer's root element.
bool ReadImageAddress(const wchar_t* answerFile, std::wstring* address)
{
    XMLDocument answer(answerFile, 0);
    if (answer.GetParseStatus(nullptr) >= XML_STATUS_NO_ELEMENT_END)
        return false;
    const XMLElement* root = answer.GetRoot();
    const XMLElement* first = root && root->GetChildCount() > 0 ? root->GetChild(0) : nullptr;
    const XMLTextNode* node = first ? first->GetTextNode(0) : nullptr;
    if (!node)
        return false;
    const int stored = node->GetText(nullptr, 0);
    if (stored <= 0)
        return false;
    auto buffer = std::make_unique<char[]>(static_cast<size_t>(stored) + 10);
    const int length = node->GetText(buffer.get(), 0);
    std::string text(buffer.get(), length > 0 ? static_cast<size_t>(length) : 0);
    const size_t begin = text.find_first_not_of(kBlanks);
    if (begin == std::string::npos)
        return false;
    text = text.substr(begin, text.find_last_not_of(kBlanks) - begin + 1);
    if (!IsImageAddress(text))
        return false;
    *address = Utf8ToWide(text);
    return !address->empty();
}

}  // namespace

void FetchOnlineMapImage(HWND window)
{
    if (!OnlineMapsEnabled)
        return;
    // The image of the previous window never stands under the new one.
    SetMapImage(nullptr, nullptr);
    const MAP_VIEWPORT view = MapViewport;
    const bool path = MapPaintHooks.currentScreen && *MapPaintHooks.currentScreen == kPathScreen;
    const long margin = path ? kPathMargin : view.margin;
    RECT client{};
    if (!GetClientRect(window, &client))
        return;
    const long width = client.right - 2 * margin;
    const long height = client.bottom - 2 * margin;
    if (width <= 0 || height <= 0)
        return;
    const std::string request = RequestUrl(view, static_cast<unsigned>(width), static_cast<unsigned>(height));
    const std::wstring target = ImageTarget(view);
    if (!DownloadUrlToFile(window, kAnswerFile, Utf8ToWide(request).c_str()))
        return;
    std::wstring address;
    if (!ReadImageAddress(kAnswerFile, &address))
        return;
#if defined(PATHVEX_PPC)
    // Every handheld has its documents folder; the machine the device
    // program runs on here may not.
    if (!SaveOnlineMaps)
        CreateDirectoryW(kDocumentsFolder, nullptr);
#endif
    // Into a file of its own first: the one at target (perhaps a stored map)
    // is replaced only by an image that decodes.
    TempFileBeside image(target.c_str());
    if (!image.Valid() || !DownloadUrlToFile(window, image.Path(), address.c_str()))
        return;
    MapBitmap bitmap = DecodeMapImageFile(image.Path());
    if (!bitmap)
        return;
    image.MoveOver(target.c_str());
    SetMapImage(bitmap, nullptr);
}
