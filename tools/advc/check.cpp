// The checker: walks a game file the way the player loads and runs it and reports what would go wrong.
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "advc/advc.h"
#include "advc/game_file.h"
#include "advc/text_literal.h"
#include "platform/text_codec.h"

namespace advc {
namespace {

using corv::Field;
using namespace corv::op;

std::string At(int64_t position) {
  return "position " + std::to_string(position) + ": ";
}

// Lower-cased (ASCII) names of the regular files in a folder, for look-ups in any letter case.
std::set<std::string> FolderFiles(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file(ec)) continue;
    std::string name = entry.path().filename().string();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    names.insert(name);
  }
  return names;
}

class Checker {
 public:
  Checker(const ImageReader& file, const std::string& folder) : file_(file), folder_(folder) {}

  std::vector<std::string> Run() {
    if (!file_.Has(1, corv::kHeaderSize)) {
      Report("the file is shorter than its 36-byte header");
      return findings_;
    }
    if (file_.Bytes(1, 4) != corv::kGameMagic)
      Report("the file does not start with CRVL, so the player refuses it");
    CheckLabels();
    CheckTexts(false);
    CheckTexts(true);
    WalkScript();
    CheckResources();
    return findings_;
  }

 private:
  void Report(const std::string& finding) { findings_.push_back(finding); }

  void CheckLabels() {
    int64_t link = corv::kLabelChainField;
    std::set<int64_t> seen;
    for (int n = 1; n <= corv::kMaxLabel + 1; ++n) {
      if (!file_.Has(link, 4)) {
        Report("the label chain leaves the file after label " + std::to_string(n - 1) +
               " (link at position " + std::to_string(link) + ")");
        return;
      }
      const int64_t next = file_.Int32(link);
      if (next < 0) return;
      if (n > corv::kMaxLabel) {
        Report("the label chain has more than 10000 labels; the ones after 10000 cannot be jumped to");
        return;
      }
      if (!seen.insert(next).second) {
        Report("the label chain runs in a circle at position " + std::to_string(next));
        return;
      }
      if (next >= 2 && next <= file_.size() && file_.Byte(next - 1) != kLabel) {
        Report("label " + std::to_string(n) + " of the chain (position " + std::to_string(next - 1) +
               ") is not a label instruction");
      }
      label_links_.insert(next);
      label_count_ = n;
      link = next;
    }
  }

  // The message chain, or (options) the choice chain, with the texts the loader takes from the pool.
  void CheckTexts(bool options) {
    const std::string kind = options ? "option" : "message";
    const int max_entries = options ? corv::kMaxChoiceEntries : corv::kMaxMessageEntries;
    int64_t cursor = file_.Int32(options ? corv::kChoicePoolField : corv::kMessagePoolField);
    int64_t link = options ? corv::kOptionChainField : corv::kMessageChainField;
    std::set<int64_t>& links = options ? option_links_ : message_links_;
    for (int n = 0; n <= max_entries; ++n) {
      if (!file_.Has(link, 4)) {
        Report("the " + kind + " chain leaves the file (link at position " + std::to_string(link) + ")");
        return;
      }
      const int64_t next = file_.Int32(link);
      if (next < 1) return;
      if (n == max_entries) {
        Report("the " + kind + " chain has more than " + std::to_string(max_entries) +
               " entries; the player loads no texts after them");
        return;
      }
      const uint8_t expected = options ? kOption : kMessage;
      if (next < 2 || !file_.Has(next - 1, corv::kOpcodes[expected].length)) {
        Report("the " + kind + " chain leaves the file (link to position " + std::to_string(next) + ")");
        return;
      }
      if (!links.insert(next).second) {
        Report("the " + kind + " chain runs in a circle at position " + std::to_string(next));
        return;
      }
      const int64_t instruction = next - 1;
      if (file_.Byte(instruction) != expected) {
        Report(At(instruction) + "the " + kind + " chain points at something that is not a " + kind +
               " instruction");
      }
      // Read as the loader reads it, whatever byte stands at its opcode.
      const corv::Instruction in(file_, instruction, expected);
      const uint32_t number = in.Raw(Field::kNumber);  // shown as written; above 32767 it reads as negative
      const int64_t length = in[Field::kLength];
      const std::string what = kind + " " + std::to_string(number);
      if (options) {
        const int slot = in[Field::kSlot];
        if (number > static_cast<uint32_t>(corv::kMaxChoiceText)) {
          Report(At(instruction) + "choice text number " + std::to_string(number) +
                 " is outside 0-50000; the player cannot load the file");
        } else if (number > 32767) {
          Report(At(instruction) + "choice text number " + std::to_string(number) +
                 " reads as a negative 16-bit number; the player cannot load the file");
        }
        if (slot >= corv::kChoiceSlots)
          Report(At(instruction) + "option slot " + std::to_string(slot) +
                 " is above 5; the player cannot load the file");
        if (length == 0) Report(At(instruction) + "the option has an empty text and is never offered");
      } else if (number > static_cast<uint32_t>(corv::kMaxMessage)) {
        Report(At(instruction) + "message number " + std::to_string(number) +
               " is outside 0-10000; the player cannot load the file");
      }
      if (length < 0) {
        Report(At(instruction) + what + " has a negative text length");
        return;
      }
      if (!file_.Has(cursor, length)) {
        Report(At(instruction) + "the text of " + what + " runs past the end of the file");
        return;
      }
      if (!IsValidCp932(file_.Bytes(cursor, length))) {
        Report(At(instruction) + "the text of " + what + " is not valid Shift-JIS (CP932)");
      }
      cursor += length;
      link = next;
    }
  }

  void WalkScript() {
    const int64_t limit = ScriptLimit(file_);
    // Where each name pool ends: at the next pool that starts after it, or the end of the file.
    std::vector<int64_t> starts;
    for (int p = 0; p < corv::kPoolCount; ++p) starts.push_back(file_.Int32(corv::PoolField(corv::Pool(p))));
    std::array<int64_t, 3> cursors = {starts[0], starts[1], starts[2]};
    int64_t p = corv::kScriptStart;
    while (p < limit) {
      const Decoded in = DecodeInstruction(file_, p, file_.size() + 1);
      if (in.truncated) {
        Report(At(p) + "the instruction (opcode " + std::to_string(in.opcode) +
               ") is cut off by the end of the file");
        return;
      }
      CheckInstruction(in, starts, cursors);
      p += in.length;
    }
  }

  void CheckLabel(int64_t position, uint32_t n) {
    if (n < 1 || static_cast<int>(n) > label_count_) {
      Report(At(position) + "jump to label " + std::to_string(static_cast<int16_t>(n)) +
             ", which does not exist (the file has " + std::to_string(label_count_) + " labels)");
    }
  }
  void CheckVariable(int64_t position, uint32_t v) {
    if (v > static_cast<uint32_t>(corv::kMaxVariable)) {
      Report(At(position) + "variable " + std::to_string(static_cast<int16_t>(v)) + " is outside 0-10000");
    }
  }

  void CheckInstruction(const Decoded& in, const std::vector<int64_t>& starts,
                        std::array<int64_t, 3>& cursors) {
    const int64_t p = in.position;
    switch (in.opcode) {
      case kDefinePicture:
        DefineName(0, in, starts, cursors);
        break;
      case kDefineBackground:
        DefineName(1, in, starts, cursors);
        break;
      case kDefineMusic:
        DefineName(2, in, starts, cursors);
        break;
      case kLabel:
        if (!label_links_.count(p + 1))
          Report(At(p) + "this label is not in the label chain, so no jump reaches it");
        break;
      case kMessage:
        if (!message_links_.count(p + 1))
          Report(At(p) + "this message is not in the message chain, so its text is not loaded");
        break;
      case kOption:
        if (!option_links_.count(p + 1))
          Report(At(p) + "this option is not in the choice chain, so its text is not loaded");
        if (corv::SkipOptionBody(file_, p) == 0)
          Report(At(p) + "the option's body has no end marker before the end of the file");
        break;
      case kGoto:
        CheckLabel(p, in[Field::kLabel]);
        break;
      case kIfGoto:
        CheckVariable(p, in[Field::kVariable]);
        CheckLabel(p, in[Field::kLabel]);
        break;
      case kIfPairGoto:
        CheckVariable(p, in[Field::kVariable]);
        CheckVariable(p, in[Field::kVariable2]);
        CheckLabel(p, in[Field::kLabel]);
        break;
      case kCalc:
        CheckVariable(p, in[Field::kVariable]);
        break;
      case kLayer1:
      case kLayer3:
        Use(0, in[Field::kNumber], p);
        break;
      case kBackground:
        Use(1, in[Field::kNumber], p);
        break;
      case kMusic:
        Use(2, in[Field::kNumber], p);
        break;
      default:
        break;
    }
  }

  void DefineName(int kind, const Decoded& in, const std::vector<int64_t>& starts,
                  std::array<int64_t, 3>& cursors) {
    const int32_t number = static_cast<int16_t>(in[Field::kNumber]);
    const int32_t length = static_cast<int16_t>(in[Field::kLength]);
    if (length <= 0 || number < 0) return;  // the player ignores such a definition
    const std::string what = std::string(kKinds[kind]) + " name " + std::to_string(number);
    if (number > corv::kMaxName)
      Report(At(in.position) + what + " is above " + std::to_string(corv::kMaxName));
    int64_t& cursor = cursors[kind];
    if (!file_.Has(cursor, length)) {
      Report(At(in.position) + what + " is defined past its pool: it runs past the end of the file");
      cursor += length;
      return;
    }
    int64_t pool_end = file_.size() + 1;
    const int64_t own_start = starts[kind];
    for (int64_t s : starts) {
      if (s > own_start && s <= file_.size()) pool_end = std::min(pool_end, s);
    }
    if (cursor + length > pool_end) {
      Report(At(in.position) + what + " is defined past its pool: it runs into the pool at position " +
             std::to_string(pool_end));
    }
    const std::string text(file_.Bytes(cursor, length));
    cursor += length;
    if (!IsValidCp932(text)) {
      Report(At(in.position) + "the file name of " + what + " is not valid Shift-JIS (CP932)");
      return;
    }
    if (number <= corv::kMaxName) defined_[kind][number] = corv::ToUtf8(corv::DecodeCp932(text));
    all_defined_[kind].insert(number);
  }

  void Use(int kind, uint32_t number, int64_t position) {
    const int32_t n = static_cast<int16_t>(number);
    if (n > 0 && !uses_[kind].count(n)) uses_[kind][n] = position;
  }

  void CheckResources() {
    for (int kind = 0; kind < 3; ++kind) {
      for (const auto& [number, position] : uses_[kind]) {
        if (!all_defined_[kind].count(number)) {
          Report(At(position) + kKinds[kind] + " " + std::to_string(number) +
                 " is shown but its name is never defined");
        }
      }
    }
    if (folder_.empty()) return;
    const std::set<std::string> files = FolderFiles(folder_);
    std::set<std::string> reported;
    for (int kind = 0; kind < 3; ++kind) {
      const std::string extension = kind == 2 ? ".MID" : ".BMP";
      for (const auto& [number, name] : defined_[kind]) {
        std::string wanted = name + extension;
        std::string lower = wanted;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        if (!files.count(lower) && reported.insert(lower).second) {
          Report("missing file " + wanted + " (" + kKinds[kind] + " " + std::to_string(number) + ")");
        }
      }
    }
  }

  static constexpr const char* kKinds[] = {"picture", "background", "music"};

  const ImageReader file_;
  std::string folder_;
  std::vector<std::string> findings_;
  std::set<int64_t> label_links_, message_links_, option_links_;
  int label_count_ = 0;
  std::array<std::map<int32_t, std::string>, 3> defined_;
  std::array<std::set<int32_t>, 3> all_defined_;
  std::array<std::map<int32_t, int64_t>, 3> uses_;  // number -> first position shown
};

}  // namespace

std::vector<std::string> Check(const std::vector<uint8_t>& image, const std::string& game_folder) {
  return Checker(ImageReader(image), game_folder).Run();
}

}  // namespace advc
