// The box's web page address: built in this one place for the Done page's label, Copy Link
// and the browser alike.
#pragma once

#include <optional>
#include <string_view>

#include "common/text.h"
#include "common/translations.h"

// The ID the Done page's link carries before a box has passed its test.
inline constexpr const char* kPlaceholderBoxId = "00000000";
// What the Done page shows instead of a link when the box's ID makes none.
inline constexpr const char* kNoValidBoxIdText = N_("The box reported no valid ID.");

// "http://", the web site's host, "/id/" and the ID, for an ID of exactly eight characters
// A-Z, a-z and 0-9; nothing for any other ID. The link goes to the system's shell, so an ID
// with anything more in it (a dot, a slash, a backslash, a colon, a space) could make it name
// a path, a file, a share or a program instead of the box's page.
std::optional<AnsiString> BoxWebLink(std::string_view box_id);
