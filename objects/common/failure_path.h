#pragma once
// The one failure path every query button handler (and the start of the main window)
// runs its steps under: a failure skips the rest of the steps, shows "Error no. N ..."
// and ends the program.

#include "dialogs.h"
#include "query_failure.h"

#include <exception>

namespace morvain
{

template <class Steps> void underFailurePath(Steps &&steps)
{
    int number = 0;
    try {
        steps();
        return;
    } catch (const QueryFailure &failure) {
        number = failure.number();
    } catch (const std::exception &) {
        number = Unexpected;
    }
    dialogs::fatal(number);
}

} // namespace morvain
