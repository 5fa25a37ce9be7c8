#pragma once
// Scenario files: a broker scripted in JSON (format in ostrane/README.md).

#include "broker_data.h"

#include <memory>
#include <string>
#include <string_view>

namespace ostrane
{

// Names a scenario may have: letters, digits, "_", "." and "-", not starting with a dot,
// so that a broker ID can never lead out of the scenario folder.
bool isSafeScenarioName(std::string_view name);

// The scenario file does not exist or cannot be read.
class ScenarioMissing : public DataError
{
public:
    using DataError::DataError;
};

// Throws ScenarioMissing, or DataError when the file is not a valid scenario. The file is
// parsed once and again only when its size, modification time or inode changes, so that
// a test may still rewrite it between queries.
std::shared_ptr<const BrokerData> loadScenario(const std::string &path);

// For tests of the format without a file.
BrokerData parseScenario(std::string_view json);

} // namespace ostrane
