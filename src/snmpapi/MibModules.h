// The MIB module load's controls beyond SnmpMgrLoadMibModules (MibModules.cpp), for the
// layer's own files and the testing library.
#pragma once

#include <string>

// Waits up to `milliseconds` for the load under way to end (published or dropped); true
// when no load is under way.
bool MibModulesWait(int milliseconds);
// Ends a load under way and puts the built-in names back in force.
void MibModulesStop();
// Makes the readers of the next loads wait once, before they read the module in
// `beforeFile` (the first module they read when it is empty), until the named pipe `fifo`
// is opened for writing, so that what happens during a load can be arranged. An empty `fifo`
// ends the hold for the loads after.
void SetMibReaderHold(const std::string& fifo, const std::string& beforeFile);
