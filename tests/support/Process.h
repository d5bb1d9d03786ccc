// Runs a program to its end for the tests and benchmarks: net-snmp's tools, the demo agent's
// scripts, the package's scripts and the checkers of the desktop files. The program is
// stopped by its process id if it has not ended in time. Nothing here depends on the test
// framework or on Qt, so that bench/ and fuzz/ can use it too.
#pragma once

#include <chrono>
#include <string>
#include <vector>

// Where one of the program's output streams goes.
enum class Stream {
    Inherit, // to ours
    Discard,
    Keep,       // into the run's `output` or `errors`
    WithOutput, // standard error only: into `output`, in order with standard output
};

struct ProcessOptions {
    // "NAME=value" entries in place of our variables of the same names, or, with
    // `onlyTheseVariables`, instead of all of ours.
    std::vector<std::string> environment;
    bool onlyTheseVariables = false;
    Stream output = Stream::Keep;
    Stream errors = Stream::Inherit;
    // The limit only keeps a broken run from hanging the suite.
    std::chrono::milliseconds limit = std::chrono::minutes(2);
};

struct ProcessRun {
    int exitCode = -1; // -1 when it could not start, ended by a signal or did not end in time
    bool timedOut = false;
    std::string output;
    std::string errors;
};

// Runs argv[0], looked up in our PATH, with the other words as its arguments (no shell).
ProcessRun RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});
