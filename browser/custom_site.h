// The launcher's control container: every hosted browser gets a site that imposes the host policy.
#pragma once

#include "framework/occ.h"

class CCustomControlSite : public COleControlSite {
};

class CCustomOccManager : public COccManager {
public:
    std::unique_ptr<COleControlSite> CreateSite(COleControlContainer*) override
    {
        return std::make_unique<CCustomControlSite>();
    }
};
