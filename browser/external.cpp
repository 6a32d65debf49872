#include "browser/external.h"

HRESULT STDMETHODCALLTYPE CImpIDispatch::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IDispatch && iid != IID_IUnknown)
        return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CImpIDispatch::AddRef() { return static_cast<ULONG>(++m_refCount); }

ULONG STDMETHODCALLTYPE CImpIDispatch::Release() { return static_cast<ULONG>(--m_refCount); }

HRESULT STDMETHODCALLTYPE CImpIDispatch::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CImpIDispatch::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CImpIDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale, DISPID* ids)
{
    static const wchar_t kMemberName[] = L"xxyyzz";
    constexpr int kSignificant = 3;
    if (count && (!names || !ids))
        return E_POINTER;
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
        // Names shorter than the prefix compare as they are and so never match it.
        const wchar_t* name = names[i] ? names[i] : L"";
        int length = lstrlenW(name);
        if (length > kSignificant)
            length = kSignificant;
        if (::CompareStringW(locale, NORM_IGNOREWIDTH, kMemberName, kSignificant, name, length) == CSTR_EQUAL) {
            ids[i] = kMemberId;
        } else {
            ids[i] = DISPID_UNKNOWN;
            result = DISP_E_UNKNOWNNAME;
        }
    }
    return result;
}

HRESULT STDMETHODCALLTYPE CImpIDispatch::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
    EXCEPINFO*, UINT*)
{
    if (member == kMemberId && (flags & DISPATCH_PROPERTYGET) && result) {
        BSTR value = ::SysAllocString(L"Wibble");
        ::VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = value;
    }
    return S_OK;
}
