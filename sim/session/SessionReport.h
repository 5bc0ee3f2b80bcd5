// The report of one played session, as JSON.
#ifndef TARNWICK_SIM_SESSION_SESSION_REPORT_H
#define TARNWICK_SIM_SESSION_SESSION_REPORT_H

#include <ostream>

#include "sim/host/SimulatedHost.h"
#include "sim/session/Session.h"

namespace tarnwick::sim {

// Writes the session as a JSON document, the calls record by record, so a
// report of millions of calls costs no memory beyond the call log itself.
void WriteReport(std::ostream& out, const SimulatedHost& host, const SessionResult& result);

}  // namespace tarnwick::sim

#endif
