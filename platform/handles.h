// platform/handles.h - owners for the Win32 handles that live in one scope.
//
// Each owner closes its handle once, when it goes, with the one close
// function of its kind, and cannot be copied. What "no handle" is depends on
// the kind: CreateFile and FindFirstFile fail with INVALID_HANDLE_VALUE, the
// rest with null. The traits keep that apart, so a caller asks Valid()
// instead of comparing against the wrong one. Beside them the owners of a
// memory DC, a COM reference and COM on a thread. Header-only; a user of
// NetHandle links wininet.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <wininet.h>

#include <utility>

template <class Traits>
class ScopedHandle {
public:
    using Type = typename Traits::Type;

    explicit ScopedHandle(Type h) : h_(h) {}
    ~ScopedHandle()
    {
        if (Valid())
            Traits::Close(h_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    bool Valid() const { return h_ != Traits::None(); }
    Type Get() const { return h_; }   // the kind's "none" when opening failed
    // Hands the handle on unclosed; the owner is left with "none".
    Type Release() { return std::exchange(h_, Traits::None()); }

private:
    Type h_;
};

namespace handle_traits {

struct InvalidIsNone {
    using Type = HANDLE;
    static Type None() { return INVALID_HANDLE_VALUE; }
};

template <class T>
struct NullIsNone {
    using Type = T;
    static Type None() { return nullptr; }
};

struct File : InvalidIsNone {
    static void Close(Type h) { CloseHandle(h); }
};
struct Find : InvalidIsNone {
    static void Close(Type h) { FindClose(h); }
};
// Threads, events, mutexes.
struct Kernel : NullIsNone<HANDLE> {
    static void Close(Type h) { CloseHandle(h); }
};
struct Net : NullIsNone<HINTERNET> {
    static void Close(Type h) { InternetCloseHandle(h); }
};
struct Library : NullIsNone<HMODULE> {
    static void Close(Type h) { FreeLibrary(h); }
};
template <class T>
struct Gdi : NullIsNone<T> {
    static void Close(T h) { DeleteObject(h); }
};

}  // namespace handle_traits

using FileHandle = ScopedHandle<handle_traits::File>;
using FindHandle = ScopedHandle<handle_traits::Find>;
using KernelHandle = ScopedHandle<handle_traits::Kernel>;
using NetHandle = ScopedHandle<handle_traits::Net>;   // session, connection or request
using LibraryHandle = ScopedHandle<handle_traits::Library>;

// The entry `name` of a loaded library as the function type Fn; null when
// the library or the entry is missing. (Through void*: a FARPROC does not
// convert to another function pointer without a warning.)
template <typename Fn>
Fn LibraryEntry(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}
// A pen, brush or bitmap that is selected by hand: select it out before it
// goes, DeleteObject refuses an object still selected into a DC.
using GdiObject = ScopedHandle<handle_traits::Gdi<HGDIOBJ>>;
using BitmapHandle = ScopedHandle<handle_traits::Gdi<HBITMAP>>;

// A memory DC compatible with `like`, with bitmap selected into it until the
// DC goes. Get() is null when the DC or the selection failed: drawing from
// it then would copy the DC's blank default bitmap instead of ours.
class MemoryDc {
public:
    MemoryDc(HDC like, HBITMAP bitmap) : dc_(CreateCompatibleDC(like))
    {
        if (dc_)
            previous_ = SelectObject(dc_, bitmap);
    }
    ~MemoryDc()
    {
        if (!dc_)
            return;
        if (previous_)
            SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC Get() const { return previous_ ? dc_ : nullptr; }

private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

// One reference to a COM object, released when it goes.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    T** Out()   // for an out-parameter: drops what was held first
    {
        Reset();
        return &object_;
    }
    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    void Reset()
    {
        if (object_)
            object_->Release();
        object_ = nullptr;
    }

private:
    T* object_ = nullptr;
};

// COM on the calling thread for one scope. A thread that has COM already
// keeps it as it was: a second CoInitializeEx of the same model is counted
// and undone here, one of the other model fails and is left alone.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result_;
};
