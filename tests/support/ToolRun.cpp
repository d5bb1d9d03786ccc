#include "support/ToolRun.h"

#include "support/Process.h"

ToolRun RunTool(const QString& program, const QStringList& arguments, int timeoutMs) {
    std::vector<std::string> argv{program.toStdString()};
    for (const QString& argument : arguments)
        argv.push_back(argument.toStdString());
    ProcessOptions options;
    options.errors = Stream::WithOutput;
    options.limit = std::chrono::milliseconds(timeoutMs);
    const ProcessRun run = RunProcess(argv, options);
    return {run.exitCode,
            run.timedOut ? QStringLiteral("did not end") : QString::fromLocal8Bit(run.output)};
}
