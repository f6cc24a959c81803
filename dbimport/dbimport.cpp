// dbimport/dbimport.cpp - ImportDatabase: ADO tables into an XML tree.
//
// Names and values come from the caller and from the database, and both are
// untrusted: a table name goes into SQL only when it is a plain identifier,
// element and attribute names are used only when they are XML names, texts
// are cut on character boundaries, and a value that has no plain text form
// becomes no attribute rather than garbage.
#include "dbimport/dbimport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "dbimport/ado.h"
#include "platform/handles.h"
#include "xml/utf8text.h"
#include "xml/xml.h"

namespace {

constexpr char kDefaultConnectionFormat[] = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%s";
constexpr char kRootTag[] = "<db />";
constexpr wchar_t kSelectAll[] = L"SELECT * FROM ";
constexpr size_t kConnectionBytes = 1000;   // the connection string with its terminator
constexpr size_t kMaxValueBytes = 1000;     // UTF-8 bytes of one attribute value
static_assert(CLSCTX_ALL == 23, "the Connection may come from any kind of server");

// Closes an open connection or recordset when it goes. Declared after the
// ComRef that holds the object, so the object is closed before its release.
template <class T>
class CloseGuard {
public:
    explicit CloseGuard(T* object) : object_(object) {}
    ~CloseGuard()
    {
        if (object_)
            object_->Close();
    }
    CloseGuard(const CloseGuard&) = delete;
    CloseGuard& operator=(const CloseGuard&) = delete;

private:
    T* object_;
};

class Bstr {
public:
    explicit Bstr(BSTR text = nullptr) : text_(text) {}
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return text_; }
    BSTR* Out()
    {
        SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    }

private:
    BSTR text_;
};

struct Variant {
    Variant() { VariantInit(&value); }
    ~Variant() { VariantClear(&value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT value;
};

// The text of a fixed-size field up to its terminator; empty when the field
// has none, so an unterminated name is never read past its field.
std::string_view BoundedText(const char* field, size_t size)
{
    const void* end = std::memchr(field, 0, size);
    return end ? std::string_view(field, static_cast<const char*>(end) - field) : std::string_view();
}

// A name that is safe in SQL without quoting: letters, digits, underscores,
// not starting with a digit. A blank, quote, bracket or semicolon would
// change the query.
bool IsPlainIdentifier(std::string_view name)
{
    if (name.empty() || (name[0] >= '0' && name[0] <= '9'))
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
}

// Decodes one well-formed UTF-8 character at text[*at] and moves past it;
// -1 for a malformed, overlong or surrogate sequence.
long NextCodePoint(std::string_view text, size_t* at)
{
    const auto lead = static_cast<unsigned char>(text[*at]);
    int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || text.size() - *at <= static_cast<size_t>(extra))
        return -1;
    long c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        const auto next = static_cast<unsigned char>(text[*at + i]);
        if ((next & 0xC0) != 0x80)
            return -1;
        c = (c << 6) | (next & 0x3F);
    }
    static constexpr long kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return -1;
    *at += extra + 1;
    return c;
}

// The XML 1.0 name characters; without ':', so a name never meets a
// namespace prefix that nobody declared.
bool IsNameStart(long c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= 0xC0 && c <= 0xD6) ||
           (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
           (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
           (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(long c)
{
    return IsNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// Whether the UTF-8 text can be an element or attribute name as it is: the
// library escapes what it stores, and an escaped name is no longer a name.
bool IsXmlName(std::string_view name)
{
    size_t at = 0;
    for (bool first = true; at < name.size(); first = false) {
        const long c = NextCodePoint(name, &at);
        if (c < 0 || !(first ? IsNameStart(c) : IsNameChar(c)))
            return false;
    }
    return !name.empty();
}

// The caller's format with its one "%s" replaced by the database and "%%"
// by "%"; false unless it fits kConnectionBytes with its terminator. Any
// other conversion would read arguments that were never passed, and a cut
// string would name another data source.
bool FormatConnectionString(const char* format, const char* database, std::string* out)
{
    out->clear();
    bool databaseUsed = false;
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            out->push_back(*p);
            continue;
        }
        ++p;
        if (*p == '%') {
            out->push_back('%');
        } else if (*p == 's' && !databaseUsed) {
            out->append(database);
            databaseUsed = true;
        } else {
            return false;
        }
    }
    return out->size() < kConnectionBytes;
}

BSTR AnsiToBstr(const std::string& text)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(units));
    if (result && units > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result, units);
    return result;
}

// UTF-16 text as UTF-8 of at most maxBytes bytes, cut after the last whole
// character that fits.
std::string Utf8FromWide(const wchar_t* text, UINT length, size_t maxBytes)
{
    // Every unit makes at least one byte: more than maxBytes + 1 never fit.
    UINT units = static_cast<UINT>(std::min<size_t>(length, maxBytes + 1));
    if (units > 0 && units < length && IS_HIGH_SURROGATE(text[units - 1]))
        --units;
    std::string out = WideToUtf8({text, units});
    if (out.size() > maxBytes) {
        size_t cut = maxBytes;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80)
            --cut;
        out.resize(cut);
    }
    return out;
}

std::string BstrToUtf8(BSTR text, size_t maxBytes)
{
    return text ? Utf8FromWide(text, SysStringLen(text), maxBytes) : std::string();
}

// Types whose plain text VariantChangeType gives: numbers, currency, dates
// and booleans. Arrays, objects and errors have none.
bool HasPlainText(VARTYPE type)
{
    switch (type) {
    case VT_I1: case VT_I2: case VT_I8: case VT_INT:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT:
    case VT_R4: case VT_R8: case VT_CY: case VT_DECIMAL: case VT_DATE: case VT_BOOL:
        return true;
    default:
        return false;
    }
}

// The attribute text of a field value; false for NULL (no attribute) and
// for values without a plain text. Dates and numbers are written in the
// invariant locale, so a decimal point is always "." whatever the user's
// settings; booleans are "True" and "False".
bool ValueText(const VARIANT& value, std::string* out)
{
    if (value.vt == VT_BSTR) {
        *out = BstrToUtf8(value.bstrVal, kMaxValueBytes);
        return true;
    }
    if (value.vt == VT_I4) {   // unsigned, as stored files have it: -1 is 4294967295
        char number[16];
        std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(value.lVal));
        *out = number;
        return true;
    }
    if (!HasPlainText(value.vt))
        return false;
    Variant text;
    // The source is only read: MinGW's declaration merely lacks the const.
    if (FAILED(VariantChangeTypeEx(&text.value, const_cast<VARIANT*>(&value), LOCALE_INVARIANT, VARIANT_ALPHABOOL, VT_BSTR)) ||
        text.value.vt != VT_BSTR)
        return false;
    *out = BstrToUtf8(text.value.bstrVal, kMaxValueBytes);
    return true;
}

// The attribute name for a database field: the entry beside its first exact
// match in the field names, or the field's own name; null when not listed.
const char* AttributeNameFor(const DB_IMPORT_TABLE& table, const std::string& fieldName)
{
    if (!table.fieldNames)
        return nullptr;
    for (int32_t i = 0; i < table.fieldCount; ++i) {
        const char* listed = table.fieldNames[i];
        if (!listed || fieldName != listed)
            continue;
        if (table.attributeNames && table.attributeNames[i])
            return table.attributeNames[i];
        return listed;
    }
    return nullptr;
}

void AddFieldAttribute(ado::Fields* fields, LONG index, const DB_IMPORT_TABLE& table, XMLElement* row)
{
    VARIANT position;
    VariantInit(&position);
    position.vt = VT_I4;
    position.lVal = index;
    ComRef<ado::Field> field;
    if (FAILED(fields->get_Item(position, field.Out())) || !field)
        return;
    Bstr name;
    if (FAILED(field->get_Name(name.Out())))
        return;
    const BSTR wide = name.Get();
    const UINT units = wide ? SysStringLen(wide) : 0;
    const char* attribute = AttributeNameFor(table, Utf8FromWide(wide, units, size_t(units) * 3));
    // A second field under the same name would make the row ill-formed: the first stays.
    if (!attribute || !IsXmlName(attribute) || row->FindAttributeIndex(attribute) >= 0)
        return;
    Variant value;
    std::string text;
    if (FAILED(field->get_Value(&value.value)) || !ValueText(value.value, &text))
        return;
    row->AddAttribute(attribute, text.c_str());
}

bool AtEnd(ado::Recordset* recordset)
{
    VARIANT_BOOL eof = VARIANT_TRUE;
    return FAILED(recordset->get_EOF(&eof)) || eof != VARIANT_FALSE;
}

XMLElement* AppendElement(XMLElement* parent, std::string_view name)
{
    const std::string tag = "<" + std::string(name) + " />";
    auto* element = new XMLElement(parent, tag.c_str());
    parent->AppendChild(element);
    return element;
}

// Rows while the index is below the record count taken as unsigned (-1,
// "unknown", sets no limit) and the recordset is not at its end.
void ImportRows(ado::Recordset* recordset, const DB_IMPORT_TABLE& table, std::string_view rowName,
                XMLElement* tableElement)
{
    recordset->MoveFirst();   // a forward-only recordset may refuse; it stands on its first row anyway
    LONG_PTR count = -1;
    if (FAILED(recordset->get_RecordCount(&count)))
        count = -1;
    const auto limit = static_cast<ULONG_PTR>(count);
    for (ULONG_PTR row = 0; row < limit && !AtEnd(recordset); ++row) {
        XMLElement* rowElement = AppendElement(tableElement, rowName);
        ComRef<ado::Fields> fields;
        LONG fieldCount = 0;
        if (SUCCEEDED(recordset->get_Fields(fields.Out())) && fields && SUCCEEDED(fields->get_Count(&fieldCount))) {
            for (LONG i = 0; i < fieldCount; ++i)
                AddFieldAttribute(fields.Get(), i, table, rowElement);
        }
        if (FAILED(recordset->MoveNext()))   // a recordset that cannot move on would never reach its end
            break;
    }
}

void ImportTable(ado::Connection* connection, const DB_IMPORT_TABLE& table, XMLElement* root)
{
    const std::string_view name = BoundedText(table.table, sizeof table.table);
    const std::string_view rowName = BoundedText(table.rowElement, sizeof table.rowElement);
    if (!IsPlainIdentifier(name) || !IsXmlName(rowName))
        return;
    std::wstring query = kSelectAll;
    query.append(name.begin(), name.end());   // a plain identifier is ASCII
    Bstr queryText(SysAllocStringLen(query.data(), static_cast<UINT>(query.size())));
    ComRef<ado::Recordset> recordset;
    if (!queryText.Get() || FAILED(connection->Execute(queryText.Get(), nullptr, 0, recordset.Out())) || !recordset)
        return;
    CloseGuard<ado::Recordset> closeRecordset(recordset.Get());
    ImportRows(recordset.Get(), table, rowName, AppendElement(root, name));
}

}  // namespace

XMLElement* ImportDatabase(const DB_IMPORT* import)
{
    if (!import)
        return nullptr;
    std::string text;
    if (!FormatConnectionString(import->connectionFormat ? import->connectionFormat : kDefaultConnectionFormat,
                                import->database ? import->database : "", &text))
        return nullptr;
    Bstr connectionString(AnsiToBstr(text));
    Bstr empty(SysAllocString(L""));
    ComRef<ado::Connection> connection;
    if (FAILED(CoCreateInstance(ado::kClsidConnection, nullptr, CLSCTX_ALL, ado::kIidConnection,
                                reinterpret_cast<void**>(connection.Out()))) ||
        !connection)
        return nullptr;
    if (FAILED(connection->Open(connectionString.Get(), empty.Get(), empty.Get(), 0)))
        return nullptr;
    CloseGuard<ado::Connection> closeConnection(connection.Get());

    auto* root = new XMLElement(nullptr, kRootTag);
    if (import->tables) {
        for (int32_t i = 0; i < import->tableCount; ++i)
            ImportTable(connection.Get(), import->tables[i], root);
    }
    return root;
}
