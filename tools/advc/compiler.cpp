#include "advc/compiler.h"

#include <algorithm>
#include <cstdint>

#include "format/image_reader.h"
#include "format/instruction.h"

namespace advc {

namespace op = corv::op;

std::string Diagnostic::ToString() const {
  return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message;
}

std::optional<int64_t> NumberedVariable(const std::string& word) {
  if (word.size() < 2 || word[0] != 'v' || word.size() > 7) return std::nullopt;
  int64_t n = 0;
  for (size_t i = 1; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return std::nullopt;
    n = n * 10 + (word[i] - '0');
  }
  return n;
}

bool IsKeyword(const std::string& word) {
  static const std::set<std::string> words = {
      "var",    "name",      "background", "music",    "picture", "layer1",  "layer3", "none",
      "stop",   "text_mode", "text_wait",  "window",   "page",    "message", "wait",   "choice",
      "option", "goto",      "if",         "and",      "or",      "nor",     "random", "end",
      "raw",    "op",        "nop",        "explicit", "int16",   "int32",   "click"};
  return words.count(word) > 0;
}

Compiler::Compiler(std::string_view source, const std::string& file_name) : file_name_(file_name) {
  std::vector<LexError> lex_errors;
  tokens_ = Tokenize(source, lex_errors);
  for (const LexError& e : lex_errors) errors_.push_back({file_name_, e.line, e.column, e.message});
}

BuildResult Compiler::Run() {
  BuildResult result;
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
  if (result.ok) result.image = explicit_ ? writer_.script() : image_;
  return result;
}

// ---- tokens ----

const Token& Compiler::Next() {
  const Token& t = Peek();
  if (at_ < tokens_.size() - 1) ++at_;
  return t;
}

void Compiler::Fail(const Token& t, const std::string& message) {
  throw SyntaxError{t.line, t.column, message};
}

void Compiler::Error(Location where, const std::string& message) {
  errors_.push_back({file_name_, where.line, where.column, message});
}

std::string Compiler::Describe(const Token& t) const {
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

void Compiler::ExpectPunct(std::string_view p) {
  if (!IsPunct(Peek(), p)) Fail(Peek(), "expected '" + std::string(p) + "' but found " + Describe(Peek()));
  Next();
}

void Compiler::ExpectWord(std::string_view w) {
  if (!IsWord(Peek(), w)) Fail(Peek(), "expected '" + std::string(w) + "' but found " + Describe(Peek()));
  Next();
}

int64_t Compiler::ExpectNumber(int64_t min, int64_t max, const std::string& what) {
  const Token& t = Peek();
  if (t.kind != TokenKind::kNumber) Fail(t, "expected " + what + " (a number) but found " + Describe(t));
  if (t.number < min || t.number > max) {
    Fail(t, what + " must be from " + std::to_string(min) + " to " + std::to_string(max));
  }
  Next();
  return t.number;
}

// An identifier that the author names something with.
std::string Compiler::ExpectNewName(const std::string& what) {
  const Token& t = Peek();
  if (t.kind != TokenKind::kIdent) Fail(t, "expected the " + what + "'s name but found " + Describe(t));
  if (IsKeyword(t.text) || NumberedVariable(t.text)) {
    Fail(t, "'" + t.text + "' is a reserved word and cannot name a " + what);
  }
  Next();
  return t.text;
}

// ---- statements ----

void Compiler::ParseStatements(bool in_block) {
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

void Compiler::ParseStatement() {
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
  if (word == "background") return ParseShow(op::kBackground, kBackground);
  if (word == "layer1") return ParseShow(op::kLayer1, kPicture);
  if (word == "layer3") return ParseShow(op::kLayer3, kPicture);
  if (word == "music") return ParseShow(op::kMusic, kMusic);
  if (word == "text_mode") return ParseTextMode();
  if (word == "text_wait") return ParseSimple(op::kTextWait, "the text wait (milliseconds per character)");
  if (word == "message") return ParseMessage();
  if (word == "choice") return ParseChoice();
  if (word == "goto") return ParseGoto();
  if (word == "if") return ParseIf();
  if (word == "wait") return ParseSimple(op::kWaitChoice, "");
  if (word == "click") return ParseClick();
  if (word == "end") return ParseSimple(op::kEnd, "");
  if (word == "nop") return ParseSimple(op::kNop7, "");
  if (word == "option") Fail(t, "'option' stands only inside a choice block");
  if (IsVariable(word)) return ParseCalc();
  Fail(t, "unknown statement '" + word + "'");
}

// ---- the whole file ----

void Compiler::Finish() {
  // A script that runs off its end would go on into the text pools and run them as instructions.
  const bool stops = last_opcode_ == op::kEnd || last_opcode_ == op::kEndProgram ||
                     last_opcode_ == op::kGoto || last_opcode_ == op::kWaitChoice || last_opcode_ == -1;
  if (!stops) writer_.Emit(op::kEnd, {});

  for (const LabelUse& use : label_uses_) {
    auto it = labels_.find(use.name);
    if (it == labels_.end()) {
      Error(use.where, "no label named '" + use.name + "'");
      continue;
    }
    writer_.Patch16(use.position, it->second);
  }
  const Location top{1, 1};
  if (label_count_ > corv::kMaxLabel) Error(top, "more than 10000 labels");
  if (message_count_ > corv::kMaxMessageEntries) Error(top, "more than 10000 messages");
  if (option_count_ > corv::kMaxChoiceEntries) Error(top, "more than 50000 options");
  if (writer_.FileSize() > INT32_MAX) Error(top, "the game file would be larger than 2 GB");
  image_ = writer_.Finish();

  // Every option's body must end where the player's skipping ends it. (After other errors the bodies
  // may be incomplete, so this would only repeat them.)
  if (!errors_.empty()) return;
  const corv::ImageReader file(image_);
  for (const OptionSpan& o : options_) {
    if (corv::SkipOptionBody(file, o.position) != o.end_position - o.position) {
      Error(o.where,
            "the player would not find the end of this option's body where it is (raw or op bytes "
            "in the body form an end marker or run over it)");
    }
  }
}

BuildResult Build(std::string_view source_utf8, const std::string& file_name) {
  return Compiler(source_utf8, file_name).Run();
}

}  // namespace advc
