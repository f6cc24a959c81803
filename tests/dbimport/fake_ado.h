// tests/dbimport/fake_ado.h - an ADO Connection of the tests' own that
// serves tables from memory.
//
// A fake, because no real part can do this here: Wine 8's ADO opens a real
// database through ODBC, but its recordsets report RecordCount 0 and fail
// when a field's value is asked for, so the reading of rows cannot meet a
// real database. While a FakeAdoRegistration lives, CoCreateInstance of ADO's
// Connection class in this process gets a FakeConnection instead, which
// answers through the same interfaces and methods that ImportDatabase calls,
// and records what was asked of it.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <map>
#include <string>
#include <vector>

// One VARIANT that owns its contents.
class FakeValue {
public:
    FakeValue() { VariantInit(&value_); }
    explicit FakeValue(const VARIANT& value);
    FakeValue(const FakeValue& other) : FakeValue(other.value_) {}
    FakeValue& operator=(const FakeValue& other);
    ~FakeValue() { VariantClear(&value_); }
    const VARIANT& Get() const { return value_; }

private:
    VARIANT value_;
};

FakeValue Text(const wchar_t* text);
FakeValue Int4(LONG value);
FakeValue Int2(SHORT value);
FakeValue Real(double value);
FakeValue Date(double oleDate);
FakeValue Bool(bool value);
FakeValue Null();
FakeValue Blob(const char* bytes);   // VT_ARRAY | VT_UI1

// Count that get_RecordCount reports by default: the number of rows.
inline constexpr LONG_PTR kCountRows = -2;

struct FakeTable {
    std::vector<std::wstring> columns;
    std::vector<std::vector<FakeValue>> rows;   // one value per column
    LONG_PTR recordCount = kCountRows;
    int unreadableField = -1;   // get_Item of this index fails
};

struct FakeDatabase {
    std::wstring connectionString;   // Open succeeds with exactly this text
    std::map<std::wstring, FakeTable> tables;

    // What happened to it.
    std::vector<std::wstring> openedWith;   // every Open's connection string
    std::vector<std::wstring> queries;      // every Execute's command text
    int connectionsMade = 0;
    int connectionCloses = 0;
    int recordsetsMade = 0;
    int recordsetCloses = 0;
    int liveObjects = 0;   // connections, recordsets, field collections and fields not yet released
};

class FakeConnectionFactory;

// Registers the fake's class object under ADO's Connection class id for this
// process; revokes it when it goes. COM must be initialised first.
class FakeAdoRegistration {
public:
    explicit FakeAdoRegistration(FakeDatabase* database);
    ~FakeAdoRegistration();
    FakeAdoRegistration(const FakeAdoRegistration&) = delete;
    FakeAdoRegistration& operator=(const FakeAdoRegistration&) = delete;
    bool Registered() const { return cookie_ != 0; }

private:
    FakeConnectionFactory* factory_;
    DWORD cookie_ = 0;
};
