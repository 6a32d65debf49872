#include "skin/png_image.h"

#include <cstring>

namespace {

const wchar_t kPngType[] = L"PNG";

struct ResourceBytes {
    const void* data = nullptr;
    DWORD size = 0;
};

ResourceBytes FindPng(HMODULE module, UINT id)
{
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), kPngType);
    if (!found)
        return {};
    DWORD size = ::SizeofResource(module, found);
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data || !size)
        return {};
    return ResourceBytes{data, size};
}

// A movable block holding a copy of the bytes, unlocked; empty when memory runs out.
ScopedGlobal CopyToMovableBlock(const ResourceBytes& bytes)
{
    ScopedGlobal block(::GlobalAlloc(GMEM_MOVEABLE, bytes.size));
    void* copy = block ? ::GlobalLock(block.Get()) : nullptr;
    if (!copy)
        return ScopedGlobal();
    std::memcpy(copy, bytes.data, bytes.size);
    ::GlobalUnlock(block.Get());
    return block;
}

} // namespace

CGdiPlusPngResource::~CGdiPlusPngResource() { Empty(); }

void CGdiPlusPngResource::Empty()
{
    m_pImage.reset();
    if (m_block) {
        ::GlobalUnlock(m_block.Get());
        m_block.Reset();
    }
}

bool CGdiPlusPngResource::Load(UINT id, HMODULE module)
{
    Empty();
    ResourceBytes bytes = FindPng(module, id);
    if (!bytes.data)
        return false;

    ScopedGlobal block = CopyToMovableBlock(bytes);
    // Locked for as long as the image lives, so that its bytes stay where the image reads them.
    if (!block || !::GlobalLock(block.Get()))
        return false;

    ComPtr<IStream> stream;
    if (::CreateStreamOnHGlobal(block.Get(), FALSE, stream.Receive()) != S_OK) {
        ::GlobalUnlock(block.Get());
        return false;
    }
    std::unique_ptr<Gdiplus::Image> image(new Gdiplus::Image(stream.Get()));
    stream.Reset(); // the image holds its own reference while it needs one
    if (!image || image->GetLastStatus() != Gdiplus::Ok) {
        image.reset();
        ::GlobalUnlock(block.Get());
        return false;
    }
    m_pImage = std::move(image);
    m_block = std::move(block);
    return true;
}

std::unique_ptr<Gdiplus::Image> LoadPngImage(HMODULE module, UINT id)
{
    ResourceBytes bytes = FindPng(module, static_cast<WORD>(id));
    if (!bytes.data)
        return nullptr;
    ScopedGlobal block = CopyToMovableBlock(bytes);
    if (!block)
        return nullptr;

    ComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(block.Get(), TRUE, stream.Receive())))
        return nullptr;
    // From here the stream frees the block, when the image lets go of the stream.
    (void)block.Release();
    return std::unique_ptr<Gdiplus::Image>(new Gdiplus::Image(stream.Get()));
}

Gdiplus::Status StartGdiPlus(ULONG_PTR& token)
{
    Gdiplus::GdiplusStartupInput input; // version 1, no debug callback, nothing suppressed
    return Gdiplus::GdiplusStartup(&token, &input, nullptr);
}
