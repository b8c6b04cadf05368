// The compiler behind advc build: parses the source statement by statement and emits the instructions
// straight away through the game writer. Labels are resolved at the end, when all of them are known; the
// writer puts the header, the chains and the pools together last.
//
// Its parts: compiler.cpp (tokens, the statement loop, the whole file), build_statements.cpp (the
// statements of one instruction each) and build_texts.cpp (messages, choices, options, click waits and
// the texts they carry).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "advc/advc.h"
#include "advc/lexer.h"
#include "format/game_writer.h"
#include "format/opcodes.h"

namespace advc {

// "v" followed by digits: a variable by number.
std::optional<int64_t> NumberedVariable(const std::string& word);
// A keyword of the language, which cannot name anything.
bool IsKeyword(const std::string& word);

struct SyntaxError {
  int line;
  int column;
  std::string message;
};

struct Location {
  int line = 0;
  int column = 0;
};

class Compiler {
 public:
  Compiler(std::string_view source, const std::string& file_name);
  BuildResult Run();

 private:
  // The three kinds of resource names, in the order of their pools in the file.
  enum NameKind { kPicture = 0, kBackground = 1, kMusic = 2 };

  struct LabelUse {
    int64_t position;  // of the 16-bit label number
    std::string name;
    Location where;
  };
  struct OptionSpan {
    int64_t position;      // of the option's opcode byte
    int64_t end_position;  // of the byte 8 that ends its body
    Location where;
  };
  struct Comparison {
    int64_t variable;
    int64_t op;
    int64_t constant;
  };
  struct NameTable {
    std::map<std::string, int> ids;
    int last = 0;
  };

  // ---- tokens (compiler.cpp) ----
  const Token& Peek(size_t ahead = 0) const { return tokens_[std::min(at_ + ahead, tokens_.size() - 1)]; }
  const Token& Next();
  bool IsPunct(const Token& t, std::string_view p) const {
    return t.kind == TokenKind::kPunct && t.text == p;
  }
  bool IsWord(const Token& t, std::string_view w) const { return t.kind == TokenKind::kIdent && t.text == w; }
  [[noreturn]] void Fail(const Token& t, const std::string& message);
  void Error(Location where, const std::string& message);
  static Location Where(const Token& t) { return {t.line, t.column}; }
  std::string Describe(const Token& t) const;
  void ExpectPunct(std::string_view p);
  void ExpectWord(std::string_view w);
  int64_t ExpectNumber(int64_t min, int64_t max, const std::string& what);
  std::string ExpectNewName(const std::string& what);
  // Records the kind of the last top-level instruction, to know whether the script can run off its end.
  void Emitted(int opcode) {
    if (body_depth_ == 0) last_opcode_ = opcode;
  }
  void ParseStatements(bool in_block);
  void ParseStatement();
  void Finish();

  // ---- one instruction each (build_statements.cpp) ----
  void ParseExplicit();
  void ParseRaw();
  void ParseOp();
  void ParseLabel();
  void ParseVar();
  void ParseName();
  void ParseShow(uint8_t opcode, NameKind kind);
  void ParseTextMode();
  void ParseSimple(uint8_t opcode, const std::string& what);
  const Token& ExpectLabelName();
  void UseLabel(int64_t at, uint8_t opcode, const Token& name);
  void ParseGoto();
  bool IsVariable(const std::string& word) const;
  int64_t ExpectVariable();
  Comparison ParseComparison();
  void ParseIf();
  void ParseCalc();

  // ---- texts (build_texts.cpp) ----
  std::string ExpectText(bool continuation);
  std::string Convert(const Token& t);
  void ParseMessage();
  void ParseChoice();
  void ParseClick();
  int ParseOption(int number, int previous_slot);

  static constexpr size_t kMaxErrors = 50;
  static constexpr int kMaxChoiceNumber16 = 32767;  // text numbers are read as signed 16-bit numbers

  std::string file_name_;
  std::vector<Token> tokens_;
  size_t at_ = 0;
  std::vector<Diagnostic> errors_;
  bool explicit_ = false;
  bool first_statement_ = true;
  int body_depth_ = 0;
  int last_opcode_ = 0;  // of the last top-level instruction; -1 after raw bytes, 0 before any

  corv::GameWriter writer_;
  std::vector<uint8_t> image_;  // the finished file
  int label_count_ = 0, message_count_ = 0, option_count_ = 0;
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

}  // namespace advc
