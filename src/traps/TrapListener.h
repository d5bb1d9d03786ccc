// The trap listener's thread procedure, which the dialog starts when it is initialised
// (traps/TrapListener.cpp).
#pragma once

class CManagerDlg;

// Waits for the trap service's event and adds one line per binding of each queued trap to
// the trap window, until the dialog asks it to stop: 0 after an acknowledged stop, 1 when
// listening failed.
unsigned TrapListenerThread(CManagerDlg* dlg);
