#include "shell/preferences.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "platform/file_store.h"
#include "platform/key_file.h"
#include "platform/user_folders.h"

namespace corv {
namespace {

constexpr size_t kMaxSettingsBytes = 1 << 20;  // far above any real settings file

// One setting: where it stands in the file, how its text is read (false: the value cannot be taken) and
// how it is written (empty: nothing to write).
struct Field {
  const char* group;
  const char* key;
  std::function<bool(Preferences&, const std::string&)> read;
  std::function<std::string(const Preferences&)> write;
};

bool ReadInt(const std::string& text, int low, int high, int& out) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) return false;
  out = value;
  return true;
}

Field IntField(const char* group, const char* key, int Preferences::*member, int low, int high) {
  return {group, key, [=](Preferences& p, const std::string& v) { return ReadInt(v, low, high, p.*member); },
          [=](const Preferences& p) { return std::to_string(p.*member); }};
}

Field BoolField(const char* group, const char* key, bool Preferences::*member) {
  return {group, key,
          [=](Preferences& p, const std::string& v) {
            if (v != "true" && v != "false") return false;
            p.*member = v == "true";
            return true;
          },
          [=](const Preferences& p) { return std::string(p.*member ? "true" : "false"); }};
}

// A window dimension: written only once known (above 0).
Field SizeField(const char* group, const char* key, int Preferences::*member, int low) {
  return {group, key, [=](Preferences& p, const std::string& v) { return ReadInt(v, low, 16384, p.*member); },
          [=](const Preferences& p) { return p.*member > 0 ? std::to_string(p.*member) : std::string(); }};
}

// A number that may also be `off` (stored as -1).
Field OptionalIntField(const char* group, const char* key, int Preferences::*member, int low, int high) {
  return {
      group, key,
      [=](Preferences& p, const std::string& v) {
        if (v != "off") return ReadInt(v, low, high, p.*member);
        p.*member = -1;
        return true;
      },
      [=](const Preferences& p) { return p.*member < 0 ? std::string("off") : std::to_string(p.*member); }};
}

const std::vector<Field>& Fields() {
  static const char* const kModes[] = {"coarse", "normal", "fine"};
  static const std::vector<Field> fields = {
      {"display", "depth",
       [](Preferences& p, const std::string& v) {
         if (v != "16" && v != "24" && v != "32") return false;
         p.depth = std::stoi(v);
         return true;
       },
       [](const Preferences& p) { return p.depth ? std::to_string(p.depth) : std::string(); }},
      {"display", "drawing-mode",
       [](Preferences& p, const std::string& v) {
         for (int mode = 0; mode < 3; ++mode) {
           if (v == kModes[mode]) {
             p.drawing_mode = mode;
             return true;
           }
         }
         return false;
       },
       [](const Preferences& p) {
         return p.drawing_mode >= 0 && p.drawing_mode <= 2 ? std::string(kModes[p.drawing_mode])
                                                           : std::string();
       }},
      BoolField("display", "fullscreen", &Preferences::fullscreen),
      SizeField("display", "window-width", &Preferences::window_width, kScreenWidth / 4),
      SizeField("display", "window-height", &Preferences::window_height, kScreenHeight / 4),
      {"display", "scaling",
       [](Preferences& p, const std::string& v) {
         if (v != "whole" && v != "fit") return false;
         p.scaling = v == "fit" ? Scaling::kFit : Scaling::kWhole;
         return true;
       },
       [](const Preferences& p) { return std::string(p.scaling == Scaling::kFit ? "fit" : "whole"); }},
      IntField("sound", "volume", &Preferences::volume, 0, 100),
      BoolField("sound", "muted", &Preferences::muted),
      OptionalIntField("text", "speed", &Preferences::text_speed_ms, 0, 1000),
      IntField("text", "auto-delay", &Preferences::auto_delay_ms, 0, 60000),
      BoolField("text", "skip-unread", &Preferences::skip_unread),
      BoolField("text", "strict", &Preferences::strict),
      {"files", "last-folder",
       [](Preferences& p, const std::string& v) {
         p.last_game_folder = v;
         return true;
       },
       [](const Preferences& p) { return p.last_game_folder; }},
  };
  return fields;
}

}  // namespace

std::string DefaultSettingsPath() {
  return UserConfigFolder() + "settings.ini";
}

void ReadPreferences(const std::string& path, Preferences& prefs) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  if (in) bytes << in.rdbuf();
  if (!in || bytes.str().size() > kMaxSettingsBytes) {
    std::fprintf(stderr, "corvalline: %s: cannot read the settings; the defaults are used\n", path.c_str());
    return;
  }
  const Result<std::vector<KeyFileEntry>> entries = ParseKeyFile(bytes.str());
  if (!entries) {
    std::fprintf(stderr, "corvalline: %s: %s; the settings are ignored\n", path.c_str(),
                 entries.error().c_str());
    return;
  }
  for (const KeyFileEntry& entry : *entries) {
    const Field* field = nullptr;
    for (const Field& f : Fields()) {
      if (entry.group == f.group && entry.key == f.key) field = &f;
    }
    if (!field) {
      std::fprintf(stderr, "corvalline: %s: unknown setting [%s] %s ignored\n", path.c_str(),
                   entry.group.c_str(), entry.key.c_str());
    } else if (!field->read(prefs, entry.value)) {
      std::fprintf(stderr, "corvalline: %s: [%s] %s=%s cannot be taken; ignored\n", path.c_str(),
                   entry.group.c_str(), entry.key.c_str(), entry.value.c_str());
    }
  }
}

bool WritePreferences(const std::string& path, const Preferences& prefs, std::string* error) {
  std::vector<KeyFileEntry> entries;
  for (const Field& field : Fields()) {
    const std::string value = field.write(prefs);
    if (!value.empty()) entries.push_back(KeyFileEntry{field.group, field.key, value});
  }
  const std::string text =
      FormatKeyFile(entries, " Corvalline's settings, written by the player when it ends.");
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  const Status written = WriteFileAtomically(
      path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  if (!written && error) *error = written.error();
  return written.ok();
}

void SavePreferences(const Player& player) {
  if (player.settings_path.empty()) return;
  std::string error;
  if (!WritePreferences(player.settings_path, player.preferences, &error))
    std::fprintf(stderr, "corvalline: the settings were not saved: %s\n", error.c_str());
}

}  // namespace corv
