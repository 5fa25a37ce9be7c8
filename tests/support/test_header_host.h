#pragma once
// A header host for page tests: owns the one header dialog, created on first use.

#include "header/frm_header.h"
#include "page_context.h"

#include <memory>

namespace morvain::test
{

class TestHeaderHost : public HeaderHost
{
public:
    FrmHeader &headerDialog() override
    {
        if (!dialog)
            dialog = std::make_unique<FrmHeader>();
        return *dialog;
    }
    std::unique_ptr<FrmHeader> dialog;
};

} // namespace morvain::test
