// A temporary directory of MIB modules, given to the MIB module load through MIBDIRS while
// it lives. Nothing here depends on the test framework, so that bench/ can use it too.
#pragma once

#include <optional>
#include <string>

class CMibDirectory {
public:
    CMibDirectory();  // makes the directory and points MIBDIRS at it
    ~CMibDirectory(); // ends a load under way, restores MIBDIRS and removes the directory
    CMibDirectory(const CMibDirectory&) = delete;
    CMibDirectory& operator=(const CMibDirectory&) = delete;

    const std::string& Path() const { return m_path; }
    void Write(const std::string& file, const std::string& text) const;

    // A named pipe without a writer, which would hold up a parser that opened it.
    void AddNamedPipe(const std::string& file) const;
    // Holds the readers of the next loads before they read the module in `file` of this
    // directory (before their first module when empty), until Release(); the hold is a
    // named pipe in this directory, which the readers do not read as a module.
    void HoldReader(const std::string& file = "") const;
    bool Release() const; // false when the reader did not wait within 30 s

    // `modules` modules GENERATED-<m>-MIB, each with one node genM<m> at
    // enterprises.(50000 + m) and `objects` scalars genM<m>Object<k> at genM<m>.1.<k>, in
    // files named `prefix` GENERATED-<m>-MIB.txt.
    void WriteGenerated(int modules, int objects, const std::string& prefix = "") const;

private:
    std::string m_path;
    std::optional<std::string> m_oldMibDirs;
};
