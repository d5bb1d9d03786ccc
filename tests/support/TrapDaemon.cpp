#include "support/TrapDaemon.h"

#include "support/Ports.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

constexpr const char* kProgram = "/usr/sbin/snmptrapd";
// Fields between "|", the bindings between tabs: the sender's transport, the version and
// security, the SNMPv1 enterprise, generic and specific trap, and the bindings.
constexpr const char* kFormat = "NOTE|%b|%P|%N|%w|%q|%v\n";

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

std::string WithoutDot(const std::string& oid) {
    return !oid.empty() && oid[0] == '.' ? oid.substr(1) : oid;
}

} // namespace

CTrapDaemon::CTrapDaemon(const std::string& moreConf) {
    if (access(kProgram, X_OK) != 0)
        return;
    std::string dir = (std::filesystem::temp_directory_path() / "okapel-trapd-XXXXXX").string();
    if (!mkdtemp(dir.data()))
        return;
    m_dir = dir;
    m_output = m_dir + "/output";
    std::filesystem::create_directory(m_dir + "/cert_indexes");
    const std::string conf = m_dir + "/snmptrapd.conf";
    std::ofstream(conf) << "disableAuthorization yes\n" << moreConf;
    m_port = FreeTrapTestPort();
    std::vector<std::string> words = {kProgram,
                                      "-f",
                                      "-Lo",
                                      "-n",
                                      "-C",
                                      "-c",
                                      conf,
                                      "-On",
                                      "-F",
                                      kFormat,
                                      "udp:127.0.0.1:" + std::to_string(m_port)};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = {"SNMP_PERSISTENT_DIR=" + m_dir, "SNMPCONFPATH=" + m_dir,
                                    "MIBS=", "PATH=/usr/sbin:/usr/bin:/sbin:/bin"};
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, m_output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (posix_spawn(&m_pid, kProgram, &actions, nullptr, argv.data(), envp.data()) != 0)
        m_pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    // It prints its version once it listens.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (m_pid > 0 && !m_started && std::chrono::steady_clock::now() < limit) {
        m_started = ReadOutput().find("NET-SNMP version") != std::string::npos;
        if (!m_started)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

CTrapDaemon::~CTrapDaemon() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    if (!m_dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
}

std::string CTrapDaemon::ReadOutput() const {
    std::ifstream file(m_output);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::vector<DaemonNotification> CTrapDaemon::Notifications() const {
    std::vector<DaemonNotification> notes;
    for (const std::string& line : Split(ReadOutput(), '\n')) {
        const std::vector<std::string> fields = Split(line, '|');
        if (fields.size() < 6 || fields[0] != "NOTE")
            continue;
        DaemonNotification note;
        const std::size_t open = fields[1].find('[');
        const std::size_t close = fields[1].find(']');
        if (open != std::string::npos && close != std::string::npos)
            note.address = fields[1].substr(open + 1, close - open - 1);
        note.security = fields[2];
        note.enterprise = fields[3] == "." ? "" : WithoutDot(fields[3]);
        note.generic = std::stoi(fields[4]);
        note.specific = static_cast<std::uint32_t>(std::stoul(WithoutDot(fields[5])));
        // A binding's text may hold "|": what follows the sixth field is the bindings.
        std::string bindings;
        for (std::size_t i = 6; i < fields.size(); ++i)
            bindings += (i > 6 ? "|" : "") + fields[i];
        for (const std::string& binding : Split(bindings, '\t'))
            if (!binding.empty())
                note.bindings.push_back(WithoutDot(binding));
        notes.push_back(note);
    }
    return notes;
}
