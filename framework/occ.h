// ActiveX control containment for dialogs: the manager hands out a site per control.
#pragma once

#include <memory>
#include <vector>

#include "framework/dialog_template.h"

class CDialogEx;
class COleControlContainer;

class COleControlSite {
public:
    virtual ~COleControlSite() = default;
    int ControlId() const { return m_id; }

protected:
    int m_id = 0;
};

// Decides which site each hosted control gets.
class COccManager {
public:
    virtual ~COccManager() = default;
    [[nodiscard]] virtual std::unique_ptr<COleControlSite> CreateSite(COleControlContainer* container) = 0;
};

// Installs the manager for every dialog created afterwards.
void AfxEnableControlContainer(COccManager* manager);
COccManager* ActiveControlManager();

// The ActiveX controls of one dialog.
class COleControlContainer {
public:
    // Null when no manager is installed: the items are then left out of the dialog.
    static std::unique_ptr<COleControlContainer> CreateFor(CDialogEx& dialog, const std::vector<DialogItem>& items);
    virtual ~COleControlContainer() = default;

    COleControlSite* FindSite(int id) const;
    void CloseAll();

private:
    std::vector<std::unique_ptr<COleControlSite>> m_sites;
};
