#include "cli/csv_report.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "cli/cli_texts.h"
#include "cli/command_process.h"
#include "common/platform.h"

std::string CsvCell(const std::string& text) {
  std::string cell = text;
  if (!cell.empty() && std::string_view("=+-@").find(cell.front()) != std::string_view::npos)
    cell.insert(0, "'");
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (const char c : cell) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string CsvRow(const std::vector<std::string>& cells) {
  std::string row;
  for (const std::string& cell : cells) {
    if (!row.empty()) row += ',';
    row += CsvCell(cell);
  }
  return row + "\r\n";
}

CsvReport::CsvReport(std::string path) : path_(std::move(path)) {
  std::error_code error;
  const bool empty = !std::filesystem::exists(path_, error) || std::filesystem::file_size(path_, error) == 0;
  Write(empty ? std::string(cli_text::kReportHeader) + "\r\n" : std::string());
}

void CsvReport::Append(const std::string& time, const BoxResult& result) {
  Write(CsvRow({time, result.box_id, result.link, result.operator_name, result.apn, result.signal, result.sim,
                OutcomeName(result.outcome), std::to_string(ExitStatus(result.outcome))}));
}

// Opened for each row, so every row is on disk once its box is done.
void CsvReport::Write(const std::string& text) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path_.c_str(), "ab"), &std::fclose);
  if (!file) throw CannotWrite(errno);
  if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() || std::fflush(file.get()) != 0) {
    throw CannotWrite(errno);
  }
}

FileCreateError CsvReport::CannotWrite(int error_number) const {
  return FileCreateError(UserText(cli_text::kCannotWriteReport)
                             .With("file", ShownSystemText(path_))
                             .With("reason", SystemErrorText(error_number)));
}
