// xml/records.cpp - attributes, text/comment/CDATA nodes, the prolog and the
// document's own record.
#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "xml/base64.h"
#include "xml/xml.h"
#include "xml/xml_internal.h"

namespace {

constexpr uint32_t kPrologFirstComments = 5;
constexpr uint32_t kPrologCommentStep = 10;
constexpr char kDeclarationFormat[] = "<?xml version=\"1.0\" encoding=\"%s\" standalone=\"yes\" ?>";
constexpr char kDefaultRootTag[] = "<root/>";

// The stored form of text: escaped unless raw.
xmlimpl::PoolText Stored(const char* text, int raw)
{
    return raw ? xmlimpl::PoolCopy(text) : xmlimpl::EscapedCopy(text);
}

// Room that Base64 of count bytes takes, CR LF breaks and terminator included.
size_t Base64Room(size_t count)
{
    const size_t chars = (count + 2) / 3 * 4;
    return chars + chars / 72 * 2 + 1;
}

// Appends one piece of header text to a target of the given kind.
void WritePiece(void* target, int kind, const std::string& text)
{
    switch (kind) {
    case XML_SAVE_FILE:
        std::fwrite(text.data(), 1, text.size(), static_cast<FILE*>(target));
        break;
    case XML_SAVE_MEMORY: {
        char* memory = static_cast<char*>(target);
        std::memcpy(memory + std::strlen(memory), text.c_str(), text.size() + 1);
        break;
    }
    case XML_SAVE_FILE_UTF16:
        WriteUtf8AsUtf16(static_cast<FILE*>(target), text.c_str());
        break;
    default:
        break;   // the registry form has no header
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// XMLAttribute

XMLAttribute::XMLAttribute(const char* name, const char* value, int raw)
{
    SetName(name, raw);
    SetValue(value, raw);
}

XMLAttribute::~XMLAttribute() = default;

int XMLAttribute::GetName(char* buffer, int raw) const
{
    return xmlimpl::CopyOut(name_.get(), buffer, raw);
}

int XMLAttribute::GetValue(char* buffer, int raw) const
{
    return xmlimpl::CopyOut(value_.get(), buffer, raw);
}

void XMLAttribute::SetName(const char* name, int raw)
{
    name_ = Stored(name, raw);
    // A start tag's 'y = "2"' leaves "y " before the equals sign.
    char* p = name_.get();
    for (size_t n = std::strlen(p); n > 0 && p[n - 1] == ' '; --n)
        p[n - 1] = 0;
}

void XMLAttribute::SetValue(const char* value, int raw)
{
    value_ = Stored(value, raw);
}

void XMLAttribute::SetUIntValue(unsigned n)
{
    char text[32];
    std::snprintf(text, sizeof text, "%u", n);
    SetValue(text, 0);
}

void XMLAttribute::SetFloatValue(double x)
{
    // "%f" of the largest double has 309 digits before the point.
    char text[400];
    std::snprintf(text, sizeof text, "%f", x);
    SetValue(text, 0);
}

int XMLAttribute::GetIntValue() const
{
    const std::string text = xmlimpl::Unescaped(value_.get());
    errno = 0;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return int(v);
}

double XMLAttribute::GetFloatValue() const
{
    return std::atof(xmlimpl::Unescaped(value_.get()).c_str());
}

int XMLAttribute::SetBinaryValue(const void* bytes, int count)
{
    if (!bytes || count < 0)
        count = 0;
    const char* begin = static_cast<const char*>(bytes);
    std::vector<char> text(Base64Room(size_t(count)) + 1, 0);
    Base64Encoder<const char*, char*> encoder;
    char* out = encoder.process(text.data(), begin, begin + count);
    out = encoder.flush(out);
    *out = 0;
    SetValue(text.data(), 0);
    return int(out - text.data());
}

int XMLAttribute::GetBinaryValue(void* buffer) const
{
    const std::string text = xmlimpl::Unescaped(value_.get());
    if (text.empty())
        return 0;
    const std::vector<char> bytes = xmlimpl::DecodeBase64(text);
    const int n = int(bytes.size());
    if (buffer && n > 0)
        std::memcpy(buffer, bytes.data(), size_t(n));
    return n;
}

// ---------------------------------------------------------------------------
// Nodes

XMLNodeBase::XMLNodeBase(XMLElement* owner, int position)
    : owner_(owner), text_(xmlimpl::PoolCopy("")), position_(position)
{
}

XMLNodeBase::~XMLNodeBase() = default;

void XMLNodeBase::StoreText(const char* text, int escape)
{
    text_ = Stored(text, !escape);
}

XMLTextNode::XMLTextNode(XMLElement* owner, int position, const char* text, int raw)
    : XMLNodeBase(owner, position)
{
    SetText(text, raw);
}

int XMLTextNode::GetText(char* buffer, int raw) const
{
    return xmlimpl::CopyOut(text_.get(), buffer, raw);
}

void XMLTextNode::SetText(const char* text, int raw)
{
    StoreText(text, !raw);
}

XMLCommentNode::XMLCommentNode(XMLElement* owner, int position, const char* text)
    : XMLNodeBase(owner, position)
{
    SetText(text);
}

void XMLCommentNode::SetText(const char* text)
{
    StoreText(text, 0);
}

XMLCDataNode::XMLCDataNode(XMLElement* owner, int position, const char* text)
    : XMLNodeBase(owner, position)
{
    SetText(text);
}

void XMLCDataNode::SetText(const char* text)
{
    StoreText(text, 0);
}

// ---------------------------------------------------------------------------
// XMLProlog

XMLProlog::XMLProlog(const char* declaration)
    : declaration_(xmlimpl::CopyText(declaration)), comments_(kPrologFirstComments)
{
}

XMLProlog::~XMLProlog()
{
    RemoveAllComments();
}

uint32_t XMLProlog::ReserveComments(uint32_t n)
{
    return xmlimpl::Reserve(comments_, commentCount_, n, kPrologCommentStep);
}

uint32_t XMLProlog::AppendComment(XMLCommentNode* node, int position)
{
    if (!node)
        return commentCount_;
    ReserveComments(1);
    node->SetOwner(nullptr);
    node->SetPosition(position);
    comments_[commentCount_++] = node;
    return commentCount_;
}

uint32_t XMLProlog::RemoveComment(uint32_t index)
{
    if (index >= commentCount_)
        return commentCount_;
    delete xmlimpl::TakeOut(comments_, commentCount_, index);
    return commentCount_;
}

void XMLProlog::RemoveAllComments()
{
    while (commentCount_ > 0) {
        --commentCount_;
        delete comments_[commentCount_];
        comments_[commentCount_] = nullptr;
    }
}

void XMLProlog::SetEncoding(const char* encoding)
{
    if (!encoding)
        encoding = "";
    const int n = std::snprintf(nullptr, 0, kDeclarationFormat, encoding);
    std::unique_ptr<char[]> text(new char[size_t(n > 0 ? n : 0) + 10]());
    std::snprintf(text.get(), size_t(n > 0 ? n : 0) + 10, kDeclarationFormat, encoding);
    declaration_ = std::move(text);
}

void XMLProlog::WriteHeader(void* target, int position, int kind) const
{
    if (!target || kind == XML_SAVE_REGISTRY)
        return;
    if (position == 0)
        WritePiece(target, kind, std::string(declaration_.get()) + "\r\n");
    for (uint32_t i = 0; i < commentCount_; ++i) {
        const XMLCommentNode* c = comments_[i];
        if (c && c->GetPosition() == position)
            WritePiece(target, kind, std::string("<!--") + c->GetText() + "-->\r\n");
    }
}

// ---------------------------------------------------------------------------
// XMLDocument

XMLDocument::XMLDocument() = default;

XMLDocument::~XMLDocument()
{
    Clear();
}

void XMLDocument::SetRoot(XMLElement* root)
{
    if (root == root_)
        return;
    delete root_;
    root_ = root;
}

void XMLDocument::SetProlog(XMLProlog* prolog)
{
    if (prolog == prolog_)
        return;
    delete prolog_;
    prolog_ = prolog;
}

XMLElement* XMLDocument::ReplaceRoot()
{
    XMLElement* old = root_;
    root_ = new XMLElement(nullptr, kDefaultRootTag, XML_KIND_TAG);
    return old;
}

void XMLDocument::Clear()
{
    SaveBeforeClear();
    delete root_;
    root_ = nullptr;
    delete prolog_;
    prolog_ = nullptr;
    fileName_.reset();
    wideFileName_.reset();
}

void XMLDocument::GetLibraryVersion(XmlLibraryVersion* version)
{
    if (!version)
        return;
#if defined(PATHVEX_WM)
    *version = {1, 57, "12-11-2007"};
#else
    *version = {1, 59, "23-12-2007"};
#endif
}
