// The object page script sees as window.external: one member whose name starts with "xxy".
#pragma once

#include <oaidl.h>

class CImpIDispatch : public IDispatch {
public:
    static constexpr DISPID kMemberId = 12345;

    CImpIDispatch() = default;
    virtual ~CImpIDispatch() = default;
    CImpIDispatch(const CImpIDispatch&) = delete;
    CImpIDispatch& operator=(const CImpIDispatch&) = delete;

    LONG RefCount() const { return m_refCount; }

    // IUnknown. The count is kept but does not govern the object's life: the application owns it.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
        VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

private:
    LONG m_refCount = 0;
};
