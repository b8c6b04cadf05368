// The disassembler. It first writes the readable form: name, message and choice statements, symbolic
// labels, op lines for instructions the statements cannot express. It rebuilds that source and keeps it
// only when the bytes come out the same; otherwise it writes the explicit form (every byte spelled out
// as raw and op lines), which always rebuilds exactly.
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "advc/advc.h"
#include "advc/game_file.h"
#include "advc/text_literal.h"

namespace advc {
namespace {

struct CannotExpress {};  // the readable form cannot reproduce this file

std::string Hex(uint32_t v, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, v);
  return buffer;
}

// An operand as op and raw statements take it: small values in decimal, others in hexadecimal.
std::string OperandText(uint32_t v, corv::Operand kind) {
  if (kind == corv::Operand::kInt32 && v == 0xFFFFFFFF) return "-1";
  if (v < 0x8000) return std::to_string(v);
  return Hex(v, kind == corv::Operand::kInt32 ? 8 : kind == corv::Operand::kInt16 ? 4 : 2);
}

std::string OpLine(const Decoded& in) {
  const corv::OpcodeInfo& info = corv::kOpcodes[in.opcode];
  std::string line = "op " + Hex(in.opcode, 2);
  for (int i = 0; i < info.operand_count; ++i)
    line += " " + OperandText(in.operands[i], info.operands[i].kind);
  return line;
}

std::string RawBytes(const ImageReader& file, int64_t from, int64_t to) {
  std::string line = "raw";
  for (int64_t p = from; p < to; ++p) line += " " + Hex(file.Byte(p), 2);
  return line;
}

// Texts of the message or option chain as the player loads them, by link position.
std::map<int64_t, std::string> ChainTexts(const ImageReader& file, int64_t chain_field, int64_t pool_field,
                                          bool option, int max_entries) {
  std::map<int64_t, std::string> texts;
  int64_t cursor = file.Int32(pool_field);
  int64_t link = chain_field;
  for (int n = 0; n < max_entries; ++n) {
    if (!file.Has(link, 4)) throw CannotExpress{};
    link = file.Int32(link);
    if (link < 1) break;
    const corv::Instruction in(file, link - 1, option ? corv::op::kOption : corv::op::kMessage);
    if (!in.Complete() || texts.count(link)) throw CannotExpress{};
    const int64_t length = in[corv::Field::kLength];
    if (length < 0 || !file.Has(cursor, length)) throw CannotExpress{};
    texts[link] = file.Bytes(cursor, length);
    cursor += length;
  }
  return texts;
}

class ReadableWriter {
 public:
  explicit ReadableWriter(const ImageReader& file) : file_(file) {}

  std::string Write() {
    if (!file_.Has(1, corv::kHeaderSize) || file_.Bytes(1, 4) != corv::kGameMagic) throw CannotExpress{};
    messages_ =
        ChainTexts(file_, corv::kMessageChainField, corv::kMessagePoolField, false, corv::kMaxMessageEntries);
    options_ =
        ChainTexts(file_, corv::kOptionChainField, corv::kChoicePoolField, true, corv::kMaxChoiceEntries);
    int64_t link = corv::kLabelChainField;
    for (int n = 1; n <= corv::kMaxLabel; ++n) {
      link = file_.Has(link, 4) ? file_.Int32(link) : -1;
      if (link < 1) break;
      label_numbers_[link] = n;
    }
    label_count_ = static_cast<int>(label_numbers_.size());
    name_cursors_ = {file_.Int32(corv::kPicturePoolField), file_.Int32(corv::kBackgroundPoolField),
                     file_.Int32(corv::kMusicPoolField)};
    out_ << "# Disassembled by advc: " << file_.size() << " bytes.\n";
    limit_ = ScriptLimit(file_);
    WriteRange(corv::kScriptStart, limit_, 0, false);
    return out_.str();
  }

 private:
  void Line(int indent, const std::string& text) { out_ << std::string(indent, ' ') << text << "\n"; }

  // Writes the instructions from position `from` up to `to`; in a body, `to` is its end marker.
  void WriteRange(int64_t from, int64_t to, int indent, bool in_body) {
    int64_t p = from;
    while (p < to) {
      const Decoded in = DecodeInstruction(file_, p, to);
      if (in.truncated) {
        Line(indent, RawBytes(file_, p, to) + "  # a cut-off " + Hex(in.opcode, 2) + " instruction");
        return;
      }
      if (in.opcode == corv::op::kOption) {
        if (in_body) throw CannotExpress{};
        p = WriteChoice(p, to, indent);
        continue;
      }
      indent_ = indent;
      Line(indent, Statement(in));
      p += in.length;
    }
  }

  // A choice block: the options with the same choice number that follow each other.
  int64_t WriteChoice(int64_t p, int64_t to, int indent) {
    const Decoded first = DecodeInstruction(file_, p, to);
    const uint32_t number = first[corv::Field::kNumber];
    Line(indent,
         "choice" + (number == last_choice_ + 1 ? std::string() : " " + std::to_string(number)) + " {");
    last_choice_ = number;
    int previous_slot = -1;
    while (p < to && file_.Byte(p) == corv::op::kOption) {
      const Decoded in = DecodeInstruction(file_, p, to);
      if (in.truncated || in[corv::Field::kNumber] != number) break;
      const int64_t d = corv::SkipOptionBody(file_, p);
      auto text = options_.find(p + 1);
      if (d == 0 || p + d >= to || text == options_.end()) throw CannotExpress{};
      const int slot = static_cast<int>(in[corv::Field::kSlot]);
      Line(indent + 2, "option" + (slot == previous_slot + 1 ? std::string() : " " + std::to_string(slot)) +
                           " " + QuoteCp932(text->second) + " {");
      previous_slot = slot;
      WriteRange(p + in.length, p + d, indent + 4, true);
      Line(indent + 2, "}");
      p += d + 1;
    }
    Line(indent, "}");
    return p;
  }

  std::string Label(uint32_t n) const {
    if (n < 1 || static_cast<int>(n) > label_count_) throw CannotExpress{};
    return "L" + std::to_string(n);
  }

  // A media reference: the latest name defined for the number, or the number.
  std::string Reference(int kind, uint32_t number, const char* zero) const {
    if (number == 0) return zero;
    auto it = current_names_[kind].find(number);
    return it != current_names_[kind].end() ? it->second : std::to_string(number);
  }

  std::string Statement(const Decoded& in) {
    namespace op = corv::op;
    using F = corv::Field;
    switch (in.opcode) {
      case op::kDefinePicture:
        return NameStatement(0, in);
      case op::kDefineBackground:
        return NameStatement(1, in);
      case op::kDefineMusic:
        return NameStatement(2, in);
      case op::kTextWait:
        return "text_wait " + std::to_string(in[F::kWait]);
      case op::kLabel: {
        auto it = label_numbers_.find(in.position + 1);
        if (it == label_numbers_.end()) throw CannotExpress{};
        return Label(static_cast<uint32_t>(it->second)) + ":";
      }
      case op::kMusic:
        if (in[F::kNumber] <= static_cast<uint32_t>(corv::kMaxName))
          return "music " + Reference(2, in[F::kNumber], "stop");
        break;
      case op::kNop7:
        return "nop";
      case op::kWaitChoice:
        return "wait";
      case op::kGoto:
        if (in[F::kLabel] >= 1 && static_cast<int>(in[F::kLabel]) <= label_count_)
          return "goto " + Label(in[F::kLabel]);
        break;
      case op::kTextMode:
        return "text_mode " + (in[F::kMode] == 0   ? std::string("window")
                               : in[F::kMode] == 1 ? "page"
                                                   : std::to_string(in[F::kMode]));
      case op::kIfGoto:
        if (auto a = Comparison(in[F::kVariable], in[F::kOperator], in[F::kConstant]);
            a && in[F::kLabel] >= 1 && static_cast<int>(in[F::kLabel]) <= label_count_) {
          return "if " + *a + " goto " + Label(in[F::kLabel]);
        }
        break;
      case op::kIfPairGoto: {
        static const char* kConnectives[] = {"", "and", "or", "nor"};
        auto a = Comparison(in[F::kVariable], in[F::kOperator], in[F::kConstant]);
        auto b = Comparison(in[F::kVariable2], in[F::kOperator2], in[F::kConstant2]);
        const uint32_t connective = in[F::kConnective], label = in[F::kLabel];
        if (a && b && connective >= 1 && connective <= 3 && label >= 1 &&
            static_cast<int>(label) <= label_count_) {
          return "if " + *a + " " + kConnectives[connective] + " " + *b + " goto " + Label(label);
        }
        break;
      }
      case op::kCalc: {
        static const char* kOperations[] = {"", "=", "+=", "-=", "*=", "/=", "//=", "= random"};
        const uint32_t variable = in[F::kVariable], operation = in[F::kOperation], x = in[F::kOperand];
        if (variable <= static_cast<uint32_t>(corv::kMaxVariable) && operation >= 1 && operation <= 7 &&
            x <= 32767) {
          return "v" + std::to_string(variable) + " " + kOperations[operation] + " " + std::to_string(x);
        }
        break;
      }
      case op::kEnd:
        return "end";
      case op::kBackground:
      case op::kLayer1:
      case op::kLayer3:
        if (in[F::kNumber] <= static_cast<uint32_t>(corv::kMaxName)) {
          const char* word = in.opcode == op::kBackground ? "background "
                             : in.opcode == op::kLayer1   ? "layer1 "
                                                          : "layer3 ";
          return word + Reference(in.opcode == op::kBackground ? 1 : 0, in[F::kNumber], "none");
        }
        break;
      case op::kMessage: {
        auto text = messages_.find(in.position + 1);
        const uint32_t number = in[F::kNumber];
        if (text == messages_.end() || number > static_cast<uint32_t>(corv::kMaxMessage))
          throw CannotExpress{};
        std::string s = "message";
        if (number != last_message_ + 1) s += " " + std::to_string(number);
        last_message_ = number;
        return s + " " + QuoteLines(text->second, std::string(indent_ + s.size() + 1, ' '));
      }
      default:
        break;
    }
    const std::string_view name = corv::kOpcodes[in.opcode].name;
    return OpLine(in) + (name.empty() ? "" : "  # " + std::string(name));
  }

  // A text as one literal per line of text (each ending in CR LF), the later ones on continuation lines.
  static std::string QuoteLines(const std::string& text, const std::string& indent) {
    std::string out;
    size_t from = 0;
    while (true) {
      const size_t cut = text.find("\r\n", from);
      if (cut == std::string::npos || cut + 2 == text.size()) break;
      out += QuoteCp932(text.substr(from, cut + 2 - from)) + "\n" + indent;
      from = cut + 2;
    }
    return out + QuoteCp932(text.substr(from));
  }

  static std::optional<std::string> Comparison(uint32_t variable, uint32_t op, uint32_t constant) {
    static const char* kOperators[] = {"", "==", ">", "<", "!="};
    if (variable > static_cast<uint32_t>(corv::kMaxVariable) || op < 1 || op > 4) return std::nullopt;
    if (constant > 0x7FFFFFFF && constant != 0xFFFFFFFF) return std::nullopt;
    const std::string k = constant == 0xFFFFFFFF ? "-1" : std::to_string(constant);
    return "v" + std::to_string(variable) + " " + kOperators[op] + " " + k;
  }

  std::string NameStatement(int kind, const Decoded& in) {
    static const char* kWords[] = {"picture", "background", "music"};
    static const char* kPrefixes[] = {"pic", "bg", "bgm"};
    const uint32_t number = in[corv::Field::kNumber];
    const uint32_t length = in[corv::Field::kLength];
    if (number > static_cast<uint32_t>(corv::kMaxName) || length > 32767) throw CannotExpress{};
    int64_t& cursor = name_cursors_[kind];
    if (!file_.Has(cursor, length)) throw CannotExpress{};
    const std::string text(file_.Bytes(cursor, length));
    cursor += length;
    const std::string id = NewIdentifier(kind, text, kPrefixes[kind] + std::to_string(number));
    current_names_[kind][number] = id;
    std::string s = std::string("name ") + kWords[kind] + " " + id;
    if (number != static_cast<uint32_t>(last_name_[kind] + 1)) s += " = " + std::to_string(number);
    last_name_[kind] = static_cast<int>(number);
    return s + " " + QuoteCp932(text);
  }

  // The file name in lower case when it makes a fresh identifier, else the fallback; made unique.
  std::string NewIdentifier(int kind, const std::string& text, const std::string& fallback) {
    static const std::set<std::string> kReserved = {
        "var",    "name",      "background", "music",    "picture", "layer1",  "layer3", "none",
        "stop",   "text_mode", "text_wait",  "window",   "page",    "message", "wait",   "choice",
        "option", "goto",      "if",         "and",      "or",      "nor",     "random", "end",
        "raw",    "op",        "nop",        "explicit", "int16",   "int32"};
    std::string id;
    bool usable = !text.empty() && !std::isdigit(static_cast<unsigned char>(text[0]));
    for (char c : text) {
      const unsigned char u = static_cast<unsigned char>(c);
      if (!(std::isalnum(u) || c == '_') || u >= 0x80) usable = false;
      id += static_cast<char>(std::tolower(u));
    }
    const bool numbered =
        id.size() > 1 && id[0] == 'v' && id.find_first_not_of("0123456789", 1) == std::string::npos;
    if (!usable || kReserved.count(id) || numbered) id = fallback;
    std::string unique = id;
    for (int n = 2; used_ids_[kind].count(unique); ++n) unique = id + "_" + std::to_string(n);
    used_ids_[kind].insert(unique);
    return unique;
  }

  const ImageReader& file_;
  std::ostringstream out_;
  int64_t limit_ = 0;
  int indent_ = 0;
  std::map<int64_t, std::string> messages_, options_;
  std::map<int64_t, int> label_numbers_;  // link position -> label number
  int label_count_ = 0;
  std::array<int64_t, 3> name_cursors_{};
  std::array<int, 3> last_name_{};
  std::array<std::map<uint32_t, std::string>, 3> current_names_;
  std::array<std::set<std::string>, 3> used_ids_;
  uint32_t last_message_ = 0;
  uint32_t last_choice_ = 0;
};

// The explicit form: the header as raw fields, the script as op lines, the rest as raw strings.
std::string WriteExplicit(const ImageReader& file) {
  std::ostringstream out;
  out << "# Disassembled by advc: " << file.size() << " bytes, written out byte for byte.\nexplicit\n";
  if (!file.Has(1, corv::kHeaderSize)) {
    for (int64_t p = 1; p <= file.size(); p += 16)
      out << RawBytes(file, p, std::min(p + 16, file.size() + 1)) << "\n";
    return out.str();
  }
  out << "raw " << QuoteCp932(file.Bytes(1, 4)) << "  # magic\n";
  static const char* kFields[] = {"picture-name pool", "background-name pool", "music-name pool",
                                  "choice-text pool",  "message-text pool",    "label chain",
                                  "option chain",      "message chain"};
  for (int i = 0; i < 8; ++i) {
    out << "raw int32 " << OperandText(file.U32(corv::kPicturePoolField + 4 * i), corv::Operand::kInt32)
        << "  # " << kFields[i] << "\n";
  }
  const int64_t limit = ScriptLimit(file);
  int64_t p = corv::kScriptStart;
  while (p < limit) {
    const Decoded in = DecodeInstruction(file, p, limit);
    if (in.truncated) {
      out << RawBytes(file, p, limit) << "\n";
      break;
    }
    out << OpLine(in) << "  # "
        << (corv::kOpcodes[in.opcode].name.empty() ? "-" : corv::kOpcodes[in.opcode].name) << " @" << p
        << "\n";
    p += in.length;
  }
  for (p = limit; p <= file.size(); p += 32) {
    out << "raw " << QuoteCp932(file.Bytes(p, std::min<int64_t>(32, file.size() - p + 1))) << "  # @" << p
        << "\n";
  }
  return out.str();
}

bool Rebuilds(const std::string& source, const std::vector<uint8_t>& image) {
  const BuildResult result = Build(source, "disassembly");
  return result.ok && result.image == image;
}

}  // namespace

std::string Disassemble(const std::vector<uint8_t>& image) {
  const ImageReader file(image);
  try {
    std::string readable = ReadableWriter(file).Write();
    if (Rebuilds(readable, image)) return readable;
  } catch (const CannotExpress&) {
  }
  std::string exact = WriteExplicit(file);
  if (Rebuilds(exact, image)) return exact;
  // Only plain bytes are left; they always rebuild.
  std::ostringstream out;
  out << "explicit\n";
  for (int64_t p = 1; p <= file.size(); p += 16)
    out << RawBytes(file, p, std::min(p + 16, file.size() + 1)) << "\n";
  return out.str();
}

}  // namespace advc
