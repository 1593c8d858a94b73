// The box's web page address.
#include "controller/web_link.h"

#include <algorithm>

namespace {

constexpr const char* kWebHost = "www.rodiduz.com";
constexpr std::size_t kBoxIdLength = 8;

// Plain ASCII on purpose: the locale's idea of a letter would let other bytes through.
bool IsIdCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace

std::optional<AnsiString> BoxWebLink(std::string_view box_id) {
  if (box_id.size() != kBoxIdLength || !std::all_of(box_id.begin(), box_id.end(), IsIdCharacter)) {
    return std::nullopt;
  }
  return "http://" + AnsiString(kWebHost) + "/id/" + AnsiString(box_id);
}
