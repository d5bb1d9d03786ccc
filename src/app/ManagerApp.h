// The application object: starts the program, runs the main dialog modally and ends the
// program when the dialog ends.
#pragma once

class CManagerApp {
public:
    CManagerApp() = default;
    // Runs the main dialog; always FALSE, so that no message loop of the application's own
    // follows and the program ends with the dialog.
    int InitInstance();
    // The Help command (ID_HELP): Okapel ships no help content.
    void OnHelp() {}
};
