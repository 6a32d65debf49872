// Reading extended dialog templates, so that items the dialog manager cannot create (ActiveX
// controls named by class id) can be taken out and created by the control container instead.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct DialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{}; // dialog units: left, top, right, bottom
    DWORD id = 0;
    WORD classAtom = 0; // predefined class (0x80 button ... ) or 0 when named
    std::wstring className;
    std::wstring text;
    size_t offset = 0; // where the item starts in the template
    size_t size = 0;   // its length, creation data included
};

class DialogTemplate {
public:
    // Parses a DIALOGEX resource; false for a classic DIALOG or malformed data.
    bool Parse(const void* data, size_t size);

    DWORD Style() const { return m_style; }
    DWORD ExStyle() const { return m_exStyle; }
    const std::vector<DialogItem>& Items() const { return m_items; }
    short Width() const { return m_cx; }
    short Height() const { return m_cy; }
    WORD FontPoints() const { return m_fontPoints; }
    WORD FontWeight() const { return m_fontWeight; }
    BYTE FontItalic() const { return m_fontItalic; }
    BYTE FontCharset() const { return m_fontCharset; }
    const std::wstring& FontFace() const { return m_fontFace; }

    // The same template without the items for which keep() is false.
    template <typename Keep>
    std::vector<BYTE> Filtered(Keep keep) const
    {
        std::vector<BYTE> out(m_bytes.begin(), m_bytes.begin() + m_headerSize);
        WORD count = 0;
        for (const DialogItem& item : m_items) {
            if (!keep(item))
                continue;
            out.resize((out.size() + 3) & ~size_t{3});
            out.insert(out.end(), m_bytes.begin() + item.offset, m_bytes.begin() + item.offset + item.size);
            ++count;
        }
        SetItemCount(out, count);
        return out;
    }

    static bool IsClassIdItem(const DialogItem& item) { return !item.className.empty() && item.className[0] == L'{'; }

private:
    static void SetItemCount(std::vector<BYTE>& bytes, WORD count);

    std::vector<BYTE> m_bytes;
    size_t m_headerSize = 0;
    DWORD m_style = 0;
    DWORD m_exStyle = 0;
    short m_cx = 0;
    short m_cy = 0;
    WORD m_fontPoints = 0;
    WORD m_fontWeight = 0;
    BYTE m_fontItalic = 0;
    BYTE m_fontCharset = 0;
    std::wstring m_fontFace;
    std::vector<DialogItem> m_items;
};

// One record of a dialog's initialisation data (resource type 240) for one control.
struct DialogInitRecord {
    WORD controlId = 0;
    WORD message = 0;
    std::vector<BYTE> data;
};
std::vector<DialogInitRecord> ParseDialogInit(const void* data, size_t size);
