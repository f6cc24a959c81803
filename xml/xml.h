// xml/xml.h - the program's XML document library.
//
// Offers the in-memory tree (XMLDocument owning an XMLProlog and a root
// XMLElement; elements owning their attributes, text, comment and CDATA
// nodes and their children), entity escaping, the tokenizer and start-tag
// reader the parser builds on, the element-extent scanner, and navigation
// and editing of elements. All text is narrow UTF-8. Names, attribute values and text-node
// text are stored entity-escaped and unescaped when read back (unless the
// caller asks for the raw, stored form); comments and CDATA are kept exactly
// as given. Lookups by name compare unescaped names exactly, with case.
//
// Nothing here throws except std::bad_alloc when memory runs out, and
// nothing keeps state of its own beyond the memory pool that every tree's
// records come from (xml/pool.h; any thread may use it).
// Results are values: 1/0 for done/not done, counts, -1 or null for "not
// found", and the length to allocate when a text getter is given a null
// buffer. An index at or past a count is answered with the unchanged
// count, never an access.
// A null slot within an element's child count is a child unloaded to a swap
// file; every walker here steps over it.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "xml/autobuffer.h"
#include "xml/pool.h"
#include "xml/slots.h"

class XMLElement;
class XMLProlog;

namespace xmlimpl {   // the library's own, not part of the interface
class StoredAttributes;
XMLElement* NewElementFromTag(XMLElement* parent, const char* from, const char* to);
}  // namespace xmlimpl

// ---------------------------------------------------------------------------
// Escaping

// Escapes & (unless it starts "&#"), <, >, " and ' into buffer, terminated;
// returns the escaped length. Null text: 0, nothing written. Null buffer:
// only the length (allocate it + 10 bytes).
int XmlEscapeText(const char* text, char* buffer);
// The escaped length of text (0 for null): XmlEscapeText without a buffer.
int XmlEscapedLength(const char* text);
// Turns the five named entities and numeric references back into text, into
// buffer, terminated; returns the unescaped length. Unknown entities and bare
// ampersands stay as they are. Null buffer: the stored length, which is never
// less than the unescaped one (allocate it + 10 bytes). Null stored: 0.
int XmlUnescapeText(const char* stored, char* buffer);
// base to the power exponent in 32 bits, saturated; 1 for exponent 0, 0 for a
// negative exponent (unless base is 1 or -1).
int IntPower(int base, int exponent);
// Writes UTF-8 text to an open file as UTF-16LE units, without terminator or
// byte-order mark. Null file or text writes nothing.
void WriteUtf8AsUtf16(FILE* file, const char* text);

// ---------------------------------------------------------------------------
// Element extent and markup

// Just past the end of the element that starts at the first '<' of the
// NUL-terminated text, or null when the text ends first. For a self-closed
// element standing alone ("<a/>rest") it is the position of its '>'. A tag
// is self-closed when the byte before its first '>' is '/', so a '/' inside
// any attribute value never ends an element. Comments, processing
// instructions and CDATA end at "-->", "?>" and "]]>" whatever they hold.
// Never earlier than the start tag's '>'.
const char* FindElementEnd(const char* text);
inline char* FindElementEnd(char* text)
{
    return const_cast<char*>(FindElementEnd(static_cast<const char*>(text)));
}

// Kinds of markup, as the parser tells them apart.
enum XmlTagKind : int {
    XML_TAG_NONE = 0,      // no further markup
    XML_TAG_START = 1,     // a start tag followed by content
    XML_TAG_EMPTY = 2,     // a self-closed start tag
    XML_TAG_END = 3,       // an end tag
    XML_TAG_COMMENT = 4,   // a comment or a processing instruction
    XML_TAG_CDATA = 5,     // a CDATA section
};

// One piece of markup; the pointers point into the text it was found in.
struct XmlTag {
    int kind = XML_TAG_NONE;
    const char* lt = nullptr;        // its '<'; null when the text holds no further '<'
    const char* gt = nullptr;        // its last byte (the '>'); null for XML_TAG_NONE
    const char* name = nullptr;      // start tags: the name's stored bytes, up to nameEnd
    const char* nameEnd = nullptr;
    bool named = false;              // start tags: the name reads back as the element's
};

// The first markup in [p, end) (text without NUL bytes), cut exactly as
// XmlParse cuts it: a caller can walk a document's elements without
// building them.
// - "</" begins an end tag, up to the next '>'; the name in it is not read.
// - "<!--" runs to the next "-->" and "<?" to the next "?>" (both COMMENT),
//   "<![CDATA[" to the next "]]>", whatever they hold ("<!-->" is no comment's end).
// - Any other tag ends at its first '>', quoted or not; it is EMPTY when the
//   byte before that '>' is '/', else START.
// - A start tag's name runs to its first tab, blank, '"', '/' or '>': a line
//   break belongs to it.
// - named is false for a name that is empty, begins with '!' or '?', or holds
//   a '<' ("< />", "<!DOCTYPE r>", "<<!--x>"): XmlParse stops there with
//   XML_STATUS_NO_ELEMENT_END.
// - Markup without its end gives XML_TAG_NONE with lt at its '<': XmlParse
//   reads nothing after it.
XmlTag XmlNextTag(const char* p, const char* end);

// ---------------------------------------------------------------------------
// Plain records

// How the writer lays out an element; copied into every element of a tree.
struct XmlExportFormat {
    unsigned char useBlanks = 0;   // indent with blanks instead of tabs
    int indentCount = 1;           // indent units per level, at most 50
    unsigned char oneLine = 0;     // write a lone text node on the tag's line
};

struct XmlLibraryVersion {
    int major;
    int minor;
    char date[16];   // "dd-mm-yyyy"
};

// An entry of an element's borrowed-children list.
struct XmlBorrowedChild {
    uint64_t inUse;          // 1 while the element is linked in, else 0
    XMLElement* element;
};

// Kinds of XMLElement construction.
enum : int {
    XML_KIND_TAG = 0,    // the text is a start tag ("<a x=\"1\">", "a", "<a/>")
    XML_KIND_NAME = 1,   // the text is the element's name, stored unchanged
};

// Parse status of a document (below 2 counts as success).
enum : int {
    XML_STATUS_OK = 0,               // loaded as read, or defaulted (source missing or empty)
    XML_STATUS_REPAIRED = 1,         // no declaration or no element: one was supplied
    XML_STATUS_NO_ELEMENT_END = 2,   // a start tag without its end tag, or without a name
};

// Targets of the writers (WriteHeader's kind and the document's Save).
enum XmlSaveTarget : int {
    XML_SAVE_FILE = 0,         // UTF-8 bytes to an open FILE*
    XML_SAVE_MEMORY = 1,       // appended to the NUL-terminated text at a char*
    XML_SAVE_REGISTRY = 2,     // registry keys (the element writer only)
    XML_SAVE_FILE_UTF16 = 3,   // UTF-16LE units to an open FILE*
};

// Sources of XMLDocument::Load.
enum XmlLoadSource : int {
    XML_LOAD_FILE = 0,         // a narrow file name
    XML_LOAD_TEXT = 1,         // NUL-terminated UTF-8 text in memory
    XML_LOAD_URL = 2,          // a URL (pathvex-x86; elsewhere the default document)
    XML_LOAD_WIDE_FILE = 7,    // a UTF-16 file name
};

// Deepest nesting the parser builds: an element with this many ancestors is
// not read, the rest of its parent's content is skipped and the document
// gets XML_STATUS_NO_ELEMENT_END. Keeps every recursive walker's stack small.
inline constexpr int kXmlMaxDepth = 1000;

// Optional byte transform between a file and the document's UTF-8 text; the
// program never supplies one. The hook parameter is never passed on: the
// zero arguments are always 0.
class XmlTransformHook {
public:
    virtual ~XmlTransformHook() = default;
    // Save: turns the UTF-8 text into the bytes to store (at most capacity,
    // which is length + 100) and returns their count.
    virtual int Encode(const char* text, int length, int zero, char* out, int capacity, int zero2) = 0;
    // Load: decodes count file bytes into out (capacity = count; out has
    // count + 32 zero bytes) as NUL-terminated UTF-8. The result is unused.
    virtual int Decode(const char* bytes, int count, int zero, char* out, int capacity, int zero2) = 0;
};

// ---------------------------------------------------------------------------
// Attributes and nodes

class XMLAttribute {
public:
    // Name and value stored escaped unless raw; null value stores "".
    XMLAttribute(const char* name, const char* value, int raw);
    ~XMLAttribute();
    XMLAttribute(const XMLAttribute&) = delete;
    XMLAttribute& operator=(const XMLAttribute&) = delete;
    static void* operator new(std::size_t size) { return xmlimpl::PoolAllocate(size); }
    static void operator delete(void* p) noexcept { xmlimpl::PoolRelease(p); }

    // Copies the stored (raw) or unescaped name; returns its length. Null
    // buffer: the stored length.
    int GetName(char* buffer, int raw) const;
    // As GetName, for the value.
    int GetValue(char* buffer, int raw) const;
    // Stores the name (escaped unless raw) without trailing blanks; null is "".
    void SetName(const char* name, int raw);
    // Stores the value (escaped unless raw); null stores "".
    void SetValue(const char* value, int raw);
    const char* GetStoredName() const { return name_.get(); }     // never null
    const char* GetStoredValue() const { return value_.get(); }   // never null

    void SetUIntValue(unsigned n);    // "%u"
    void SetFloatValue(double x);     // "%f": 1.5 is "1.500000"
    // Leading decimal digits of the unescaped value (optional blanks and sign),
    // saturated to 32 bits; 0 when there are none ("12abc" 12, "abc" 0).
    int GetIntValue() const;
    double GetFloatValue() const;     // the unescaped value read as a decimal number
    // The value becomes the Base64 text of count bytes (lines of 72 + CR LF);
    // returns that text's length.
    int SetBinaryValue(const void* bytes, int count);
    // Decodes the Base64 value into buffer when given; returns the decoded
    // byte count (0 for an empty value). Call with null first to size buffer.
    int GetBinaryValue(void* buffer) const;

    // Copies name and value in stored form and the owner; returns this.
    XMLAttribute* Assign(const XMLAttribute* other);
    // A new attribute without owner: the unescaped name and value, escaped again.
    XMLAttribute* Duplicate() const;
    // 0 when names and values are equal byte for byte (stored form), else 1.
    int Compare(const XMLAttribute* other) const;
    // Bytes held: the record and the stored name and value.
    size_t GetMemoryUsage() const;

    XMLElement* GetOwner() const { return owner_; }
    // Returns the previous owner.
    XMLElement* SetOwner(XMLElement* owner)
    {
        XMLElement* old = owner_;
        owner_ = owner;
        return old;
    }

private:
    xmlimpl::PoolText name_;
    xmlimpl::PoolText value_;
    XMLElement* owner_ = nullptr;
};

// What text, comment and CDATA nodes share: owner, stored text and position,
// the number of child elements of the owner that stand before the node.
class XMLNodeBase {
public:
    XMLNodeBase(const XMLNodeBase&) = delete;
    XMLNodeBase& operator=(const XMLNodeBase&) = delete;
    static void* operator new(std::size_t size) { return xmlimpl::PoolAllocate(size); }
    static void operator delete(void* p) noexcept { xmlimpl::PoolRelease(p); }

    XMLElement* GetOwner() const { return owner_; }
    void SetOwner(XMLElement* owner) { owner_ = owner; }
    int GetPosition() const { return position_; }
    void SetPosition(int position) { position_ = position; }
    const char* GetStoredText() const { return text_.get(); }     // never null
    // 0 when the stored texts are equal byte for byte, else 1; owner and
    // position take no part.
    int Compare(const XMLNodeBase* other) const;
    // Bytes held: the record and the stored text.
    size_t GetMemoryUsage() const;

protected:
    XMLNodeBase(XMLElement* owner, int position);
    ~XMLNodeBase();
    void StoreText(const char* text, int escape);   // null stores ""
    // Owner, position and stored text from other; nothing for null or this.
    void AssignNode(const XMLNodeBase* other);

    XMLElement* owner_;
    xmlimpl::PoolText text_;
    int position_;
};

class XMLTextNode : public XMLNodeBase {
public:
    // Text stored escaped unless raw.
    XMLTextNode(XMLElement* owner, int position, const char* text, int raw);
    // As XMLAttribute::GetName, for the text.
    int GetText(char* buffer, int raw) const;
    void SetText(const char* text, int raw);   // escaped unless raw; null is ""
    // Copies owner, position and stored text; returns this.
    XMLTextNode* Assign(const XMLTextNode* other);
    // A new node, same owner and position, the text unescaped and escaped again.
    XMLTextNode* Duplicate() const;
};

class XMLCommentNode : public XMLNodeBase {
public:
    XMLCommentNode(XMLElement* owner, int position, const char* text);   // text as given
    const char* GetText() const { return GetStoredText(); }
    void SetText(const char* text);   // as given; null is ""
    XMLCommentNode* Assign(const XMLCommentNode* other);   // owner, position, text; returns this
    XMLCommentNode* Duplicate() const;                     // same owner, position and text
};

class XMLCDataNode : public XMLNodeBase {
public:
    XMLCDataNode(XMLElement* owner, int position, const char* text);   // text as given
    const char* GetText() const { return GetStoredText(); }
    void SetText(const char* text);   // as given; null is ""
    XMLCDataNode* Assign(const XMLCDataNode* other);   // owner, position, text; returns this
    XMLCDataNode* Duplicate() const;                   // same owner, position and text
};

// ---------------------------------------------------------------------------
// Element

class XMLElement {
public:
    // Reads name and attributes from text with ParseStartTag (kind
    // XML_KIND_TAG), or takes text as the name unchanged (XML_KIND_NAME).
    // Arrays start at the first capacities 20, 20, 10, 4, 10 (children,
    // attributes, comments, text nodes, CDATA), the borrowed list at 1;
    // each gets its storage with its first entry. A full array grows to the
    // larger of its next step (20, 20, 10, 4, 10) and twice its size, so
    // adding one entry at a time costs amortised constant time.
    XMLElement(XMLElement* parent, const char* text, int kind = XML_KIND_TAG);
    // Deletes attributes, nodes and owned children, unlinks borrowed ones and
    // deletes the swap files of unloaded ones.
    ~XMLElement();
    XMLElement(const XMLElement&) = delete;
    XMLElement& operator=(const XMLElement&) = delete;
    static void* operator new(std::size_t size) { return xmlimpl::PoolAllocate(size); }
    static void operator delete(void* p) noexcept { xmlimpl::PoolRelease(p); }

    // -- name and kind
    // Stores the name escaped; null stores "". Returns the escaped length.
    int SetName(const char* name);
    // Copies the stored (raw) or unescaped name; returns its length. Null
    // buffer: the stored length.
    int GetName(char* buffer, int raw) const;
    const char* GetStoredName() const { return name_; }   // never null
    int GetKind() const { return kind_; }

    // -- start tags (kind XML_KIND_TAG: name up to the first NUL, tab,
    // blank, '"', '/' or '>', '<' skipped; attributes name="value" stored
    // raw; values in apostrophes are not read). Removes the attributes,
    // children and comments first; text nodes and CDATA stay.
    void ParseStartTag(const char* text, int kind);
    // Appends a child built from start-tag text; returns the child count.
    uint32_t AddChildFromTag(const char* text);

    // -- plain reads (no checks beyond the index)
    XMLElement* GetParent() const { return parent_; }
    void SetParent(XMLElement* parent) { parent_ = parent; }
    XMLElement** GetChildren() { return children_.Data(); }
    XMLElement* GetChild(uint32_t i) const { return i < childCount_ ? children_[i] : nullptr; }  // null also for an unloaded child
    uint32_t GetChildCount() const { return childCount_; }       // unloaded slots included
    uint32_t GetChildCapacity() const { return children_.Count(); }
    XMLAttribute** GetAttributes() { return Attributes(); }
    XMLAttribute* GetAttribute(uint32_t i) const { return i < attributeCount_ ? Attributes()[i] : nullptr; }
    uint32_t GetAttributeCount() const { return attributeCount_; }
    uint32_t GetAttributeCapacity() const { return attributes_.Count(); }
    XMLCommentNode** GetComments() { return rare_ ? rare_->comments.Data() : XmlSlots<XMLCommentNode*>::None(); }
    XMLCommentNode* GetComment(uint32_t i) const { return i < GetCommentCount() ? rare_->comments[i] : nullptr; }
    uint32_t GetCommentCount() const { return rare_ ? rare_->commentCount : 0; }
    uint32_t GetCommentCapacity() const
    {
        return rare_ ? rare_->comments.Count() : commentsCompacted_ ? 1 : RareParts::kFirstComments;
    }
    XMLTextNode** GetTextNodes() { return textNodes_.Data(); }
    XMLTextNode* GetTextNode(uint32_t i) const { return i < textNodeCount_ ? textNodes_[i] : nullptr; }
    uint32_t GetTextNodeCount() const { return textNodeCount_; }
    uint32_t GetTextNodeCapacity() const { return textNodes_.Count(); }
    XMLCDataNode** GetCData() { return rare_ ? rare_->cdata.Data() : XmlSlots<XMLCDataNode*>::None(); }
    XMLCDataNode* GetCDataNode(uint32_t i) const { return i < GetCDataCount() ? rare_->cdata[i] : nullptr; }
    uint32_t GetCDataCount() const { return rare_ ? rare_->cdataCount : 0; }
    uint32_t GetCDataCapacity() const { return rare_ ? rare_->cdata.Count() : RareParts::kFirstCData; }
    // Borrowed-list entries allocated.
    uint32_t GetBorrowedCapacity() const { return rare_ ? rare_->borrowed.Count() : RareParts::kFirstBorrowed; }
    // Entries written since last emptied.
    int GetBorrowedUsed() const { return rare_ ? rare_->borrowedUsed : 0; }
    const XmlExportFormat& GetExportFormat() const { return format_; }

    // -- children
    int GetChildIndex(const XMLElement* child) const;            // -1: not a child (or null)
    XMLElement* FindChildPointer(const XMLElement* child) const;  // child, or null
    int FindChildIndex(const char* name) const;                   // first loaded child of that unescaped name, or -1
    // The element at a backslash-joined path of child names below this one;
    // "" (or null) is this element; null when a step is missing.
    XMLElement* FindElementByPath(const char* path);
    int GetDepth() const;                                         // ancestors; 0 for a root
    // Stored names from below the root down to this element joined by '\'
    // (unescaped unless raw) into buffer; returns its length. A root: 0,
    // nothing written. Null buffer: the length of the stored joined text.
    int GetFullName(char* buffer, int raw) const;
    // "i-" per level from the root's child down to this element (-1 where
    // an element is not among its parent's children); returns the length.
    // Null buffer: the size to allocate (depth * 4 + 10, more for an index
    // of 1000 or above).
    int GetIndexPath(char* buffer) const;
    // Name of the swap file of child n: the index path without its last '-',
    // then "-n" (or n alone for a root), then ".xmltmp".
    std::string GetSwapFileName(uint32_t n) const;
    uint32_t ReserveChildren(uint32_t n);                         // returns the free slots
    uint32_t AppendChild(XMLElement* child);                      // sets its parent; returns the count (unchanged for null)
    // Inserts at index and returns it; at or past the count appends and
    // returns the new count. Sets the child's parent. Null: unchanged count.
    uint32_t InsertChild(uint32_t index, XMLElement* child);
    // Links child in like InsertChild without owning it or changing its
    // parent: removing it only unlinks it.
    uint32_t AddBorrowedChild(XMLElement* child, uint32_t index);
    // Moves the child from one slot to another; either index at or past the
    // count returns the count. Otherwise as InsertChild (the parent stays).
    uint32_t MoveChild(uint32_t from, uint32_t to);
    // Deletes an owned child, unlinks a borrowed one, deletes the swap file of
    // an unloaded one; returns the new count.
    uint32_t RemoveChild(uint32_t index);
    void RemoveAllChildren();
    int RemoveBorrowedChildren();                                 // returns the slots unlinked
    int DeleteSwapFile(uint32_t index) const;                     // nonzero when deleted

    // -- attributes
    int FindAttributeIndex(const char* name) const;               // first of that unescaped name, or -1
    // The first attribute of that unescaped name; when none and create is
    // set, a new last one with the default (escaped; null is ""), else null.
    XMLAttribute* FindAttribute(const char* name, int create, const char* defaultValue);
    int GetAttributeIndex(const XMLAttribute* attribute) const;  // -1 when not ours (or null)
    XMLAttribute* FindAttributePointer(const XMLAttribute* attribute) const;
    uint32_t ReserveAttributes(uint32_t n);
    uint32_t AppendAttribute(XMLAttribute* attribute);            // sets its owner; returns the count
    uint32_t AddAttribute(const char* name, const char* value);  // both escaped
    uint32_t AddBinaryAttribute(const char* name, const void* bytes, int count);   // Base64 value
    uint32_t RemoveAttribute(uint32_t index);                     // returns the new count
    // As RemoveAttribute, but the attribute goes to *out (set to null first)
    // and belongs to the caller; with a null out it is deleted.
    uint32_t DetachAttribute(uint32_t index, XMLAttribute** out);
    void RemoveAllAttributes();

    // -- text nodes, comments, CDATA (position: the children they follow)
    uint32_t ReserveTextNodes(uint32_t n);
    uint32_t AppendTextNode(XMLTextNode* node, int position);     // sets owner and position; returns the count
    uint32_t AddTextNode(const char* text, int position);        // text escaped
    uint32_t RemoveTextNode(uint32_t index);
    void RemoveAllTextNodes();
    uint32_t ReserveComments(uint32_t n);
    uint32_t AppendComment(XMLCommentNode* node, int position);
    uint32_t AddComment(const char* text, int position);         // text as given
    uint32_t RemoveComment(uint32_t index);
    void RemoveAllComments();
    uint32_t ReserveCData(uint32_t n);
    uint32_t AppendCData(XMLCDataNode* node, int position);
    uint32_t AddCData(const char* text, int position);           // text as given
    uint32_t RemoveCData(uint32_t index);
    void RemoveAllCData();

    // -- writing, swap files, checks
    // The whole-document writer: reloads unloaded children, then the
    // prolog's declaration and position-0 comments, this element at level 0,
    // the position-1 comments (no prolog pieces in the registry form). With
    // a hook the text is built in memory and the hook's bytes are written
    // (file) or appended (memory); UTF-16 with a hook writes nothing.
    // Returns 1, or 0 when a write or registry call failed or a name would
    // not read back (XmlWriteElement).
    int WriteWithProlog(void* target, int includeChildren, int raw, int form,
                        const XMLProlog* prolog, XmlTransformHook* hook, void* hookParam);
    // Writes child index with its subtree to its swap file (GetSwapFileName)
    // and frees it, leaving a null slot. 1: unloaded now or already; 0: bad
    // index, a borrowed child, the file name taken, or the file not written
    // (the child then stays).
    int UnloadChild(uint32_t index);
    // Brings an unloaded child back from its swap file and deletes the file.
    // 1: the slot holds the child; 0: bad index, no file, or a file that
    // does not parse (it stays).
    int ReloadChild(uint32_t index);
    // ReloadChild for every null slot; returns 0.
    int ReloadAllChildren();
    // Copies the format into this element and every loaded descendant (null:
    // keeps each one's own); the indent count is then limited to 0..50.
    void SetExportFormat(const XmlExportFormat* format);
    // Whether every pointer and text of the subtree can be read; an unloaded
    // child fails. CDATA is not examined.
    bool CheckIntegrity() const;

    // -- queries (depth -1, or any negative: the whole subtree)
    // The children, unloaded slots included, plus for a depth other than 0
    // the CountDescendants(depth - 1) of every loaded child. Never less than
    // what CollectDescendants(depth) finds: it sizes the results of Query.
    uint32_t CountDescendants(int depth) const;
    // The loaded descendants down to depth levels (0: none) in post-order,
    // each child after its own descendants, into array when given; returns
    // how many.
    uint32_t CollectDescendants(XMLElement** array, int depth);
    // The collected descendants that meet every condition of the expression,
    // in collection order, into results when given (room for
    // CountDescendants(depth) + 1 pointers, borrowed from the tree); returns
    // how many. A condition is "selector operator operand", each part ended
    // by a blank: selector "?" the name, "!" the full name, "~n" the text of
    // text node n, anything else an attribute's value (all unescaped, "" when
    // missing); a quoted operand may hold blanks. No condition: all match.
    int Query(const char* expression, XMLElement** results, int depth);

    // -- comparing, sorting, compaction
    // 0 when names, attributes, comments, CDATA, text nodes (stored texts, in
    // order) and children compare equal, else 1; a pair with an unloaded
    // child counts as equal. Positions and owners take no part.
    int Compare(const XMLElement* other) const;
    // qsort of the child pointers (unloaded ones are reloaded first); the
    // comparison gets two XMLElement* const*. Null: CompareChildNames. Text,
    // comment and CDATA positions are not changed.
    void SortChildren(int (*compare)(const void*, const void*));
    // qsort of the attribute pointers; null: CompareAttributeNames.
    void SortAttributes(int (*compare)(const void*, const void*));
    // Shrinks the comment, attribute and child arrays of the subtree to their
    // counts (at least 1); text-node and CDATA arrays keep their size.
    void Compact();
    // Bytes the subtree holds in memory (records, texts, array slots). Only
    // an estimate: it does not size any output.
    size_t GetMemoryUsage() const;

    // -- lookup with creation, detaching, copies, merging, clipboard
    // The first loaded child of that unescaped name. None: with create, a
    // new last child built from the start tag tag when given (name and
    // attributes from it), else named name exactly; without, null.
    XMLElement* FindElement(const char* name, int create, const char* tag);
    // Takes child index out (reloaded first when unloaded) into *out (set to
    // null first), without destroying it or changing its parent; the caller
    // owns it. Returns the new count; a bad index, or a child that cannot be
    // reloaded, returns the count unchanged. A null out removes the child as
    // RemoveChild does: nobody would own it otherwise.
    uint32_t DetachChild(uint32_t index, XMLElement** out);
    // A new tree equal to this one (Compare gives 0): names, attributes and
    // texts copied in stored form, default export format; its parent pointer
    // is parent but it is not linked into parent's children. Unloaded
    // children are reloaded first; one that cannot be is left out.
    XMLElement* DeepCopy(XMLElement* parent);
    // Adds source's attributes missing in target (existing ones take the
    // source's value only with overwrite) and merges each source child into
    // target's first child of that name, or appends a copy of it. Text,
    // comments and CDATA are not merged. Returns 0.
    static int Merge(XMLElement* target, XMLElement* source, int overwrite);
    // Puts the element with its subtree on the clipboard as CF_TEXT, stored
    // form, no declaration. 1 when the clipboard took it, else 0.
    int CopyToClipboard();
    // A new element read from the clipboard's CF_TEXT (as UTF-8), or null
    // when there is none or it does not parse. The caller owns it.
    static XMLElement* PasteFromClipboard();

private:
    friend class xmlimpl::StoredAttributes;
    friend XMLElement* xmlimpl::NewElementFromTag(XMLElement* parent, const char* from, const char* to);

    // Bytes that follow the record in its block: the parser keeps an
    // element's name and attributes there.
    struct Room {
        std::size_t bytes;
    };
    static void* operator new(std::size_t size, Room room) { return xmlimpl::PoolAllocate(size + room.bytes); }
    static void operator delete(void* p, Room) noexcept { xmlimpl::PoolRelease(p); }
    // An element named "" without attributes, its arrays at their first
    // capacities; its room is the caller's to fill.
    XMLElement(XMLElement* parent, Room);

    // What few elements have (comments, CDATA, borrowed children), kept
    // apart so that the others do not carry it.
    struct RareParts {
        static constexpr uint32_t kFirstComments = 10;
        static constexpr uint32_t kFirstCData = 10;
        static constexpr uint32_t kFirstBorrowed = 1;
        XmlSlots<XMLCommentNode*> comments{kFirstComments};
        XmlSlots<XMLCDataNode*> cdata{kFirstCData};
        XmlSlots<XmlBorrowedChild> borrowed{kFirstBorrowed};
        uint32_t commentCount = 0;
        uint32_t cdataCount = 0;
        int borrowedUsed = 0;
        static void* operator new(std::size_t size) { return xmlimpl::PoolAllocate(size); }
        static void operator delete(void* p) noexcept { xmlimpl::PoolRelease(p); }
    };
    RareParts& Rare();

    // The attribute records. An element read by the parser keeps its
    // attributes as packed text in its own block (name, NUL, value, NUL,
    // each in stored form) and builds the records the first time anything
    // asks for them; concurrent readers agree on one set.
    XMLAttribute** Attributes() const;
    void BuildAttributeRecords() const;
    // Takes a name held in the pool.
    void AdoptName(xmlimpl::PoolText name);
    // Takes the child out of its slot without deleting it.
    void UnlinkSlot(uint32_t index);
    // Puts an entry at index (or at the end) without touching its parent.
    uint32_t PlaceChild(uint32_t index, XMLElement* child);

    char* name_;   // in the element's own block, a shared "", or owned
    XMLElement* parent_ = nullptr;
    mutable std::atomic<const char*> packed_{nullptr};   // packed attributes, until records exist
    XmlSlots<XMLElement*> children_;
    mutable XmlSlots<XMLAttribute*> attributes_;
    XmlSlots<XMLTextNode*> textNodes_;
    uint32_t childCount_ = 0;
    uint32_t attributeCount_ = 0;
    uint32_t textNodeCount_ = 0;
    int kind_ = XML_KIND_TAG;
    XmlExportFormat format_;
    bool nameOwned_ = false;
    bool commentsCompacted_ = false;   // without rare parts: comment capacity 1, not 10
    std::unique_ptr<RareParts> rare_;
};

// ---------------------------------------------------------------------------
// Prolog and document

// The header of a document: the declaration and the comments standing before
// (position 0) or after (position 1) the root element. Its comments have no
// owner element.
class XMLProlog {
public:
    explicit XMLProlog(const char* declaration);   // copied; null is ""
    ~XMLProlog();
    XMLProlog(const XMLProlog&) = delete;
    XMLProlog& operator=(const XMLProlog&) = delete;

    const char* GetDeclaration() const { return declaration_.get(); }   // never null
    XMLCommentNode** GetComments() { return comments_.Data(); }
    XMLCommentNode* GetComment(uint32_t i) const { return i < commentCount_ ? comments_[i] : nullptr; }
    uint32_t GetCommentCount() const { return commentCount_; }
    uint32_t GetCommentCapacity() const { return comments_.Count(); }

    uint32_t ReserveComments(uint32_t n);                      // first capacity 5, then +10 or doubled
    uint32_t AppendComment(XMLCommentNode* node, int position);   // clears the owner; returns the count
    uint32_t RemoveComment(uint32_t index);                    // returns the new count
    void RemoveAllComments();
    // The declaration becomes the standard one naming this encoding.
    void SetEncoding(const char* encoding);
    // Whether the declaration and every comment can be read.
    bool CheckIntegrity() const;
    // The declaration copied; the comments replaced by copies of other's,
    // in order (capacity 5 to start with). Returns this.
    XMLProlog* Assign(const XMLProlog* other);
    XMLProlog* Duplicate() const;                 // a new prolog built as Assign
    // 0 when declarations, comment counts and comment texts (in order) are
    // equal, else 1.
    int Compare(const XMLProlog* other) const;
    void Compact();                               // comment array to max(count, 1)
    size_t GetMemoryUsage() const;
    // Writes what stands at a position: at 0 the declaration and CR LF, then
    // each comment of that position as "<!--text-->" CR LF. target is a
    // FILE* (XML_SAVE_FILE, XML_SAVE_FILE_UTF16) or the char* text to append
    // to (XML_SAVE_MEMORY); XML_SAVE_REGISTRY writes nothing.
    void WriteHeader(void* target, int position, int kind) const;

private:
    std::unique_ptr<char[]> declaration_;
    uint32_t commentCount_ = 0;
    AutoBuffer<XMLCommentNode*> comments_;
};

class XMLDocument {
public:
    XMLDocument();   // no prolog, no root, no file name
    // Load(source, kind, hook, hookParam) into a new document.
    XMLDocument(const char* source, int kind, XmlTransformHook* hook = nullptr, void* hookParam = nullptr);
    // Load of a UTF-16 file name (XML_LOAD_WIDE_FILE); ignored is not used.
    XMLDocument(const wchar_t* fileName, int ignored, XmlTransformHook* hook = nullptr,
                void* hookParam = nullptr);
    ~XMLDocument();
    XMLDocument(const XMLDocument&) = delete;
    XMLDocument& operator=(const XMLDocument&) = delete;

    XMLElement* GetRoot() const { return root_; }
    XMLProlog* GetProlog() const { return prolog_; }
    // Returns the parse status (XML_STATUS_*); the second word (always 0)
    // goes to *second when given.
    int GetParseStatus(int* second) const
    {
        if (second)
            *second = status2_;
        return status_;
    }
    void SetSaveOnClose(bool on) { saveOnClose_ = on; }
    void SetWideName(bool on) { wideName_ = on; }
    void SetRoot(XMLElement* root);       // deletes the old root, takes this one
    void SetProlog(XMLProlog* prolog);    // deletes the old prolog, takes this one
    // Hands the old root to the caller and installs an empty element "root".
    XMLElement* ReplaceRoot();
    // Writes the document to its own file first when save-on-close is on,
    // then frees root, prolog and file name (all become null).
    void Clear();

    // -- load and save
    // Fills the document from source (XmlLoadSource: char* name, char* text
    // or char* URL; wchar_t* name for XML_LOAD_WIDE_FILE). Always returns 1;
    // the outcome is the parse status. A missing file or empty text gives
    // the default document (declaration, empty element "root", status 0,
    // the file name kept). A text without a leading "<?...?>" declaration or
    // without an element gives status 1 and forgets the file name, as does a
    // file that exists but cannot be read. An unmatched start tag, a start
    // tag without a name, or nesting deeper than kXmlMaxDepth gives status 2
    // with what was read (perhaps no root at all); such a document is never
    // saved over its own file.
    int Load(const void* source, int kind, XmlTransformHook* hook = nullptr, void* hookParam = nullptr);
    int LoadFromText(const char* text);             // Load(text, XML_LOAD_TEXT)
    int LoadFromWideText(const wchar_t* text);      // the UTF-16 text as UTF-8, then LoadFromText
    // Writes the document: XML_SAVE_FILE (UTF-8) or XML_SAVE_FILE_UTF16 to
    // the file named by target (UTF-16 when the wide-name flag is set), or
    // to the document's own file when target is null; XML_SAVE_MEMORY
    // appends to the char* text at target (the caller provides the room).
    // Files are written beside the target and moved over it only when every
    // write succeeded, so a failed save leaves the old file as it was.
    // Returns 1 when written; 0 for no root, no target, the registry or an
    // unknown kind, a failed write, a name that would not read back
    // (XmlWriteElement), or a status-2 document's own file.
    int Save(const void* target, int raw = 1, int kind = XML_SAVE_FILE, XmlTransformHook* hook = nullptr,
             void* hookParam = nullptr);
    // WriteWithProlog of the root, children included; the one entry to the
    // registry form (target: an open HKEY). 0 without a root.
    int Export(void* target, int raw, int form, const XMLProlog* prolog, XmlTransformHook* hook,
               void* hookParam);
    // Clear, then a copy of the source's prolog and tree; status 0, no file
    // name, save-on-close off. A source without root gives no root.
    void AssignCopy(const XMLDocument* source);
    // XMLElement::SetExportFormat from the root; only elements that exist now.
    void SetExportFormat(const XmlExportFormat* format);
    // Whether prolog and tree can be read; false without prolog or root and
    // for a document whose parse failed (status 2).
    bool CheckIntegrity() const;
    static void GetLibraryVersion(XmlLibraryVersion* version);

    // 0 when the root trees and then the prologs compare equal, else 1.
    int Compare(const XMLDocument* other) const;
    void Compact();                  // the root's tree, then the prolog
    size_t GetMemoryUsage() const;   // root's estimate plus prolog's
    // Query on the element at path below the root; 0 when it is missing.
    int FindAndQuery(const char* path, const char* expression, XMLElement** results, int depth);

    // -- attributes by path (steps of child names joined by '\' below the
    // root, "" the root itself; values unescaped)
    // The unescaped value's length, copied with its NUL into buffer only
    // when it is shorter than size; 0 (buffer untouched) when the document
    // has no root or a step or the attribute is missing.
    int GetAttributeByPath(const char* path, const char* attribute, char* buffer, int size);
    // Creates the missing steps as last children named exactly as the steps,
    // then sets the attribute (created when missing) to value, or removes it
    // for a null value. A null attribute removes the element at path with
    // its subtree. 1 when done; 0 without a root, and for the root itself
    // with a null attribute.
    int SetAttributeByPath(const char* path, const char* attribute, const char* value);

private:
    friend XMLElement* XmlParse(XMLElement* parent, const char* text, XMLDocument* document);
    // The default document: standard declaration and an empty "root".
    void MakeDefault();
    // Forgets where the document came from: Save without a target and
    // save-on-close then do nothing.
    void ForgetFileName();
    // Reads the declaration and the elements of loaded text.
    void ParseText(const char* text, bool hooked);
    // Clear's first step: the save-on-close write.
    void SaveBeforeClear();

    int status_ = XML_STATUS_OK;
    int status2_ = 0;
    std::unique_ptr<char[]> fileName_;        // when the wide-name flag is clear
    std::unique_ptr<wchar_t[]> wideFileName_; // when it is set
    bool wideName_ = false;
    XMLProlog* prolog_ = nullptr;
    XMLElement* root_ = nullptr;
    bool saveOnClose_ = false;
};

// The text XMLDocument::Load reads from the file of that UTF-16 name, for a
// caller that walks it (XmlNextTag) instead: NUL-terminated UTF-8, converted
// from UTF-16LE when the file starts with FF FE. Null for a missing or empty
// file and for one that cannot be read (Load makes the default document).
std::unique_ptr<char[]> XmlReadFileText(const wchar_t* file);

// Keeps a document's unparsable file aside as "<path>.bad[n]" and tells the user once.
struct HWND__;
using XmlMessageBoxFn = int(__stdcall*)(HWND__* owner, const wchar_t* text, const wchar_t* caption, unsigned type);
struct XmlDamagedFileNotice {
    const wchar_t* suffix;          // ".bad": then ".bad2" ... ".bad99"
    const wchar_t* keptAsideText;   // one %ls: the name the file was kept as
    const wchar_t* notKeptText;     // one %ls: path, left as it is
    const wchar_t* caption;
    XmlMessageBoxFn messageBox;     // null: nobody is told
};
void XmlKeepDamagedFileAside(XMLDocument* doc, const wchar_t* path, const XmlDamagedFileNotice& notice);

// Deletes from directory the temporary files that saves killed halfway
// left beside their targets (Save's own names only: "pvx", one to four hex
// digits, ".tmp"), unless a process holds one open or wrote it after this
// process started: that may be a save still running. Returns how many went.
int XmlRemoveStaleSaveFiles(const wchar_t* directory);

// ---------------------------------------------------------------------------
// Parser and writer

// Reads elements from NUL-terminated UTF-8 text (what follows the
// declaration). With a parent, elements, text, comments and CDATA go into
// it; at the top level (no parent) comments go to the document's prolog
// (position 0 before the first start tag, 1 after), text and CDATA are
// dropped, and only one element is kept: the last with content, or else
// the first empty one. Comments and processing instructions (kept as
// comments) end at "-->" and "?>", CDATA at "]]>", whatever they hold.
// Returns that element (with a parent: the first empty or last content
// element read into it), or null. End tags close the innermost open element
// whatever their name. An unmatched start tag (the element is then dropped)
// or nesting deeper than kXmlMaxDepth sets the document's status to
// XML_STATUS_NO_ELEMENT_END; document may be null. So does a start tag
// without a proper name ("< />", "<<!--x", "<!DOCTYPE"): reading ends
// there and the elements still open are dropped.
XMLElement* XmlParse(XMLElement* parent, const char* text, XMLDocument* document);

// Writes element and its subtree at level (one indent per level) to target:
// a FILE* (XML_SAVE_FILE, XML_SAVE_FILE_UTF16), the char* text to append to
// (XML_SAVE_MEMORY) or an open HKEY (XML_SAVE_REGISTRY: a key "E<index><name>"
// per element with values "V<attribute>", "C<n>" comments and "D<n>" text and
// CDATA numbered together; nothing on the handhelds). includeChildren 0
// leaves child elements out; raw 1 writes names, values and text as stored
// (escaped), 0 unescaped. Returns 1, or 0 when a write or registry call
// failed (or target or element is null). In the text forms an element whose
// name, as written, would not read back as that element (empty, beginning
// with '!' or '?', or holding a tab, blank, '"', '/', '<' or '>') is left
// out with its subtree and the write reports 0: a save then leaves the file
// as it was.
int XmlWriteElement(void* target, XMLElement* element, int level, int includeChildren, int raw, int form);
// The memory form into a string that grows to fit: element and subtree, as
// XmlWriteElement writes them, appended to text. 0 for a null element or
// text, and for a name that would not read back.
int XmlWriteElementToText(XMLElement* element, int level, int includeChildren, int raw, std::string* text);

// ---------------------------------------------------------------------------
// Queries and wildcard matching

// Matches text against pattern ('*' any run of bytes, '?' one byte): 1 a
// match, 0 a mismatch, -1 when the text ends before the pattern does. Bytes
// before the first '*' compare with case when exact is set; after a '*'
// always without regard to case (ASCII letters).
int XmlWildcardMatch(const char* text, const char* pattern, int exact);
// True for a lone "*" pattern, else when XmlWildcardMatch gives 1.
bool XmlMatchMask(const char* text, const char* pattern, int exact);
// One query condition. A quoted operand is a wildcard pattern (no regard to
// case) for "==" and "!="; an unquoted one is a 32-bit integer compared with
// "==", "!=", ">=", "<=", "<" or ">", false when value or operand is no
// number. Any other operator holds.
bool XmlQueryCompare(const char* value, const char* op, const char* operand);

// The default orders of SortChildren and SortAttributes: unescaped names
// compared without regard to case (ASCII letters). Each argument points to
// an entry of the pointer array; a null entry sorts as the empty name.
int CompareChildNames(const void* a, const void* b);
int CompareAttributeNames(const void* a, const void* b);

// ---------------------------------------------------------------------------
// Settings by path
//
// A setting is an attribute of the element at a path of child names below
// the root, joined by '\\' ("cfg\\gps"; "" is the root). Values cross this
// interface unescaped, as UTF-8 unless a function says otherwise. Every call
// works on doc when it is given (in memory; nothing is saved) and otherwise
// on the XML file named by file: loaded into a temporary document, and
// written back through the document's safe save when a write changed it (a
// missing file is created; a file without a declaration, or whose parse
// failed, is never written over). A document without a root answers every
// read with the default and every write with 0. Getters give the default
// for a missing element or attribute and for an empty value.

// Copies the value, or else the default, with its NUL into buffer (size
// bytes) and returns its length. A value that does not fit gives the
// default; a default that does not fit either is cut to size - 1 bytes.
// Null buffer or size <= 0: nothing written, the length that would be.
int ReadSettingString(const char* path, const char* attribute, const char* defaultText, char* buffer, int size,
                      const char* file, XMLDocument* doc);
// The value read as a decimal like atol (blanks, sign, digits), saturated to
// -2147483648..2147483647 and returned as unsigned: "4294967295" reads as
// 2147483647, "12abc" as 12, "abc" as 0, "-1" as 4294967295. The default
// takes the same road (printed "%u" and read back).
unsigned ReadSettingUInt(const char* path, const char* attribute, unsigned defaultValue, const char* file,
                         XMLDocument* doc);
// As ReadSettingUInt in 64 bits (saturated to the signed 64-bit range).
uint64_t ReadSettingUInt64(const char* path, const char* attribute, uint64_t defaultValue, const char* file,
                           XMLDocument* doc);
// The value read as a decimal floating-point number ("abc" reads as 0); the
// default is printed "%f" and read back like a stored value.
float ReadSettingFloat(const char* path, const char* attribute, float defaultValue, const char* file,
                       XMLDocument* doc);
// Decodes the Base64 value, or else the Base64 default, and copies at most
// size bytes of it into buffer; returns the count copied (0 for an empty
// default).
int ReadSettingBinary(const char* path, const char* attribute, const char* defaultText, void* buffer, int size,
                      const char* file, XMLDocument* doc);
// The value converted to codePage into buffer (at most size bytes, NUL
// included); returns the bytes written, NUL included (0 when the conversion
// fails). A value equal to the default leaves buffer as the caller gave it
// and returns the default's length; a converted value that does not fit
// gives the default converted instead, cut to fit and terminated.
int ReadSettingStringInCodePage(const char* path, const char* attribute, const char* defaultText, char* buffer,
                                unsigned size, const char* file, XMLDocument* doc, unsigned codePage);
// Always the file: new[]-allocated copies of the unescaped names and values
// of the element's attributes into names[i] and values[i] (the caller
// delete[]s them); returns their count, 0 when the element is missing. The
// arrays must hold them all: null arrays only count, to size them first.
int ReadSettingAttributes(const char* path, char** names, char** values, const char* file);
// Always the file: copies of the unescaped names of the element's loaded
// children into names[i], as ReadSettingAttributes; returns their count.
int ReadSettingChildNames(const char* path, char** names, const char* file);

// Sets the attribute to value, creating missing steps in order; a null value
// removes the attribute (the element stays), a null attribute the element
// with its subtree. Returns 1, or 0 for a document without a root.
int WriteSettingString(const char* path, const char* attribute, const char* value, const char* file,
                       XMLDocument* doc);
int WriteSettingUInt(const char* path, const char* attribute, unsigned value, const char* file,
                     XMLDocument* doc);   // "%u"
int WriteSettingUInt64(const char* path, const char* attribute, uint64_t value, const char* file,
                       XMLDocument* doc);   // unsigned 64-bit decimal
int WriteSettingFloat(const char* path, const char* attribute, float value, const char* file,
                      XMLDocument* doc);   // "%f"
// The bytes as Base64, a CR LF after every 72 characters.
int WriteSettingBinary(const char* path, const char* attribute, const void* data, int length, const char* file,
                       XMLDocument* doc);
// A UTF-16 value, stored as UTF-8.
int WriteSettingWideString(const char* path, const char* attribute, const wchar_t* value, const char* file,
                           XMLDocument* doc);
// As WriteSettingWideString, always on the file.
int WriteSettingWideStringToFile(const char* path, const char* attribute, const wchar_t* value,
                                 const char* file);
// A value in the Windows ANSI code page (CP_ACP), always on the file.
int WriteSettingAnsiString(const char* path, const char* attribute, const char* value, const char* file);
// Renames the element at path (stored escaped); 1 done, 0 when missing.
int RenameSettingElement(const char* path, const char* newName, const char* file, XMLDocument* doc);
