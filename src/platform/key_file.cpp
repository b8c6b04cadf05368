#include "platform/key_file.h"

#include <glib.h>

#include <memory>

#include "platform/owned.h"

namespace corv {
namespace {

using KeyFilePtr = Owned<GKeyFile, g_key_file_free>;
using StrvPtr = Owned<gchar*, g_strfreev>;

}  // namespace

Result<std::vector<KeyFileEntry>> ParseKeyFile(std::string_view text) {
  KeyFilePtr file(g_key_file_new());
  GError* failure = nullptr;
  if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_NONE, &failure)) {
    std::string message = failure ? failure->message : "not a settings file";
    g_clear_error(&failure);
    return Fail(std::move(message));
  }
  std::vector<KeyFileEntry> out;
  StrvPtr groups(g_key_file_get_groups(file.get(), nullptr));
  for (gchar** group = groups.get(); group && *group; ++group) {
    StrvPtr keys(g_key_file_get_keys(file.get(), *group, nullptr, nullptr));
    for (gchar** key = keys.get(); key && *key; ++key) {
      // The value as written, with GKeyFile's escapes (\s, \n, \\) undone.
      gchar* value = g_key_file_get_string(file.get(), *group, *key, nullptr);
      out.push_back(KeyFileEntry{*group, *key, value ? value : ""});
      g_free(value);
    }
  }
  return out;
}

std::string FormatKeyFile(const std::vector<KeyFileEntry>& entries, const std::string& comment) {
  KeyFilePtr file(g_key_file_new());
  for (const KeyFileEntry& entry : entries)
    g_key_file_set_string(file.get(), entry.group.c_str(), entry.key.c_str(), entry.value.c_str());
  if (!comment.empty()) g_key_file_set_comment(file.get(), nullptr, nullptr, comment.c_str(), nullptr);
  gsize length = 0;
  gchar* data = g_key_file_to_data(file.get(), &length, nullptr);
  std::string text(data ? data : "", data ? length : 0);
  g_free(data);
  return text;
}

}  // namespace corv
