#pragma once
// The exit codes of morvain-snapshot, for scripts; the README lists them.

#include "query_failure.h"

namespace morvain::snapshot
{

enum ExitCode : int {
    ExitOk = 0,
    ExitUsage = 2,
    ExitLibrary = 3,     // tarnvel not found, not loadable, or without Broker
    ExitOverflow = 4,    // a reply beyond the last slot of its table
    ExitOther = 5,       // anything else: "Broker.cfg", the output file, an unexpected failure
    ExitQueryFailed = 6, // a broker query failed: the header of its last reply has an error code
};

inline ExitCode exitCodeOf(int failureNumber)
{
    switch (failureNumber) {
    case LibraryNotFound:
    case LibraryNotLoadable:
    case EntryPointMissing:
        return ExitLibrary;
    case SlotOutOfRange:
        return ExitOverflow;
    default:
        return ExitOther;
    }
}

// What an "Error no." number means, as the README explains it.
inline const char *failureMeaning(int failureNumber)
{
    switch (failureNumber) {
    case LibraryNotFound:
        return "tarnvel was not found beside the program";
    case LibraryNotLoadable:
        return "tarnvel was found but could not be loaded (is its client library missing?)";
    case EntryPointMissing:
        return "tarnvel has no entry point Broker";
    case SlotOutOfRange:
        return "a reply would be stored beyond the last slot of its table";
    default:
        return "something unexpected went wrong inside a query";
    }
}

} // namespace morvain::snapshot
