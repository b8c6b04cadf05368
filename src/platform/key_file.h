// Settings files in the desktop's key-file format ("[group]" headers, "key=value" lines, '#' comments),
// parsed and written by GLib's GKeyFile.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace corv {

struct KeyFileEntry {
  std::string group;
  std::string key;
  std::string value;
  bool operator==(const KeyFileEntry&) const = default;
};

// Every entry of a key file's text, in file order. Fails when the text is not a key file (a line that is
// neither a header, a key nor a comment, or text that is not UTF-8).
Result<std::vector<KeyFileEntry>> ParseKeyFile(std::string_view text);

// The text of a key file holding the entries (groups in the order they first appear), with `comment`
// (one or more lines) at its top.
std::string FormatKeyFile(const std::vector<KeyFileEntry>& entries, const std::string& comment);

}  // namespace corv
