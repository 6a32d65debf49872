#include "framework/dialog_template.h"

#include <cstring>

namespace {

// A bounds-checked reader over the template's bytes.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}

    bool ok() const { return m_ok; }
    size_t position() const { return m_pos; }

    template <typename T>
    T Read()
    {
        T value{};
        if (m_pos + sizeof(T) > m_size) {
            m_ok = false;
            return value;
        }
        std::memcpy(&value, m_data + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return value;
    }

    std::wstring ReadString()
    {
        std::wstring text;
        for (;;) {
            wchar_t c = Read<wchar_t>();
            if (!m_ok || c == 0)
                return text;
            text.push_back(c);
        }
    }

    // A name or an ordinal: 0 is nothing, 0xFFFF introduces a 16-bit ordinal.
    void ReadNameOrOrdinal(std::wstring& name, WORD& ordinal)
    {
        WORD first = Read<WORD>();
        if (!m_ok || first == 0)
            return;
        if (first == 0xFFFF) {
            ordinal = Read<WORD>();
            return;
        }
        name.push_back(static_cast<wchar_t>(first));
        name += ReadString();
    }

    void Skip(size_t count)
    {
        if (m_pos + count > m_size)
            m_ok = false;
        else
            m_pos += count;
    }

    void AlignDword() { m_pos = (m_pos + 3) & ~size_t{3}; }

private:
    const BYTE* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

constexpr size_t kItemCountOffset = 16;

} // namespace

bool DialogTemplate::Parse(const void* data, size_t size)
{
    m_items.clear();
    auto bytes = static_cast<const BYTE*>(data);
    if (!bytes)
        return false;
    Reader reader(bytes, size);
    WORD version = reader.Read<WORD>();
    WORD signature = reader.Read<WORD>();
    if (version != 1 || signature != 0xFFFF)
        return false;
    reader.Read<DWORD>(); // help id
    m_exStyle = reader.Read<DWORD>();
    m_style = reader.Read<DWORD>();
    WORD count = reader.Read<WORD>();
    reader.Read<short>();
    reader.Read<short>();
    m_cx = reader.Read<short>();
    m_cy = reader.Read<short>();
    std::wstring ignoredName;
    WORD ignoredOrdinal = 0;
    reader.ReadNameOrOrdinal(ignoredName, ignoredOrdinal); // menu
    reader.ReadNameOrOrdinal(ignoredName, ignoredOrdinal); // window class
    reader.ReadString();                                  // title
    if (m_style & (DS_SETFONT | DS_SHELLFONT)) {
        m_fontPoints = reader.Read<WORD>();
        m_fontWeight = reader.Read<WORD>();
        m_fontItalic = reader.Read<BYTE>();
        m_fontCharset = reader.Read<BYTE>();
        m_fontFace = reader.ReadString();
    }
    m_headerSize = reader.position();

    for (WORD i = 0; i < count && reader.ok(); ++i) {
        reader.AlignDword();
        DialogItem item;
        item.offset = reader.position();
        reader.Read<DWORD>(); // help id
        item.exStyle = reader.Read<DWORD>();
        item.style = reader.Read<DWORD>();
        short x = reader.Read<short>();
        short y = reader.Read<short>();
        short cx = reader.Read<short>();
        short cy = reader.Read<short>();
        item.rect = RECT{x, y, x + cx, y + cy};
        item.id = reader.Read<DWORD>();
        reader.ReadNameOrOrdinal(item.className, item.classAtom);
        WORD textOrdinal = 0;
        reader.ReadNameOrOrdinal(item.text, textOrdinal);
        WORD extra = reader.Read<WORD>();
        reader.Skip(extra);
        item.size = reader.position() - item.offset;
        m_items.push_back(std::move(item));
    }
    if (!reader.ok()) {
        m_items.clear();
        return false;
    }
    m_bytes.assign(bytes, bytes + reader.position());
    return true;
}

void DialogTemplate::SetItemCount(std::vector<BYTE>& bytes, WORD count)
{
    std::memcpy(bytes.data() + kItemCountOffset, &count, sizeof(count));
}

std::vector<DialogInitRecord> ParseDialogInit(const void* data, size_t size)
{
    std::vector<DialogInitRecord> records;
    if (!data)
        return records;
    Reader reader(static_cast<const BYTE*>(data), size);
    for (;;) {
        WORD id = reader.Read<WORD>();
        if (!reader.ok() || id == 0)
            break;
        DialogInitRecord record;
        record.controlId = id;
        record.message = reader.Read<WORD>();
        DWORD length = reader.Read<DWORD>();
        size_t start = reader.position();
        reader.Skip(length);
        if (!reader.ok())
            break;
        auto bytes = static_cast<const BYTE*>(data);
        record.data.assign(bytes + start, bytes + start + length);
        records.push_back(std::move(record));
    }
    return records;
}
