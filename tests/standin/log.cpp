#include <functional>

#include "framework/handles.h"
#include "tests/standin/standin.h"

namespace standin {
namespace {

std::function<void(const std::string&)>& Listener()
{
    static std::function<void(const std::string&)> listener;
    return listener;
}

} // namespace

std::string Utf8(std::wstring_view text)
{
    std::string out;
    const int length = static_cast<int>(text.size());
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    out.resize(static_cast<size_t>(size));
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), size, nullptr, nullptr);
    return out;
}

EventCapture::EventCapture()
{
    Listener() = [this](const std::string& line) { m_lines.push_back(line); };
}

EventCapture::~EventCapture() { Listener() = nullptr; }

Event::Event(const char* name)
{
    Guarded([&] { m_line = "{\"event\":\"" + std::string(name) + "\""; });
}

template <typename Append>
Event& Event::Guarded(Append append)
{
    // Called from COM methods and window procedures: running out of memory spoils the line, no more.
    try {
        append();
    } catch (...) {
        m_broken = true;
    }
    return *this;
}

void Event::Key(const char* key)
{
    m_line += ",\"";
    m_line += key;
    m_line += "\":";
}

Event& Event::Str(const char* key, std::wstring_view value)
{
    return Guarded([&] {
        Key(key);
        m_line += '"';
        for (wchar_t c : value) {
            if (c == L'"' || c == L'\\') {
                m_line += '\\';
                m_line += static_cast<char>(c);
            } else if (c < 0x20) {
                char escaped[8];
                wsprintfA(escaped, "\\u%04x", static_cast<unsigned>(c));
                m_line += escaped;
            } else {
                m_line += Utf8(std::wstring_view(&c, 1));
            }
        }
        m_line += '"';
    });
}

Event& Event::Bytes(const char* key, std::string_view value)
{
    // Each byte as the character of that number, so that any post data survives the trip.
    std::wstring widened;
    Guarded([&] {
        for (char c : value)
            widened += static_cast<wchar_t>(static_cast<unsigned char>(c));
    });
    return Str(key, widened);
}

Event& Event::Num(const char* key, long long value)
{
    return Guarded([&] {
        Key(key);
        m_line += std::to_string(value);
    });
}

Event& Event::Bool(const char* key, bool value)
{
    return Guarded([&] {
        Key(key);
        m_line += value ? "true" : "false";
    });
}

void Event::Write()
{
    Guarded([&] { m_line += "}\n"; });
    if (Listener() && !m_broken)
        Guarded([&] { Listener()(m_line); });
    wchar_t path[MAX_PATH];
    DWORD length = ::GetEnvironmentVariableW(L"QARVELO_STANDIN_LOG", path, MAX_PATH);
    if (m_broken || !length || length >= MAX_PATH)
        return;
    ScopedHandle file(::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        (void)file.Release();
        return;
    }
    DWORD written = 0;
    ::WriteFile(file.Get(), m_line.data(), static_cast<DWORD>(m_line.size()), &written, nullptr);
}

} // namespace standin
