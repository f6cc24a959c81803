// dbimport/ado.h - the part of ADO's published COM interfaces that the
// database import calls.
//
// MinGW's own ADO header does not compile as C++ here, so the interfaces are
// declared from ADO's documented definitions: every interface below is a
// dual interface on IDispatch, and a method's place in the vtable is its
// place in the documented interface after the base interface's methods.
// Each interface is declared only up to the last method the import calls;
// the methods that follow in the platform's vtable are never reached through
// these declarations. ADO_LONGPTR is a LONG in 32-bit programs and a 64-bit
// integer in 64-bit ones: LONG_PTR. Texts are BSTRs, booleans VARIANT_BOOL.
#pragma once
#include <windows.h>
#include <oaidl.h>

namespace ado {

// CLSID of ADO's Connection object.
inline constexpr GUID kClsidConnection = {0x00000514, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
// _Connection, the interface the Connection object is created as.
inline constexpr GUID kIidConnection = {0x00000550, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
// _Recordset, Fields and Field: what Execute, get_Fields and get_Item hand out.
inline constexpr GUID kIidRecordset = {0x00000556, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
inline constexpr GUID kIidFields = {0x00000564, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
inline constexpr GUID kIidField = {0x00000569, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};

struct Properties;   // never called: only its place in the vtable counts
struct Recordset;
struct Fields;
struct Field;

// _ADO: the base of the ADO object interfaces.
struct AdoObject : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Properties(Properties** properties) = 0;
};

// Connection15, which _Connection extends with Cancel (not called).
struct Connection : AdoObject {
    virtual HRESULT STDMETHODCALLTYPE get_ConnectionString(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ConnectionString(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CommandTimeout(LONG* seconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_CommandTimeout(LONG seconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ConnectionTimeout(LONG* seconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ConnectionTimeout(LONG seconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Version(BSTR* version) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE Execute(BSTR commandText, VARIANT* recordsAffected, LONG options,
                                              Recordset** recordset) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginTrans(LONG* level) = 0;
    virtual HRESULT STDMETHODCALLTYPE CommitTrans() = 0;
    virtual HRESULT STDMETHODCALLTYPE RollbackTrans() = 0;
    virtual HRESULT STDMETHODCALLTYPE Open(BSTR connectionString, BSTR userId, BSTR password, LONG options) = 0;
};

// Recordset15, the first part of _Recordset.
struct Recordset : AdoObject {
    virtual HRESULT STDMETHODCALLTYPE get_AbsolutePosition(LONG_PTR* position) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AbsolutePosition(LONG_PTR position) = 0;
    virtual HRESULT STDMETHODCALLTYPE putref_ActiveConnection(IDispatch* connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ActiveConnection(VARIANT connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ActiveConnection(VARIANT* connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BOF(VARIANT_BOOL* bof) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Bookmark(VARIANT* bookmark) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Bookmark(VARIANT bookmark) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CacheSize(LONG* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_CacheSize(LONG size) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CursorType(LONG* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_CursorType(LONG type) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EOF(VARIANT_BOOL* eof) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Fields(Fields** fields) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LockType(LONG* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_LockType(LONG type) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MaxRecords(LONG_PTR* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_MaxRecords(LONG_PTR count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RecordCount(LONG_PTR* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE putref_Source(IDispatch* command) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Source(BSTR source) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Source(VARIANT* source) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddNew(VARIANT fieldList, VARIANT values) = 0;
    virtual HRESULT STDMETHODCALLTYPE CancelUpdate() = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE Delete(LONG affect) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRows(LONG rows, VARIANT start, VARIANT fields, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE Move(LONG_PTR count, VARIANT start) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveNext() = 0;
    virtual HRESULT STDMETHODCALLTYPE MovePrevious() = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveFirst() = 0;
};

// Fields15 (on _Collection), the first part of Fields.
struct Fields : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE NewEnum(IUnknown** enumerator) = 0;
    virtual HRESULT STDMETHODCALLTYPE Refresh() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, Field** field) = 0;
};

// Field20, the first part of Field.
struct Field : AdoObject {
    virtual HRESULT STDMETHODCALLTYPE get_ActualSize(LONG_PTR* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Attributes(LONG* attributes) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DefinedSize(LONG_PTR* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Type(LONG* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Value(VARIANT* value) = 0;
};

}  // namespace ado
