// The notification log's export (NotificationExport.h).
#include "traps/NotificationExport.h"

#include "traps/NotificationMeaning.h"
#include "traps/NotificationText.h"
#include "values/Utf8.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

// The fields of a notification that every one of its CSV rows repeats, and the binding's
// own, in the order of the header.
constexpr const char* kCsvHeader[] = {
    "Notification", "Time",
    "Source",       "Port",
    "Version",      "Community or user",
    "Type",         "Name",
    "Trap OID",     "Agent address",
    "Binding",      "Binding name",
    "Binding OID",  "Value type",
    "Value",        "Value as the MIB describes it",
};

// Texts written into the file are UTF-8 whatever they hold: a byte that does not begin a
// character is written as U+FFFD.
void AppendValidUtf8(std::string& out, std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        char32_t code = 0;
        if (values::ReadUtf8(bytes, text.size(), &i, &code)) {
            out.append(text.data() + start, i - start);
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
}

bool LooksLikeNumber(std::string_view text) {
    if (text.empty())
        return false;
    bool digits = false;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digits = true;
        else if (c != '.')
            return false;
    }
    return digits;
}

std::string JsonString(std::string_view text) {
    std::string valid;
    AppendValidUtf8(valid, text);
    std::string out = "\"";
    for (char c : valid) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string KindWord(const CNotification& n) {
    return n.IsInform() ? "inform" : "trap";
}

// The bits of a new file that the process's umask lets through, as open() would give them.
mode_t NewFileMode() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return 0666 & ~static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    return 0644;
}

std::string SystemWords(const std::string& path, int error) {
    return "Cannot write " + path + ": " + std::strerror(error);
}

// Writes all of `text`; false with errno set.
bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

} // namespace

std::string CsvField(const std::string& text) {
    std::string field;
    AppendValidUtf8(field, text);
    const bool formula = !field.empty() &&
                         (field[0] == '=' || field[0] == '+' || field[0] == '@' ||
                          field[0] == '\t' || field[0] == '\r' ||
                          (field[0] == '-' && !LooksLikeNumber(std::string_view(field).substr(1))));
    if (formula)
        field.insert(0, 1, '\'');
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string CsvHeaderLine() {
    std::string line;
    for (const char* name : kCsvHeader)
        line += (line.empty() ? "" : ",") + CsvField(name);
    return line + "\r\n";
}

std::string CsvLines(const ExportedNotification& exported) {
    const CNotification& n = *exported.notification;
    std::string common;
    for (const std::string& field :
         {std::to_string(exported.number), ArrivalText(n.ArrivalMs()), std::string(n.SenderText()),
          std::to_string(n.SenderPort()), std::string(NotificationVersionText(n.Version())),
          CommunityText(n), KindWord(n), std::string(n.NameText()), std::string(n.TrapOidText()),
          std::string(n.AgentAddressText())})
        common += CsvField(field) + ",";
    CNotificationBindings bindings;
    n.Unpack(&bindings);
    if (bindings.Count() == 0)
        return common + ",,,,," + "\r\n";
    std::string lines;
    for (std::size_t i = 0; i < bindings.Count(); ++i) {
        const SnmpVarBind& vb = bindings[i];
        lines += common + std::to_string(i + 1) + "," + CsvField(OidNameText(vb.name)) + "," +
                 CsvField(DottedOid(vb.name)) + "," + CsvField(ValueTypeName(vb.value.asnType)) +
                 "," + CsvField(SentValueText(vb.value)) + "," + CsvField(DescribedValueText(vb)) +
                 "\r\n";
    }
    return lines;
}

std::string JsonLine(const ExportedNotification& exported) {
    const CNotification& n = *exported.notification;
    std::string line = "{\"notification\":" + std::to_string(exported.number) +
                       ",\"time\":" + JsonString(ArrivalText(n.ArrivalMs())) +
                       ",\"timeMs\":" + std::to_string(n.ArrivalMs()) +
                       ",\"source\":" + JsonString(n.SenderText()) +
                       ",\"port\":" + std::to_string(n.SenderPort()) +
                       ",\"version\":" + JsonString(NotificationVersionText(n.Version())) + "," +
                       (n.Version() == SNMP_MGR_VERSION_3 ? "\"user\":" : "\"community\":") +
                       JsonString(CommunityText(n)) + ",\"type\":" + JsonString(KindWord(n)) +
                       ",\"name\":" + JsonString(n.NameText()) +
                       ",\"trapOid\":" + JsonString(n.TrapOidText());
    if (!n.AgentAddressText().empty())
        line += ",\"agentAddress\":" + JsonString(n.AgentAddressText());
    line += ",\"bindings\":[";
    CNotificationBindings bindings;
    n.Unpack(&bindings);
    for (std::size_t i = 0; i < bindings.Count(); ++i) {
        const SnmpVarBind& vb = bindings[i];
        line += std::string(i ? "," : "") + "{\"name\":" + JsonString(OidNameText(vb.name)) +
                ",\"oid\":" + JsonString(DottedOid(vb.name)) +
                ",\"type\":" + JsonString(ValueTypeName(vb.value.asnType)) +
                ",\"value\":" + JsonString(SentValueText(vb.value)) +
                ",\"described\":" + JsonString(DescribedValueText(vb)) + "}";
    }
    return line + "]}\n";
}

ExportResult ExportNotifications(const std::vector<ExportedNotification>& notifications,
                                 ExportFormat format, const std::string& path, std::string* error,
                                 const std::atomic<bool>* cancelled) {
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        *error = SystemWords(path, errno);
        return ExportResult::Failed;
    }
    // The new file gets the mode of the one it replaces, or a new file's.
    struct stat existing {};
    fchmod(fd, stat(path.c_str(), &existing) == 0 ? existing.st_mode & 07777 : NewFileMode());
    const auto fail = [&](int code) {
        close(fd);
        unlink(temporary.c_str());
        *error = SystemWords(path, code);
        return ExportResult::Failed;
    };
    // Written in pieces of about a megabyte: an export of a full log never holds its whole
    // text.
    constexpr std::size_t kPiece = 1 << 20;
    std::string piece = format == ExportFormat::Csv ? CsvHeaderLine() : std::string();
    for (const ExportedNotification& exported : notifications) {
        if (cancelled && cancelled->load()) {
            close(fd);
            unlink(temporary.c_str());
            return ExportResult::Cancelled;
        }
        piece += format == ExportFormat::Csv ? CsvLines(exported) : JsonLine(exported);
        if (piece.size() >= kPiece) {
            if (!WriteAll(fd, piece))
                return fail(errno);
            piece.clear();
        }
    }
    if (!WriteAll(fd, piece) || fsync(fd) != 0)
        return fail(errno);
    if (close(fd) != 0) {
        const int code = errno;
        unlink(temporary.c_str());
        *error = SystemWords(path, code);
        return ExportResult::Failed;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        const int code = errno;
        unlink(temporary.c_str());
        *error = SystemWords(path, code);
        return ExportResult::Failed;
    }
    return ExportResult::Written;
}
