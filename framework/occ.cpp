#include "framework/occ.h"

namespace {
COccManager* g_manager = nullptr;
}

void AfxEnableControlContainer(COccManager* manager) { g_manager = manager; }

COccManager* ActiveControlManager() { return g_manager; }

std::unique_ptr<COleControlContainer> COleControlContainer::CreateFor(CDialogEx&, const std::vector<DialogItem>&)
{
    return nullptr;
}

COleControlSite* COleControlContainer::FindSite(int id) const
{
    for (const auto& site : m_sites) {
        if (site->ControlId() == id)
            return site.get();
    }
    return nullptr;
}

void COleControlContainer::CloseAll() {}
