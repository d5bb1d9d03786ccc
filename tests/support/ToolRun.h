// Runs a command of the system's to its end, for tests that check files with the tools that
// read them: support/Process.h in the toolkit's own string types.
#pragma once

#include <QString>
#include <QStringList>

struct ToolRun {
    int exitCode = -1; // -1 when it could not start, crashed or did not end in time
    QString output;    // standard output and error, merged
};

// The process is killed if it has not ended after `timeoutMs`.
ToolRun RunTool(const QString& program, const QStringList& arguments, int timeoutMs = 120000);
