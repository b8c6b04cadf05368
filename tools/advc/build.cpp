// The compiler: parses the source statement by statement and emits the instructions straight away.
// Labels are resolved at the end, when all of them are known; the header, the chains and the pools are
// put together last.
#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "advc/advc.h"
#include "advc/game_file.h"
#include "advc/lexer.h"
#include "platform/text_codec.h"

namespace advc {

std::string Diagnostic::ToString() const {
  return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message;
}

namespace {

struct SyntaxError {
  int line;
  int column;
  std::string message;
};

// The three kinds of resource names, in the order of their pools in the file.
enum NameKind { kPicture = 0, kBackground = 1, kMusic = 2 };
constexpr uint8_t kNameOpcodes[] = {corv::op::kDefinePicture, corv::op::kDefineBackground,
                                    corv::op::kDefineMusic};
constexpr const char* kNameKindWords[] = {"picture", "background", "music"};

const std::set<std::string>& Keywords() {
  static const std::set<std::string> words = {
      "var",    "name",      "background", "music",    "picture", "layer1",  "layer3", "none",
      "stop",   "text_mode", "text_wait",  "window",   "page",    "message", "wait",   "choice",
      "option", "goto",      "if",         "and",      "or",      "nor",     "random", "end",
      "raw",    "op",        "nop",        "explicit", "int16",   "int32",   "click"};
  return words;
}

// "v" followed by digits: a variable by number.
std::optional<int64_t> NumberedVariable(const std::string& word) {
  if (word.size() < 2 || word[0] != 'v' || word.size() > 7) return std::nullopt;
  int64_t n = 0;
  for (size_t i = 1; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return std::nullopt;
    n = n * 10 + (word[i] - '0');
  }
  return n;
}

struct Location {
  int line = 0;
  int column = 0;
};

struct LabelUse {
  size_t offset;  // of the 16-bit label number in the image
  std::string name;
  Location where;
};

struct OptionSpan {
  size_t offset;      // of the option's opcode byte
  size_t end_offset;  // of the byte 8 that ends its body
  Location where;
};

class Compiler {
 public:
  Compiler(std::string_view source, const std::string& file_name) : file_name_(file_name) {
    std::vector<LexError> lex_errors;
    tokens_ = Tokenize(source, lex_errors);
    for (const LexError& e : lex_errors) errors_.push_back({file_name_, e.line, e.column, e.message});
  }

  BuildResult Run() {
    BuildResult result;
    image_.assign(kHeaderSize, 0);
    if (errors_.empty()) {
      ParseStatements(false);
      if (!explicit_) Finish();
    }
    std::stable_sort(errors_.begin(), errors_.end(), [](const Diagnostic& a, const Diagnostic& b) {
      return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    result.errors = errors_;
    result.ok = errors_.empty();
    result.explicit_form = explicit_;
    if (result.ok)
      result.image = explicit_ ? std::vector<uint8_t>(image_.begin() + kHeaderSize, image_.end()) : image_;
    return result;
  }

 private:
  // ---- tokens ----
  const Token& Peek(size_t ahead = 0) const { return tokens_[std::min(at_ + ahead, tokens_.size() - 1)]; }
  const Token& Next() {
    const Token& t = Peek();
    if (at_ < tokens_.size() - 1) ++at_;
    return t;
  }
  bool IsPunct(const Token& t, std::string_view p) const {
    return t.kind == TokenKind::kPunct && t.text == p;
  }
  bool IsWord(const Token& t, std::string_view w) const { return t.kind == TokenKind::kIdent && t.text == w; }
  [[noreturn]] void Fail(const Token& t, const std::string& message) {
    throw SyntaxError{t.line, t.column, message};
  }
  void Error(Location where, const std::string& message) {
    errors_.push_back({file_name_, where.line, where.column, message});
  }
  static Location Where(const Token& t) { return {t.line, t.column}; }
  std::string Describe(const Token& t) const {
    switch (t.kind) {
      case TokenKind::kIdent:
        return "'" + t.text + "'";
      case TokenKind::kNumber:
        return "number " + std::to_string(t.number);
      case TokenKind::kString:
        return "a string";
      case TokenKind::kPunct:
        return "'" + t.text + "'";
      case TokenKind::kNewline:
        return "the end of the line";
      case TokenKind::kEnd:
        return "the end of the file";
    }
    return "?";
  }
  void ExpectPunct(std::string_view p) {
    if (!IsPunct(Peek(), p)) Fail(Peek(), "expected '" + std::string(p) + "' but found " + Describe(Peek()));
    Next();
  }
  void ExpectWord(std::string_view w) {
    if (!IsWord(Peek(), w)) Fail(Peek(), "expected '" + std::string(w) + "' but found " + Describe(Peek()));
    Next();
  }
  int64_t ExpectNumber(int64_t min, int64_t max, const std::string& what) {
    const Token& t = Peek();
    if (t.kind != TokenKind::kNumber) Fail(t, "expected " + what + " (a number) but found " + Describe(t));
    if (t.number < min || t.number > max) {
      Fail(t, what + " must be from " + std::to_string(min) + " to " + std::to_string(max));
    }
    Next();
    return t.number;
  }
  // An identifier that the author names something with.
  std::string ExpectNewName(const std::string& what) {
    const Token& t = Peek();
    if (t.kind != TokenKind::kIdent) Fail(t, "expected the " + what + "'s name but found " + Describe(t));
    if (Keywords().count(t.text) || NumberedVariable(t.text)) {
      Fail(t, "'" + t.text + "' is a reserved word and cannot name a " + what);
    }
    Next();
    return t.text;
  }
  // One or more string literals, concatenated and converted to CP932. With continuation, strings on the
  // following lines (a line that starts with a string) belong to it too.
  std::string ExpectText(bool continuation) {
    if (Peek().kind != TokenKind::kString)
      Fail(Peek(), "expected a text in double quotes but found " + Describe(Peek()));
    std::string bytes;
    while (true) {
      bytes += Convert(Next());
      if (Peek().kind == TokenKind::kString) continue;
      size_t k = 0;
      while (continuation && Peek(k).kind == TokenKind::kNewline) ++k;
      if (k == 0 || Peek(k).kind != TokenKind::kString) break;
      at_ += k;
    }
    return bytes;
  }
  std::string Convert(const Token& t) {
    std::string bytes;
    for (const StringPiece& p : t.pieces) {
      if (p.raw) {
        bytes += static_cast<char>(p.ch);
        continue;
      }
      const corv::Result<std::string> encoded = corv::EncodeCp932(std::u32string(1, p.ch));
      if (!encoded) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(p.ch));
        throw SyntaxError{t.line, p.column,
                          "character '" + corv::ToUtf8(std::u32string(1, p.ch)) + "' (" + code +
                              ") cannot be written in Shift-JIS (CP932)"};
      }
      bytes += *encoded;
    }
    return bytes;
  }

  // ---- output ----
  void Emit8(int64_t v) { image_.push_back(static_cast<uint8_t>(v & 0xFF)); }
  void Emit16(int64_t v) {
    Emit8(v);
    Emit8(v >> 8);
  }
  void Emit32(int64_t v) {
    Emit16(v);
    Emit16(v >> 16);
  }
  // Records the kind of the last top-level instruction, to know whether the script can run off its end.
  void Emitted(int opcode) {
    if (body_depth_ == 0) last_opcode_ = opcode;
  }

  // ---- statements ----
  void ParseStatements(bool in_block) {
    while (true) {
      const Token& t = Peek();
      if (t.kind == TokenKind::kNewline || IsPunct(t, ";")) {
        Next();
        continue;
      }
      if (t.kind == TokenKind::kEnd) {
        return;  // a block's caller reports the missing '}'
      }
      if (IsPunct(t, "}")) {
        if (in_block) return;
        Error(Where(t), "'}' without a matching '{'");
        Next();
        continue;
      }
      try {
        ParseStatement();
        const Token& after = Peek();
        if (!(after.kind == TokenKind::kNewline || after.kind == TokenKind::kEnd || IsPunct(after, ";") ||
              IsPunct(after, "}"))) {
          Fail(after, "unexpected " + Describe(after) + " after the statement");
        }
      } catch (const SyntaxError& e) {
        errors_.push_back({file_name_, e.line, e.column, e.message});
        if (errors_.size() >= kMaxErrors) {
          at_ = tokens_.size() - 1;
          return;
        }
        while (Peek().kind != TokenKind::kNewline && Peek().kind != TokenKind::kEnd) Next();
      }
      first_statement_ = false;
    }
  }

  void ParseStatement() {
    const Token& t = Peek();
    if (t.kind != TokenKind::kIdent) Fail(t, "expected a statement but found " + Describe(t));
    const std::string word = t.text;
    if (word == "explicit") return ParseExplicit();
    if (word == "raw") return ParseRaw();
    if (word == "op") return ParseOp();
    if (explicit_) Fail(t, "an explicit file holds only raw and op statements");
    if (IsPunct(Peek(1), ":")) return ParseLabel();
    if (word == "var") return ParseVar();
    if (word == "name") return ParseName();
    if (word == "background") return ParseShow(corv::op::kBackground, kBackground);
    if (word == "layer1") return ParseShow(corv::op::kLayer1, kPicture);
    if (word == "layer3") return ParseShow(corv::op::kLayer3, kPicture);
    if (word == "music") return ParseShow(corv::op::kMusic, kMusic);
    if (word == "text_mode") return ParseTextMode();
    if (word == "text_wait")
      return ParseSimple(corv::op::kTextWait, "the text wait (milliseconds per character)");
    if (word == "message") return ParseMessage();
    if (word == "choice") return ParseChoice();
    if (word == "goto") return ParseGoto();
    if (word == "if") return ParseIf();
    if (word == "wait") return ParseSimple(corv::op::kWaitChoice, "");
    if (word == "click") return ParseClick();
    if (word == "end") return ParseSimple(corv::op::kEnd, "");
    if (word == "nop") return ParseSimple(corv::op::kNop7, "");
    if (word == "option") Fail(t, "'option' stands only inside a choice block");
    if (IsVariable(word)) return ParseCalc();
    Fail(t, "unknown statement '" + word + "'");
  }

  void ParseExplicit() {
    if (!first_statement_) Fail(Peek(), "'explicit' must be the first statement of the file");
    Next();
    explicit_ = true;
  }

  void ParseRaw() {
    const Token& head = Next();
    size_t count = 0;
    while (true) {
      const Token& t = Peek();
      if (t.kind == TokenKind::kNumber) {
        Emit8(ExpectNumber(-128, 255, "a raw byte"));
      } else if (t.kind == TokenKind::kString) {
        for (char c : Convert(Next())) Emit8(static_cast<uint8_t>(c));
      } else if (IsWord(t, "int16")) {
        Next();
        Emit16(ExpectNumber(-32768, 65535, "an int16 value"));
      } else if (IsWord(t, "int32")) {
        Next();
        Emit32(ExpectNumber(INT32_MIN, UINT32_MAX, "an int32 value"));
      } else {
        break;
      }
      ++count;
    }
    if (count == 0) Fail(head, "raw needs bytes, strings, int16 N or int32 N");
    if (body_depth_ == 0) last_opcode_ = -1;
  }

  void ParseOp() {
    Next();
    const Token& code_token = Peek();
    const int opcode = static_cast<int>(ExpectNumber(0, 255, "the opcode"));
    if (!explicit_) {
      switch (opcode) {
        case corv::op::kLabel:
          Fail(code_token, "write a label as 'name:' (op 5 would leave the label chain)");
        case corv::op::kMessage:
          Fail(code_token, "write a message with the message statement");
        case corv::op::kOption:
          Fail(code_token, "write options inside a choice block");
        case corv::op::kDefineBackground:
        case corv::op::kDefineMusic:
        case corv::op::kDefinePicture:
          Fail(code_token, "write a name definition with the name statement");
        default:
          break;
      }
    }
    const corv::OpcodeInfo& info = corv::kOpcodes[opcode];
    Emit8(opcode);
    for (int i = 0; i < info.operand_count; ++i) {
      const Token& t = Peek();
      if (t.kind != TokenKind::kNumber) {
        Fail(t,
             "op " + std::to_string(opcode) + " takes " + std::to_string(info.operand_count) + " operand(s)");
      }
      switch (info.operands[i]) {
        case corv::Operand::kByte:
          Emit8(ExpectNumber(-128, 255, "a byte operand"));
          break;
        case corv::Operand::kInt16:
          Emit16(ExpectNumber(-32768, 65535, "an int16 operand"));
          break;
        case corv::Operand::kInt32:
          Emit32(ExpectNumber(INT32_MIN, UINT32_MAX, "an int32 operand"));
          break;
      }
    }
    if (Peek().kind == TokenKind::kNumber) {
      Fail(Peek(),
           "op " + std::to_string(opcode) + " takes " + std::to_string(info.operand_count) + " operand(s)");
    }
    Emitted(opcode);
  }

  void ParseLabel() {
    const Token& t = Peek();
    const std::string name = ExpectNewName("label");
    Next();  // ':'
    if (labels_.count(name)) Fail(t, "label '" + name + "' is already defined");
    labels_[name] = static_cast<int>(label_offsets_.size()) + 1;
    label_offsets_.push_back(image_.size());
    Emit8(corv::op::kLabel);
    Emit32(-1);  // the link is filled in at the end
    Emitted(corv::op::kLabel);
  }

  void ParseVar() {
    Next();
    const Token& t = Peek();
    const std::string name = ExpectNewName("variable");
    ExpectPunct("=");
    const int64_t number = ExpectNumber(0, kMaxVariable, "the variable number");
    if (variables_.count(name)) Fail(t, "variable '" + name + "' is already declared");
    variables_[name] = static_cast<int>(number);
  }

  void ParseName() {
    const Token& head = Next();
    const Token& kind_token = Peek();
    int kind = -1;
    for (int k = 0; k < 3; ++k) {
      if (IsWord(kind_token, kNameKindWords[k])) kind = k;
    }
    if (kind < 0) Fail(kind_token, "expected background, picture or music after 'name'");
    Next();
    const Token& name_token = Peek();
    const std::string name = ExpectNewName(kNameKindWords[kind]);
    NameTable& table = names_[kind];
    int64_t number = table.last + 1;
    if (IsPunct(Peek(), "=")) {
      Next();
      number = ExpectNumber(0, kMaxNameNumber, "the name number");
    } else if (number > kMaxNameNumber) {
      Fail(name_token, "name numbers end at " + std::to_string(kMaxNameNumber));
    }
    const std::string text = ExpectText(false);
    if (text.size() > 32767) Fail(name_token, "the file name is too long");
    if (body_depth_ > 0) {
      Fail(head,
           "a name cannot be defined inside an option body: names are taken from their pool in the "
           "order they run, and a body that is not chosen would leave the later names out of step");
    }
    if (table.ids.count(name))
      Fail(name_token, std::string(kNameKindWords[kind]) + " '" + name + "' is already defined");
    table.ids[name] = static_cast<int>(number);
    table.last = static_cast<int>(number);
    pools_[kind] += text;
    Emit8(kNameOpcodes[kind]);
    Emit16(number);
    Emit16(static_cast<int64_t>(text.size()));
    Emitted(kNameOpcodes[kind]);
  }

  // background / layer1 / layer3 / music with a name, a number, or none (stop for music).
  void ParseShow(uint8_t opcode, NameKind kind) {
    Next();
    const Token& t = Peek();
    int64_t number = 0;
    if (t.kind == TokenKind::kNumber) {
      number = ExpectNumber(0, kMaxNameNumber, "the number");
    } else if (IsWord(t, "none") || (kind == kMusic && IsWord(t, "stop"))) {
      Next();
    } else if (t.kind == TokenKind::kIdent) {
      auto it = names_[kind].ids.find(t.text);
      if (it == names_[kind].ids.end()) {
        Fail(t, std::string("no ") + kNameKindWords[kind] + " named '" + t.text + "' (define it with 'name " +
                    kNameKindWords[kind] + "' before use)");
      }
      number = it->second;
      Next();
    } else {
      Fail(t, std::string("expected a ") + kNameKindWords[kind] + " name, a number or " +
                  (kind == kMusic ? "stop" : "none"));
    }
    Emit8(opcode);
    Emit16(number);
    Emitted(opcode);
  }

  void ParseTextMode() {
    Next();
    int64_t mode = 0;
    if (IsWord(Peek(), "window")) {
      Next();
    } else if (IsWord(Peek(), "page")) {
      Next();
      mode = 1;
    } else {
      mode = ExpectNumber(0, 255, "the text mode (window, page or a number)");
    }
    Emit8(corv::op::kTextMode);
    Emit8(mode);
    Emitted(corv::op::kTextMode);
  }

  // A keyword with at most one byte operand (what is empty when there is none).
  void ParseSimple(uint8_t opcode, const std::string& what) {
    Next();
    Emit8(opcode);
    if (!what.empty()) Emit8(ExpectNumber(0, 255, what));
    Emitted(opcode);
  }

  void ParseMessage() {
    const Token& head = Next();
    int64_t number = last_message_ + 1;
    if (Peek().kind == TokenKind::kNumber) number = ExpectNumber(0, kMaxMessages, "the message number");
    if (number > kMaxMessages) Fail(head, "message numbers end at " + std::to_string(kMaxMessages));
    if (!message_numbers_.insert(static_cast<int>(number)).second) {
      Fail(head, "message number " + std::to_string(number) +
                     " is already used (the later text would replace "
                     "the earlier one)");
    }
    const std::string text = ExpectText(true);
    if (text.size() > 32767) Fail(head, "the message is longer than 32767 bytes");
    last_message_ = static_cast<int>(number);
    message_offsets_.push_back(image_.size());
    pools_[kMessagePool] += text;
    Emit8(corv::op::kMessage);
    Emit32(-1);
    Emit16(number);
    Emit16(static_cast<int64_t>(text.size()));
    Emitted(corv::op::kMessage);
  }

  void ParseChoice() {
    const Token& head = Next();
    if (body_depth_ > 0) {
      Fail(head, "a choice cannot stand inside an option body: its end markers would end the outer body");
    }
    int64_t number = last_choice_ + 1;
    // Text numbers are read as 16-bit numbers, so those above 32767 would come out negative.
    if (Peek().kind == TokenKind::kNumber) number = ExpectNumber(0, kMaxChoiceNumber16, "the choice number");
    if (number > kMaxChoiceNumber16)
      Fail(head, "choice numbers end at " + std::to_string(kMaxChoiceNumber16));
    last_choice_ = static_cast<int>(number);
    ExpectPunct("{");
    int slot = -1;
    int options = 0;
    while (true) {
      const Token& t = Peek();
      if (t.kind == TokenKind::kNewline || IsPunct(t, ";")) {
        Next();
        continue;
      }
      if (IsPunct(t, "}")) {
        Next();
        break;
      }
      if (!IsWord(t, "option"))
        Fail(t, "expected 'option' or '}' in the choice block but found " + Describe(t));
      slot = ParseOption(static_cast<int>(number), slot);
      ++options;
    }
    if (options == 0) Fail(head, "a choice needs at least one option");
  }

  // A click wait: one option (never shown: a single option is answered by a click anywhere) whose body
  // jumps past the wait, then the wait, then the label it jumps to.
  void ParseClick() {
    const Token& head = Next();
    if (body_depth_ > 0) Fail(head, "a click wait cannot stand inside an option body");
    const int number = last_choice_ + 1;
    if (number > kMaxChoiceNumber16)
      Fail(head, "choice numbers end at " + std::to_string(kMaxChoiceNumber16));
    last_choice_ = number;
    option_keys_.insert({number, 0});
    const std::string text = "\x81\xA5";                          // "▼" in CP932
    const std::string label = "click " + std::to_string(number);  // a name no source can write
    const size_t offset = image_.size();
    option_offsets_.push_back(offset);
    pools_[kChoicePool] += text;
    Emit8(corv::op::kOption);
    Emit32(-1);
    Emit16(number);
    Emit8(0);
    Emit8(static_cast<int64_t>(text.size()));
    Emit8(corv::op::kGoto);
    label_uses_.push_back({image_.size(), label, Where(head)});
    Emit16(0);
    options_.push_back({offset, image_.size(), Where(head)});
    Emit8(corv::op::kEndOption);
    Emit8(corv::op::kWaitChoice);
    labels_[label] = static_cast<int>(label_offsets_.size()) + 1;
    label_offsets_.push_back(image_.size());
    Emit8(corv::op::kLabel);
    Emit32(-1);
    Emitted(corv::op::kLabel);
  }

  // Returns the slot the option took.
  int ParseOption(int number, int previous_slot) {
    const Token& head = Next();
    int64_t slot = previous_slot + 1;
    if (Peek().kind == TokenKind::kNumber) slot = ExpectNumber(0, kMaxSlot, "the option slot");
    if (slot > kMaxSlot) Fail(head, "a choice has at most " + std::to_string(kMaxSlot + 1) + " options");
    const std::string text = ExpectText(false);
    if (text.empty()) Fail(head, "an option needs a text: an empty one is never offered");
    if (text.size() > 255) Fail(head, "an option text is at most 255 bytes");
    if (!option_keys_.insert({number, static_cast<int>(slot)}).second) {
      Fail(head,
           "choice " + std::to_string(number) + " already has an option in slot " + std::to_string(slot));
    }
    ExpectPunct("{");
    const size_t offset = image_.size();
    option_offsets_.push_back(offset);
    pools_[kChoicePool] += text;
    Emit8(corv::op::kOption);
    Emit32(-1);
    Emit16(number);
    Emit8(slot);
    Emit8(static_cast<int64_t>(text.size()));
    const size_t errors_before = errors_.size();
    ++body_depth_;
    ParseStatements(true);
    --body_depth_;
    ExpectPunct("}");
    if (image_.size() == offset + 9 && errors_.size() == errors_before)
      Fail(head, "an option body needs at least one statement");
    options_.push_back({offset, image_.size(), Where(head)});
    Emit8(corv::op::kEndOption);
    Emitted(corv::op::kEndOption);
    return static_cast<int>(slot);
  }

  void ExpectLabelReference() {
    const Token& t = Peek();
    if (t.kind != TokenKind::kIdent) Fail(t, "expected a label name but found " + Describe(t));
    label_uses_.push_back({image_.size(), t.text, Where(t)});
    Emit16(0);
    Next();
  }

  void ParseGoto() {
    Next();
    Emit8(corv::op::kGoto);
    ExpectLabelReference();
    Emitted(corv::op::kGoto);
  }

  bool IsVariable(const std::string& word) const {
    return variables_.count(word) > 0 || NumberedVariable(word).has_value();
  }
  int64_t ExpectVariable() {
    const Token& t = Peek();
    if (t.kind == TokenKind::kIdent) {
      if (auto it = variables_.find(t.text); it != variables_.end()) {
        Next();
        return it->second;
      }
      if (auto n = NumberedVariable(t.text)) {
        if (*n > kMaxVariable) Fail(t, "variables are numbered 0 to " + std::to_string(kMaxVariable));
        Next();
        return *n;
      }
      Fail(t, "unknown variable '" + t.text + "' (declare it with 'var', or write v<number>)");
    }
    Fail(t, "expected a variable but found " + Describe(t));
  }

  // VAR OP CONSTANT as variable, operator byte and constant.
  void ParseComparison() {
    const int64_t variable = ExpectVariable();
    const Token& op = Peek();
    int code = 0;
    int64_t adjust = 0;
    if (IsPunct(op, "=="))
      code = 1;
    else if (IsPunct(op, ">"))
      code = 2;
    else if (IsPunct(op, "<"))
      code = 3;
    else if (IsPunct(op, "!="))
      code = 4;
    else if (IsPunct(op, ">="))
      code = 2, adjust = -1;
    else if (IsPunct(op, "<="))
      code = 3, adjust = 1;
    else
      Fail(op, "expected ==, !=, >, <, >= or <= but found " + Describe(op));
    Next();
    const Token& k = Peek();
    const int64_t constant = ExpectNumber(INT32_MIN, INT32_MAX, "the constant") + adjust;
    // The player reads a 32-bit constant with top byte 0xFF as -1, so -1 is the only negative one.
    if (constant < -1 || constant > INT32_MAX) {
      Fail(k, "the constant of a comparison must be from -1 to 2147483647" +
                  std::string(adjust ? " (>= and <= move it by one)" : ""));
    }
    Emit16(variable);
    Emit8(code);
    Emit32(constant);
  }

  void ParseIf() {
    Next();
    const size_t start = image_.size();
    Emit8(corv::op::kIfGoto);
    ParseComparison();
    const Token& t = Peek();
    int connective = 0;
    if (IsWord(t, "and"))
      connective = 1;
    else if (IsWord(t, "or"))
      connective = 2;
    else if (IsWord(t, "nor"))
      connective = 3;
    if (connective) {
      Next();
      image_[start] = corv::op::kIfPairGoto;
      Emit8(connective);
      ParseComparison();
    }
    ExpectWord("goto");
    ExpectLabelReference();
    Emitted(image_[start]);
  }

  void ParseCalc() {
    const int64_t variable = ExpectVariable();
    const Token& op = Peek();
    static const std::map<std::string, int> kOperations = {{"=", 1},  {"+=", 2}, {"-=", 3},
                                                           {"*=", 4}, {"/=", 5}, {"//=", 6}};
    auto it = op.kind == TokenKind::kPunct ? kOperations.find(op.text) : kOperations.end();
    if (it == kOperations.end()) Fail(op, "expected =, +=, -=, *=, /= or //= but found " + Describe(op));
    Next();
    int code = it->second;
    if (code == 1 && IsWord(Peek(), "random")) {
      Next();
      code = 7;
    }
    const int64_t x = ExpectNumber(0, 32767, "the operand");
    Emit8(corv::op::kCalc);
    Emit16(variable);
    Emit8(code);
    Emit16(x);
    Emitted(corv::op::kCalc);
  }

  // ---- the whole file ----
  void Finish() {
    // A script that runs off its end would go on into the text pools and run them as instructions.
    const bool stops = last_opcode_ == corv::op::kEnd || last_opcode_ == corv::op::kEndProgram ||
                       last_opcode_ == corv::op::kGoto || last_opcode_ == corv::op::kWaitChoice ||
                       last_opcode_ == -1;
    if (!stops) Emit8(corv::op::kEnd);

    for (const LabelUse& use : label_uses_) {
      auto it = labels_.find(use.name);
      if (it == labels_.end()) {
        Error(use.where, "no label named '" + use.name + "'");
        continue;
      }
      image_[use.offset] = static_cast<uint8_t>(it->second & 0xFF);
      image_[use.offset + 1] = static_cast<uint8_t>(it->second >> 8);
    }
    const Location top{1, 1};
    if (label_offsets_.size() > static_cast<size_t>(kMaxLabels)) Error(top, "more than 10000 labels");
    if (message_offsets_.size() > static_cast<size_t>(kMaxMessages)) Error(top, "more than 10000 messages");
    if (option_offsets_.size() > static_cast<size_t>(kMaxOptions)) Error(top, "more than 50000 options");

    // The pools follow the script in the order of their header fields.
    const int64_t fields[] = {kPicturePoolField, kBackgroundPoolField, kMusicPoolField, kChoicePoolField,
                              kMessagePoolField};
    for (int p = 0; p < 5; ++p) {
      Patch32(fields[p] - 1, static_cast<int64_t>(image_.size()) + 1);
      image_.insert(image_.end(), pools_[p].begin(), pools_[p].end());
    }
    if (image_.size() > static_cast<size_t>(INT32_MAX)) Error(top, "the game file would be larger than 2 GB");
    static constexpr char kMagic[] = "CRVL";
    std::copy(kMagic, kMagic + 4, image_.begin());
    Chain(label_offsets_, kLabelChainField);
    Chain(option_offsets_, kOptionChainField);
    Chain(message_offsets_, kMessageChainField);

    // Every option's body must end where the player's skipping ends it. (After other errors the bodies
    // may be incomplete, so this would only repeat them.)
    if (!errors_.empty()) return;
    GameFile file(image_);
    for (const OptionSpan& o : options_) {
      const int64_t position = static_cast<int64_t>(o.offset) + 1;
      const int64_t d = SkipOptionBody(file, position);
      if (d != static_cast<int64_t>(o.end_offset - o.offset)) {
        Error(o.where,
              "the player would not find the end of this option's body where it is (raw or op bytes "
              "in the body form an end marker or run over it)");
      }
    }
  }

  void Patch32(size_t offset, int64_t v) {
    for (int i = 0; i < 4; ++i) image_[offset + i] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
  }
  // Links the instructions at the given offsets in file order; each link is the position of the next
  // instruction's link field (its opcode position + 1), -1 after the last.
  void Chain(const std::vector<size_t>& offsets, int64_t head_field) {
    int64_t next = -1;
    for (size_t i = offsets.size(); i-- > 0;) {
      Patch32(offsets[i] + 1, next);
      next = static_cast<int64_t>(offsets[i]) + 2;
    }
    Patch32(head_field - 1, next);
  }

  struct NameTable {
    std::map<std::string, int> ids;
    int last = 0;
  };
  static constexpr size_t kMaxErrors = 50;
  static constexpr int kMaxChoiceNumber16 = 32767;
  static constexpr int kChoicePool = 3;
  static constexpr int kMessagePool = 4;

  std::string file_name_;
  std::vector<Token> tokens_;
  size_t at_ = 0;
  std::vector<Diagnostic> errors_;
  bool explicit_ = false;
  bool first_statement_ = true;
  int body_depth_ = 0;
  int last_opcode_ = 0;  // of the last top-level instruction; -1 after raw bytes, 0 before any

  std::vector<uint8_t> image_;
  std::array<std::string, 5> pools_;  // pictures, backgrounds, music, choices, messages
  std::vector<size_t> label_offsets_, message_offsets_, option_offsets_;
  std::map<std::string, int> labels_;
  std::vector<LabelUse> label_uses_;
  std::vector<OptionSpan> options_;
  std::map<std::string, int> variables_;
  std::array<NameTable, 3> names_;
  int last_message_ = 0;
  std::set<int> message_numbers_;
  int last_choice_ = 0;
  std::set<std::pair<int, int>> option_keys_;
};

}  // namespace

BuildResult Build(std::string_view source_utf8, const std::string& file_name) {
  return Compiler(source_utf8, file_name).Run();
}

}  // namespace advc
