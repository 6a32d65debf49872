// PNG pictures from the launcher's resources (custom type "PNG") as GDI+ images.
#pragma once

#include <windows.h>
// GDI+'s headers expect min/max and the COM declarations to be around.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}
#include <objidl.h>
#include <gdiplus.h>

#include <memory>

#include "framework/handles.h"

// An image that owns its GDI+ picture.
class CGdiPlusPng {
public:
    CGdiPlusPng() = default;
    virtual ~CGdiPlusPng() = default;
    CGdiPlusPng(const CGdiPlusPng&) = delete;
    CGdiPlusPng& operator=(const CGdiPlusPng&) = delete;

    Gdiplus::Image* Image() const { return m_pImage.get(); }

protected:
    std::unique_ptr<Gdiplus::Image> m_pImage;
};

// An image decoded from a copy of the resource bytes that this object keeps: the bytes stay
// locked for as long as the image lives and are freed only after it.
class CGdiPlusPngResource : public CGdiPlusPng {
public:
    ~CGdiPlusPngResource() override;

    // True when the object now holds a decoded image; after false it is empty.
    bool Load(UINT id, HMODULE module);
    void Empty();

private:
    ScopedGlobal m_block;
};

// A new image whose bytes belong to the stream it reads from, or null when there is no such
// resource. An undecodable resource still yields an image (of size 0, drawing nothing).
[[nodiscard]] std::unique_ptr<Gdiplus::Image> LoadPngImage(HMODULE module, UINT id);

// Starts GDI+ for the caller; Ok on success. Nothing shuts it down: it stays up for the process.
Gdiplus::Status StartGdiPlus(ULONG_PTR& token);
