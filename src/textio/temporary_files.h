// The named temporary files of atomic writes, held in a fixed table that a
// signal handler may walk: a write interrupted by SIGTERM, SIGINT or SIGHUP,
// or a program ending with a write still under way, leaves none behind.
#pragma once

namespace difscop::textio {

// Holds name in directory (an open descriptor, kept open by the caller until
// released) for removal; the slot number, or -1 when the table is full.
int HoldTemporary(int directory, const char* name);
void ReleaseTemporary(int slot);

// Removes every temporary file still held. Async-signal-safe.
void RemoveHeldTemporaries();

// From now on SIGTERM, SIGINT and SIGHUP first remove the held temporary
// files, then end the process as they would have. A signal the process
// ignores stays ignored, and a handler of its own is left in place.
void RemoveTemporariesOnSignals();

}  // namespace difscop::textio
