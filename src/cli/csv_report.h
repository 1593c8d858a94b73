// The batch's report: one CSV row per box, appended as each box ends so that a batch cut short
// keeps every row it made.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_report.h"
#include "common/platform.h"

// One cell as RFC 4180 writes it (quoted when it holds a comma, a quote or a line end), and
// neutralised with a leading "'" when a spreadsheet would take it for a formula: the box ID and
// the box's texts come from the box.
std::string CsvCell(const std::string& text);
// The cells joined and ended with CRLF.
std::string CsvRow(const std::vector<std::string>& cells);

class CsvReport {
 public:
  // Writes the header when the file is new or empty; throws FileCreateError when it cannot be
  // written, before any box is set up.
  explicit CsvReport(std::string path);

  // Appends the row of one box, ended at `time` (text); throws when it cannot be written.
  void Append(const std::string& time, const BoxResult& result);
  const std::string& path() const { return path_; }

 private:
  void Write(const std::string& text);
  FileCreateError CannotWrite(int error_number) const;
  std::string path_;
};
