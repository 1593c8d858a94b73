#include "cli/cli_report.h"

#include "cli/cli_texts.h"

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kPassed:
      return "passed";
    case Outcome::kOther:
      return "failed";
    case Outcome::kUsage:
      return "usage";
    case Outcome::kNoBox:
      return "no-box";
    case Outcome::kNoSim:
      return "no-sim";
    case Outcome::kPinProblem:
      return "pin";
    case Outcome::kPukProblem:
      return "puk";
    case Outcome::kTestFailed:
      return "test-failed";
    case Outcome::kBoxGone:
      return "box-gone";
    case Outcome::kSettingRefused:
      return "setting-refused";
    case Outcome::kBoxSilent:
      return "box-silent";
  }
  return "failed";
}

std::string JsonString(const std::string& text) {
  static const char* const kHex = "0123456789abcdef";
  std::string json = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20) {
      json += "\\u00";
      json += kHex[byte >> 4];
      json += kHex[byte & 15];
    } else {
      json += c;
    }
  }
  return json + "\"";
}

void CliReport::Json(const std::vector<std::pair<std::string, std::string>>& fields,
                     const std::string& tail) {
  std::string line = "{";
  for (const auto& [name, value] : fields) {
    if (line.size() > 1) line += ",";
    line += JsonString(name) + ":" + JsonString(value);
  }
  line += tail + "}\n";
  std::fputs(line.c_str(), out_);
  std::fflush(out_);
}

void CliReport::Tell(const UserText& text) {
  // One write for the whole line: a console shows a character split between two as garbage.
  const std::string line = NativeToUtf8(text.Shown(texts_)) + "\n";
  std::fputs(line.c_str(), err_);
  std::fflush(err_);
}

void CliReport::Progress(const std::string& step, const UserText& text) {
  Tell(text);
  // Scripts match the text whatever language the technician reads: its English, in UTF-8.
  if (json_)
    Json({{"event", "progress"}, {"step", step}, {"text", NativeToUtf8(text.Shown(EnglishTexts()))}});
}

void CliReport::Result(const BoxResult& result) {
  if (result.outcome == Outcome::kPassed) {
    Progress("passed", UserText(cli_text::kPassed).With("link", Utf8ToNative(result.link)));
    if (!json_) std::fprintf(out_, "%s\n", result.link.c_str());
  } else {
    Progress(OutcomeName(result.outcome), UserText(cli_text::kFailed).With("reason", result.reason));
  }
  if (!json_) return;
  Json({{"event", "result"},
        {"result", OutcomeName(result.outcome)},
        {"box_id", result.box_id},
        {"link", result.link},
        {"operator", result.operator_name},
        {"apn", result.apn},
        {"signal", result.signal},
        {"sim", result.sim}},
       ",\"exit_status\":" + std::to_string(ExitStatus(result.outcome)));
}
