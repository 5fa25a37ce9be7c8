#pragma once
// What every object page needs from the main window.

#include "info_cycle.h"

namespace morvain
{

class FrmHeader;

// The one header dialog of the program, created hidden the first time it is needed.
class HeaderHost
{
public:
    virtual ~HeaderHost() = default;
    virtual FrmHeader &headerDialog() = 0;
};

struct PageContext {
    InfoCycle &cycle;
    HeaderHost &header;
};

} // namespace morvain
