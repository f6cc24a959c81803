// xml/xml_document.cpp - documents: loading from files, memory and URLs,
// saving to files and memory, save-on-close and whole-document copies.
//
// A file is never overwritten in place: Save writes a temporary file beside
// the target, checks every write and the close, and only then moves it over
// the target. A document whose parse failed is never written over the file
// it came from, and a file that exists but cannot be read makes the
// document forget its name, so its defaults cannot replace the file either.
#include <windows.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "xml/utf8text.h"
#include "xml/xml.h"
#include "xml/xml_io.h"

namespace {

constexpr char kDefaultDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr char kDefaultRootName[] = "root";
constexpr char kRepairedRootTag[] = "<root>";
// Save writes "pvx" + up to four hex digits + ".tmp" beside its target
// (GetTempFileNameW) and moves it over the target when it is whole.
constexpr wchar_t kSaveTempPrefix[] = L"pvx";
constexpr wchar_t kSaveTempSuffix[] = L".tmp";
// Files at least this large are not read (the transform hook takes an int).
constexpr unsigned long long kMaxFileBytes = 0x7FFFFF00ull;

std::unique_ptr<char[]> CopyNarrow(const char* text)
{
    const size_t n = std::strlen(text);
    std::unique_ptr<char[]> copy(new char[n + 1]);
    std::memcpy(copy.get(), text, n + 1);
    return copy;
}

std::unique_ptr<wchar_t[]> CopyWide(const wchar_t* text)
{
    const size_t n = std::wcslen(text);
    std::unique_ptr<wchar_t[]> copy(new wchar_t[n + 1]);
    std::wmemcpy(copy.get(), text, n + 1);
    return copy;
}

// A narrow file name is in the system code page, as the "A" file calls take it.
std::wstring WidenName(const char* name)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name, -1, wide.data(), n);
    wide.resize(size_t(n - 1));
    return wide;
}

bool SameFile(const std::wstring& a, const std::wstring& b)
{
    wchar_t fa[MAX_PATH * 2];
    wchar_t fb[MAX_PATH * 2];
    const DWORD na = GetFullPathNameW(a.c_str(), MAX_PATH * 2, fa, nullptr);
    const DWORD nb = GetFullPathNameW(b.c_str(), MAX_PATH * 2, fb, nullptr);
    if (na == 0 || nb == 0 || na >= MAX_PATH * 2 || nb >= MAX_PATH * 2)
        return lstrcmpiW(a.c_str(), b.c_str()) == 0;
    return lstrcmpiW(fa, fb) == 0;
}

// Reads count bytes at most; the number read goes to *got.
bool ReadAll(HANDLE file, char* buffer, size_t count, size_t* got)
{
    *got = 0;
    while (*got < count) {
        const DWORD want = DWORD(std::min<size_t>(count - *got, 1u << 24));
        DWORD n = 0;
        if (!ReadFile(file, buffer + *got, want, &n, nullptr))
            return false;
        if (n == 0)
            break;   // the file shrank while being read: keep what came
        *got += n;
    }
    return true;
}

// Writes the document into a fresh temporary file beside path and moves it
// over path when every write and the close succeeded.
template <class Writer>
bool WriteReplacing(const std::wstring& path, Writer write)
{
    std::wstring dir = path;
    const size_t cut = dir.find_last_of(L"\\/");
    dir = cut == std::wstring::npos ? std::wstring(L".") : dir.substr(0, cut + 1);
    wchar_t temp[MAX_PATH];
    if (!GetTempFileNameW(dir.c_str(), kSaveTempPrefix, 0, temp))
        return false;
    FILE* file = _wfopen(temp, L"wb");
    if (!file) {
        DeleteFileW(temp);
        return false;
    }
    bool ok = write(file);
    ok = std::fflush(file) == 0 && ok;
    ok = !std::ferror(file) && ok;
    ok = std::fclose(file) == 0 && ok;
    if (ok && MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temp);
    return false;
}

// Whether name is one GetTempFileNameW makes for Save: the prefix, one to
// four hex digits and the suffix, in any case.
bool IsSaveTempName(const wchar_t* name)
{
    const size_t prefix = std::wcslen(kSaveTempPrefix);
    const size_t suffix = std::wcslen(kSaveTempSuffix);
    const size_t n = std::wcslen(name);
    if (n < prefix + 1 + suffix || n > prefix + 4 + suffix)
        return false;
    if (_wcsnicmp(name, kSaveTempPrefix, prefix) != 0 || _wcsicmp(name + n - suffix, kSaveTempSuffix) != 0)
        return false;
    for (size_t i = prefix; i < n - suffix; ++i)
        if (!iswxdigit(name[i]))
            return false;
    return true;
}

// When this process started, as a file time.
FILETIME ProcessStart()
{
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return created;
}

// Whether nothing holds the file open and nothing has written it since this
// process started: no save of a running copy can be using it.
bool IsStale(const std::wstring& path, const FILETIME& started)
{
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    FILETIME written{};
    return file.Valid() && GetFileTime(file.Get(), nullptr, nullptr, &written) &&
           CompareFileTime(&written, &started) < 0;
}

#if defined(PATHVEX_X86)

// Fetches the body at url into a new temporary file in the current folder;
// its name goes to temp. False (and no file left) when anything failed.
bool Download(const char* url, char (&temp)[MAX_PATH])
{
    NetHandle net(InternetOpenA("XML Library", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!net.Get())
        return false;
    if (!GetTempFileNameA(".", "xml", 0, temp))
        return false;
    bool ok = false;
    {
        NetHandle request(InternetOpenUrlA(net.Get(), url, nullptr, 0, 0, 0));
        FileHandle file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (request.Get() && file.Valid()) {
            ok = true;
            char chunk[1000];
            for (;;) {
                DWORD got = 0;
                if (!InternetReadFile(request.Get(), chunk, sizeof chunk, &got)) {
                    ok = false;
                    break;
                }
                if (got == 0)
                    break;
                DWORD written = 0;
                if (!WriteFile(file.Get(), chunk, got, &written, nullptr) || written != got) {
                    ok = false;
                    break;
                }
            }
        }
    }
    if (!ok)
        DeleteFileA(temp);
    return ok;
}

#endif

}  // namespace

namespace xmlimpl {

FileText ReadFileText(const char* narrow, const wchar_t* wide, XmlTransformHook* hook, std::unique_ptr<char[]>* text)
{
    text->reset();
    FileHandle file(narrow ? CreateFileA(narrow, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                           : CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME)
            return FileText::Missing;
        return FileText::Unreadable;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) >= kMaxFileBytes)
        return FileText::Unreadable;
    if (size.QuadPart == 0)
        return FileText::Missing;

    const size_t count = size_t(size.QuadPart);
    std::unique_ptr<char[]> bytes(new (std::nothrow) char[count + 32]());
    if (!bytes)
        return FileText::Unreadable;
    size_t got = 0;
    if (!ReadAll(file.Get(), bytes.get(), count, &got))
        return FileText::Unreadable;
    if (got == 0)
        return FileText::Missing;

    if (hook) {
        std::unique_ptr<char[]> decoded(new (std::nothrow) char[got + 32]());
        if (!decoded)
            return FileText::Unreadable;
        hook->Decode(bytes.get(), int(got), 0, decoded.get(), int(got), 0);
        decoded[got + 31] = 0;   // whatever the hook did, the text ends in the buffer
        bytes = std::move(decoded);
    }

    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.get());
    if (got >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        const wchar_t* units = reinterpret_cast<const wchar_t*>(bytes.get());
        size_t n = 0;
        while (n < got / 2 && units[n] != 0)
            ++n;
        const int need = WideCharToMultiByte(CP_UTF8, 0, units, int(n), nullptr, 0, nullptr, nullptr);
        std::unique_ptr<char[]> utf8(new (std::nothrow) char[size_t(need > 0 ? need : 0) + 32]());
        if (!utf8)
            return FileText::Unreadable;
        if (need > 0)
            WideCharToMultiByte(CP_UTF8, 0, units, int(n), utf8.get(), need, nullptr, nullptr);
        bytes = std::move(utf8);
    }
    *text = std::move(bytes);
    return FileText::Read;
}

}  // namespace xmlimpl

std::unique_ptr<char[]> XmlReadFileText(const wchar_t* file)
{
    std::unique_ptr<char[]> text;
    if (!file || xmlimpl::ReadFileText(nullptr, file, nullptr, &text) != xmlimpl::FileText::Read)
        text.reset();
    return text;
}

XMLDocument::XMLDocument(const char* source, int kind, XmlTransformHook* hook, void* hookParam)
{
    Load(source, kind, hook, hookParam);
}

XMLDocument::XMLDocument(const wchar_t* fileName, int ignored, XmlTransformHook* hook, void* hookParam)
{
    (void)ignored;
    Load(fileName, XML_LOAD_WIDE_FILE, hook, hookParam);
}

void XMLDocument::MakeDefault()
{
    SetProlog(new XMLProlog(kDefaultDeclaration));
    SetRoot(new XMLElement(nullptr, kDefaultRootName, XML_KIND_TAG));
}

void XMLDocument::ForgetFileName()
{
    fileName_.reset();
    wideFileName_.reset();
}

void XMLDocument::ParseText(const char* text, bool hooked)
{
    // A declaration counts only where the text starts with "<?", after an
    // optional byte-order mark and white space: a "?>" further on belongs
    // to something else.
    const char* p = text;
    if (std::strncmp(p, kUtf8Bom, 3) == 0)
        p += 3;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
        ++p;
    const char* close = (p[0] == '<' && p[1] == '?') ? std::strstr(p + 2, "?>") : nullptr;
    const char* body = text;
    if (close) {
        body = close + 2;
        SetProlog(new XMLProlog(std::string(text, size_t(body - text)).c_str()));
    } else {
        // Without a declaration the document forgets where it came from:
        // stored files and callers rely on such a file not being written.
        ForgetFileName();
        status_ = XML_STATUS_REPAIRED;
        SetProlog(new XMLProlog((std::string(kUtf8Bom) + kDefaultDeclaration).c_str()));
    }
    if (hooked)
        ForgetFileName();

    if (const char* lt = std::strchr(body, '<'))
        root_ = XmlParse(nullptr, lt, this);
    if (!root_ && status_ != XML_STATUS_NO_ELEMENT_END) {
        ForgetFileName();   // no element at all: repaired like a text without '<'
        status_ = XML_STATUS_REPAIRED;
        root_ = new XMLElement(nullptr, kRepairedRootTag, XML_KIND_TAG);
    }
}

int XMLDocument::Load(const void* source, int kind, XmlTransformHook* hook, void* hookParam)
{
    (void)hookParam;   // never passed on to the hook
    Clear();
    status_ = XML_STATUS_OK;
    wideName_ = false;

    std::unique_ptr<char[]> owned;
    const char* text = nullptr;
    xmlimpl::FileText read = xmlimpl::FileText::Missing;
    switch (kind) {
    case XML_LOAD_WIDE_FILE: {
        const wchar_t* name = static_cast<const wchar_t*>(source);
        if (name) {
            wideFileName_ = CopyWide(name);
            wideName_ = true;
            read = xmlimpl::ReadFileText(nullptr, name, hook, &owned);
        }
        break;
    }
    case XML_LOAD_FILE: {
        const char* name = static_cast<const char*>(source);
        if (name) {
            fileName_ = CopyNarrow(name);
            read = xmlimpl::ReadFileText(name, nullptr, hook, &owned);
        }
        break;
    }
    case XML_LOAD_TEXT:
        text = static_cast<const char*>(source);
        if (text && *text) {
            ParseText(text, false);   // the load hook is for files only
            return 1;
        }
        break;
#if defined(PATHVEX_X86)
    case XML_LOAD_URL: {
        char temp[MAX_PATH] = {};
        const char* url = static_cast<const char*>(source);
        if (url && Download(url, temp)) {
            fileName_ = CopyNarrow(temp);
            read = xmlimpl::ReadFileText(temp, nullptr, hook, &owned);
            DeleteFileA(temp);
            if (read != xmlimpl::FileText::Read) {
                ForgetFileName();
                read = xmlimpl::FileText::Missing;
            }
        }
        break;
    }
#endif
    default:
        break;   // no such source here: the default document
    }

    if (read == xmlimpl::FileText::Read) {
        ParseText(owned.get(), hook != nullptr);
        return 1;
    }
    if (read == xmlimpl::FileText::Unreadable) {
        // The file is there but could not be read: its defaults must never
        // replace it.
        ForgetFileName();
        status_ = XML_STATUS_REPAIRED;
    }
    MakeDefault();
    return 1;
}

int XMLDocument::LoadFromText(const char* text)
{
    return Load(text, XML_LOAD_TEXT);
}

int XMLDocument::LoadFromWideText(const wchar_t* text)
{
    if (!text)
        return Load(nullptr, XML_LOAD_TEXT);
    const std::string utf8 = WideToUtf8(text);
    return Load(utf8.c_str(), XML_LOAD_TEXT);
}

// A file that exists but does not parse (cut short by a crash, broken by a
// hand edit) gives a partial tree; saving that over the file would lose what
// it no longer shows. The file is renamed to the first free name, earlier
// damaged copies never replaced, and doc loads path again: now missing, so
// it is the default document and is saved there later. When no rename works
// (a locked file, a read-only folder) doc is bound to no file, so nothing is
// ever written over it.
void XmlKeepDamagedFileAside(XMLDocument* doc, const wchar_t* path, const XmlDamagedFileNotice& notice)
{
    constexpr int kMaxDamagedCopies = 99;
    if (!doc || !path || doc->GetParseStatus(nullptr) == XML_STATUS_OK)
        return;
    std::wstring keptAs;
    for (int n = 1; n <= kMaxDamagedCopies; ++n) {
        std::wstring target = path;
        target += notice.suffix;
        if (n > 1)
            target += std::to_wstring(n);
        if (MoveFileExW(path, target.c_str(), MOVEFILE_WRITE_THROUGH)) {
            keptAs = target;
            break;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            break;
    }
    const wchar_t* format = notice.keptAsideText;
    const wchar_t* name = keptAs.c_str();
    if (!keptAs.empty()) {
        doc->Load(path, XML_LOAD_WIDE_FILE);
    } else {
        doc->LoadFromText(nullptr);
        format = notice.notKeptText;
        name = path;
    }
    std::vector<wchar_t> text(std::wcslen(format) + std::wcslen(name) + 1);
    std::swprintf(text.data(), text.size(), format, name);
    if (notice.messageBox)
        notice.messageBox(nullptr, text.data(), notice.caption, MB_OK | MB_ICONWARNING);
}

int XmlRemoveStaleSaveFiles(const wchar_t* directory)
{
    if (!directory || !*directory)
        return 0;
    const std::wstring dir = std::wstring(directory) + L"\\";
    WIN32_FIND_DATAW found{};
    FindHandle search(FindFirstFileW((dir + kSaveTempPrefix + L"*" + kSaveTempSuffix).c_str(), &found));
    if (!search.Valid())
        return 0;
    const FILETIME started = ProcessStart();
    int removed = 0;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsSaveTempName(found.cFileName))
            continue;
        const std::wstring path = dir + found.cFileName;
        if (IsStale(path, started) && DeleteFileW(path.c_str()))
            ++removed;
    } while (FindNextFileW(search.Get(), &found));
    return removed;
}

int XMLDocument::Save(const void* target, int raw, int kind, XmlTransformHook* hook, void* hookParam)
{
    if (!root_)
        return 0;
    if (kind == XML_SAVE_MEMORY) {
        if (!target)
            return 0;
        return root_->WriteWithProlog(const_cast<void*>(target), 1, raw, XML_SAVE_MEMORY, prolog_, hook,
                                      hookParam);
    }
    if (kind != XML_SAVE_FILE && kind != XML_SAVE_FILE_UTF16)
        return 0;

    std::wstring own;
    if (wideFileName_)
        own = wideFileName_.get();
    else if (fileName_)
        own = WidenName(fileName_.get());
    std::wstring path;
    if (!target)
        path = own;
    else if (wideName_)
        path = static_cast<const wchar_t*>(target);
    else
        path = WidenName(static_cast<const char*>(target));
    if (path.empty())
        return 0;
    // What a failed parse left is never written over the file it came from.
    if (status_ == XML_STATUS_NO_ELEMENT_END && !own.empty() && SameFile(path, own))
        return 0;

    if (!prolog_)
        prolog_ = new XMLProlog(kDefaultDeclaration);
    prolog_->SetEncoding(kind == XML_SAVE_FILE_UTF16 ? "UTF-16" : "UTF-8");
    return WriteReplacing(path, [&](FILE* file) {
               if (kind == XML_SAVE_FILE_UTF16 && !xmlimpl::WriteBytes(file, "\xFF\xFE", 2))
                   return false;
               return root_->WriteWithProlog(file, 1, raw, kind, prolog_, hook, hookParam) != 0;
           })
               ? 1
               : 0;
}

void XMLDocument::SaveBeforeClear()
{
    if (saveOnClose_ && root_ && (fileName_ || wideFileName_))
        Save(nullptr, 1, XML_SAVE_FILE);   // a file that cannot be written is skipped silently
}

int XMLDocument::Export(void* target, int raw, int form, const XMLProlog* prolog, XmlTransformHook* hook,
                        void* hookParam)
{
    if (!root_)
        return 0;
    return root_->WriteWithProlog(target, 1, raw, form, prolog, hook, hookParam);
}

void XMLDocument::AssignCopy(const XMLDocument* source)
{
    if (!source || source == this)
        return;
    Clear();
    if (const XMLProlog* from = source->GetProlog())
        SetProlog(from->Duplicate());
    if (XMLElement* root = source->GetRoot())
        SetRoot(root->DeepCopy(nullptr));
    status_ = XML_STATUS_OK;
    status2_ = 0;
    ForgetFileName();
    saveOnClose_ = false;
}
