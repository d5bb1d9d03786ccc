#include "support/MibDirectory.h"

#include "testing/SnmpTesting.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {
constexpr char kHoldingFile[] = "HOLDING-MIB.txt";
}

CMibDirectory::CMibDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "okapel-mibs-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        m_path = pattern;
    if (const char* old = std::getenv("MIBDIRS"))
        m_oldMibDirs = old;
    setenv("MIBDIRS", m_path.c_str(), 1);
}

CMibDirectory::~CMibDirectory() {
    SnmpMgrMibModulesStopForTesting();
    SnmpMgrHoldMibReaderForTesting("", "");
    if (m_oldMibDirs)
        setenv("MIBDIRS", m_oldMibDirs->c_str(), 1);
    else
        unsetenv("MIBDIRS");
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

void CMibDirectory::Write(const std::string& file, const std::string& text) const {
    std::ofstream(m_path + "/" + file) << text;
}

void CMibDirectory::AddNamedPipe(const std::string& file) const {
    mkfifo((m_path + "/" + file).c_str(), 0600);
}

void CMibDirectory::HoldReader(const std::string& file) const {
    AddNamedPipe(kHoldingFile);
    SnmpMgrHoldMibReaderForTesting(m_path + "/" + kHoldingFile,
                                   file.empty() ? "" : m_path + "/" + file);
}

bool CMibDirectory::Release() const {
    const std::string fifo = m_path + "/" + kHoldingFile;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    // Opening the writing end without waiting fails (ENXIO) until the reader has the
    // reading end open.
    for (;;) {
        const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            close(fd);
            return true;
        }
        if (errno != ENXIO || std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void CMibDirectory::WriteGenerated(int modules, int objects, const std::string& prefix) const {
    for (int m = 0; m < modules; ++m) {
        const std::string module = "GENERATED-" + std::to_string(m) + "-MIB";
        const std::string top = "genM" + std::to_string(m);
        std::string text = module +
                           " DEFINITIONS ::= BEGIN\n"
                           "IMPORTS OBJECT-TYPE, Integer32, enterprises FROM SNMPv2-SMI;\n" +
                           top + " OBJECT IDENTIFIER ::= { enterprises " +
                           std::to_string(50000 + m) + " }\n" + top +
                           "Objects OBJECT IDENTIFIER ::= { " + top + " 1 }\n";
        for (int k = 1; k <= objects; ++k) {
            const std::string name = top + "Object" + std::to_string(k);
            text += name +
                    " OBJECT-TYPE\n    SYNTAX Integer32\n    MAX-ACCESS read-only\n"
                    "    STATUS current\n    DESCRIPTION \"A generated object.\"\n    ::= { " +
                    top + "Objects " + std::to_string(k) + " }\n";
        }
        text += "END\n";
        Write(prefix + module + ".txt", text);
    }
}
