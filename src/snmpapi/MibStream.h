// The stream between the MIB reader (the child process that runs net-snmp's parser) and
// Okapel: records of one kind byte each, numbers in the machine's order, texts with their
// length in front (MibModules.cpp, MibRecords.cpp).
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace mibstream {

// The stream's records, in the order the reader writes them:
//   'B' u16 length name          the reader begins to read this module or file
//   'D' u64 length, records      the definitions of the nodes of the next snapshot that no
//                                earlier 'D' gave (MibRecords.cpp)
//   'R' u64 length, records      what became of each module so far (MibRecords.cpp)
//   'S' u64 length, records      a snapshot of the tree (MibModules.cpp)
//   'E'                          the end: everything was read
inline constexpr char kBeginRecord = 'B';
inline constexpr char kDefinitionsRecord = 'D';
inline constexpr char kReportRecord = 'R';
inline constexpr char kSnapshotRecord = 'S';
inline constexpr char kEndRecord = 'E';

// The child's pipe, after its other descriptors are closed.
inline constexpr int kStreamFd = 3;

class StreamWriter {
public:
    template <typename T> void Put(T value) {
        m_out.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    // A text of up to 65,535 bytes; a longer one is cut there.
    void PutText(std::string_view text) {
        const size_t length = std::min<size_t>(text.size(), 0xFFFF);
        Put(static_cast<std::uint16_t>(length));
        m_out.append(text.data(), length);
    }
    // A text of any length (a description).
    void PutLongText(std::string_view text) {
        Put(static_cast<std::uint32_t>(text.size()));
        m_out.append(text);
    }
    // Another writer's bytes as one record of `kind`, with their length in front.
    void PutRecord(char kind, const StreamWriter& body) {
        Put(kind);
        Put(static_cast<std::uint64_t>(body.Size()));
        m_out.append(body.m_out);
    }
    size_t Size() const { return m_out.size(); }
    const std::string& Bytes() const { return m_out; }
    // Sends what was put; a write that fails (Okapel has closed the pipe, or is gone) ends
    // the reader.
    void Send() {
        for (size_t done = 0; done < m_out.size();) {
            const ssize_t n = write(kStreamFd, m_out.data() + done, m_out.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                _exit(2);
            done += static_cast<size_t>(n);
        }
        m_out.clear();
    }

private:
    std::string m_out;
};

class StreamReader {
public:
    explicit StreamReader(std::string_view data) : m_data(data) {}
    bool AtEnd() const { return m_data.empty(); }
    template <typename T> bool Get(T* value) {
        if (m_data.size() < sizeof *value)
            return false;
        std::memcpy(value, m_data.data(), sizeof *value);
        m_data.remove_prefix(sizeof *value);
        return true;
    }
    bool GetText(std::string_view* text) {
        std::uint16_t length = 0;
        return Get(&length) && Take(length, text);
    }
    bool GetLongText(std::string_view* text) {
        std::uint32_t length = 0;
        return Get(&length) && Take(length, text);
    }

private:
    bool Take(size_t length, std::string_view* text) {
        if (m_data.size() < length)
            return false;
        *text = m_data.substr(0, length);
        m_data.remove_prefix(length);
        return true;
    }
    std::string_view m_data;
};

} // namespace mibstream
