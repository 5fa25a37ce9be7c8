#pragma once
// "Broker.cfg": one 160-byte record holding the identity under which the broker is
// called. Bytes beyond the first 160 are neither read nor changed. Every program that
// calls the broker reads the file through this record.

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

// How a program opens the file: morvain-snapshot only reads it; Morvain opens it for
// reading and writing, which creates it empty when it is missing.
enum class ConfigAccess { Read, ReadWrite };

// Opens `path` (only a regular file, or a link to one) and reads record 1 into an all-zero
// record; a short file leaves the missing bytes zero. A file that cannot be opened or read
// throws, naming the file's absolute path, byte for byte as the system spells it, and the
// reason.
ConfigRecord readConfigRecord(const QString &path, ConfigAccess access = ConfigAccess::Read);
// Writes record 1 over the first 160 bytes of `path`, leaving the rest of the file as it
// was; throws as readConfigRecord() does.
void writeConfigRecord(const QString &path, const ConfigRecord &record);

// The five fields, each all 32 characters as stored, untrimmed.
Identity identityOf(const ConfigRecord &record);
// Each value cut to 32 characters or padded with blanks.
ConfigRecord recordOf(const Identity &identity);

} // namespace morvain
