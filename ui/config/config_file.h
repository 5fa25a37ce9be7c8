#pragma once
// "Broker.cfg" in the current working directory, as Morvain reads and writes it (the
// record itself is in broker/config_record.h).

#include "config_record.h"

namespace morvain
{

// Opens the file for reading and writing (creating it empty when missing), reads record 1
// into an all-zero record, closes it. A short file leaves the missing bytes zero.
ConfigRecord readConfigFile();
// Writes record 1 over the first 160 bytes, leaving the rest of the file as it was.
void writeConfigFile(const ConfigRecord &record);

// The same, for the start and the dialog: a file that cannot be opened, read or written
// is reported with its path, and the program ends.
ConfigRecord readConfigOrEnd();
void writeConfigOrEnd(const ConfigRecord &record);

} // namespace morvain
