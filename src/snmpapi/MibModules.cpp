// The machine's MIB modules, read by net-snmp's parser.
//
// The parser runs in a child process of its own: the running program started again
// (posix_spawn of /proc/self/exe, which copies none of the program's memory, so that the
// window's start pays nothing for it) with OKAPEL_MIB_READER in its environment, which
// makes it the reader as it starts, before main. The child reads
// every module in net-snmp's MIB directories as this machine configures them, walks the
// tree that the parser made and writes each node (its parent, sub-identifier, name and
// modules) down a pipe; a thread of ours reads that, makes a name table and publishes it
// whole. So the parser's tree is never read while it is built, nor from two threads, and
// nothing else in Okapel touches it; a module that makes the parser crash, loop or eat
// memory takes the child down, not Okapel, and the built-in names simply stay in force. The
// child writes nothing to the terminal: its standard streams are /dev/null and net-snmp's
// logging is off.
//
// The project's base module (OKAPEL-BASE-MIB, from the registration tree) is read last, so
// that modules whose imports are missing from the machine (Debian ships net-snmp's own
// modules without SNMPv2-SMI) still hang under enterprises, mib-2 and the other standard
// nodes: net-snmp links a node to the parent of that name wherever it is defined.
#include "snmpapi/MibNames.h"
#include "snmpapi/SnmpInternal.h"
#include "snmpapi/SnmpTesting.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// What the child writes: records of one kind byte each, numbers in the machine's order.
//   'M' u32 module-number u16 length name        a module's name, before its first node
//   'N' i32 parent u32 arc u16 count u32 modules... u16 length name
//                                                a node; parent is the number of an earlier
//                                                node record, -1 for a root
//   'E'                                          the end: everything was written
constexpr char kModuleRecord = 'M';
constexpr char kNodeRecord = 'N';
constexpr char kEndRecord = 'E';

// More than any set of modules yields (1,000 modules of 50 objects write about 3 MB); a
// child that writes more is stopped and its tree dropped.
constexpr size_t kMaxStream = 256u << 20;

// The child's pipe, after its other descriptors are closed.
constexpr int kStreamFd = 3;

// --- The child ----------------------------------------------------------------------------

class StreamWriter {
public:
    template <typename T> void Put(T value) {
        out_.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void PutText(const char* text) {
        const size_t length = std::min<size_t>(std::strlen(text), 0xFFFF);
        Put(static_cast<std::uint16_t>(length));
        out_.append(text, length);
    }
    void FlushIfFull() {
        if (out_.size() >= 1 << 16)
            Flush();
    }
    void Flush() {
        for (size_t done = 0; done < out_.size();) {
            const ssize_t n = write(kStreamFd, out_.data() + done, out_.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                _exit(2);
            done += static_cast<size_t>(n);
        }
        out_.clear();
    }

private:
    std::string out_;
};

void WriteTree(StreamWriter* out) {
    std::unordered_map<int, bool> modulesWritten;
    char moduleName[512];
    std::int32_t written = 0;
    // Depth first without recursion: a module may nest as deep as it likes.
    std::vector<std::pair<tree*, std::int32_t>> pending;
    for (tree* root = get_tree_head(); root; root = root->next_peer)
        pending.emplace_back(root, -1);
    while (!pending.empty()) {
        const auto [node, parent] = pending.back();
        pending.pop_back();
        if (!node->label || node->subid > 0xFFFFFFFFul)
            continue;
        std::vector<int> modules(node->module_list, node->module_list + node->number_modules);
        if (modules.empty())
            modules.push_back(node->modid);
        for (int module : modules) {
            if (modulesWritten.emplace(module, true).second) {
                out->Put(kModuleRecord);
                out->Put(static_cast<std::uint32_t>(module));
                out->PutText(module_name(module, moduleName));
            }
        }
        out->Put(kNodeRecord);
        out->Put(parent);
        out->Put(static_cast<std::uint32_t>(node->subid));
        out->Put(static_cast<std::uint16_t>(std::min<size_t>(modules.size(), 0xFFFF)));
        for (size_t i = 0; i < modules.size() && i < 0xFFFF; ++i)
            out->Put(static_cast<std::uint32_t>(modules[i]));
        out->PutText(node->label);
        out->FlushIfFull();
        // The children go on the stack last first, so that they are written in the
        // parser's order: of two children with one sub-identifier, the first is the one
        // net-snmp's tools name.
        const size_t mark = pending.size();
        for (tree* child = node->child_list; child; child = child->next_peer)
            pending.emplace_back(child, written);
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(mark), pending.end());
        ++written;
    }
    out->Put(kEndRecord);
    out->Flush();
}

[[noreturn]] void RunReader(const char* baseDirectory) {
    // The parent gave the pipe as kStreamFd, /dev/null as the standard streams and no other
    // descriptor.
    // The window and the trap lines come first: the parser gets what the processor spares.
    setpriority(PRIO_PROCESS, 0, 19);
    SnmpLibraryQuiet();
    // A persistent directory that cannot exist: the parser neither reads nor writes its
    // directory indexes in the operator's own.
    netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_PERSISTENT_DIR, "/dev/null/okapel");
    // The directories as net-snmp's tools find them: MIBDIRS, else the mibdirs of the
    // snmp.conf files, else the built-in list with ~/.snmp/mibs. Every module in them is
    // read below, whatever the mibs setting says, so the setting loads nothing here.
    netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIBDIRS, nullptr);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 0);
    setenv("MIBS", "", 1);
    register_mib_handlers();
    read_premib_configs();
    netsnmp_init_mib();
    if (*baseDirectory)
        add_mibdir(baseDirectory);
    read_all_mibs();

    StreamWriter out;
    WriteTree(&out);
    _exit(0);
}

constexpr char kReaderVariable[] = "OKAPEL_MIB_READER"; // holds the base module's directory

// In the reader, this runs before main (and before anything else of Okapel's) and never
// returns.
const bool g_isReader = [] {
    if (const char* base = std::getenv(kReaderVariable))
        RunReader(base);
    return false;
}();

// --- Okapel's side -------------------------------------------------------------------------

class StreamReader {
public:
    explicit StreamReader(std::string_view data) : data_(data) {}
    bool AtEnd() const { return data_.empty(); }
    template <typename T> bool Get(T* value) {
        if (data_.size() < sizeof *value)
            return false;
        std::memcpy(value, data_.data(), sizeof *value);
        data_.remove_prefix(sizeof *value);
        return true;
    }
    bool GetText(std::string_view* text) {
        std::uint16_t length = 0;
        if (!Get(&length) || data_.size() < length)
            return false;
        *text = data_.substr(0, length);
        data_.remove_prefix(length);
        return true;
    }

private:
    std::string_view data_;
};

// The table that the child's stream describes, or null when the stream is not whole.
std::shared_ptr<const mibnames::Table> ReadTable(std::string_view data) {
    mibnames::TableBuilder builder;
    std::unordered_map<std::uint32_t, int> modules; // the child's numbers to the table's
    std::vector<int> nodes;                         // node record number to table node
    std::vector<int> nodeModules;
    StreamReader in(data);
    for (char kind = 0; in.Get(&kind);) {
        if (kind == kEndRecord)
            return in.AtEnd() ? builder.Finish() : nullptr;
        if (kind == kModuleRecord) {
            std::uint32_t number = 0;
            std::string_view name;
            if (!in.Get(&number) || !in.GetText(&name))
                return nullptr;
            modules[number] = builder.Module(name);
            continue;
        }
        std::int32_t parent = 0;
        std::uint32_t arc = 0;
        std::uint16_t count = 0;
        if (kind != kNodeRecord || !in.Get(&parent) || !in.Get(&arc) || !in.Get(&count) ||
            parent < -1 || parent >= static_cast<std::int32_t>(nodes.size()))
            return nullptr;
        nodeModules.clear();
        for (std::uint16_t i = 0; i < count; ++i) {
            std::uint32_t number = 0;
            if (!in.Get(&number))
                return nullptr;
            if (const auto found = modules.find(number); found != modules.end())
                nodeModules.push_back(found->second);
        }
        std::string_view name;
        if (!in.GetText(&name))
            return nullptr;
        // A node under one that could not be named has no name either.
        const int parentNode = parent < 0 ? mibnames::kNone : nodes[static_cast<size_t>(parent)];
        nodes.push_back(parent >= 0 && parentNode == mibnames::kNone
                            ? mibnames::kNone
                            : builder.Add(parentNode, arc, name, nodeModules));
    }
    return nullptr;
}

// Where the base module is: beside the installed program (<prefix>/bin/okapel,
// <prefix>/share/okapel/mibs), else in the source tree the program was built from.
std::string BaseModuleDirectory() {
    const auto holdsBase = [](const std::string& directory) {
        return access((directory + "/OKAPEL-BASE-MIB.txt").c_str(), R_OK) == 0;
    };
    char exe[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length > 0) {
        std::string directory(exe, static_cast<size_t>(length));
        directory.erase(directory.rfind('/') + 1);
        directory += OKAPEL_INSTALLED_MIB_DIR;
        if (holdsBase(directory))
            return directory;
    }
    return holdsBase(OKAPEL_SOURCE_MIB_DIR) ? OKAPEL_SOURCE_MIB_DIR : "";
}

extern "C" char** environ;

// The reader's environment: the program's, with the base module's directory as the mark
// that makes it the reader. Made on the caller's thread, which alone may change the
// environment.
std::vector<std::string> ReaderEnvironment(const std::string& baseDirectory) {
    std::vector<std::string> environment{std::string(kReaderVariable) + "=" + baseDirectory};
    for (char** variable = environ; *variable; ++variable)
        if (!std::string_view(*variable).starts_with(std::string(kReaderVariable) + "="))
            environment.emplace_back(*variable);
    return environment;
}

// The reader with the pipe's writing end as kStreamFd, or -1. It takes the calling thread's
// priority from its first instruction on.
pid_t SpawnReader(int streamFd, std::vector<std::string> environment) {
    std::vector<char*> envp;
    for (std::string& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    char name[] = "okapel-mib-reader";
    char* argv[] = {name, nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, streamFd, kStreamFd);
    for (int fd = 0; fd < 3; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, kStreamFd + 1);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

class Loader {
public:
    ~Loader() { Stop(); }

    void Start() {
        Stop();
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        std::lock_guard<std::mutex> guard(mutex_);
        stopping_ = false;
        running_ = true;
        thread_ = std::thread(&Loader::Run, this, fds[0], fds[1],
                              ReaderEnvironment(BaseModuleDirectory()));
    }

    // Ends a load under way (its names are not published) and waits for its thread.
    void Stop() {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            stopping_ = true;
            if (child_ > 0)
                kill(child_, SIGKILL);
        }
        if (thread_.joinable())
            thread_.join();
    }

    bool Wait(int milliseconds) {
        std::unique_lock<std::mutex> lock(mutex_);
        return done_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [this] { return !running_; });
    }

private:
    void Run(int readFd, int writeFd, std::vector<std::string> environment) {
        // The window and the trap lines come first: this thread and the reader, which it
        // starts and which takes its priority from the start (the loading of the program's
        // libraries included), get what the processor spares.
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19); // this thread alone
        pid_t pid = -1;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (!stopping_)
                pid = SpawnReader(writeFd, std::move(environment));
            child_ = pid;
        }
        close(writeFd);
        if (pid < 0) {
            close(readFd);
            Finish();
            return;
        }
        Read(readFd, pid);
    }

    void Finish() {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            running_ = false;
        }
        done_.notify_all();
    }

    void Read(int fd, pid_t pid) {
        std::string data;
        char buffer[1 << 16];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            data.append(buffer, static_cast<size_t>(n));
            if (data.size() > kMaxStream) {
                kill(pid, SIGKILL); // not reaped yet, so the number is still the child's
                data.clear();
                break;
            }
        }
        close(fd);
        // Seen to end but not reaped, so that Stop never signals a number that another
        // process may have taken since; then reaped.
        siginfo_t info{};
        while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 &&
               errno == EINTR) {
        }
        {
            std::lock_guard<std::mutex> guard(mutex_);
            child_ = -1;
        }
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && !data.empty()) {
            // A reader that had ended by itself when a Stop came still wrote whole names,
            // but the Stop said that they are not wanted.
            auto table = ReadTable(data);
            std::lock_guard<std::mutex> guard(mutex_);
            if (table && !stopping_)
                mibnames::Publish(std::move(table));
        }
        Finish();
    }

    std::mutex mutex_;
    std::condition_variable done_;
    pid_t child_ = -1;
    bool running_ = false;
    bool stopping_ = false; // a Stop has come: no reader is started any more
    std::thread thread_;
};

Loader& TheLoader() {
    // The table in force is made first, so that it outlives the loader at exit: the
    // loader's destructor stops the child and joins its thread, which may publish.
    mibnames::Current();
    static Loader loader;
    return loader;
}

} // namespace

void SnmpMgrLoadMibModules() {
    TheLoader().Start();
}

bool SnmpMgrWaitMibModulesForTesting(int milliseconds) {
    return TheLoader().Wait(milliseconds);
}

void SnmpMgrMibModulesStopForTesting() {
    TheLoader().Stop();
    mibnames::Publish(nullptr);
}
