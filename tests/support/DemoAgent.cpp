#include "support/DemoAgent.h"

#include "support/Ports.h"
#include "support/Process.h"

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#ifndef OKAPEL_SOURCE_DIR
#error "OKAPEL_SOURCE_DIR must name the source tree (tests/CMakeLists.txt defines it)"
#endif

namespace {

const std::string kScripts = std::string(OKAPEL_SOURCE_DIR) + "/scripts/demo-agent";

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
    // snmptable's field separator is the word after -Cf.
    if (option == "-Cf")
        return true;
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

bool DemoAgent::Start(const std::vector<std::string>& moreCommunities,
                      const std::vector<std::string>& moreLines) {
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
        if (StartOn(FreeUdpPort(), moreCommunities, moreLines))
            return true;
    }
    Stop();
    return false;
}

bool DemoAgent::Restart(bool keepState, const std::vector<std::string>& moreCommunities,
                        const std::vector<std::string>& moreLines) {
    const std::uint16_t port = m_port;
    if (port == 0)
        return false;
    std::vector<std::string> lines = moreLines;
    if (keepState) {
        // snmpd writes its engine id and boots into its persistent file as it ends; with
        // only the project's configuration read (-C), they come back as configuration lines.
        StopProcess();
        std::ifstream persistent(m_stateDir + "/persist/snmpd.conf");
        for (std::string line; std::getline(persistent, line);) {
            if (line.starts_with("engineBoots ") || line.starts_with("oldEngineID "))
                lines.push_back(line);
        }
    } else {
        Stop();
        std::string pattern = (std::filesystem::temp_directory_path() / "okapel-agent-XXXXXX");
        if (!::mkdtemp(pattern.data()))
            return false;
        m_stateDir = pattern;
    }
    // The port was the agent's a moment ago; a parallel test that takes it meanwhile makes
    // a few more tries harmless.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (StartOn(port, moreCommunities, lines))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool DemoAgent::StartOn(std::uint16_t port, const std::vector<std::string>& moreCommunities,
                        const std::vector<std::string>& moreLines) {
    if (port == 0)
        return false;
    if (!moreCommunities.empty() || !moreLines.empty()) {
        std::ofstream local(m_stateDir + "/local.conf");
        for (const std::string& community : moreCommunities)
            local << "rwcommunity " << community << " 127.0.0.0/8\n";
        for (const std::string& line : moreLines)
            local << line << "\n";
    }
    ProcessOptions quiet;
    quiet.output = Stream::Discard;
    const ProcessRun started = RunProcess(
        {"/bin/sh", kScripts + "/start.sh", "127.0.0.1", std::to_string(port), m_stateDir}, quiet);
    if (started.exitCode != 0)
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
    StopProcess();
    m_port = 0;
    if (!m_stateDir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_stateDir, ignored);
        m_stateDir.clear();
    }
}

void DemoAgent::StopProcess() {
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
}

std::string DemoAgent::ToolValue(const std::string& oid) const {
    std::string printed = Tool("snmpget", "-Oqv -Ot " + oid);
    while (!printed.empty() && (printed.back() == '\n' || printed.back() == '\r'))
        printed.pop_back();
    if (printed.size() >= 2 && printed.front() == '"' && printed.back() == '"')
        printed = printed.substr(1, printed.size() - 2);
    return printed;
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
    ProcessOptions ownFiles;
    ownFiles.environment = {"SNMPCONFPATH=" + client, "SNMP_PERSISTENT_DIR=" + client};
    return RunProcess(argv, ownFiles).output;
}
