#pragma once
// Failures of a query. They are not returned as codes: they unwind to the query's one
// failure path, which reports the number and ends the program.

#include <stdexcept>

namespace morvain
{

// The numbers a user sees in "Error no. N has occured...". Distinct and stable; the
// README lists them.
enum FailureNumber : int {
    SlotOutOfRange = 9,      // a reply stored beyond the last slot of its table
    LibraryNotLoadable = 48, // tarnvel found but could not be loaded (OSTRANE missing)
    LibraryNotFound = 53,    // tarnvel not found beside the program
    EntryPointMissing = 453, // tarnvel has no Broker
    Unexpected = 5,          // anything else that went wrong inside a query
};

class QueryFailure : public std::runtime_error
{
public:
    QueryFailure(int number, const std::string &detail)
        : std::runtime_error(detail), m_number(number)
    {
    }
    int number() const { return m_number; }

private:
    int m_number;
};

} // namespace morvain
