// tests/dbimport/fake_ado.cpp - the in-memory ADO Connection (see fake_ado.h).
#include "dbimport/fake_ado.h"

#include <cstring>

#include "dbimport/ado.h"

#define FAKE_NOT_IMPLEMENTED(name, ...) \
    HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override { return E_NOTIMPL; }

FakeValue::FakeValue(const VARIANT& value)
{
    VariantInit(&value_);
    VariantCopy(&value_, const_cast<VARIANT*>(&value));
}

FakeValue& FakeValue::operator=(const FakeValue& other)
{
    if (this != &other)
        VariantCopy(&value_, const_cast<VARIANT*>(&other.value_));
    return *this;
}

namespace {

// A value made from v, which is cleared.
FakeValue Adopt(VARIANT v)
{
    FakeValue value(v);
    VariantClear(&v);
    return value;
}

VARIANT Typed(VARTYPE type)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    return v;
}

// The IUnknown and IDispatch part of every fake, counted in the database's
// live objects until its last release.
template <class Interface>
class FakeObject : public Interface {
public:
    FakeObject(FakeDatabase* database, const GUID& iid) : database_(database), iid_(iid) { ++database_->liveObjects; }
    virtual ~FakeObject() { --database_->liveObjects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != iid_)
            return E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    FAKE_NOT_IMPLEMENTED(GetTypeInfoCount, UINT*)
    FAKE_NOT_IMPLEMENTED(GetTypeInfo, UINT, LCID, ITypeInfo**)
    FAKE_NOT_IMPLEMENTED(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
    FAKE_NOT_IMPLEMENTED(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)

protected:
    FakeDatabase* database_;

private:
    GUID iid_;
    ULONG references_ = 1;
};

// ADO's error for an index or a row that does not exist.
constexpr HRESULT kItemNotFound = static_cast<HRESULT>(0x800A0CC1);

class FakeField : public FakeObject<ado::Field> {
public:
    FakeField(FakeDatabase* database, const std::wstring& name, const FakeValue& value)
        : FakeObject(database, ado::kIidField), name_(name), value_(value) {}

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override
    {
        *name = SysAllocString(name_.c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Value(VARIANT* value) override
    {
        VariantInit(value);
        return VariantCopy(value, const_cast<VARIANT*>(&value_.Get()));
    }
    FAKE_NOT_IMPLEMENTED(get_Properties, ado::Properties**)
    FAKE_NOT_IMPLEMENTED(get_ActualSize, LONG_PTR*)
    FAKE_NOT_IMPLEMENTED(get_Attributes, LONG*)
    FAKE_NOT_IMPLEMENTED(get_DefinedSize, LONG_PTR*)
    FAKE_NOT_IMPLEMENTED(get_Type, LONG*)

private:
    std::wstring name_;
    FakeValue value_;
};

class FakeFields : public FakeObject<ado::Fields> {
public:
    FakeFields(FakeDatabase* database, const FakeTable* table, size_t row)
        : FakeObject(database, ado::kIidFields), table_(table), row_(row) {}

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override
    {
        *count = static_cast<LONG>(table_->columns.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, ado::Field** field) override
    {
        *field = nullptr;
        if (index.vt != VT_I4)
            return E_INVALIDARG;
        const LONG i = index.lVal;
        if (i < 0 || static_cast<size_t>(i) >= table_->columns.size() || i == table_->unreadableField)
            return kItemNotFound;
        *field = new FakeField(database_, table_->columns[i], table_->rows[row_][i]);
        return S_OK;
    }
    FAKE_NOT_IMPLEMENTED(NewEnum, IUnknown**)
    FAKE_NOT_IMPLEMENTED(Refresh)

private:
    const FakeTable* table_;
    size_t row_;
};

class FakeRecordset : public FakeObject<ado::Recordset> {
public:
    FakeRecordset(FakeDatabase* database, const FakeTable* table)
        : FakeObject(database, ado::kIidRecordset), table_(table)
    {
        ++database_->recordsetsMade;
    }

    HRESULT STDMETHODCALLTYPE get_RecordCount(LONG_PTR* count) override
    {
        *count = table_->recordCount == kCountRows ? static_cast<LONG_PTR>(table_->rows.size()) : table_->recordCount;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_EOF(VARIANT_BOOL* eof) override
    {
        *eof = row_ >= table_->rows.size() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Fields(ado::Fields** fields) override
    {
        *fields = nullptr;
        if (row_ >= table_->rows.size())
            return kItemNotFound;
        *fields = new FakeFields(database_, table_, row_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MoveFirst() override
    {
        row_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MoveNext() override
    {
        if (row_ >= table_->rows.size())
            return kItemNotFound;
        ++row_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Close() override
    {
        ++database_->recordsetCloses;
        return S_OK;
    }
    FAKE_NOT_IMPLEMENTED(get_Properties, ado::Properties**)
    FAKE_NOT_IMPLEMENTED(get_AbsolutePosition, LONG_PTR*)
    FAKE_NOT_IMPLEMENTED(put_AbsolutePosition, LONG_PTR)
    FAKE_NOT_IMPLEMENTED(putref_ActiveConnection, IDispatch*)
    FAKE_NOT_IMPLEMENTED(put_ActiveConnection, VARIANT)
    FAKE_NOT_IMPLEMENTED(get_ActiveConnection, VARIANT*)
    FAKE_NOT_IMPLEMENTED(get_BOF, VARIANT_BOOL*)
    FAKE_NOT_IMPLEMENTED(get_Bookmark, VARIANT*)
    FAKE_NOT_IMPLEMENTED(put_Bookmark, VARIANT)
    FAKE_NOT_IMPLEMENTED(get_CacheSize, LONG*)
    FAKE_NOT_IMPLEMENTED(put_CacheSize, LONG)
    FAKE_NOT_IMPLEMENTED(get_CursorType, LONG*)
    FAKE_NOT_IMPLEMENTED(put_CursorType, LONG)
    FAKE_NOT_IMPLEMENTED(get_LockType, LONG*)
    FAKE_NOT_IMPLEMENTED(put_LockType, LONG)
    FAKE_NOT_IMPLEMENTED(get_MaxRecords, LONG_PTR*)
    FAKE_NOT_IMPLEMENTED(put_MaxRecords, LONG_PTR)
    FAKE_NOT_IMPLEMENTED(putref_Source, IDispatch*)
    FAKE_NOT_IMPLEMENTED(put_Source, BSTR)
    FAKE_NOT_IMPLEMENTED(get_Source, VARIANT*)
    FAKE_NOT_IMPLEMENTED(AddNew, VARIANT, VARIANT)
    FAKE_NOT_IMPLEMENTED(CancelUpdate)
    FAKE_NOT_IMPLEMENTED(Delete, LONG)
    FAKE_NOT_IMPLEMENTED(GetRows, LONG, VARIANT, VARIANT, VARIANT*)
    FAKE_NOT_IMPLEMENTED(Move, LONG_PTR, VARIANT)
    FAKE_NOT_IMPLEMENTED(MovePrevious)

private:
    const FakeTable* table_;
    size_t row_ = 0;
};

class FakeConnection : public FakeObject<ado::Connection> {
public:
    explicit FakeConnection(FakeDatabase* database) : FakeObject(database, ado::kIidConnection)
    {
        ++database_->connectionsMade;
    }

    HRESULT STDMETHODCALLTYPE Open(BSTR connectionString, BSTR, BSTR, LONG) override
    {
        const std::wstring text = connectionString ? connectionString : L"";
        database_->openedWith.push_back(text);
        open_ = text == database_->connectionString;
        return open_ ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE Execute(BSTR command, VARIANT*, LONG, ado::Recordset** recordset) override
    {
        *recordset = nullptr;
        const std::wstring text = command ? command : L"";
        database_->queries.push_back(text);
        const std::wstring select = L"SELECT * FROM ";
        const auto table = text.rfind(select, 0) == 0 ? database_->tables.find(text.substr(select.size()))
                                                       : database_->tables.end();
        if (!open_ || table == database_->tables.end())
            return E_FAIL;
        *recordset = new FakeRecordset(database_, &table->second);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Close() override
    {
        ++database_->connectionCloses;
        open_ = false;
        return S_OK;
    }
    FAKE_NOT_IMPLEMENTED(get_Properties, ado::Properties**)
    FAKE_NOT_IMPLEMENTED(get_ConnectionString, BSTR*)
    FAKE_NOT_IMPLEMENTED(put_ConnectionString, BSTR)
    FAKE_NOT_IMPLEMENTED(get_CommandTimeout, LONG*)
    FAKE_NOT_IMPLEMENTED(put_CommandTimeout, LONG)
    FAKE_NOT_IMPLEMENTED(get_ConnectionTimeout, LONG*)
    FAKE_NOT_IMPLEMENTED(put_ConnectionTimeout, LONG)
    FAKE_NOT_IMPLEMENTED(get_Version, BSTR*)
    FAKE_NOT_IMPLEMENTED(BeginTrans, LONG*)
    FAKE_NOT_IMPLEMENTED(CommitTrans)
    FAKE_NOT_IMPLEMENTED(RollbackTrans)

private:
    bool open_ = false;
};

}  // namespace

class FakeConnectionFactory final : public IClassFactory {
public:
    explicit FakeConnectionFactory(FakeDatabase* database) : database_(database) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }   // lives as long as its registration
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* connection = new FakeConnection(database_);
        const HRESULT result = connection->QueryInterface(iid, out);
        connection->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    FakeDatabase* database_;
};

FakeValue Text(const wchar_t* text)
{
    VARIANT v = Typed(VT_BSTR);
    v.bstrVal = SysAllocString(text);
    return Adopt(v);
}

FakeValue Int4(LONG value) { VARIANT v = Typed(VT_I4); v.lVal = value; return Adopt(v); }
FakeValue Int2(SHORT value) { VARIANT v = Typed(VT_I2); v.iVal = value; return Adopt(v); }
FakeValue Real(double value) { VARIANT v = Typed(VT_R8); v.dblVal = value; return Adopt(v); }
FakeValue Date(double oleDate) { VARIANT v = Typed(VT_DATE); v.date = oleDate; return Adopt(v); }
FakeValue Bool(bool value) { VARIANT v = Typed(VT_BOOL); v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE; return Adopt(v); }
FakeValue Null() { return Adopt(Typed(VT_NULL)); }

FakeValue Blob(const char* bytes)
{
    VARIANT v = Typed(VT_ARRAY | VT_UI1);
    const ULONG count = static_cast<ULONG>(strlen(bytes));
    v.parray = SafeArrayCreateVector(VT_UI1, 0, count);
    void* data = nullptr;
    if (v.parray && SUCCEEDED(SafeArrayAccessData(v.parray, &data))) {
        memcpy(data, bytes, count);
        SafeArrayUnaccessData(v.parray);
    }
    return Adopt(v);
}

FakeAdoRegistration::FakeAdoRegistration(FakeDatabase* database) : factory_(new FakeConnectionFactory(database))
{
    if (FAILED(CoRegisterClassObject(ado::kClsidConnection, factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                     &cookie_)))
        cookie_ = 0;
}

FakeAdoRegistration::~FakeAdoRegistration()
{
    if (cookie_)
        CoRevokeClassObject(cookie_);
    delete factory_;
}
