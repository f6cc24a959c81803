// xml/xml_parse.cpp - the parser: UTF-8 text to an element tree.
//
// One forward pass with an explicit stack of open elements over the markup
// XmlNextTag cuts: a comment ends at its "-->", a processing instruction at
// its "?>", a CDATA section at its "]]>", whatever they hold; any other tag
// is cut at its first '>', closes itself when the byte before that '>' is
// '/', and an end tag closes the innermost open element whatever name it
// carries. FindElementEnd counts with the same tokenizer, so the tree has
// the shape that element-extent scanning gives, without scanning each
// element's content once per level above it. Nothing is validated;
// character data is kept exactly as written (escaped).
#include <cstring>
#include <string>
#include <vector>

#include "xml/xml.h"
#include "xml/xml_internal.h"

namespace {

bool IsTrimmed(char c)
{
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

class Parser {
public:
    Parser(XMLElement* parent, XMLProlog* prolog) : prolog_(prolog)
    {
        baseDepth_ = parent ? parent->GetDepth() + 1 : 0;
        if (parent)
            frames_.push_back(parent);
        base_ = frames_.size();
    }

    ~Parser()
    {
        // Elements still open when the text ran out have no end tag: the
        // outermost (owned by nobody yet) goes with its whole subtree.
        if (frames_.size() > base_)
            delete frames_[base_];
    }

    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    XMLElement* Run(const char* text, const char* end);
    int Status() const { return status_; }

private:
    XMLElement* Current() { return frames_.empty() ? nullptr : frames_.back(); }
    bool AnyOpen() const { return frames_.size() > base_; }
    void AddText(const char* from, const char* to);
    void AddComment(const char* from, const char* to);
    void AddCData(const char* from, const char* to);
    // Builds an element from the tag text between '<' and the terminator.
    XMLElement* MakeElement(XMLElement* parent, const char* from, const char* to);
    void OnEmpty(const char* lt, const char* gt);
    void OnStart(const char* lt, const char* gt);
    void OnEnd();
    // A start tag below kXmlMaxDepth: refuse it and skip the rest of the
    // current element's content. False when there is no such element (the
    // parse then stops).
    bool RefuseTooDeep(bool opensContent);

    XMLProlog* prolog_;
    int baseDepth_ = 0;
    int status_ = -1;             // -1: left as it was
    std::vector<XMLElement*> frames_;   // the given parent (if any), then the open elements
    size_t base_ = 0;             // index of the outermost open element in frames_
    XMLElement* result_ = nullptr;
    bool startTagSeen_ = false;   // at the top level: comments after it have position 1
    bool skipping_ = false;       // skipping content that nests too deep
    long skipDepth_ = 0;          // start tags open inside the skipped content
    std::string scratch_;         // NUL-terminated copies handed to the tree
};

void Parser::AddText(const char* from, const char* to)
{
    XMLElement* e = Current();
    if (!e || skipping_)
        return;
    while (from < to && IsTrimmed(*from))
        ++from;
    while (to > from && IsTrimmed(to[-1]))
        --to;
    if (from == to)
        return;
    scratch_.assign(from, size_t(to - from));
    const int position = int(e->GetChildCount());
    e->AppendTextNode(new XMLTextNode(e, position, scratch_.c_str(), 1), position);
}

// from..to is the markup between '<' and '>' exclusive. A comment keeps what
// stands between "<!--" and "-->"; a processing instruction what stands
// between "<?" and "?>". Markup too short for both ends ("<!-->", "<?>")
// gives an empty comment.
void Parser::AddComment(const char* from, const char* to)
{
    if (skipping_)
        return;
    const char* text;
    const char* textEnd;
    if (*from == '?') {
        text = from + 1;
        textEnd = to;
        if (textEnd > text && textEnd[-1] == '?')
            --textEnd;
    } else {
        text = from + 3;      // past "!--"
        textEnd = to - 2;     // before "--"
    }
    if (textEnd < text)
        textEnd = text;
    scratch_.assign(text, size_t(textEnd - text));

    if (XMLElement* e = Current()) {
        const int position = int(e->GetChildCount());
        e->AppendComment(new XMLCommentNode(e, position, scratch_.c_str()), position);
        return;
    }
    if (prolog_) {
        const int position = startTagSeen_ ? 1 : 0;
        prolog_->AppendComment(new XMLCommentNode(nullptr, position, scratch_.c_str()), position);
    }
}

void Parser::AddCData(const char* from, const char* to)
{
    XMLElement* e = Current();
    if (!e || skipping_)
        return;   // CDATA outside every element has nowhere to go
    scratch_.assign(from, size_t(to - from));
    const int position = int(e->GetChildCount());
    e->AppendCData(new XMLCDataNode(e, position, scratch_.c_str()), position);
}

XMLElement* Parser::MakeElement(XMLElement* parent, const char* from, const char* to)
{
    return xmlimpl::NewElementFromTag(parent, from, to);
}

bool Parser::RefuseTooDeep(bool opensContent)
{
    status_ = XML_STATUS_NO_ELEMENT_END;
    if (!AnyOpen())
        return false;
    skipping_ = true;
    skipDepth_ = opensContent ? 1 : 0;
    return true;
}

void Parser::OnEmpty(const char* lt, const char* gt)
{
    XMLElement* parent = Current();
    XMLElement* element = MakeElement(parent, lt + 1, gt);
    if (parent) {
        parent->AppendChild(element);
        if (!AnyOpen() && !result_)
            result_ = element;   // the first empty element given to the parent
        return;
    }
    if (!result_)
        result_ = element;
    else
        delete element;   // a further empty top-level element is not kept
}

void Parser::OnStart(const char* lt, const char* gt)
{
    XMLElement* parent = Current();
    // Inside an open element the child joins at once; an element of this
    // parse's own top level joins (or becomes the result) only when its end
    // tag is found.
    XMLElement* element = MakeElement(parent, lt + 1, gt);
    if (AnyOpen())
        parent->AppendChild(element);
    frames_.push_back(element);
}

void Parser::OnEnd()
{
    if (!AnyOpen())
        return;   // nothing open at this level: the end tag closes nothing
    XMLElement* element = frames_.back();
    frames_.pop_back();
    if (AnyOpen())
        return;
    if (XMLElement* parent = Current()) {
        parent->AppendChild(element);
        result_ = element;
        return;
    }
    delete result_;   // the last top-level element with content wins
    result_ = element;
}

XMLElement* Parser::Run(const char* p, const char* end)
{
    for (;;) {
        const XmlTag tag = XmlNextTag(p, end);
        AddText(p, tag.lt ? tag.lt : end);
        if (tag.kind == XML_TAG_NONE)
            break;   // the text is done, or markup lacks its end: what was read stays
        p = tag.gt + 1;

        if (skipping_) {
            if (tag.kind == XML_TAG_START) {
                ++skipDepth_;
                continue;
            }
            if (tag.kind != XML_TAG_END)
                continue;
            if (skipDepth_ > 0) {
                --skipDepth_;
                continue;
            }
            skipping_ = false;   // the end tag of the element being read
        }

        switch (tag.kind) {
        case XML_TAG_END:
            OnEnd();
            break;
        case XML_TAG_COMMENT:
            AddComment(tag.lt + 1, tag.gt);
            break;
        case XML_TAG_CDATA:
            AddCData(tag.lt + 9, tag.gt - 2);
            break;
        case XML_TAG_EMPTY:
        case XML_TAG_START:
            // A tag without a proper name ("< />", "<<!--") is no element:
            // read as one it would be written back as other markup.
            if (!tag.named) {
                status_ = XML_STATUS_NO_ELEMENT_END;
                return result_;   // the elements still open go with the parser
            }
            if (!AnyOpen())
                startTagSeen_ = true;
            if (baseDepth_ + int(frames_.size() - base_) >= kXmlMaxDepth) {
                if (!RefuseTooDeep(tag.kind == XML_TAG_START))
                    return result_;
                continue;
            }
            if (tag.kind == XML_TAG_EMPTY)
                OnEmpty(tag.lt, tag.gt);
            else
                OnStart(tag.lt, tag.gt);
            break;
        }
    }
    if (AnyOpen())
        status_ = XML_STATUS_NO_ELEMENT_END;   // the destructor drops the unmatched element
    return result_;
}

}  // namespace

XmlTag XmlNextTag(const char* p, const char* end)
{
    XmlTag tag;
    tag.lt = static_cast<const char*>(std::memchr(p, '<', size_t(end - p)));
    if (!tag.lt)
        return tag;
    const char* lt = tag.lt;
    const char* gt;
    int kind;
    if (lt + 1 < end && lt[1] == '/') {
        gt = static_cast<const char*>(std::memchr(lt + 2, '>', size_t(end - (lt + 2))));
        kind = XML_TAG_END;
    } else if (const xmlimpl::Section* section = xmlimpl::SectionAt(lt, end)) {
        gt = xmlimpl::SectionEnd(*section, lt, end);
        kind = section->cdata ? XML_TAG_CDATA : XML_TAG_COMMENT;
    } else {
        gt = static_cast<const char*>(std::memchr(lt + 1, '>', size_t(end - (lt + 1))));
        kind = gt && gt[-1] == '/' ? XML_TAG_EMPTY : XML_TAG_START;
        if (gt) {
            const xmlimpl::TagName name = xmlimpl::ScanTagName(lt + 1, gt);
            tag.name = name.begin;
            tag.nameEnd = name.end;
            tag.named = xmlimpl::IsTagName(name.begin, name.end);
        }
    }
    if (!gt)
        return tag;
    tag.kind = kind;
    tag.gt = gt;
    return tag;
}

XMLElement* XmlParse(XMLElement* parent, const char* text, XMLDocument* document)
{
    if (!text)
        return nullptr;
    XMLProlog* prolog = document ? document->GetProlog() : nullptr;
    Parser parser(parent, prolog);
    XMLElement* result = parser.Run(text, text + std::strlen(text));
    if (document && parser.Status() >= 0)
        document->status_ = parser.Status();
    return result;
}
