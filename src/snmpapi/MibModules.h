// The MIB module load's controls beyond SnmpMgrLoadMibModules (MibModules.cpp), for the
// layer's own files and the testing library.
#pragma once

#include <string>

// Waits up to `milliseconds` for the load under way to end (published or dropped); true
// when no load is under way.
bool MibModulesWait(int milliseconds);
// Ends a load under way and puts the built-in names back in force.
void MibModulesStop();
// Reads the modules that the MIB reader reads, as it reads them (the MIB directories and
// the base module, MIBFILES and MIBS as the environment gives them; the snmp.conf files
// aside), into net-snmp's parser tree of the calling process, with their descriptions: for
// the testing library's cross-check, which holds SnmpLibraryLock meanwhile. The program
// never calls it.
void MibReadModulesHere();
// Makes the readers of the next loads wait once, before they read the module in
// `beforeFile` (the first module they read when it is empty), until the named pipe `fifo`
// is opened for writing, so that what happens during a load can be arranged. An empty `fifo`
// ends the hold for the loads after.
void SetMibReaderHold(const std::string& fifo, const std::string& beforeFile);
