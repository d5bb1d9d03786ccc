#include "support/DemoAgent.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

#ifndef OKAPEL_SOURCE_DIR
#error "OKAPEL_SOURCE_DIR must name the source tree (tests/CMakeLists.txt defines it)"
#endif

namespace {

const std::string kScripts = std::string(OKAPEL_SOURCE_DIR) + "/scripts/demo-agent";

// A port that nothing on 127.0.0.1 holds right now, chosen by the kernel. Another process
// may take it before snmpd binds it; Start tries again with a new one then.
std::uint16_t FreeUdpPort() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

// The environment of the tools and scripts: ours, with `extra` ("NAME=value") in place of
// variables of the same names.
std::vector<std::string> Environment(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& x : extra)
            replaced = replaced || x.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

std::vector<char*> CStrings(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// Runs argv[0] (looked up in PATH) and waits for it. With `output`, its standard output is
// collected there. Returns its exit status, or -1 when it could not run or ended by a
// signal.
int Run(std::vector<std::string> argv, const std::vector<std::string>& extraEnv,
        std::string* output) {
    std::vector<std::string> env = Environment(extraEnv);
    std::vector<char*> cargv = CStrings(argv);
    std::vector<char*> cenv = CStrings(env);

    int pipeFds[2] = {-1, -1};
    if (output && ::pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output)
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int rc = ::posix_spawnp(&child, cargv[0], &actions, nullptr, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    if (output) {
        ::close(pipeFds[1]);
        if (rc == 0) {
            char buffer[4096];
            ssize_t n;
            while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0) {
                if (n > 0)
                    output->append(buffer, static_cast<std::size_t>(n));
                else if (errno != EINTR)
                    break;
            }
        }
        ::close(pipeFds[0]);
    }
    if (rc != 0) {
        std::fprintf(stderr, "DemoAgent: cannot run %s: %s\n", cargv[0], std::strerror(rc));
        return -1;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Splits at blanks; '...' and "..." keep what they enclose as one word (or part of one).
std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (char c : text) {
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                word += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

// Whether a net-snmp tool option given alone ("-c") takes the next word as its value.
bool TakesValue(const std::string& option) {
    static const std::string kWithValue = "YmMOIPDvrtcZeEnulxXaApTLC3";
    return option.size() == 2 && option[0] == '-' &&
           kWithValue.find(option[1]) != std::string::npos;
}

} // namespace

DemoAgent::DemoAgent() = default;

DemoAgent::~DemoAgent() {
    Stop();
}

const char* DemoAgent::Community() {
    return "walnut";
}

std::string DemoAgent::Address() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

bool DemoAgent::ProcessRunning(pid_t pid) {
    if (pid <= 0)
        return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return false;
    // "pid (comm) S ...": the state follows the last ')', since comm may hold one.
    const auto close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size())
        return false;
    const char state = line[close + 2];
    return state != 'Z' && state != 'X';
}

bool DemoAgent::Start(const std::vector<std::string>& moreCommunities) {
    Stop();
    std::string pattern = (std::filesystem::temp_directory_path() / "okapel-agent-XXXXXX");
    if (!::mkdtemp(pattern.data())) {
        std::perror("DemoAgent: mkdtemp");
        return false;
    }
    m_stateDir = pattern;
    // A port found free may be taken by a parallel test before snmpd binds it; a few
    // fresh ports make that race harmless.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (StartOn(FreeUdpPort(), moreCommunities))
            return true;
    }
    Stop();
    return false;
}

bool DemoAgent::StartOn(std::uint16_t port, const std::vector<std::string>& moreCommunities) {
    if (port == 0)
        return false;
    if (!moreCommunities.empty()) {
        std::ofstream local(m_stateDir + "/local.conf");
        for (const std::string& community : moreCommunities)
            local << "rwcommunity " << community << " 127.0.0.0/8\n";
    }
    if (Run({"/bin/sh", kScripts + "/start.sh", "127.0.0.1", std::to_string(port), m_stateDir}, {},
            nullptr) != 0)
        return false;
    std::ifstream pidFile(m_stateDir + "/snmpd.pid");
    long pid = 0;
    if (!(pidFile >> pid) || pid <= 0)
        return false;
    m_pid = static_cast<pid_t>(pid);
    m_port = port;
    return true;
}

void DemoAgent::Stop() {
    if (m_pid > 0) {
        // The pid file names the agent; signal it only while that process is still snmpd.
        std::ifstream comm("/proc/" + std::to_string(m_pid) + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name == "snmpd") {
            ::kill(m_pid, SIGTERM);
            for (int i = 0; i < 100 && ProcessRunning(m_pid); ++i) {
                if (i == 50)
                    ::kill(m_pid, SIGKILL);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
    }
    m_pid = 0;
    m_port = 0;
    if (!m_stateDir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_stateDir, ignored);
        m_stateDir.clear();
    }
}

std::string DemoAgent::Tool(const std::string& tool, const std::string& args) const {
    if (m_pid <= 0)
        return {};
    std::vector<std::string> words = SplitWords(args);
    std::size_t options = 0;
    while (options < words.size() && words[options].size() > 1 && words[options][0] == '-') {
        if (words[options] == "--")
            break;
        options += TakesValue(words[options]) ? 2 : 1;
    }
    if (options > words.size())
        options = words.size();

    std::vector<std::string> argv = {tool, "-m", "", "-v1", "-c", Community()};
    argv.insert(argv.end(), words.begin(), words.begin() + static_cast<long>(options));
    argv.push_back("udp:" + Address());
    argv.insert(argv.end(), words.begin() + static_cast<long>(options), words.end());

    // The tools read no configuration of the user's and keep their files with the agent.
    const std::string client = m_stateDir + "/client";
    std::string output;
    Run(argv, {"SNMPCONFPATH=" + client, "SNMP_PERSISTENT_DIR=" + client}, &output);
    return output;
}
