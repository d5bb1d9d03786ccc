// What the process writes to its standard error, kept in a file of its own from construction
// on. Take() puts the terminal back and returns what was written; the destructor puts it back
// too, so that a test that stops early (a failed ASSERT) never leaves the rest of the suite
// writing into the capture.
#pragma once

#include <string>

class CStderrCapture {
public:
    CStderrCapture();
    ~CStderrCapture();
    CStderrCapture(const CStderrCapture&) = delete;
    CStderrCapture& operator=(const CStderrCapture&) = delete;

    bool Capturing() const { return m_saved >= 0; }
    std::string Take();

private:
    void Restore();

    int m_saved = -1; // the standard error as it was
    int m_file = -1;  // the capture
};
