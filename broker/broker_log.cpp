#include "broker_log.h"

// Quiet by default; QT_LOGGING_RULES="morvain.broker=true" shows it.
Q_LOGGING_CATEGORY(brokerLog, "morvain.broker", QtWarningMsg)
