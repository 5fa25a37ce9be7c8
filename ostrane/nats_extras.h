#pragma once
// The endpoints' figures the service record has no field for (num_errors, last_error,
// average_processing_time), written after each service query of a NATS broker into a small
// JSON file beside the records, for the program to show as extra columns. The format is
// docs/nats.md's "Extras beside the records". The records stay as they are.

#include "broker_data.h"
#include "nats_view.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane::nats
{

// One service object's extras, keyed by its three names as its record carries them (name
// fitting done, blanks trimmed, Latin-1).
struct EndpointExtras {
    std::string server_class, server_name, service;
    std::int64_t num_errors = 0;
    std::string last_error;                   // UTF-8, as the service sent it
    std::int64_t average_processing_time = 0; // microseconds
};

// The extras of the objects in `data`, a service query's answer that mapServices filled from
// `view`: its objects are the view's endpoints in the same order, up to the cap.
std::vector<EndpointExtras> serviceExtras(const View &view, const KindData &data);

// "broker": 40 hex digits of the SHA-1 of the broker ID (no login of it shows), "when_ms":
// milliseconds since the epoch, "objects": one entry per service object.
std::string extrasJson(std::string_view brokerId, std::int64_t whenMs,
                       const std::vector<EndpointExtras> &objects);

// Where the files are: $MORVAIN_EXTRAS_DIR, else $XDG_RUNTIME_DIR/morvain-extras, else
// ~/.cache/morvain/extras; empty when none can be named.
std::string extrasFolder();
// "nats-" and the first 16 hex digits of the SHA-1 of the broker ID, ".json".
std::string extrasFileName(std::string_view brokerId);

// Writes the file for `brokerId` atomically (a temporary file renamed over it), in a folder
// made private to the user; false when it could not be written, which costs only the
// extras.
bool writeExtras(std::string_view brokerId, std::int64_t whenMs,
                 const std::vector<EndpointExtras> &objects);

} // namespace ostrane::nats
