// Tests of the database import: the connection through Wine's own ADO to a
// real SQLite database over ODBC, and the reading of rows and values through
// the in-memory Connection of fake_ado.h.
#include <windows.h>

#include <doctest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dbimport/ado.h"
#include "dbimport/dbimport.h"
#include "dbimport/fake_ado.h"
#include "support/test_support.h"
#include "xml/xml.h"

namespace {

struct ComApartment {
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
};

// A table record; the lists stay owned by the caller.
DB_IMPORT_TABLE Table(const char* name, const char* row, const std::vector<const char*>& fields = {},
                      const std::vector<const char*>* attributes = nullptr)
{
    DB_IMPORT_TABLE t{};
    std::snprintf(t.table, sizeof t.table, "%s", name);
    std::snprintf(t.rowElement, sizeof t.rowElement, "%s", row);
    t.fieldCount = static_cast<int32_t>(fields.size());
    t.fieldNames = fields.data();
    t.attributeNames = attributes ? attributes->data() : nullptr;
    return t;
}

std::unique_ptr<XMLElement> Import(const char* format, const char* database, const std::vector<DB_IMPORT_TABLE>& tables)
{
    const DB_IMPORT import{database, format, static_cast<int32_t>(tables.size()), tables.data()};
    return std::unique_ptr<XMLElement>(ImportDatabase(&import));
}

std::string Name(const XMLElement* e)
{
    if (!e)
        return "(none)";
    std::string s(size_t(e->GetName(nullptr, 0)) + 10, '\0');
    s.resize(size_t(e->GetName(s.data(), 0)));
    return s;
}

// The unescaped value of the attribute, or "(none)".
std::string Attribute(XMLElement* e, const char* name)
{
    XMLAttribute* a = e ? e->FindAttribute(name, 0, nullptr) : nullptr;
    if (!a)
        return "(none)";
    std::string s(size_t(a->GetValue(nullptr, 0)) + 10, '\0');
    s.resize(size_t(a->GetValue(s.data(), 0)));
    return s;
}

using testsupport::WinePath;

// Runs one SQL statement through the platform's ADO (setup of the real database).
bool ExecuteSql(const wchar_t* connectionString, const wchar_t* sql)
{
    ado::Connection* c = nullptr;
    if (FAILED(CoCreateInstance(ado::kClsidConnection, nullptr, CLSCTX_INPROC_SERVER, ado::kIidConnection,
                                reinterpret_cast<void**>(&c))))
        return false;
    BSTR text = SysAllocString(connectionString), command = SysAllocString(sql), empty = SysAllocString(L"");
    ado::Recordset* r = nullptr;
    const bool done = SUCCEEDED(c->Open(text, empty, empty, 0)) && SUCCEEDED(c->Execute(command, nullptr, 0, &r));
    if (r) {
        r->Close();
        r->Release();
    }
    c->Close();
    c->Release();
    SysFreeString(text), SysFreeString(command), SysFreeString(empty);
    return done;
}

constexpr char kOdbcFormat[] = "Provider=MSDASQL;Data Source=%s";
constexpr char kDataSource[] = "pathvex_dbimport";

// A new SQLite file with the table "pts", named as the data source
// kDataSource: unixODBC reads its data sources from the Linux file the
// build names in ODBCINI.
void MakeSqliteDatabase()
{
    const std::string ini = std::getenv("ODBCINI") ? std::getenv("ODBCINI") : "";
    REQUIRE_MESSAGE(!ini.empty(), "the build sets ODBCINI for this test");
    const std::string database = ini.substr(0, ini.rfind('/') + 1) + "dbimport.sqlite";
    DeleteFileA(WinePath(database).c_str());
    REQUIRE(testsupport::WriteWholeFile(
        WinePath(ini), "[" + std::string(kDataSource) + "]\nDriver=SQLite3\nDatabase=" + database + "\n"));
    REQUIRE(ExecuteSql(L"Provider=MSDASQL;Data Source=pathvex_dbimport", L"CREATE TABLE pts (id INTEGER, n TEXT)"));
}

}  // namespace

TEST_CASE("ImportDatabase opens a real database through the platform's ADO")
{
    ComApartment com;
    const std::vector<DB_IMPORT_TABLE> tables = {Table("pts", "p"), Table("missing", "m")};

    SUBCASE("the default Jet provider does not exist under Wine: null") {
        CHECK(Import(nullptr, "C:\\nowhere\\gps.mdb", tables) == nullptr);
    }
    SUBCASE("an unknown data source: null") {
        CHECK(Import(kOdbcFormat, "pathvex_no_such_source", tables) == nullptr);
    }
    SUBCASE("a SQLite database over ODBC: the listed table that exists") {
        MakeSqliteDatabase();
        auto root = Import(kOdbcFormat, kDataSource, tables);
        REQUIRE(root != nullptr);
        CHECK(Name(root.get()) == "db");
        CHECK(root->GetChildCount() == 1);
        CHECK(Name(root->GetChild(0)) == "pts");
    }
}

#if defined(PATHVEX_X86)
IMAGE_NT_HEADERS* Headers(BYTE* base)
{
    return reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
}

// Makes the whole mapped image writable (and still executable), headers
// included, so that Relocate and BindImports can write to it plainly.
bool MakeWritable(HMODULE module)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    DWORD was = 0;
    return VirtualProtect(base, Headers(base)->OptionalHeader.SizeOfImage, PAGE_EXECUTE_READWRITE, &was);
}

// A program file mapped away from its own base is not relocated by the
// loader, which relocates only libraries: apply its relocations as the
// loader would for one. The image is writable (MakeWritable).
bool Relocate(HMODULE module)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    IMAGE_NT_HEADERS* nt = Headers(base);
    const ULONG_PTR delta = ULONG_PTR(base) - ULONG_PTR(nt->OptionalHeader.ImageBase);
    if (!delta)
        return true;
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
    for (DWORD at = 0; at + sizeof(IMAGE_BASE_RELOCATION) <= dir.Size;) {
        auto* block = reinterpret_cast<IMAGE_BASE_RELOCATION*>(base + dir.VirtualAddress + at);
        if (block->SizeOfBlock < sizeof(IMAGE_BASE_RELOCATION))
            return false;
        const auto* entries = reinterpret_cast<const WORD*>(block + 1);
        const DWORD count = (block->SizeOfBlock - sizeof(IMAGE_BASE_RELOCATION)) / sizeof(WORD);
        for (DWORD i = 0; i < count; ++i) {
            if (entries[i] >> 12 == IMAGE_REL_BASED_HIGHLOW)
                *reinterpret_cast<DWORD*>(base + block->VirtualAddress + (entries[i] & 0xFFF)) += delta;
        }
        at += block->SizeOfBlock;
    }
    nt->OptionalHeader.ImageBase = ULONG_PTR(base);
    return true;
}

// A program file is loaded only mapped (DONT_RESOLVE_DLL_REFERENCES: none of
// its start-up code runs), so its imports are not bound: bind them as the
// loader would, so that the exported function can run. The image is
// writable (MakeWritable).
bool BindImports(HMODULE module)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    const IMAGE_NT_HEADERS* nt = Headers(base);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        HMODULE dll = LoadLibraryA(reinterpret_cast<const char*>(base + d->Name));
        if (!dll)
            return false;
        const DWORD lookup = d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + lookup);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            const char* name = IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)
                                   ? reinterpret_cast<const char*>(IMAGE_ORDINAL(names->u1.Ordinal))
                                   : reinterpret_cast<const char*>(
                                         reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name);
            FARPROC f = GetProcAddress(dll, name);
            if (!f)
                return false;
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(f);
        }
    }
    return true;
}

// The deliverable itself, not this test's own copy of the library: the
// program file is loaded and the export called.
TEST_CASE("pathvex-x86 exports ImportDatabase, which reads a real database")
{
    ComApartment com;
    MakeSqliteDatabase();
    const std::wstring program = testsupport::Wide(testsupport::EnvPath("PATHVEX_PROGRAM_DIR") + "\\pathvex-x86.exe");
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    REQUIRE_MESSAGE(module, "cannot load the program file");
    REQUIRE(MakeWritable(module));
    REQUIRE(Relocate(module));
    REQUIRE(BindImports(module));
    using ImportFunction = XMLElement* (*)(const DB_IMPORT*);
    const auto import =
        reinterpret_cast<ImportFunction>(reinterpret_cast<void (*)()>(GetProcAddress(module, "ImportDatabase")));
    REQUIRE(bool(import));

    const std::vector<DB_IMPORT_TABLE> tables = {Table("pts", "p")};
    const DB_IMPORT request{kDataSource, kOdbcFormat, 1, tables.data()};
    std::unique_ptr<XMLElement> root(import(&request));
    REQUIRE(root != nullptr);
    CHECK(Name(root.get()) == "db");
    CHECK(Name(root->GetChild(0)) == "pts");
    CHECK(!import(nullptr));
}
#endif

namespace {

// The tests' own Connection, registered for the test's life.
struct FakeAdo {
    ComApartment com;
    FakeDatabase db;
    FakeAdoRegistration registration{&db};

    FakeAdo()
    {
        db.connectionString = L"Provider=Fake;Data Source=gps";
        FakeTable& pts = db.tables[L"pts"];
        pts.columns = {L"id", L"name", L"x", L"when", L"ok", L"small", L"gone", L"raw"};
        pts.rows.push_back({Int4(-1), Text(L"a & b < c"), Real(2.5), Date(45356.5), Bool(true), Int2(-7), Null(),
                            Blob("bytes")});
        pts.rows.push_back({Int4(42), Text(L"\"quoted\" 'too' >"), Real(-0.125), Date(45356.0), Bool(false),
                            Int2(300), Text(L"here"), Null()});
        db.tables[L"empty"].columns = {L"id"};
    }

    // Everything the import was handed is closed and released.
    void CheckAllClosed() const
    {
        CHECK(db.liveObjects == 0);
        CHECK(db.connectionCloses == std::count(db.openedWith.begin(), db.openedWith.end(), db.connectionString));
        CHECK(db.recordsetCloses == db.recordsetsMade);
    }
};

constexpr char kFakeFormat[] = "Provider=Fake;Data Source=%s";

}  // namespace

TEST_CASE("ImportDatabase makes one element per table that could be read and one per row")
{
    FakeAdo ado;
    REQUIRE(ado.registration.Registered());

    SUBCASE("of two listed tables one does not exist: one table element") {
        auto root = Import(kFakeFormat, "gps", {Table("pts", "p"), Table("missing", "m")});
        REQUIRE(root != nullptr);
        CHECK(Name(root.get()) == "db");
        REQUIRE(root->GetChildCount() == 1);
        CHECK(Name(root->GetChild(0)) == "pts");
        CHECK(root->GetChild(0)->GetChildCount() == 2);
        CHECK(Name(root->GetChild(0)->GetChild(1)) == "p");
        CHECK(ado.db.queries == std::vector<std::wstring>{L"SELECT * FROM pts", L"SELECT * FROM missing"});
    }
    SUBCASE("an empty table gives an empty element") {
        auto root = Import(kFakeFormat, "gps", {Table("empty", "e")});
        REQUIRE(root->GetChildCount() == 1);
        CHECK(root->GetChild(0)->GetChildCount() == 0);
    }
    SUBCASE("the record count limits the rows; -1, unknown, reads to the end") {
        for (LONG_PTR count : {LONG_PTR(1), LONG_PTR(0), LONG_PTR(-1)}) {
            ado.db.tables[L"pts"].recordCount = count;
            auto root = Import(kFakeFormat, "gps", {Table("pts", "p")});
            CHECK(root->GetChild(0)->GetChildCount() == (count == -1 ? 2u : uint32_t(count)));
        }
    }
    SUBCASE("a connection that cannot be opened: null") {
        CHECK(Import(kFakeFormat, "elsewhere", {Table("pts", "p")}) == nullptr);
        CHECK(ado.db.openedWith == std::vector<std::wstring>{L"Provider=Fake;Data Source=elsewhere"});
    }
    SUBCASE("no import record, or a null table list: null, and a root without tables") {
        CHECK(ImportDatabase(nullptr) == nullptr);
        const DB_IMPORT import{"gps", kFakeFormat, 3, nullptr};
        std::unique_ptr<XMLElement> root(ImportDatabase(&import));
        REQUIRE(root != nullptr);
        CHECK(root->GetChildCount() == 0);
    }
    ado.CheckAllClosed();
}

TEST_CASE("ImportDatabase writes the listed fields of each row as attributes")
{
    FakeAdo ado;
    const std::vector<const char*> fields = {"name", "id", "x", "when", "ok", "small", "gone", "raw"};
    const std::vector<const char*> attributes = {"n", nullptr, "x", "t", "b", "s", "g", "r"};

    SUBCASE("values by type; a null attribute name uses the field's; NULL gives nothing") {
        auto root = Import(kFakeFormat, "gps", {Table("pts", "p", fields, &attributes)});
        XMLElement* first = root->GetChild(0)->GetChild(0);
        XMLElement* second = root->GetChild(0)->GetChild(1);
        CHECK(Attribute(first, "id") == "4294967295");   // a VT_I4 is written unsigned
        CHECK(Attribute(first, "n") == "a & b < c");
        CHECK(std::string(first->FindAttribute("n", 0, nullptr)->GetStoredValue()) == "a &amp; b &lt; c");
        CHECK(Attribute(second, "n") == "\"quoted\" 'too' >");
        CHECK(Attribute(first, "x") == "2.5");
        CHECK(Attribute(second, "x") == "-0.125");
        CHECK(Attribute(first, "t") == "03/05/2024 12:00:00");   // OLE date 45356.5
        CHECK(Attribute(second, "t") == "03/05/2024");
        CHECK(Attribute(first, "b") == "True");
        CHECK(Attribute(second, "b") == "False");
        CHECK(Attribute(first, "s") == "-7");
        CHECK(Attribute(first, "g") == "(none)");   // NULL
        CHECK(Attribute(second, "g") == "here");
        CHECK(Attribute(first, "r") == "(none)");   // bytes have no plain text
        CHECK(first->GetAttributeCount() == 6);
        CHECK(Name(root->GetChild(0)) == "pts");
    }
    SUBCASE("without an attribute-name list the field names are used; unlisted fields give nothing") {
        auto root = Import(kFakeFormat, "gps", {Table("pts", "p", {"small", "name"})});
        XMLElement* first = root->GetChild(0)->GetChild(0);
        CHECK(first->GetAttributeCount() == 2);
        CHECK(Attribute(first, "small") == "-7");
        CHECK(Attribute(first, "name") == "a & b < c");
    }
    SUBCASE("a field that cannot be fetched is left out of its row") {
        ado.db.tables[L"pts"].unreadableField = 1;
        auto root = Import(kFakeFormat, "gps", {Table("pts", "p", {"id", "name", "x"})});
        XMLElement* first = root->GetChild(0)->GetChild(0);
        CHECK(Attribute(first, "name") == "(none)");
        CHECK(Attribute(first, "x") == "2.5");
    }
    SUBCASE("a long text is cut at 1000 bytes after a whole character") {
        // Two-byte e-acute and a four-byte (surrogate pair) character across the limit.
        FakeTable& table = ado.db.tables[L"long"];
        table.columns = {L"v", L"w", L"full"};
        table.rows.push_back({Text((std::wstring(999, L'a') + L"\u00e9").c_str()),
                              Text((std::wstring(997, L'b') + L"\U0001F600").c_str()),
                              Text((std::wstring(998, L'c') + L"\u00e9").c_str())});
        auto root = Import(kFakeFormat, "gps", {Table("long", "l", {"v", "w", "full"})});
        XMLElement* row = root->GetChild(0)->GetChild(0);
        CHECK(Attribute(row, "v") == std::string(999, 'a'));
        CHECK(Attribute(row, "w") == std::string(997, 'b'));
        CHECK(Attribute(row, "full") == std::string(998, 'c') + "\xc3\xa9");
    }
    ado.CheckAllClosed();
}

TEST_CASE("ImportDatabase keeps unsafe names out of the query and the tree")
{
    FakeAdo ado;

    SUBCASE("a table name that is not a plain identifier is never queried") {
        DB_IMPORT_TABLE unterminated = Table("pts", "p");
        std::memset(unterminated.table, 'a', sizeof unterminated.table);
        auto root = Import(kFakeFormat, "gps",
                           {Table("pts p", "p"), Table("pts;DROP TABLE pts", "p"), Table("[pts]", "p"),
                            Table("pts'", "p"), Table("1pts", "p"), Table("", "p"), unterminated});
        REQUIRE(root != nullptr);
        CHECK(root->GetChildCount() == 0);
        CHECK(ado.db.queries.empty());
    }
    SUBCASE("row elements only from XML names") {
        ado.db.tables[L"t2"] = ado.db.tables[L"pts"];
        auto root = Import(kFakeFormat, "gps",
                           {Table("pts", "1row"), Table("pts", "a b"), Table("pts", "x&y"), Table("pts", ""),
                            Table("pts", "a:b"), Table("pts", "stra\xc3\x9f" "e"), Table("t2", "\xd1\x80-1.x")});
        REQUIRE(root->GetChildCount() == 2);
        CHECK(Name(root->GetChild(0)->GetChild(0)) == "stra\xc3\x9f" "e");
        CHECK(Name(root->GetChild(1)->GetChild(0)) == "\xd1\x80-1.x");
    }
    SUBCASE("attributes only under XML names, the first of two equal names kept") {
        const std::vector<const char*> attributes = {"a b", "n&", "k", "k"};
        auto root = Import(kFakeFormat, "gps", {Table("pts", "p", {"id", "name", "x", "small"}, &attributes)});
        XMLElement* first = root->GetChild(0)->GetChild(0);
        CHECK(first->GetAttributeCount() == 1);
        CHECK(Attribute(first, "k") == "2.5");
    }
    SUBCASE("a connection format with anything but one %s is refused before connecting") {
        for (const char* format : {"%s%s", "Data Source=%d", "%n%s", "Provider=Fake;%", "%-20s"})
            CHECK_MESSAGE(Import(format, "gps", {Table("pts", "p")}) == nullptr, format);
        CHECK(Import(kFakeFormat, std::string(1000, 'g').c_str(), {Table("pts", "p")}) == nullptr);
        CHECK(ado.db.connectionsMade == 0);
        Import("Provider=Fake;Data Source=%s;Mode=100%%", "gps", {});
        Import(nullptr, "C:\\gps.mdb", {});
        CHECK(ado.db.openedWith == std::vector<std::wstring>{L"Provider=Fake;Data Source=gps;Mode=100%",
                                                             L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\gps.mdb"});
    }
    ado.CheckAllClosed();
}
