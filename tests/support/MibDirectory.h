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

    // A file that holds up the parser when it opens it (a named pipe without a writer),
    // until Release() opens and closes its other end; the parser then finds it empty.
    void AddHoldingFile() const;
    bool Release() const; // false when the parser did not open the file within 30 s

    // `modules` modules GENERATED-<m>-MIB, each with one node genM<m> at
    // enterprises.(50000 + m) and `objects` scalars genM<m>Object<k> at genM<m>.1.<k>.
    void WriteGenerated(int modules, int objects) const;

private:
    std::string m_path;
    std::optional<std::string> m_oldMibDirs;
};
