// The application object: starts the program, runs the main dialog modally and ends the
// program when the dialog ends.
#pragma once

#include <QString>

class CManagerApp {
public:
    CManagerApp() = default;
    // Runs the main dialog; always FALSE, so that no message loop of the application's own
    // follows and the program ends with the dialog.
    int InitInstance();

    // Whether the user named a Qt style, in QT_STYLE_OVERRIDE or with -style on the
    // command line (which the toolkit takes out of argv, so this looks before it does).
    static bool StyleNamedByUser(int argc, const char* const* argv, const char* styleOverride);
    void SetStyleNamedByUser(bool named) { m_bStyleNamedByUser = named; }

    // The style to show the program in, given the one the toolkit chose: the user's or the
    // desktop's style is kept; the toolkit's plain fallback, which a desktop that names no
    // style of its own leaves, gives way to Fusion.
    static QString ChooseStyle(const QString& toolkitChoice, bool namedByUser);
    // Puts the chosen style in place of the toolkit's choice where they differ.
    static void ApplyStyle(bool namedByUser);

private:
    bool m_bStyleNamedByUser = false;
};
