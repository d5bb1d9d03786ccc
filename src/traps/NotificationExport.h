// The notification log's export: the notifications chosen, written on request to a file the
// operator named, as CSV (one row per binding, for spreadsheets) or as JSON lines (one object
// per notification), in UTF-8, each value in both its texts, as sent and as the MIB describes
// it; values whose bytes are no text are in hex, as the trap window shows them.
//
// CSV follows RFC 4180 (CRLF, fields in double quotes where they hold a comma, a quote or a
// line break). A field that a spreadsheet would take for a formula (it begins with "=", "+",
// "@", a tab or a carriage return, or with "-" not followed by a number) is written with an
// apostrophe in front, the spreadsheets' own mark of a text: a sender's bytes are never
// worked out as a formula on the operator's machine. JSON lines follow RFC 8259.
#pragma once

#include "traps/Notification.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

enum class ExportFormat { Csv, JsonLines };

// One notification to write, with its number in the log.
struct ExportedNotification {
    std::uint64_t number;
    NotificationRef notification;
};

enum class ExportResult { Written, Failed, Cancelled };

// Writes the notifications to `path`. The text goes first to a new file beside it, which
// takes the path's place only once it is whole, so that a file already there stays as it was
// when the export fails or is cancelled. Failed sets `error` to the system's words for what
// went wrong; nothing of the new file is left then. `cancelled`, when given, is looked at
// between notifications.
ExportResult ExportNotifications(const std::vector<ExportedNotification>& notifications,
                                 ExportFormat format, const std::string& path, std::string* error,
                                 const std::atomic<bool>* cancelled = nullptr);

// The CSV header line, the CSV lines of one notification (one per binding, or one with
// empty binding fields for a notification without any), and the JSON line of one, each with
// its line end.
std::string CsvHeaderLine();
std::string CsvLines(const ExportedNotification& exported);
std::string JsonLine(const ExportedNotification& exported);
// A CSV field as CsvLines writes it.
std::string CsvField(const std::string& text);
