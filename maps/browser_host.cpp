// The "AX" window: one ActiveX control hosted in place, and its site.
#include "maps/browser_host.h"

#include "resources/resource.h"

#include <exdispid.h>

#include <cwchar>
#include <iterator>
#include <new>

namespace {

// Longest window text read as the control's class id; a class id in braces
// needs 38 characters, anything longer fails the creation.
constexpr int kClassTextSize = 1000;
// The program's own addresses, which the site keeps the control from loading.
constexpr wchar_t kAppScheme[] = L"app:";
constexpr size_t kAppSchemeLength = std::size(kAppScheme) - 1;
constexpr UINT kBeforeNavigateArguments = 7;

int LiveSiteCount = 0;

template <typename T>
void ReleaseInterface(T** held)
{
    if (*held) {
        (*held)->Release();
        *held = nullptr;
    }
}

AXClientSite* SiteOf(HWND window)
{
    return reinterpret_cast<AXClientSite*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// The text of an argument that is a BSTR or a reference to a variant
// holding one; null for anything else.
const wchar_t* ArgumentText(const VARIANT& v)
{
    if (v.vt == VT_BSTR)
        return v.bstrVal;
    if (v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal && v.pvarVal->vt == VT_BSTR)
        return v.pvarVal->bstrVal;
    return nullptr;
}

bool IsAppAddress(const wchar_t* text)
{
    return text && std::wcsncmp(text, kAppScheme, kAppSchemeLength) == 0;
}

// BeforeNavigate2's arguments, last first: the cancel flag is argument 0.
void CancelAppNavigation(DISPPARAMS* params)
{
    if (!params || params->cArgs != kBeforeNavigateArguments || !params->rgvarg)
        return;
    bool app = false;
    for (UINT i = 0; i < params->cArgs; ++i)
        app = app || IsAppAddress(ArgumentText(params->rgvarg[i]));
    if (!app)
        return;
    // "app:" addresses are the program's own; it has nothing to do for them
    // here, but the control must not try to load them.
    VARIANT& cancel = params->rgvarg[0];
    if (cancel.vt == (VT_BYREF | VT_BOOL) && cancel.pboolVal)
        *cancel.pboolVal = VARIANT_TRUE;
}

// --- Window messages -------------------------------------------------------

LRESULT OnCreate(HWND window)
{
    char text[kClassTextSize + 1] = {};
    GetWindowTextA(window, text, kClassTextSize + 1);
    auto* site = new (std::nothrow) AXClientSite(window, text);
    if (!site)
        return -1;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(site));
    if (site->Create())
        return 0;
    site->Close();
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    site->DetachWindow();
    return -1;
}

LRESULT OnDestroy(HWND window)
{
    AXClientSite* site = SiteOf(window);
    if (!site)
        return 1;
    site->Close();
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    site->DetachWindow();
    return 1;
}

void OnSize(HWND window, WPARAM wParam, LPARAM lParam)
{
    NMHDR header{window, static_cast<UINT_PTR>(GetDlgCtrlID(window)), kAxNotifySize};
    if (HWND parent = GetParent(window))
        SendMessageA(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    DefWindowProcA(window, WM_SIZE, wParam, lParam);
    if (AXClientSite* site = SiteOf(window))
        site->Resized();
}

}  // namespace

// --- The window class -------------------------------------------------------

bool RegisterAxWindowClass()
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(GetModuleHandleA(nullptr), kAxWindowClass, &wc))
        return true;
    wc = WNDCLASSEXA{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = AxWindowProc;
    wc.cbWndExtra = 4;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kAxWindowClass;
    return RegisterClassExA(&wc) != 0;
}

// The class is registered 8-bit, so its messages arrive in 8-bit form and
// take the 8-bit default handling: a wide default would read the window's
// 8-bit creation text as UTF-16.
LRESULT CALLBACK AxWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    AXClientSite* site = msg == WM_CREATE ? nullptr : SiteOf(window);
    switch (msg) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_DESTROY:
        return OnDestroy(window);
    case WM_SIZE:
        OnSize(window, wParam, lParam);
        return 0;
    case WM_COMMAND:
        return site && site->CommandWindow() ? SendMessageA(site->CommandWindow(), msg, wParam, lParam) : 0;
    case WM_LBUTTONDBLCLK:
        PostMessageA(window, WM_AXACTIVATE, 1, 0);
        return 0;
    case WM_AXQUERYINTERFACE:
        return site ? site->QueryControl(reinterpret_cast<const IID*>(wParam), reinterpret_cast<void**>(lParam))
                    : E_FAIL;
    case WM_AXACTIVATE:
        return site ? site->Activate(wParam != 0, lParam != 0) : 0;
    case WM_AXGETSITE:
        return reinterpret_cast<LRESULT>(site);
    case WM_AXCONNECTSINK:
        return site ? site->ConnectSink(reinterpret_cast<const IID*>(wParam),
                                        reinterpret_cast<AX_SINK_RECORD*>(lParam))
                    : E_FAIL;
    case WM_AXDISCONNECTSINK:
        return site ? site->DisconnectSink() : 0;
    case WM_AXDATAADVISE:
        return site ? site->DataAdvise(wParam, static_cast<DWORD>(lParam)) : 0;
    case WM_AXSETCOMMANDWINDOW:
        if (site)
            site->SetCommandWindow(reinterpret_cast<HWND>(wParam));
        return site ? 1 : 0;
    case WM_AXSETNOTIFYWINDOW:
        if (site)
            site->SetNotifyWindow(reinterpret_cast<HWND>(wParam), static_cast<UINT>(lParam));
        return site ? 1 : 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

// --- The site: life ---------------------------------------------------------

AXClientSite::AXClientSite(HWND window, const char* text)
    : window_(window), parent_(GetParent(window))
{
    ++LiveSiteCount;
    wchar_t wide[kClassTextSize + 1] = {};
    if (text && MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kClassTextSize + 1) > 0 &&
        FAILED(CLSIDFromString(wide, &classId_)))
        classId_ = GUID_NULL;
}

AXClientSite::AXClientSite(HWND window, const CLSID& classId)
    : window_(window), parent_(GetParent(window)), classId_(classId)
{
    ++LiveSiteCount;
}

AXClientSite::~AXClientSite()
{
    Close();
    --LiveSiteCount;
}

int AXClientSite::LiveSites()
{
    return LiveSiteCount;
}

bool AXClientSite::Create()
{
    if (IsEqualCLSID(classId_, GUID_NULL) || object_)
        return false;
    if (FAILED(StgCreateDocfile(nullptr, STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE | STGM_DELETEONRELEASE,
                                0, &storage_)))
        return false;
    void* object = nullptr;
    if (FAILED(OleCreate(classId_, IID_IOleObject, OLERENDER_DRAW, nullptr, static_cast<IOleClientSite*>(this),
                         storage_, &object)) ||
        !object) {
        ReleaseInterface(&storage_);
        return false;
    }
    object_ = static_cast<IOleObject*>(object);
    OleSetContainedObject(object_, TRUE);
    object_->Advise(static_cast<IAdviseSink*>(this), &adviseCookie_);
    object_->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view_));
    object_->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data_));
    if (view_)
        view_->SetAdvise(DVASPECT_CONTENT, 0, static_cast<IAdviseSink*>(this));
    return true;
}

void AXClientSite::Close()
{
    if (active_)
        Deactivate();
    DropKeptSink();
    if (object_ && adviseCookie_)
        object_->Unadvise(adviseCookie_);
    adviseCookie_ = 0;
    for (DWORD& cookie : dataCookies_) {
        if (cookie && data_)
            data_->DUnadvise(cookie);
        cookie = 0;
    }
    ReleaseInterface(&activeObject_);
    // The control lets go of the site only when told: without this it would
    // keep calling a site that is about to be freed.
    if (view_)
        view_->SetAdvise(DVASPECT_CONTENT, 0, nullptr);
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    ReleaseInterface(&view_);
    ReleaseInterface(&data_);
    ReleaseInterface(&object_);
    ReleaseInterface(&storage_);
}

void AXClientSite::DetachWindow()
{
    windowGone_ = true;
    window_ = parent_ = nullptr;
    commandWindow_ = notifyWindow_ = nullptr;
    if (refs_ <= 0)
        delete this;
}

// --- The site: messages -----------------------------------------------------

void AXClientSite::ClientRect(RECT* rect) const
{
    *rect = RECT{};
    if (window_)
        GetClientRect(window_, rect);
}

LRESULT AXClientSite::Activate(bool on, bool hide)
{
    if (!object_ || on == active_)
        return 0;
    if (!on) {
        Deactivate();
        InvalidateRect(window_, nullptr, TRUE);
        return 1;
    }
    active_ = true;
    hide_ = hide;
    RECT client;
    ClientRect(&client);
    object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0, window_, &client);
    InvalidateRect(window_, nullptr, TRUE);
    return 1;
}

void AXClientSite::Deactivate()
{
    active_ = false;
    IOleInPlaceObject* inPlace = nullptr;
    if (object_ && SUCCEEDED(object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))) &&
        inPlace) {
        inPlace->UIDeactivate();
        inPlace->InPlaceDeactivate();
        inPlace->Release();
    }
}

void AXClientSite::Resized()
{
    if (active_) {
        Deactivate();
        InvalidateRect(window_, nullptr, TRUE);
        Activate(true, hide_);
    }
    IOleInPlaceObject* inPlace = nullptr;
    if (!object_ || FAILED(object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))) ||
        !inPlace)
        return;
    RECT client;
    ClientRect(&client);
    inPlace->SetObjectRects(&client, &client);
    inPlace->Release();
}

LRESULT AXClientSite::QueryControl(const IID* iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!iid)
        return E_INVALIDARG;
    if (!object_)
        return E_NOINTERFACE;
    return object_->QueryInterface(*iid, out);
}

HRESULT AXClientSite::ConnectEventSink(IUnknown* object, const IID& iid, IUnknown* sink,
                                       IConnectionPointContainer** container, IConnectionPoint** point,
                                       DWORD* cookie)
{
    *container = nullptr;
    *point = nullptr;
    *cookie = 0;
    if (!object || !sink)
        return E_POINTER;
    HRESULT hr = object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container));
    if (FAILED(hr) || !*container) {
        *container = nullptr;
        return FAILED(hr) ? hr : E_NOINTERFACE;
    }
    hr = (*container)->FindConnectionPoint(iid, point);
    if (SUCCEEDED(hr) && *point)
        hr = (*point)->Advise(sink, cookie);
    if (SUCCEEDED(hr) && *point)
        return hr;
    ReleaseInterface(point);
    ReleaseInterface(container);
    *cookie = 0;
    return FAILED(hr) ? hr : E_FAIL;
}

void AXClientSite::DisconnectEventSink(IConnectionPointContainer* container, IConnectionPoint* point, DWORD cookie)
{
    if (point) {
        point->Unadvise(cookie);
        point->Release();
    }
    if (container)
        container->Release();
}

void AXClientSite::DropKeptSink()
{
    if (!sinkKept_)
        return;
    DisconnectEventSink(keptSink_.container, keptSink_.point, keptSink_.cookie);
    keptSink_ = AX_SINK_RECORD{};
    sinkKept_ = false;
}

LRESULT AXClientSite::ConnectSink(const IID* iid, AX_SINK_RECORD* record)
{
    if (!record)
        return E_POINTER;
    // One sink at a time: a second connection would lose the first one's
    // connection point with its advise still standing.
    DropKeptSink();
    if (!record->sink) {
        record->sink = static_cast<IDispatch*>(this);
        eventInterface_ = record->eventInterface;
    }
    const IID& events = iid ? *iid : record->eventInterface;
    record->result =
        ConnectEventSink(object_, events, record->sink, &record->container, &record->point, &record->cookie);
    if (SUCCEEDED(record->result)) {
        keptSink_ = *record;
        sinkKept_ = true;
    }
    return record->result;
}

LRESULT AXClientSite::DisconnectSink()
{
    if (!sinkKept_)
        return 0;
    DropKeptSink();
    return 1;
}

LRESULT AXClientSite::DataAdvise(WPARAM slot, DWORD direction)
{
    const bool counting = slot == static_cast<WPARAM>(-1);
    if (!data_ || (!counting && slot >= static_cast<WPARAM>(kAxDataAdviseSlots)))
        return 0;
    IEnumFORMATETC* formats = nullptr;
    if (FAILED(data_->EnumFormatEtc(direction, &formats)) || !formats)
        return 0;
    LRESULT result = 0;
    WPARAM position = 0;
    FORMATETC format{};
    while (formats->Next(1, &format, nullptr) == S_OK) {
        if (!counting && position == slot) {
            // A slot in use is given up first, or its advise would never end.
            if (dataCookies_[slot])
                data_->DUnadvise(dataCookies_[slot]);
            dataCookies_[slot] = 0;
            DWORD cookie = 0;
            if (SUCCEEDED(data_->DAdvise(&format, 0, static_cast<IAdviseSink*>(this), &cookie))) {
                dataCookies_[slot] = cookie;
                result = 1;
            }
        }
        if (format.ptd)
            CoTaskMemFree(format.ptd);
        format = FORMATETC{};
        ++position;
        if (!counting && position > slot)
            break;
    }
    formats->Release();
    return counting ? static_cast<LRESULT>(position) : result;
}

// --- IUnknown ---------------------------------------------------------------

STDMETHODIMP AXClientSite::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
        *out = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(iid, IID_IAdviseSink))
        *out = static_cast<IAdviseSink*>(this);
    else if (IsEqualIID(iid, IID_IDispatch) ||
             (!IsEqualIID(eventInterface_, GUID_NULL) && IsEqualIID(iid, eventInterface_)))
        *out = static_cast<IDispatch*>(this);
    else if (!hide_ && IsEqualIID(iid, IID_IOleInPlaceSite))
        *out = static_cast<IOleInPlaceSite*>(this);
    else if (!hide_ && (IsEqualIID(iid, IID_IOleInPlaceFrame) || IsEqualIID(iid, IID_IOleInPlaceUIWindow)))
        *out = static_cast<IOleInPlaceFrame*>(this);
    if (!*out)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) AXClientSite::AddRef()
{
    return static_cast<ULONG>(++refs_);
}

// While its window lives the window owns the site, whatever the count; once
// the window is gone the last reference frees it.
STDMETHODIMP_(ULONG) AXClientSite::Release()
{
    const int left = --refs_;
    if (left <= 0 && windowGone_) {
        delete this;
        return 0;
    }
    return static_cast<ULONG>(left < 0 ? 0 : left);
}

// --- IOleClientSite ---------------------------------------------------------

STDMETHODIMP AXClientSite::SaveObject()
{
    return S_OK;
}

STDMETHODIMP AXClientSite::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP AXClientSite::GetContainer(IOleContainer** container)
{
    if (container)
        *container = nullptr;
    return E_FAIL;
}

STDMETHODIMP AXClientSite::ShowObject()
{
    return S_OK;
}

STDMETHODIMP AXClientSite::OnShowWindow(BOOL)
{
    if (window_)
        InvalidateRect(window_, nullptr, TRUE);
    if (parent_)
        InvalidateRect(parent_, nullptr, TRUE);
    return S_OK;
}

STDMETHODIMP AXClientSite::RequestNewObjectLayout()
{
    return S_OK;
}

// --- IDispatch --------------------------------------------------------------

STDMETHODIMP AXClientSite::GetTypeInfoCount(UINT*)
{
    return E_NOTIMPL;
}

STDMETHODIMP AXClientSite::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    return E_NOTIMPL;
}

STDMETHODIMP AXClientSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

STDMETHODIMP AXClientSite::Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                  VARIANT* result, EXCEPINFO* exception, UINT* argumentError)
{
    if (notifyWindow_) {
        AX_INVOKE_RECORD call{dispid, &iid, locale, flags, params, result, exception, argumentError};
        SendMessageA(notifyWindow_, notifyMessage_, 0, reinterpret_cast<LPARAM>(&call));
    }
    if (dispid != DISPID_BEFORENAVIGATE2)
        return E_NOTIMPL;
    CancelAppNavigation(params);
    return S_OK;
}

// --- IAdviseSink: the host repaints nothing of its own ---------------------

STDMETHODIMP_(void) AXClientSite::OnDataChange(FORMATETC*, STGMEDIUM*) {}
STDMETHODIMP_(void) AXClientSite::OnViewChange(DWORD, LONG) {}
STDMETHODIMP_(void) AXClientSite::OnRename(IMoniker*) {}
STDMETHODIMP_(void) AXClientSite::OnSave() {}
STDMETHODIMP_(void) AXClientSite::OnClose() {}

// --- IOleWindow -------------------------------------------------------------

STDMETHODIMP AXClientSite::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
}

STDMETHODIMP AXClientSite::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

// --- IOleInPlaceSite --------------------------------------------------------

// Only an activation the owner asked for (WM_AXACTIVATE) goes in place.
STDMETHODIMP AXClientSite::CanInPlaceActivate()
{
    return active_ ? S_OK : S_FALSE;
}

STDMETHODIMP AXClientSite::OnInPlaceActivate()
{
    return S_OK;
}

STDMETHODIMP AXClientSite::OnUIActivate()
{
    return S_OK;
}

STDMETHODIMP AXClientSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                            RECT* position, RECT* clip, OLEINPLACEFRAMEINFO* info)
{
    if (!frame || !document || !position || !clip || !info)
        return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    ClientRect(position);
    ClientRect(clip);
    info->cb = sizeof(OLEINPLACEFRAMEINFO);
    info->fMDIApp = FALSE;
    info->hwndFrame = parent_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP AXClientSite::Scroll(SIZE)
{
    return E_NOTIMPL;
}

STDMETHODIMP AXClientSite::OnUIDeactivate(BOOL)
{
    return S_OK;
}

STDMETHODIMP AXClientSite::OnInPlaceDeactivate()
{
    return S_OK;
}

STDMETHODIMP AXClientSite::DiscardUndoState()
{
    return S_OK;
}

STDMETHODIMP AXClientSite::DeactivateAndUndo()
{
    return S_OK;
}

STDMETHODIMP AXClientSite::OnPosRectChange(const RECT*)
{
    return S_OK;
}

// --- IOleInPlaceUIWindow ----------------------------------------------------

STDMETHODIMP AXClientSite::GetBorder(RECT* border)
{
    if (!border)
        return E_POINTER;
    ClientRect(border);
    return S_OK;
}

STDMETHODIMP AXClientSite::RequestBorderSpace(LPCBORDERWIDTHS)
{
    return E_NOTIMPL;
}

STDMETHODIMP AXClientSite::SetBorderSpace(LPCBORDERWIDTHS)
{
    return S_OK;
}

STDMETHODIMP AXClientSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR)
{
    if (object)
        object->AddRef();
    ReleaseInterface(&activeObject_);
    activeObject_ = object;
    return S_OK;
}

// --- IOleInPlaceFrame -------------------------------------------------------

STDMETHODIMP AXClientSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS)
{
    return E_NOTIMPL;
}

STDMETHODIMP AXClientSite::SetMenu(HMENU, HOLEMENU, HWND)
{
    return E_NOTIMPL;
}

// The host shares no menus (InsertMenus refuses), so there is none to remove.
STDMETHODIMP AXClientSite::RemoveMenus(HMENU)
{
    return E_NOTIMPL;
}

STDMETHODIMP AXClientSite::SetStatusText(LPCOLESTR)
{
    return E_NOTIMPL;
}

STDMETHODIMP AXClientSite::EnableModeless(BOOL)
{
    return E_NOTIMPL;
}

STDMETHODIMP AXClientSite::TranslateAccelerator(MSG*, WORD)
{
    return E_NOTIMPL;
}
