// xml/xml_write.cpp - the writer: one element and its subtree as text (a
// UTF-8 or UTF-16LE file, or appended to a text in memory) or as registry
// keys.
//
// The walk is iterative, so the depth of a tree built in memory cannot
// exhaust the stack. Output is gathered in a buffer and handed to the file
// in large pieces; every write is checked and a failure is reported by the
// result, never ignored.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "xml/xml.h"
#include "xml/xml_internal.h"
#include "xml/xml_io.h"

namespace xmlimpl {
namespace {

long long g_failAfter = -1;   // test fault injection; -1: off

}  // namespace

bool WriteBytes(FILE* file, const void* data, size_t size)
{
    if (!file)
        return false;
    if (size == 0)
        return true;
    if (g_failAfter >= 0) {
        if (static_cast<unsigned long long>(g_failAfter) < size) {
            g_failAfter = 0;
            return false;
        }
        g_failAfter -= static_cast<long long>(size);
    }
    return std::fwrite(data, 1, size, file) == size;
}

void FailFileWritesAfter(long long bytes)
{
    g_failAfter = bytes < 0 ? -1 : bytes;
}

}  // namespace xmlimpl

namespace {

constexpr char kCrLf[] = "\r\n";

// Where the writer's bytes go. Put is the hot path: a copy into the window
// [cur_, limit_); a full window goes to Overflow.
class TextSink {
public:
    virtual ~TextSink() = default;
    void Put(const char* s, size_t n)
    {
        if (n <= size_t(limit_ - cur_)) {
            std::memcpy(cur_, s, n);
            cur_ += n;
            return;
        }
        Overflow(s, n);
    }
    void Put(const char* s) { Put(s, std::strlen(s)); }
    // Room for n bytes in one piece, or null when the sink cannot offer that
    // much (the caller then writes piece by piece). Commit the end of what
    // was written there.
    char* Room(size_t n)
    {
        if (n <= size_t(limit_ - cur_) || MakeRoom(n))
            return cur_;
        return nullptr;
    }
    void Commit(char* end) { cur_ = end; }
    // Hands on what is buffered; false when any write failed.
    virtual bool Finish() = 0;

protected:
    virtual void Overflow(const char* s, size_t n) = 0;
    virtual bool MakeRoom(size_t n) = 0;
    char* cur_ = nullptr;
    char* limit_ = nullptr;
};

// UTF-8 bytes, or UTF-16LE units converted from them, to an open file.
class FileSink : public TextSink {
public:
    FileSink(FILE* file, bool utf16) : file_(file), utf16_(utf16), buffer_(kSize)
    {
        cur_ = buffer_.data();
        limit_ = cur_ + kSize;
    }
    bool Finish() override
    {
        Drain(true);
        return ok_;
    }

private:
    static constexpr size_t kSize = 64 * 1024;

    bool MakeRoom(size_t n) override
    {
        Drain(false);
        return n <= size_t(limit_ - cur_);
    }

    void Overflow(const char* s, size_t n) override
    {
        while (n > 0) {
            Drain(false);
            const size_t room = size_t(limit_ - cur_);
            const size_t take = std::min(room, n);
            std::memcpy(cur_, s, take);
            cur_ += take;
            s += take;
            n -= take;
        }
    }

    // Writes the buffer out. UTF-16 output converts whole UTF-8 sequences
    // only; a sequence cut by the buffer's end waits for its other bytes.
    void Drain(bool last)
    {
        char* begin = buffer_.data();
        size_t n = size_t(cur_ - begin);
        if (!utf16_) {
            if (n && !xmlimpl::WriteBytes(file_, begin, n))
                ok_ = false;
            cur_ = begin;
            return;
        }
        size_t whole = n;
        if (!last)
            whole = CompleteUtf8(begin, n);
        if (whole) {
            const int units = MultiByteToWideChar(CP_UTF8, 0, begin, int(whole), nullptr, 0);
            wide_.resize(size_t(units > 0 ? units : 0));
            if (units > 0)
                MultiByteToWideChar(CP_UTF8, 0, begin, int(whole), wide_.data(), units);
            if (units > 0 && !xmlimpl::WriteBytes(file_, wide_.data(), wide_.size() * sizeof(wchar_t)))
                ok_ = false;
        }
        std::memmove(begin, begin + whole, n - whole);
        cur_ = begin + (n - whole);
    }

    // The length of the leading part of text that ends on a whole UTF-8
    // sequence (at most three bytes are held back).
    static size_t CompleteUtf8(const char* text, size_t n)
    {
        size_t back = 0;
        while (back < 3 && back < n && (static_cast<unsigned char>(text[n - 1 - back]) & 0xC0) == 0x80)
            ++back;
        if (back == n)
            return n;
        const unsigned char lead = static_cast<unsigned char>(text[n - 1 - back]);
        size_t need = 1;
        if (lead >= 0xF0)
            need = 4;
        else if (lead >= 0xE0)
            need = 3;
        else if (lead >= 0xC0)
            need = 2;
        return back + 1 < need ? n - back - 1 : n;
    }

    FILE* file_;
    bool utf16_;
    bool ok_ = true;
    std::vector<char> buffer_;
    std::vector<wchar_t> wide_;
};

// Appends to the NUL-terminated text at a caller's buffer, which the caller
// has made large enough. The window only moves forward; nothing is checked
// against the buffer's size, which the writer cannot know.
class MemorySink : public TextSink {
public:
    explicit MemorySink(char* target)
    {
        cur_ = target + std::strlen(target);
        limit_ = cur_;
    }
    bool Finish() override
    {
        *cur_ = 0;
        return true;
    }

private:
    static constexpr size_t kWindow = 1 << 20;
    bool MakeRoom(size_t n) override
    {
        limit_ = cur_ + std::max(n, kWindow);
        return true;
    }
    void Overflow(const char* s, size_t n) override
    {
        std::memcpy(cur_, s, n);
        cur_ += n;
        limit_ = cur_ + kWindow;
    }
};

// Gathers everything in a string (the save hook's input).
class StringSink : public TextSink {
public:
    bool Finish() override
    {
        if (!text_.empty())
            text_.resize(size_t(cur_ - text_.data()));
        return true;
    }
    std::string& Text() { return text_; }

private:
    bool MakeRoom(size_t n) override
    {
        const size_t used = text_.empty() ? 0 : size_t(cur_ - text_.data());
        text_.resize(std::max(text_.size() * 2, used + n + 4096));
        cur_ = text_.data() + used;
        limit_ = text_.data() + text_.size();
        return true;
    }
    void Overflow(const char* s, size_t n) override
    {
        MakeRoom(n);
        std::memcpy(cur_, s, n);
        cur_ += n;
    }
    std::string text_;
};

// The walk of one element and its subtree in the text forms.
// Hands the nodes of one kind from index at on to on, up to the first that
// stands after child `before`; at moves past those handed on.
template <class Node, class On>
void VisitKind(const XMLElement* e, uint32_t& at, uint32_t (XMLElement::*count)() const,
               Node* (XMLElement::*get)(uint32_t) const, int before, On on)
{
    for (; at < (e->*count)(); ++at) {
        const Node* n = (e->*get)(at);
        if (n && n->GetPosition() > before)
            break;
        if (n)
            on(n);
    }
}

// The comment, text and CDATA nodes of f.element that stand before child
// i, each kind in list order; f's counters (comment, text, cdata) move past
// them. Both writers walk an element this way.
template <class Frame, class OnComment, class OnText, class OnCData>
void VisitNodesUpTo(Frame& f, int i, OnComment onComment, OnText onText, OnCData onCData)
{
    const XMLElement* e = f.element;
    VisitKind(e, f.comment, &XMLElement::GetCommentCount, &XMLElement::GetComment, i, onComment);
    VisitKind(e, f.text, &XMLElement::GetTextNodeCount, &XMLElement::GetTextNode, i, onText);
    VisitKind(e, f.cdata, &XMLElement::GetCDataCount, &XMLElement::GetCDataNode, i, onCData);
}

// After the last child: the comments, then CDATA, then text not yet walked.
template <class Frame, class OnComment, class OnText, class OnCData>
void VisitRemaining(Frame& f, OnComment onComment, OnText onText, OnCData onCData)
{
    constexpr int kAll = INT_MAX;
    const XMLElement* e = f.element;
    VisitKind(e, f.comment, &XMLElement::GetCommentCount, &XMLElement::GetComment, kAll, onComment);
    VisitKind(e, f.cdata, &XMLElement::GetCDataCount, &XMLElement::GetCDataNode, kAll, onCData);
    VisitKind(e, f.text, &XMLElement::GetTextNodeCount, &XMLElement::GetTextNode, kAll, onText);
}

class ElementWriter {
public:
    ElementWriter(TextSink& sink, int includeChildren, int raw)
        : sink_(sink), includeChildren_(includeChildren != 0), raw_(raw != 0)
    {
    }

    void Write(XMLElement* root, int level)
    {
        if (!Open(root, level))
            return;
        while (!stack_.empty()) {
            Frame& f = stack_.back();
            XMLElement* e = f.element;
            if (includeChildren_ && f.child < e->GetChildCount()) {
                const uint32_t i = f.child++;
                WriteNodesUpTo(f, int(i));
                if (XMLElement* child = e->GetChild(i))
                    Open(child, f.level + 1);   // may grow the stack: f is not used after this
                continue;
            }
            WriteRemaining(f);
            Close(f);
            stack_.pop_back();
        }
    }

    // False when an element was left out: its name would not read back.
    bool Ok() const { return ok_; }

private:
    struct Frame {
        XMLElement* element;
        int level;
        bool oneLine;          // the lone text stands on the tag's line
        uint32_t child = 0;    // next child to write
        uint32_t comment = 0;  // next comment, text node and CDATA node to write
        uint32_t text = 0;
        uint32_t cdata = 0;
    };

    void PutIndent(const XMLElement* e, int level)
    {
        static const std::string tabs(256, '\t');
        static const std::string blanks(256, ' ');
        const XmlExportFormat& format = e->GetExportFormat();
        const int unit = std::clamp(format.indentCount, 0, 50);
        size_t n = size_t(std::max(level, 0)) * size_t(unit);
        const std::string& fill = format.useBlanks ? blanks : tabs;
        while (n > 0) {
            const size_t take = std::min(n, fill.size());
            sink_.Put(fill.data(), take);
            n -= take;
        }
    }

    // A name, value or text in its stored form, or unescaped.
    void PutStored(const char* stored)
    {
        if (raw_) {
            sink_.Put(stored);
            return;
        }
        scratch_.resize(std::strlen(stored) + 10);
        const int n = XmlUnescapeText(stored, scratch_.data());
        sink_.Put(scratch_.data(), size_t(n > 0 ? n : 0));
    }

    // Whether the name, in the form written, reads back as this element's:
    // an empty one would make "</>", an end tag, and "!--x" a comment.
    bool NameReadsBack(const XMLElement* e) const
    {
        const char* stored = e->GetStoredName();
        if (raw_)
            return xmlimpl::IsTagName(stored, stored + std::strlen(stored));
        const std::string plain = xmlimpl::Unescaped(stored);
        return xmlimpl::IsTagName(plain.data(), plain.data() + plain.size());
    }

    // Writes the start tag; true when content follows (a frame is pushed).
    // An element whose name would not read back is left out with its
    // subtree, and the write fails.
    bool Open(XMLElement* e, int level)
    {
        if (!NameReadsBack(e)) {
            ok_ = false;
            return false;
        }
        e->ReloadAllChildren();
        const bool content = e->GetTextNodeCount() || e->GetCommentCount() || e->GetCDataCount() ||
                             (includeChildren_ && e->GetChildCount());
        const bool oneLine = content && e->GetExportFormat().oneLine && e->GetTextNodeCount() == 1 &&
                             e->GetCommentCount() == 0 && e->GetCDataCount() == 0 && e->GetChildCount() == 0;
        const char* close = !content ? "/>\r\n" : oneLine ? ">" : ">\r\n";
        if (!raw_ || !PutStartTagAtOnce(e, level, close)) {
            PutIndent(e, level);
            sink_.Put("<", 1);
            PutStored(e->GetStoredName());
            xmlimpl::StoredAttributes attributes(e);
            const char *name, *value;
            while (attributes.Next(&name, &value)) {
                if (!name)
                    continue;
                sink_.Put(" ", 1);
                PutStored(name);
                sink_.Put("=\"", 2);
                PutStored(value);
                sink_.Put("\"", 1);
            }
            sink_.Put(close);
        }
        if (content)
            stack_.push_back(Frame{e, level, oneLine});
        return content;
    }

    // The stored-form start tag written into one stretch of the sink: the
    // hot path of every large document. False when the sink has no room.
    bool PutStartTagAtOnce(const XMLElement* e, int level, const char* close)
    {
        const XmlExportFormat& format = e->GetExportFormat();
        const size_t indent = size_t(std::max(level, 0)) * size_t(std::clamp(format.indentCount, 0, 50));
        const char* name = e->GetStoredName();
        const size_t nameLength = std::strlen(name);
        const size_t closeLength = std::strlen(close);
        const uint32_t count = e->GetAttributeCount();
        lengths_.resize(size_t(count) * 2);
        size_t total = indent + 1 + nameLength + closeLength;
        const char *attrName, *attrValue;
        xmlimpl::StoredAttributes sizing(e);
        for (uint32_t i = 0; sizing.Next(&attrName, &attrValue); ++i) {
            lengths_[2 * i] = attrName ? std::strlen(attrName) : 0;
            lengths_[2 * i + 1] = attrName ? std::strlen(attrValue) : 0;
            total += attrName ? 4 + lengths_[2 * i] + lengths_[2 * i + 1] : 0;
        }
        char* w = sink_.Room(total);
        if (!w)
            return false;
        std::memset(w, format.useBlanks ? ' ' : '\t', indent);
        w += indent;
        *w++ = '<';
        std::memcpy(w, name, nameLength);
        w += nameLength;
        xmlimpl::StoredAttributes attributes(e);
        for (uint32_t i = 0; attributes.Next(&attrName, &attrValue); ++i) {
            if (!attrName)
                continue;
            *w++ = ' ';
            std::memcpy(w, attrName, lengths_[2 * i]);
            w += lengths_[2 * i];
            *w++ = '=';
            *w++ = '"';
            std::memcpy(w, attrValue, lengths_[2 * i + 1]);
            w += lengths_[2 * i + 1];
            *w++ = '"';
        }
        std::memcpy(w, close, closeLength);
        sink_.Commit(w + closeLength);
        return true;
    }

    void PutComment(const Frame& f, const XMLCommentNode* c)
    {
        PutIndent(f.element, f.level + 1);
        sink_.Put("<!--", 4);
        sink_.Put(c->GetText());
        sink_.Put("-->\r\n", 5);
    }

    void PutText(const Frame& f, const XMLTextNode* t)
    {
        if (f.element->GetExportFormat().oneLine) {
            PutStored(t->GetStoredText());
            return;
        }
        PutIndent(f.element, f.level + 1);
        PutStored(t->GetStoredText());
        sink_.Put(kCrLf, 2);
    }

    void PutCData(const Frame& f, const XMLCDataNode* d)
    {
        PutIndent(f.element, f.level + 1);
        sink_.Put("<![CDATA[", 9);
        sink_.Put(d->GetText());
        sink_.Put("]]>\r\n", 5);
    }

    // The nodes that stand before child i, each kind in list order.
    void WriteNodesUpTo(Frame& f, int i)
    {
        VisitNodesUpTo(
            f, i, [&](const XMLCommentNode* c) { PutComment(f, c); },
            [&](const XMLTextNode* t) { PutText(f, t); }, [&](const XMLCDataNode* d) { PutCData(f, d); });
    }

    // After the last child: comments, then CDATA, then text.
    void WriteRemaining(Frame& f)
    {
        VisitRemaining(
            f, [&](const XMLCommentNode* c) { PutComment(f, c); }, [&](const XMLTextNode* t) { PutText(f, t); },
            [&](const XMLCDataNode* d) { PutCData(f, d); });
    }

    void Close(const Frame& f)
    {
        if (!f.oneLine)
            PutIndent(f.element, f.level);
        sink_.Put("</", 2);
        PutStored(f.element->GetStoredName());
        sink_.Put(">\r\n", 3);
    }

    TextSink& sink_;
    bool includeChildren_;
    bool raw_;
    bool ok_ = true;
    std::vector<Frame> stack_;
    std::vector<char> scratch_;
    std::vector<size_t> lengths_;   // attribute name and value lengths of one tag
};

// The prolog's part at one position: at 0 the declaration line, then the
// comments of that position.
void PutHeader(TextSink& sink, const XMLProlog* prolog, int position)
{
    if (!prolog)
        return;
    if (position == 0) {
        sink.Put(prolog->GetDeclaration());
        sink.Put(kCrLf, 2);
    }
    for (uint32_t i = 0; i < prolog->GetCommentCount(); ++i) {
        const XMLCommentNode* c = prolog->GetComment(i);
        if (!c || c->GetPosition() != position)
            continue;
        sink.Put("<!--", 4);
        sink.Put(c->GetText());
        sink.Put("-->\r\n", 5);
    }
}

bool WriteText(TextSink& sink, XMLElement* element, int level, int includeChildren, int raw,
               const XMLProlog* prolog, bool withProlog)
{
    if (withProlog)
        PutHeader(sink, prolog, 0);
    ElementWriter writer(sink, includeChildren, raw);
    writer.Write(element, level);
    if (withProlog)
        PutHeader(sink, prolog, 1);
    return sink.Finish() && writer.Ok();
}

#if !defined(PATHVEX_HANDHELD)

// The registry form: a key per element, values for attributes, comments and
// character data. Text and CDATA share one "D" counter so neither replaces
// the other. Every call is checked; an element whose key cannot be made is
// left out with its subtree and the write reports failure.
class RegistryWriter {
public:
    RegistryWriter(int includeChildren, int raw) : includeChildren_(includeChildren != 0), raw_(raw != 0) {}

    bool Write(HKEY target, XMLElement* root)
    {
        const XMLElement* parent = root->GetParent();
        const int index = parent ? parent->GetChildIndex(root) : 0;
        Open(target, root, uint32_t(index < 0 ? 0 : index));
        while (!stack_.empty()) {
            Frame& f = stack_.back();
            XMLElement* e = f.element;
            if (includeChildren_ && f.child < e->GetChildCount()) {
                const uint32_t i = f.child++;
                WriteNodesUpTo(f, int(i));
                if (XMLElement* child = e->GetChild(i))
                    Open(f.key, child, i);   // may grow the stack
                continue;
            }
            WriteRemaining(f);
            if (RegCloseKey(f.key) != ERROR_SUCCESS)
                ok_ = false;
            stack_.pop_back();
        }
        return ok_;
    }

private:
    struct Frame {
        XMLElement* element;
        HKEY key;
        uint32_t child = 0;
        uint32_t comment = 0;
        uint32_t text = 0;
        uint32_t cdata = 0;
        unsigned commentNo = 0;   // "C%u"
        unsigned dataNo = 0;      // "D%u", text and CDATA together
    };

    std::string Form(const char* stored) const
    {
        if (raw_)
            return stored;
        std::string out(std::strlen(stored) + 10, '\0');
        out.resize(size_t(std::max(0, XmlUnescapeText(stored, out.data()))));
        return out;
    }

    void SetValue(HKEY key, const std::string& name, const std::string& value)
    {
        if (RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           DWORD(value.size() + 1)) != ERROR_SUCCESS)
            ok_ = false;
    }

    void Open(HKEY parentKey, XMLElement* e, uint32_t index)
    {
        e->ReloadAllChildren();
        const std::string name = "E" + std::to_string(index) + Form(e->GetStoredName());
        HKEY key = nullptr;
        // A backslash would silently nest keys: such an element cannot be
        // represented and is reported instead.
        if (name.find('\\') != std::string::npos ||
            RegCreateKeyExA(parentKey, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) != ERROR_SUCCESS) {
            ok_ = false;
            return;
        }
        xmlimpl::StoredAttributes attributes(e);
        const char *attrName, *attrValue;
        while (attributes.Next(&attrName, &attrValue))
            if (attrName)
                SetValue(key, "V" + Form(attrName), Form(attrValue));
        stack_.push_back(Frame{e, key});
    }

    void PutComment(Frame& f, const XMLCommentNode* c)
    {
        SetValue(f.key, "C" + std::to_string(f.commentNo++), c->GetText());
    }
    void PutData(Frame& f, const std::string& text) { SetValue(f.key, "D" + std::to_string(f.dataNo++), text); }

    void WriteNodesUpTo(Frame& f, int i)
    {
        VisitNodesUpTo(
            f, i, [&](const XMLCommentNode* c) { PutComment(f, c); },
            [&](const XMLTextNode* t) { PutData(f, Form(t->GetStoredText())); },
            [&](const XMLCDataNode* d) { PutData(f, d->GetText()); });
    }

    void WriteRemaining(Frame& f)
    {
        VisitRemaining(
            f, [&](const XMLCommentNode* c) { PutComment(f, c); },
            [&](const XMLTextNode* t) { PutData(f, Form(t->GetStoredText())); },
            [&](const XMLCDataNode* d) { PutData(f, d->GetText()); });
    }

    bool includeChildren_;
    bool raw_;
    bool ok_ = true;
    std::vector<Frame> stack_;
};

#endif

int WriteRegistry(void* target, XMLElement* element, int includeChildren, int raw)
{
#if defined(PATHVEX_HANDHELD)
    (void)target;
    (void)element;
    (void)includeChildren;
    (void)raw;
    return 0;   // the handhelds have no registry form
#else
    return RegistryWriter(includeChildren, raw).Write(static_cast<HKEY>(target), element) ? 1 : 0;
#endif
}

}  // namespace

int XmlWriteElementToText(XMLElement* element, int level, int includeChildren, int raw, std::string* text)
{
    if (!element || !text)
        return 0;
    StringSink sink;
    const bool written = WriteText(sink, element, level, includeChildren, raw, nullptr, false);
    text->append(sink.Text());
    return written ? 1 : 0;
}

int XmlWriteElement(void* target, XMLElement* element, int level, int includeChildren, int raw, int form)
{
    if (!target || !element)
        return 0;
    switch (form) {
    case XML_SAVE_FILE:
    case XML_SAVE_FILE_UTF16: {
        FileSink sink(static_cast<FILE*>(target), form == XML_SAVE_FILE_UTF16);
        return WriteText(sink, element, level, includeChildren, raw, nullptr, false) ? 1 : 0;
    }
    case XML_SAVE_MEMORY: {
        MemorySink sink(static_cast<char*>(target));
        return WriteText(sink, element, level, includeChildren, raw, nullptr, false) ? 1 : 0;
    }
    case XML_SAVE_REGISTRY:
        return WriteRegistry(target, element, includeChildren, raw);
    default:
        return 0;
    }
}

int XMLElement::WriteWithProlog(void* target, int includeChildren, int raw, int form, const XMLProlog* prolog,
                                XmlTransformHook* hook, void* hookParam)
{
    (void)hookParam;   // never passed on to the hook
    ReloadAllChildren();
    if (!target)
        return 0;
    if (form == XML_SAVE_REGISTRY)
        return WriteRegistry(target, this, includeChildren, raw);
    if (form != XML_SAVE_FILE && form != XML_SAVE_MEMORY && form != XML_SAVE_FILE_UTF16)
        return 0;

    if (!hook) {
        if (form == XML_SAVE_MEMORY) {
            MemorySink sink(static_cast<char*>(target));
            return WriteText(sink, this, 0, includeChildren, raw, prolog, true) ? 1 : 0;
        }
        FileSink sink(static_cast<FILE*>(target), form == XML_SAVE_FILE_UTF16);
        return WriteText(sink, this, 0, includeChildren, raw, prolog, true) ? 1 : 0;
    }

    if (form == XML_SAVE_FILE_UTF16)
        return 1;   // a transformed UTF-16 file holds nothing after its byte-order mark
    StringSink sink;
    if (!WriteText(sink, this, 0, includeChildren, raw, prolog, true))
        return 0;
    const std::string& text = sink.Text();
    if (text.size() > size_t(INT_MAX - 100))
        return 0;
    const int capacity = int(text.size()) + 100;
    std::vector<char> out(size_t(capacity) + 1, 0);
    int n = hook->Encode(text.c_str(), int(text.size()), 0, out.data(), capacity, 0);
    n = std::clamp(n, 0, capacity);
    if (form == XML_SAVE_FILE)
        return xmlimpl::WriteBytes(static_cast<FILE*>(target), out.data(), size_t(n)) ? 1 : 0;
    char* memory = static_cast<char*>(target);
    char* end = memory + std::strlen(memory);
    std::memcpy(end, out.data(), size_t(n));
    end[n] = 0;
    return 1;
}

void XMLElement::SetExportFormat(const XmlExportFormat* format)
{
    std::vector<XMLElement*> work{this};
    while (!work.empty()) {
        XMLElement* e = work.back();
        work.pop_back();
        if (format)
            e->format_ = *format;
        e->format_.indentCount = std::clamp(e->format_.indentCount, 0, 50);
        for (uint32_t i = 0; i < e->childCount_; ++i)
            if (XMLElement* child = e->children_[i])
                work.push_back(child);
    }
}

void XMLDocument::SetExportFormat(const XmlExportFormat* format)
{
    if (root_)
        root_->SetExportFormat(format);
}
