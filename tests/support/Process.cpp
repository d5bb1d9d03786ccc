#include "support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace {

std::vector<std::string> Environment(const ProcessOptions& options) {
    std::vector<std::string> env;
    for (char** e = environ; !options.onlyTheseVariables && e && *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& x : options.environment)
            replaced = replaced || x.starts_with(name);
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), options.environment.begin(), options.environment.end());
    return env;
}

std::vector<char*> CStrings(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// The read ends of the pipes that collect the program's kept streams, closed on leaving.
struct Pipes {
    int output = -1;
    int errors = -1;
    ~Pipes() {
        for (int fd : {output, errors})
            if (fd >= 0)
                close(fd);
    }
};

// Points the child's stream `target` where `how` says; a kept stream gets a pipe whose
// read end is put in `*readEnd`. False when no pipe could be made.
bool Direct(posix_spawn_file_actions_t* actions, Stream how, int target, int* readEnd,
            std::vector<int>* writeEnds) {
    switch (how) {
    case Stream::Inherit:
        return true;
    case Stream::Discard:
        posix_spawn_file_actions_addopen(actions, target, "/dev/null", O_WRONLY, 0);
        return true;
    case Stream::WithOutput:
        posix_spawn_file_actions_adddup2(actions, STDOUT_FILENO, target);
        return true;
    case Stream::Keep: {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return false;
        *readEnd = fds[0];
        writeEnds->push_back(fds[1]);
        posix_spawn_file_actions_adddup2(actions, fds[1], target);
        return true;
    }
    }
    return false;
}

// Reads the kept streams until both are closed or the deadline passes.
void Collect(Pipes* pipes, std::string* output, std::string* errors,
             std::chrono::steady_clock::time_point deadline) {
    char buffer[4096];
    while (pipes->output >= 0 || pipes->errors >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return;
        pollfd fds[2] = {{pipes->output, POLLIN, 0}, {pipes->errors, POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR)
            return;
        struct Kept {
            int* fd;
            std::string* text;
        };
        const Kept kept[2] = {{&pipes->output, output}, {&pipes->errors, errors}};
        for (int i = 0; i < 2; ++i) {
            int* fd = kept[i].fd;
            if (*fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = read(*fd, buffer, sizeof buffer);
            if (n > 0) {
                kept[i].text->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(*fd);
                *fd = -1;
            }
        }
    }
}

// Waits for the child until the deadline, then stops it by its id.
int Reap(pid_t child, std::chrono::steady_clock::time_point deadline, bool* timedOut) {
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(child, &status, WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            *timedOut = true;
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        usleep(2000);
    }
    if (done < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

ProcessRun RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
    ProcessRun run;
    std::vector<std::string> words = argv;
    std::vector<std::string> env = Environment(options);
    std::vector<char*> cargv = CStrings(words);
    std::vector<char*> cenv = CStrings(env);

    Pipes pipes;
    std::vector<int> writeEnds;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const bool directed =
        Direct(&actions, options.output, STDOUT_FILENO, &pipes.output, &writeEnds) &&
        Direct(&actions, options.errors, STDERR_FILENO, &pipes.errors, &writeEnds);
    pid_t child = 0;
    const int rc =
        directed ? posix_spawnp(&child, cargv[0], &actions, nullptr, cargv.data(), cenv.data())
                 : errno;
    posix_spawn_file_actions_destroy(&actions);
    for (int fd : writeEnds)
        close(fd);
    if (rc != 0) {
        std::fprintf(stderr, "cannot run %s: %s\n", cargv[0], std::strerror(rc));
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + options.limit;
    Collect(&pipes, &run.output, &run.errors, deadline);
    run.exitCode = Reap(child, deadline, &run.timedOut);
    return run;
}
