// What the layer does inside net-snmp beyond its documented calls. Each of these relies on
// the library's internals as Debian 12's and Debian 13's releases (5.9.3, 5.9.4) have them,
// checks the library's version first, and does nothing on another.
#pragma once

// Whether the library that runs is one whose internals the functions below were written for.
bool LibraryInternalsKnown();

// Ends every request that net-snmp holds for the single session `sessp` as its time-outs
// would end it: its callback is told of a time-out, the request is removed, and nothing more
// is sent for it. False, with nothing done, where LibraryInternalsKnown() is false. Under the
// library lock.
bool LibraryEndRequests(void* sessp);
