// A scripted stand-in for the browser's HTML document, for the test build of the launcher.
// Registered in the launcher's own process for the HTML document's class id, it is what the real
// WebBrowser control loads every page into: it asks the host's UI handler what a page engine asks,
// records what it is given, and navigates on command the way page script would.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace standin {

// One JSON object per line, appended to the file named by QARVELO_STANDIN_LOG (nothing without it).
class Event {
public:
    explicit Event(const char* name);
    Event& Str(const char* key, std::wstring_view value);
    Event& Bytes(const char* key, std::string_view value);
    Event& Num(const char* key, long long value);
    Event& Bool(const char* key, bool value);
    void Write();

private:
    template <typename Append>
    Event& Guarded(Append append);
    void Key(const char* key);
    std::string m_line;
    bool m_broken = false;
};

// Keeps every event line written while it exists, in this process (for in-process tests).
class EventCapture {
public:
    EventCapture();
    ~EventCapture();
    EventCapture(const EventCapture&) = delete;
    EventCapture& operator=(const EventCapture&) = delete;

    const std::vector<std::string>& Lines() const { return m_lines; }

private:
    std::vector<std::string> m_lines;
};

std::string Utf8(std::wstring_view text);

} // namespace standin
