#pragma once
// "Broker.cfg": one 160-byte record in the current working directory holding the identity
// under which Morvain calls the broker. Bytes beyond the first 160 are neither read nor
// changed.

#include "control_block.h"
#include "record.h"

#include <stdexcept>

namespace morvain
{

namespace layout
{
using wire::Encoding;
using wire::Field;
inline constexpr std::array<Field, 5> configRecord{{
    {"cfg_user_id", 0, 32, Encoding::Text},
    {"cfg_broker_id", 32, 32, Encoding::Text},
    {"cfg_server_class", 64, 32, Encoding::Text},
    {"cfg_server_name", 96, 32, Encoding::Text},
    {"cfg_service", 128, 32, Encoding::Text},
}};
} // namespace layout

using ConfigRecord = wire::Record<layout::configRecord, 160>;

inline const QString configFileName = QStringLiteral("Broker.cfg");

class ConfigFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Opens the file for reading and writing (creating it empty when missing), reads record 1
// into an all-zero record, closes it. A short file leaves the missing bytes zero.
ConfigRecord readConfigFile();
// Writes record 1 over the first 160 bytes, leaving the rest of the file as it was.
void writeConfigFile(const ConfigRecord &record);

// The same, for the start and the dialog: a file that cannot be opened, read or written
// is reported with its path, and the program ends.
ConfigRecord readConfigOrEnd();
void writeConfigOrEnd(const ConfigRecord &record);

// The five fields, each all 32 characters as stored, untrimmed.
Identity identityOf(const ConfigRecord &record);
// Each value cut to 32 characters or padded with blanks.
ConfigRecord recordOf(const Identity &identity);

} // namespace morvain
