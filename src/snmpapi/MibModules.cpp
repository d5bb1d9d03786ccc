// The machine's MIB modules, read by net-snmp's parser.
//
// The parser runs in a child process of its own: the running program started again
// (posix_spawn of /proc/self/exe, which copies none of the program's memory, so that the
// window's start pays nothing for it) with OKAPEL_MIB_READER in its environment, which
// makes it the reader as it starts, before main. The child reads the modules as net-snmp's
// tools do with every module asked for ("-m ALL"), walks the tree that the parser made and
// writes each node (its parent, sub-identifier, name and modules) down a pipe; a thread of
// ours reads that, makes a name table and publishes it whole. The child writes the tree as
// it grows, after a module once the last writing has cost at most a quarter of the time
// since, so that the names of the modules read so far are in force while a large or slow
// module is still being read. So the parser's tree is never read while it is built, nor
// from two threads, and nothing else in Okapel touches it; a module that makes the parser
// crash, loop or eat memory takes the child down, not Okapel, and the names written before
// stay in force. The child writes nothing to the terminal: its standard streams are
// /dev/null and net-snmp's logging is off. It ends when Okapel ends, however Okapel ends:
// it asks the kernel to kill it when its parent goes, and a write to the pipe that Okapel
// no longer reads ends it too.
//
// What is read, in net-snmp's order: the modules of the MIB directories (MIBDIRS, else the
// mibdirs of the snmp.conf files, else net-snmp's list with ~/.snmp/mibs) and of MIBFILES,
// every module ("ALL") and then each entry of MIBS (else of the mibs setting) that names a
// module or a file, the files of MIBFILES, and last the files of mibfile lines. A directory
// entry or a file that is not a regular file (or a link to one) is skipped: a named pipe
// or a device would hold the parser up for ever.
//
// The project's base module (OKAPEL-BASE-MIB, from the registration tree) is read first,
// so that modules whose imports are missing from the machine (Debian ships net-snmp's own
// modules without SNMPv2-SMI) still hang under enterprises, mib-2 and the other standard
// nodes: net-snmp links a node to the parent of that name wherever it is defined.
#include "snmpapi/MibModules.h"
#include "snmpapi/MibNames.h"
#include "snmpapi/MibRecords.h"
#include "snmpapi/MibStream.h"
#include "snmpapi/SnmpInternal.h"

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
#include <ctime>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

using mibstream::kBeginRecord;
using mibstream::kDefinitionsRecord;
using mibstream::kEndRecord;
using mibstream::kReportRecord;
using mibstream::kSnapshotRecord;
using mibstream::kStreamFd;
using mibstream::StreamReader;
using mibstream::StreamWriter;

// A snapshot of the tree ('S', MibStream.h) holds records of one kind byte each:
//   'M' u32 module-number u16 length name        a module's name, before its first node
//   'N' i32 parent u32 arc u8 shown u32 definition u16 count u32 modules... u16 length name
//                                                a node; parent is the number of an earlier
//                                                node record, -1 for a root; shown is 1 for
//                                                the node whose name net-snmp's tools show
//                                                for the identifier, and only that one has
//                                                a definition (the id of one that a 'D'
//                                                record gave, or none); an empty name for a
//                                                node that has none
constexpr char kModuleRecord = 'M';
constexpr char kNodeRecord = 'N';

// More than any set of modules yields (1,000 modules of 50 objects write about 3 MB of
// names and as much of definitions); a child that writes a larger record is stopped, and
// what it wrote before stays in force.
constexpr size_t kMaxSnapshot = 256u << 20;

constexpr char kReaderVariable[] = "OKAPEL_MIB_READER";        // holds the base module's directory
constexpr char kParentVariable[] = "OKAPEL_MIB_READER_PARENT"; // Okapel's process id
// The reader's hold (SetMibReaderHold): a named pipe, and the file of the module before
// which the reader waits on it.
constexpr char kHoldVariable[] = "OKAPEL_MIB_READER_HOLD";
constexpr char kHoldBeforeVariable[] = "OKAPEL_MIB_READER_HOLD_BEFORE";

// --- The child ----------------------------------------------------------------------------

bool IsAnonymous(const char* label) {
    return std::strncmp(label, ANON, ANON_LEN) == 0;
}

// One snapshot of the parser's tree, after the definitions that it needs and no snapshot
// before gave, and what became of each module so far. Of the siblings that share a
// sub-identifier, net-snmp's tools show (and look below) the last of the first run of them;
// the others are written as names that are read only.
void WriteSnapshot(mibrecords::DefinitionWriter* definitions, mibrecords::ModuleReporter* reporter,
                   StreamWriter* out) {
    StreamWriter body;
    StreamWriter described;
    std::unordered_set<int> modulesWritten;
    char moduleName[512];
    std::int32_t written = 0;
    // Lists of siblings, depth first without recursion: a module may nest as deep as it
    // likes.
    std::vector<std::pair<tree*, std::int32_t>> pending;
    pending.emplace_back(get_tree_head(), -1);
    std::vector<int> modules;
    while (!pending.empty()) {
        const auto [list, parent] = pending.back();
        pending.pop_back();
        std::unordered_set<unsigned long> runsEnded;
        for (tree* node = list; node; node = node->next_peer) {
            const bool lastOfRun = !node->next_peer || node->next_peer->subid != node->subid;
            const bool shown = lastOfRun && runsEnded.insert(node->subid).second;
            if (!node->label || node->subid > 0xFFFFFFFFul)
                continue;
            modules.assign(node->module_list, node->module_list + node->number_modules);
            if (modules.empty())
                modules.push_back(node->modid);
            for (int module : modules) {
                if (modulesWritten.insert(module).second) {
                    body.Put(kModuleRecord);
                    body.Put(static_cast<std::uint32_t>(module));
                    body.PutText(module_name(module, moduleName));
                }
            }
            body.Put(kNodeRecord);
            body.Put(parent);
            body.Put(static_cast<std::uint32_t>(node->subid));
            body.Put(static_cast<std::uint8_t>(shown));
            body.Put(shown ? definitions->Describe(*node, &described) : mibrecords::kNoDefinition);
            body.Put(static_cast<std::uint16_t>(std::min<size_t>(modules.size(), 0xFFFF)));
            for (size_t i = 0; i < modules.size() && i < 0xFFFF; ++i)
                body.Put(static_cast<std::uint32_t>(modules[i]));
            body.PutText(IsAnonymous(node->label) ? "" : node->label);
            if (shown && node->child_list)
                pending.emplace_back(node->child_list, written);
            ++written;
        }
    }
    StreamWriter report;
    reporter->Write(&report);
    out->PutRecord(kDefinitionsRecord, described);
    out->PutRecord(kReportRecord, report);
    out->PutRecord(kSnapshotRecord, body);
    out->Send();
}

// The reader's processor time in seconds: what it spends, however busy the machine is and
// however long Okapel takes to take a snapshot from the pipe.
double ProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Writes a snapshot after a module once the last one has cost at most a quarter of the
// processor time since it began, and before a module whose file takes four times as long
// to read as the last one cost, so that writing takes at most about a fifth of the reader's time
// however large the tree grows, the first modules' names go out at once, and those read so
// far go out before a large module.
class Snapshots {
public:
    // Only the reader writes snapshots; the same reading in another process (the testing
    // library's) writes nothing.
    void Activate() { m_active = true; }
    // The module or file that is read next, told to Okapel at once, so that a reader that
    // ends while it reads names it.
    void Begin(std::string_view name) {
        m_reporter.Begin(name);
        if (!m_active)
            return;
        StreamWriter begin;
        begin.Put(kBeginRecord);
        begin.PutText(name);
        begin.Send();
    }
    mibrecords::ModuleReporter& Reporter() { return m_reporter; }
    void BeforeModule(const char* file) {
        struct stat status {};
        if (!m_active || !m_unsent || stat(file, &status) != 0)
            return;
        // net-snmp's parser reads some 20 MB of modules a second here.
        if (static_cast<double>(status.st_size) / 20e6 >= 4 * m_cost)
            Write(ProcessorSeconds());
    }
    void AfterModule() {
        if (!m_active)
            return;
        m_unsent = true;
        const double now = ProcessorSeconds();
        if (now - m_last >= 4 * m_cost)
            Write(now);
    }
    void Last() {
        Write(ProcessorSeconds());
        StreamWriter end;
        end.Put(kEndRecord);
        end.Send();
    }

private:
    void Write(double start) {
        StreamWriter out;
        WriteSnapshot(&m_definitions, &m_reporter, &out);
        m_last = ProcessorSeconds();
        m_cost = m_last - start;
        m_unsent = false;
    }
    double m_last = 0;
    double m_cost = 0;
    bool m_unsent = false; // modules were read since the last snapshot
    bool m_active = false;
    mibrecords::DefinitionWriter m_definitions;
    mibrecords::ModuleReporter m_reporter;
};

// The reader's own state: its snapshots, and the snmp.conf settings that net-snmp keeps to
// itself, kept here by handlers of the same meaning: mibs as net-snmp's own handler reads
// it, and the files of mibfile lines, read after everything else as net-snmp's tools read
// them.
struct ReaderState {
    Snapshots snapshots;
    std::string confMibs;
    bool haveConfMibs = false;
    std::vector<std::string> mibFiles;
};

ReaderState& Reader() {
    static ReaderState state;
    return state;
}

// A file the parser may open: a regular file, or a link to one.
bool IsRegularFile(const char* path) {
    struct stat status {};
    return stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

// The modules of one directory made known to the parser, as net-snmp's add_mibdir does
// (its file names, in its order), but for the entries that are not regular files.
void AddDirectory(const std::string& directory) {
    DIR* dir = opendir(directory.c_str());
    if (!dir)
        return;
    std::vector<std::string> files;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.empty() || name.front() == '.' || name.front() == '#' || name.back() == '#' ||
            name.back() == '~')
            continue;
        std::string path = directory + "/" + std::string(name);
        if (IsRegularFile(path.c_str()))
            files.push_back(std::move(path));
    }
    closedir(dir);
    std::sort(files.begin(), files.end());
    for (const std::string& file : files)
        if (add_mibfile(file.c_str(), std::strrchr(file.c_str(), '/')) != 0)
            Reader().snapshots.Reporter().NotAModule(file);
}

void ReadFile(const std::string& file) {
    if (IsRegularFile(file.c_str())) {
        Reader().snapshots.Begin(file);
        Reader().snapshots.BeforeModule(file.c_str());
        read_mib(file.c_str());
        Reader().snapshots.AfterModule();
    }
}

// The reader's hold: waits once, before the module of the file named (the first module when
// none is named), until the hold's named pipe is opened for writing.
void HoldBefore(const module& next) {
    static bool held = false;
    const char* fifo = std::getenv(kHoldVariable);
    const char* before = std::getenv(kHoldBeforeVariable);
    if (held || !fifo || (before && *before && std::strcmp(before, next.file) != 0))
        return;
    held = true;
    const int fd = open(fifo, O_RDONLY | O_CLOEXEC);
    if (fd >= 0)
        close(fd);
}

// Every module made known, as net-snmp's read_all_mibs reads them (its list of modules
// begins with the one made known last), with a snapshot after each.
void ReadAllModules() {
    for (module* mp = mibrecords::ParserModules(); mp; mp = mp->next) {
        if (mp->no_imports == -1) {
            Reader().snapshots.Begin(mp->name);
            Reader().snapshots.BeforeModule(mp->file);
            HoldBefore(*mp);
            netsnmp_read_module(mp->name);
            Reader().snapshots.AfterModule();
        }
    }
}

std::vector<std::string> Split(const char* list) {
    std::vector<std::string> entries;
    std::string_view rest = list ? list : "";
    while (!rest.empty()) {
        const size_t colon = rest.find(ENV_SEPARATOR_CHAR);
        if (colon != 0)
            entries.emplace_back(rest.substr(0, colon));
        rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
    }
    return entries;
}

// A list of MIBS or MIBFILES with net-snmp's meaning of a leading "+" (after the defaults)
// and "-" (before them).
std::string WithDefaults(std::string list, const char* defaults) {
    if (list.empty() || (list[0] != '+' && list[0] != '-'))
        return list;
    const std::string rest = list.substr(1);
    if (!defaults)
        return rest;
    return list[0] == '+' ? std::string(defaults) + ENV_SEPARATOR + rest
                          : rest + ENV_SEPARATOR + defaults;
}

void HandleMibs(const char*, char* line) {
    ReaderState& reader = Reader();
    if (reader.haveConfMibs && (*line == '+' || *line == '-')) {
        const std::string rest = line + 1;
        reader.confMibs = *line == '+' ? reader.confMibs + ENV_SEPARATOR + rest
                                       : rest + ENV_SEPARATOR + reader.confMibs;
    } else {
        reader.confMibs = line;
    }
    reader.haveConfMibs = true;
}

void HandleMibFile(const char*, char* line) {
    Reader().mibFiles.emplace_back(line);
}

#ifdef NETSNMP_DEFAULT_MIBFILES
constexpr const char* kDefaultMibFiles = NETSNMP_DEFAULT_MIBFILES;
#else
constexpr const char* kDefaultMibFiles = nullptr;
#endif

// net-snmp's start of its MIB reader (netsnmp_init_mib) for a tool run with "-m ALL" and
// the MIBS setting after it, reading only regular files, with snapshots as it goes.
void ReadModules(const std::string& baseDirectory) {
    netsnmp_init_mib_internals();
    netsnmp_fixup_mib_directory();
    for (const std::string& directory : Split(netsnmp_get_mib_directory()))
        AddDirectory(directory);
    if (!baseDirectory.empty())
        AddDirectory(baseDirectory);
    const char* mibFiles = std::getenv("MIBFILES");
    for (const std::string& file : Split(mibFiles && *mibFiles == '+' ? mibFiles + 1 : mibFiles))
        if (IsRegularFile(file.c_str()))
            add_mibfile(file.c_str(), nullptr);
    netsnmp_init_mib_internals();

    ReadAllModules();
    const char* mibs = std::getenv("MIBS");
    const ReaderState& reader = Reader();
    const std::string entries = WithDefaults(mibs                  ? std::string(mibs)
                                             : reader.haveConfMibs ? reader.confMibs
                                                                   : NETSNMP_DEFAULT_MIBS,
                                             NETSNMP_DEFAULT_MIBS);
    for (const std::string& entry : Split(entries.c_str())) {
        if (strcasecmp(entry.c_str(), "ALL") == 0) {
            ReadAllModules();
        } else if (entry.find('/') != std::string::npos) {
            ReadFile(entry);
        } else {
            Reader().snapshots.Begin(entry);
            netsnmp_read_module(entry.c_str());
            Reader().snapshots.AfterModule();
        }
    }
    adopt_orphans();

    const std::string files = mibFiles           ? WithDefaults(mibFiles, kDefaultMibFiles)
                              : kDefaultMibFiles ? kDefaultMibFiles
                                                 : "";
    for (const std::string& file : Split(files.c_str()))
        ReadFile(file);
}

[[noreturn]] void RunReader(const char* baseDirectory) {
    // Killed when Okapel goes, however it goes; and if it went before this line, at once.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const char* parent = std::getenv(kParentVariable);
    if (!parent || std::strtol(parent, nullptr, 10) != static_cast<long>(getppid()))
        _exit(3);
    // The parent gave the pipe as kStreamFd, /dev/null as the standard streams and no other
    // descriptor.
    // The window and the trap lines come first: the parser gets what the processor spares.
    setpriority(PRIO_PROCESS, 0, 19);
    SnmpLibraryQuiet();
    // The parser keeps the modules' descriptions only when asked, and tells its errors to
    // the reporter alone.
    snmp_set_save_descriptions(1);
    Reader().snapshots.Reporter().Start();
    Reader().snapshots.Activate();
    // A persistent directory that cannot exist: the parser neither reads nor writes its
    // directory indexes in the operator's own.
    netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_PERSISTENT_DIR, "/dev/null/okapel");
    netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIBDIRS, nullptr);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 0);
    register_mib_handlers();
    // The same tokens with handlers of ours (a handler registered again replaces the
    // library's, and keeps the time at which the library reads its lines).
    register_prenetsnmp_mib_handler("snmp", "mibs", HandleMibs, nullptr, nullptr);
    register_config_handler("snmp", "mibfile", HandleMibFile, nullptr, nullptr);
    read_premib_configs();
    ReadModules(baseDirectory);
    read_configs();
    for (const std::string& file : Reader().mibFiles)
        ReadFile(file);
    Reader().snapshots.Last();
    _exit(0);
}

// In the reader, this runs before main (and before anything else of Okapel's) and never
// returns.
const bool g_isReader = [] {
    if (const char* base = std::getenv(kReaderVariable))
        RunReader(base);
    return false;
}();

// --- Okapel's side -------------------------------------------------------------------------

// The table that one snapshot describes, with the definitions that the records before it
// gave, or null when it is not whole.
std::shared_ptr<const mibnames::Table> ReadTable(std::string_view data,
                                                 const mibrecords::DefinitionReader& definitions) {
    mibnames::TableBuilder builder;
    for (const auto& block : definitions.Blocks())
        builder.Hold(block);
    std::unordered_map<std::uint32_t, int> modules; // the child's numbers to the table's
    std::vector<int> nodes;                         // node record number to table node
    std::vector<int> nodeModules;
    StreamReader in(data);
    for (char kind = 0; in.Get(&kind);) {
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
        std::uint8_t shown = 0;
        std::uint32_t definition = 0;
        std::uint16_t count = 0;
        if (kind != kNodeRecord || !in.Get(&parent) || !in.Get(&arc) || !in.Get(&shown) ||
            !in.Get(&definition) || !in.Get(&count) || parent < -1 ||
            parent >= static_cast<std::int32_t>(nodes.size()))
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
        // A node under one that is not in the table is not in it either.
        const int parentNode = parent < 0 ? mibnames::kNone : nodes[static_cast<size_t>(parent)];
        nodes.push_back(parent >= 0 && parentNode == mibnames::kNone
                            ? mibnames::kNone
                            : builder.Add(parentNode, arc, name, nodeModules, shown != 0,
                                          definitions.ById(definition)));
    }
    return in.AtEnd() ? builder.Finish() : nullptr;
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
// that makes it the reader, and the program's process id, by which the reader knows that it
// was not orphaned before it asked to end with its parent. Made on the caller's thread,
// which alone may change the environment.
std::string g_holdFifo, g_holdBefore; // SetMibReaderHold's

std::vector<std::string> ReaderEnvironment(const std::string& baseDirectory) {
    std::vector<std::string> environment{std::string(kReaderVariable) + "=" + baseDirectory,
                                         std::string(kParentVariable) + "=" +
                                             std::to_string(getpid())};
    if (!g_holdFifo.empty()) {
        environment.push_back(std::string(kHoldVariable) + "=" + g_holdFifo);
        environment.push_back(std::string(kHoldBeforeVariable) + "=" + g_holdBefore);
    }
    for (char** variable = environ; *variable; ++variable) {
        const std::string_view text = *variable;
        const auto isOurs = [text](const char* name) {
            return text.starts_with(std::string(name) + "=");
        };
        if (!isOurs(kReaderVariable) && !isOurs(kParentVariable) && !isOurs(kHoldVariable) &&
            !isOurs(kHoldBeforeVariable))
            environment.emplace_back(text);
    }
    return environment;
}

// Reads exactly `size` bytes; false at the end of the stream or on an error.
bool ReadExactly(int fd, void* data, size_t size) {
    auto* at = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = read(fd, at, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
        size -= static_cast<size_t>(n);
    }
    return true;
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
        std::lock_guard<std::mutex> guard(m_mutex);
        m_stopping = false;
        m_running = true;
        m_thread = std::thread(&Loader::Run, this, fds[0], fds[1],
                               ReaderEnvironment(BaseModuleDirectory()));
    }

    // Ends a load under way (its names are not published) and waits for its thread.
    void Stop() {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_stopping = true;
            if (m_child > 0)
                kill(m_child, SIGKILL);
        }
        if (m_thread.joinable())
            m_thread.join();
    }

    bool Wait(int milliseconds) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_done.wait_for(lock, std::chrono::milliseconds(milliseconds),
                               [this] { return !m_running; });
    }

private:
    void Run(int readFd, int writeFd, std::vector<std::string> environment) {
        // The window and the trap lines come first: this thread and the reader, which it
        // starts and which takes its priority from the start (the loading of the program's
        // libraries included), get what the processor spares.
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19); // this thread alone
        pid_t pid = -1;
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            if (!m_stopping)
                pid = SpawnReader(writeFd, std::move(environment));
            m_child = pid;
        }
        close(writeFd);
        if (pid < 0) {
            close(readFd);
            Finish();
            return;
        }
        Read(readFd, pid);
    }

    // False once a Stop has come: the names of a reader that a Stop ends are not wanted,
    // however far it got. The report of the modules goes into force with the names.
    bool PutInForce(std::string_view snapshot,
                    std::shared_ptr<const mibnames::ModuleReport> report) {
        auto table = ReadTable(snapshot, m_definitions);
        std::lock_guard<std::mutex> guard(m_mutex);
        if (m_stopping)
            return false;
        if (table)
            mibnames::Publish(std::move(table));
        if (report)
            mibnames::PublishModuleReport(std::move(report));
        return true;
    }

    void Finish() {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_running = false;
        }
        m_done.notify_all();
    }

    // The last report with the end of the load in it: whole, or ended in the module that
    // the reader was reading.
    std::shared_ptr<const mibnames::ModuleReport> Ended(bool whole) const {
        auto report = std::make_shared<mibnames::ModuleReport>(m_report ? *m_report
                                                                        : mibnames::ModuleReport{});
        report->complete = whole;
        if (!whole && !m_reading.empty()) {
            using Outcome = mibnames::ModuleState::Outcome;
            auto stopped = std::find_if(report->modules.begin(), report->modules.end(),
                                        [this](const mibnames::ModuleState& m) {
                                            return m.name == m_reading || m.file == m_reading;
                                        });
            if (stopped == report->modules.end()) {
                report->modules.emplace_back();
                stopped = report->modules.end() - 1;
                stopped->name = m_reading;
            }
            stopped->outcome = Outcome::ReaderStopped;
            stopped->problems.push_back(
                {0, "The MIB reader ended while it read this module or one that it imports; "
                    "the modules after it were not read."});
            mibnames::OrderModuleReport(report.get());
        }
        return report;
    }

    // Reads a record's length and its bytes; false for a stream that ended or went astray,
    // and for a record so large that no set of modules makes it (the reader is then
    // stopped).
    static bool ReadRecord(int fd, pid_t pid, std::string* body) {
        std::uint64_t length = 0;
        if (!ReadExactly(fd, &length, sizeof length))
            return false;
        if (length > kMaxSnapshot) {
            kill(pid, SIGKILL); // not reaped yet, so the number is still the child's
            return false;
        }
        body->resize(length);
        return ReadExactly(fd, body->data(), length);
    }

    // Puts each whole snapshot in force as it comes, until the reader ends. A snapshot that
    // a later one follows before the pipe is drained is out of date before its table is
    // made, and only the later one is made; the definitions and reports between them are
    // all taken.
    void Read(int fd, pid_t pid) {
        std::string body;
        std::string snapshot;
        bool unmade = false;
        bool whole = false;
        bool wanted = true;
        for (;;) {
            char kind = 0;
            if (!ReadExactly(fd, &kind, 1))
                break; // a reader that ended early
            if (kind == kEndRecord) {
                whole = true;
                break;
            }
            if (kind == kBeginRecord) {
                std::uint16_t length = 0;
                if (!ReadExactly(fd, &length, sizeof length))
                    break;
                m_reading.resize(length);
                if (!ReadExactly(fd, m_reading.data(), length))
                    break;
            } else if (kind == kDefinitionsRecord) {
                if (!ReadRecord(fd, pid, &body) || !m_definitions.Read(body))
                    break;
            } else if (kind == kReportRecord) {
                if (!ReadRecord(fd, pid, &body))
                    break;
                m_report = mibrecords::ReadReport(body);
            } else if (kind == kSnapshotRecord) {
                if (!ReadRecord(fd, pid, &snapshot))
                    break;
                unmade = true;
            } else {
                break; // a reader that went astray
            }
            int following = 0;
            if (unmade && ioctl(fd, FIONREAD, &following) == 0 && following == 0) {
                unmade = false;
                if (!(wanted = PutInForce(snapshot, m_report)))
                    break;
            }
        }
        if (wanted && unmade)
            wanted = PutInForce(snapshot, m_report);
        if (wanted) {
            std::lock_guard<std::mutex> guard(m_mutex);
            if (!m_stopping)
                mibnames::PublishModuleReport(Ended(whole));
        }
        body = {};
        snapshot = {};
        m_definitions = {};
        m_report = {};
        m_reading = {};
        close(fd);
        // The snapshots' buffers and the tables they replaced were freed in this thread's
        // own heap, which keeps freed memory unless asked to give it back.
        malloc_trim(0);
        // Seen to end but not reaped, so that Stop never signals a number that another
        // process may have taken since; then reaped.
        siginfo_t info{};
        while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 &&
               errno == EINTR) {
        }
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_child = -1;
        }
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        Finish();
    }

    // The load's state on its thread: the definitions so far, the last report, and the
    // module that the reader said it reads.
    mibrecords::DefinitionReader m_definitions;
    std::shared_ptr<const mibnames::ModuleReport> m_report;
    std::string m_reading;

    std::mutex m_mutex;
    std::condition_variable m_done;
    pid_t m_child = -1;
    bool m_running = false;
    bool m_stopping = false; // a Stop has come: no reader is started any more
    std::thread m_thread;
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

bool MibModulesWait(int milliseconds) {
    return TheLoader().Wait(milliseconds);
}

void SetMibReaderHold(const std::string& fifo, const std::string& beforeFile) {
    g_holdFifo = fifo;
    g_holdBefore = beforeFile;
}

void MibReadModulesHere() {
    snmp_set_save_descriptions(1);
    ReadModules(BaseModuleDirectory());
}

void MibModulesStop() {
    TheLoader().Stop();
    mibnames::Publish(nullptr);
    mibnames::PublishModuleReport(nullptr);
}
