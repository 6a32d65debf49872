// The small shell and drawing services an application object sets up for its windows.
#pragma once

#include <shlobj.h>

#include <memory>

#include "framework/handles.h"

// Holds the shell's allocator for the dialogs that browse shell folders.
class CShellManager {
public:
    CShellManager() { ::SHGetMalloc(m_malloc.Receive()); }
    IMalloc* Allocator() const { return m_malloc.Get(); }

private:
    ComPtr<IMalloc> m_malloc;
};

// Which look the framework's own drawn controls take. The launcher's windows draw themselves, so
// the choice only has to exist until ControlBarCleanUp drops it.
class CMFCVisualManager {
public:
    virtual ~CMFCVisualManager() = default;
    template <typename Manager>
    static void SetDefaultManager() { Current() = std::make_unique<Manager>(); }
    static CMFCVisualManager* GetInstance() { return Current().get(); }
    static void ControlBarCleanUp() { Current().reset(); }

private:
    static std::unique_ptr<CMFCVisualManager>& Current()
    {
        static std::unique_ptr<CMFCVisualManager> manager;
        return manager;
    }
};

// The system's own look for those controls.
class CMFCVisualManagerWindows : public CMFCVisualManager {};
