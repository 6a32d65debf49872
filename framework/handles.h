// Move-only owners of Win32 handles, GDI objects and COM pointers.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cassert>
#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Traits::Null(); }

    [[nodiscard]] Handle Release() { return std::exchange(m_handle, Traits::Null()); }
    void Reset(Handle handle = Traits::Null())
    {
        Handle old = std::exchange(m_handle, handle);
        if (old != Traits::Null())
            Traits::Close(old);
    }

private:
    Handle m_handle = Traits::Null();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Null() { return nullptr; }
    static void Close(Handle handle) { ::CloseHandle(handle); }
};
using ScopedHandle = UniqueHandle<KernelHandleTraits>;

// Files and listings say "none" with INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Null() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { ::CloseHandle(handle); }
};
using ScopedFile = UniqueHandle<FileHandleTraits>;

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Null() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { ::FindClose(handle); }
};
using ScopedFind = UniqueHandle<FindHandleTraits>;

template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle Null() { return nullptr; }
    static void Close(Handle handle) { ::DeleteObject(handle); }
};
template <typename T>
using GdiObject = UniqueHandle<GdiObjectTraits<T>>;

struct MemoryDCTraits {
    using Handle = HDC;
    static Handle Null() { return nullptr; }
    static void Close(Handle handle) { ::DeleteDC(handle); }
};
using ScopedMemoryDC = UniqueHandle<MemoryDCTraits>;

struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle Null() { return nullptr; }
    static void Close(Handle handle) { ::GlobalFree(handle); }
};
using ScopedGlobal = UniqueHandle<GlobalMemoryTraits>;

struct MenuTraits {
    using Handle = HMENU;
    static Handle Null() { return nullptr; }
    static void Close(Handle handle) { ::DestroyMenu(handle); }
};
using ScopedMenu = UniqueHandle<MenuTraits>;

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Null() { return nullptr; }
    static void Close(Handle handle) { ::FreeLibrary(handle); }
};
using ScopedModule = UniqueHandle<ModuleTraits>;

// A device context borrowed from a window with GetDC/GetWindowDC; given back on destruction.
class WindowDC {
public:
    enum Area { Client, Whole };
    explicit WindowDC(HWND window, Area area = Client)
        : m_window(window), m_dc(area == Client ? ::GetDC(window) : ::GetWindowDC(window)) {}
    ~WindowDC()
    {
        if (m_dc)
            ::ReleaseDC(m_window, m_dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC Get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

// Selects an object into a DC for one scope and checks that it was still selected when put back.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_object(object), m_previous(::SelectObject(dc, object)) {}
    ~ScopedSelectObject()
    {
        if (m_previous) {
            [[maybe_unused]] HGDIOBJ was = ::SelectObject(m_dc, m_previous);
            assert(was == m_object);
        }
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_object;
    HGDIOBJ m_previous;
};

// Owning COM pointer. Move-only, so that every AddRef has exactly one Release.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ~ComPtr() { Reset(); }
    ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_ptr = std::exchange(other.m_ptr, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    // Takes a new reference on a pointer the caller keeps its own reference to.
    static ComPtr FromBorrowed(T* ptr)
    {
        ComPtr result;
        result.m_ptr = ptr;
        if (ptr)
            ptr->AddRef();
        return result;
    }

    T* Get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }

    // For out-parameters of COM calls: must be empty, so nothing is leaked.
    T** Receive()
    {
        assert(!m_ptr);
        return &m_ptr;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    void Reset()
    {
        if (T* old = std::exchange(m_ptr, nullptr))
            old->Release();
    }
    [[nodiscard]] T* Detach() { return std::exchange(m_ptr, nullptr); }

    template <typename U>
    HRESULT As(ComPtr<U>& out) const
    {
        if (!m_ptr)
            return E_POINTER;
        out.Reset();
        return m_ptr->QueryInterface(__uuidof(U), out.ReceiveVoid());
    }

private:
    T* m_ptr = nullptr;
};
