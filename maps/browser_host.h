// maps/browser_host.h - the host of one ActiveX control in a child window.
//
// The window class "AX" hosts the control whose class id is the window's
// text: creating the window creates the control in place (a failure fails
// the creation), and the window messages WM_AX* (resources/resource.h) let
// the owner activate it, reach its interfaces, size it and receive its
// events. AXClientSite is the control's site: it answers the OLE container
// interfaces that the control calls back. The desktop builds use it for the
// platform's WebBrowser control on the web map screen.
//
// Lifetime: the window owns its site. WM_DESTROY closes the site (the
// control deactivated, every advise undone, every held interface released)
// and frees it once the control no longer holds it.
//
// UI thread only; reference counts are plain integers. Nothing throws:
// failures are HRESULTs and message results.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

inline constexpr char kAxWindowClass[] = "AX";
// WM_NOTIFY code the host sends its parent before it is resized.
inline constexpr UINT kAxNotifySize = 1;
// Data-advise slots of WM_AXDATAADVISE: 0 .. kAxDataAdviseSlots - 1.
inline constexpr int kAxDataAdviseSlots = 100;

// lParam of WM_AXCONNECTSINK: what to connect, and what came of it. The
// container and the connection point stay the host's: they are released at
// WM_AXDISCONNECTSINK, at the next connection or when the window goes.
struct AX_SINK_RECORD {
    IID eventInterface;                     // the events' interface
    IUnknown* sink;                         // null: the site itself answers them
    HRESULT result;                         // of FindConnectionPoint and Advise
    IConnectionPointContainer* container;   // of the control
    IConnectionPoint* point;
    DWORD cookie;
};

// lParam of the notify message (WM_AXSETNOTIFYWINDOW): one call of the
// site's IDispatch::Invoke, valid during the send only.
struct AX_INVOKE_RECORD {
    DISPID dispid;
    const IID* iid;
    LCID locale;
    WORD flags;
    DISPPARAMS* params;
    VARIANT* result;
    EXCEPINFO* exception;
    UINT* argumentError;
};

// The class "AX" (CS_DBLCLKS | CS_GLOBALCLASS, AxWindowProc), once; false
// when it cannot be registered.
bool RegisterAxWindowClass();
LRESULT CALLBACK AxWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

class AXClientSite final : public IOleClientSite,
                           public IDispatch,
                           public IAdviseSink,
                           public IOleInPlaceSite,
                           public IOleInPlaceFrame {
public:
    // The site of host window for the control named by text, a class id in
    // braces; an unreadable text leaves ClassId() GUID_NULL and Create fails.
    AXClientSite(HWND window, const char* text);
    AXClientSite(HWND window, const CLSID& classId);
    ~AXClientSite();
    AXClientSite(const AXClientSite&) = delete;
    AXClientSite& operator=(const AXClientSite&) = delete;

    const CLSID& ClassId() const { return classId_; }
    // Creates the control in a temporary storage and takes its view and
    // data interfaces; false (nothing held) when it cannot be created.
    bool Create();
    // Deactivates the control, undoes every advise and releases everything
    // held. Safe to repeat.
    void Close();
    // The window is gone: the site frees itself now, or at its last Release
    // when the control still holds it.
    void DetachWindow();
    // Number of sites alive in the process (none leaked after a window went).
    static int LiveSites();

    // WM_AX* messages and the window's notifications.
    LRESULT Activate(bool on, bool hide);
    LRESULT QueryControl(const IID* iid, void** out);
    LRESULT ConnectSink(const IID* iid, AX_SINK_RECORD* record);
    LRESULT DisconnectSink();
    LRESULT DataAdvise(WPARAM slot, DWORD direction);
    void SetCommandWindow(HWND window) { commandWindow_ = window; }
    void SetNotifyWindow(HWND window, UINT message)
    {
        notifyWindow_ = window;
        notifyMessage_ = message;
    }
    HWND CommandWindow() const { return commandWindow_; }
    bool Active() const { return active_; }
    void Resized();

    static HRESULT ConnectEventSink(IUnknown* object, const IID& iid, IUnknown* sink,
                                    IConnectionPointContainer** container, IConnectionPoint** point, DWORD* cookie);
    static void DisconnectEventSink(IConnectionPointContainer* container, IConnectionPoint* point, DWORD cookie);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;
    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) override;
    // IAdviseSink
    STDMETHODIMP_(void) OnDataChange(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP_(void) OnViewChange(DWORD aspect, LONG index) override;
    STDMETHODIMP_(void) OnRename(IMoniker* moniker) override;
    STDMETHODIMP_(void) OnSave() override;
    STDMETHODIMP_(void) OnClose() override;
    // IOleWindow
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                  RECT* clip, OLEINPLACEFRAMEINFO* info) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(const RECT* position) override;
    // IOleInPlaceUIWindow
    STDMETHODIMP GetBorder(RECT* border) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
    // IOleInPlaceFrame
    STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHODIMP SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) override;
    STDMETHODIMP RemoveMenus(HMENU shared) override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(MSG* msg, WORD id) override;

private:
    void Deactivate();
    void ClientRect(RECT* rect) const;
    void DropKeptSink();

    HWND window_;
    HWND parent_;
    int refs_ = 0;
    bool windowGone_ = false;
    CLSID classId_{};
    bool active_ = false;
    bool hide_ = false;
    IID eventInterface_{};
    IOleObject* object_ = nullptr;
    IStorage* storage_ = nullptr;
    IViewObject* view_ = nullptr;
    IDataObject* data_ = nullptr;
    AX_SINK_RECORD keptSink_{};
    bool sinkKept_ = false;
    DWORD adviseCookie_ = 0;
    DWORD dataCookies_[kAxDataAdviseSlots] = {};
    HWND commandWindow_ = nullptr;
    HWND notifyWindow_ = nullptr;
    UINT notifyMessage_ = 0;
    IOleInPlaceActiveObject* activeObject_ = nullptr;
};
