// The batch's report: cells quoted as RFC 4180 says, formulas neutralised, rows appended.
#include "cli/csv_report.h"

#include <gtest/gtest.h>

#include "common/platform.h"
#include "support/test_files.h"

namespace {

struct CellCase {
  const char* name;
  std::string text;
  std::string cell;
};

TEST(CsvReport, CellsAreQuotedAndFormulasNeutralised) {
  const std::vector<CellCase> cases = {
      {"plain", "AB12CD34", "AB12CD34"},
      {"empty", "", ""},
      {"comma", "a,b", "\"a,b\""},
      {"quote", "say \"hi\"", "\"say \"\"hi\"\"\""},
      {"line ends", "a\r\nb", "\"a\r\nb\""},
      {"formula", "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
      {"plus", "+1", "'+1"},
      {"minus", "-75", "'-75"},
      {"at", "@SUM(A1)", "'@SUM(A1)"},
      {"sign inside", "a=b-c", "a=b-c"},
  };
  for (const CellCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CsvCell(c.text), c.cell);
  }
  EXPECT_EQ(CsvRow({"a", "b,c", ""}), "a,\"b,c\",\r\n");
}

TEST(CsvReport, TheHeaderOnlyStartsAnEmptyFileAndRowsAreAppended) {
  const ScratchFolder folder;
  const std::string path = folder.Write("boxes.csv", "");
  BoxResult result;
  result.outcome = Outcome::kTestFailed;
  result.box_id = "=1+1";
  CsvReport(path).Append("2026-01-02T03:04:05", result);
  CsvReport(path).Append("t", BoxResult{});
  EXPECT_EQ(ReadFileForTest(path),
            "time,box_id,link,operator,apn,signal,sim,result,exit_status\r\n"
            "2026-01-02T03:04:05,'=1+1,,,,,,test-failed,7\r\n"
            "t,,,,,,,failed,1\r\n");
  EXPECT_THROW(CsvReport{folder.File("no/such/folder.csv")}, FileCreateError);
}

}  // namespace
