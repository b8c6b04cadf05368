// The statements that make one instruction each (or none: var), and the raw and op statements.
#include <cstdint>
#include <map>
#include <string>

#include "advc/compiler.h"

namespace advc {
namespace {

namespace op = corv::op;

constexpr uint8_t kNameOpcodes[] = {op::kDefinePicture, op::kDefineBackground, op::kDefineMusic};
constexpr corv::Pool kNamePools[] = {corv::Pool::kPicture, corv::Pool::kBackground, corv::Pool::kMusic};
constexpr const char* kNameKindWords[] = {"picture", "background", "music"};

}  // namespace

void Compiler::ParseExplicit() {
  if (!first_statement_) Fail(Peek(), "'explicit' must be the first statement of the file");
  Next();
  explicit_ = true;
}

void Compiler::ParseRaw() {
  const Token& head = Next();
  size_t count = 0;
  while (true) {
    const Token& t = Peek();
    if (t.kind == TokenKind::kNumber) {
      writer_.Byte(ExpectNumber(-128, 255, "a raw byte"));
    } else if (t.kind == TokenKind::kString) {
      writer_.Raw(Convert(Next()));
    } else if (IsWord(t, "int16")) {
      Next();
      writer_.Int16(ExpectNumber(-32768, 65535, "an int16 value"));
    } else if (IsWord(t, "int32")) {
      Next();
      writer_.Int32(ExpectNumber(INT32_MIN, UINT32_MAX, "an int32 value"));
    } else {
      break;
    }
    ++count;
  }
  if (count == 0) Fail(head, "raw needs bytes, strings, int16 N or int32 N");
  if (body_depth_ == 0) last_opcode_ = -1;
}

void Compiler::ParseOp() {
  Next();
  const Token& code_token = Peek();
  const int opcode = static_cast<int>(ExpectNumber(0, 255, "the opcode"));
  if (!explicit_) {
    switch (opcode) {
      case op::kLabel:
        Fail(code_token, "write a label as 'name:' (op 5 would leave the label chain)");
      case op::kMessage:
        Fail(code_token, "write a message with the message statement");
      case op::kOption:
        Fail(code_token, "write options inside a choice block");
      case op::kDefineBackground:
      case op::kDefineMusic:
      case op::kDefinePicture:
        Fail(code_token, "write a name definition with the name statement");
      default:
        break;
    }
  }
  const corv::OpcodeInfo& info = corv::kOpcodes[opcode];
  const std::string count_message =
      "op " + std::to_string(opcode) + " takes " + std::to_string(info.operand_count) + " operand(s)";
  std::vector<int64_t> operands;
  for (int i = 0; i < info.operand_count; ++i) {
    if (Peek().kind != TokenKind::kNumber) Fail(Peek(), count_message);
    switch (info.operands[i].kind) {
      case corv::Operand::kByte:
        operands.push_back(ExpectNumber(-128, 255, "a byte operand"));
        break;
      case corv::Operand::kInt16:
        operands.push_back(ExpectNumber(-32768, 65535, "an int16 operand"));
        break;
      case corv::Operand::kInt32:
        operands.push_back(ExpectNumber(INT32_MIN, UINT32_MAX, "an int32 operand"));
        break;
    }
  }
  if (Peek().kind == TokenKind::kNumber) Fail(Peek(), count_message);
  writer_.Emit(static_cast<uint8_t>(opcode), operands);
  Emitted(opcode);
}

void Compiler::ParseLabel() {
  const Token& t = Peek();
  const std::string name = ExpectNewName("label");
  Next();  // ':'
  if (labels_.count(name)) Fail(t, "label '" + name + "' is already defined");
  labels_[name] = ++label_count_;
  writer_.EmitChained(op::kLabel, {-1});  // the link is written with the chain
  Emitted(op::kLabel);
}

void Compiler::ParseVar() {
  Next();
  const Token& t = Peek();
  const std::string name = ExpectNewName("variable");
  ExpectPunct("=");
  const int64_t number = ExpectNumber(0, corv::kMaxVariable, "the variable number");
  if (variables_.count(name)) Fail(t, "variable '" + name + "' is already declared");
  variables_[name] = static_cast<int>(number);
}

void Compiler::ParseName() {
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
    number = ExpectNumber(0, corv::kMaxName, "the name number");
  } else if (number > corv::kMaxName) {
    Fail(name_token, "name numbers end at " + std::to_string(corv::kMaxName));
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
  writer_.AddText(kNamePools[kind], text);
  writer_.Emit(kNameOpcodes[kind], {number, static_cast<int64_t>(text.size())});
  Emitted(kNameOpcodes[kind]);
}

// background / layer1 / layer3 / music with a name, a number, or none (stop for music).
void Compiler::ParseShow(uint8_t opcode, NameKind kind) {
  Next();
  const Token& t = Peek();
  int64_t number = 0;
  if (t.kind == TokenKind::kNumber) {
    number = ExpectNumber(0, corv::kMaxName, "the number");
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
  writer_.Emit(opcode, {number});
  Emitted(opcode);
}

void Compiler::ParseTextMode() {
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
  writer_.Emit(op::kTextMode, {mode});
  Emitted(op::kTextMode);
}

// A keyword with at most one byte operand (what is empty when there is none).
void Compiler::ParseSimple(uint8_t opcode, const std::string& what) {
  Next();
  if (what.empty()) {
    writer_.Emit(opcode, {});
  } else {
    writer_.Emit(opcode, {ExpectNumber(0, 255, what)});
  }
  Emitted(opcode);
}

// The label a jump names; its number is written once all labels are known.
const Token& Compiler::ExpectLabelName() {
  const Token& t = Peek();
  if (t.kind != TokenKind::kIdent) Fail(t, "expected a label name but found " + Describe(t));
  Next();
  return t;
}

void Compiler::UseLabel(int64_t at, uint8_t opcode, const Token& name) {
  label_uses_.push_back(
      {at + corv::kOpcodes[opcode].Find(corv::Field::kLabel).offset, name.text, Where(name)});
}

void Compiler::ParseGoto() {
  Next();
  const Token& label = ExpectLabelName();
  UseLabel(writer_.Emit(op::kGoto, {0}), op::kGoto, label);
  Emitted(op::kGoto);
}

bool Compiler::IsVariable(const std::string& word) const {
  return variables_.count(word) > 0 || NumberedVariable(word).has_value();
}

int64_t Compiler::ExpectVariable() {
  const Token& t = Peek();
  if (t.kind == TokenKind::kIdent) {
    if (auto it = variables_.find(t.text); it != variables_.end()) {
      Next();
      return it->second;
    }
    if (auto n = NumberedVariable(t.text)) {
      if (*n > corv::kMaxVariable)
        Fail(t, "variables are numbered 0 to " + std::to_string(corv::kMaxVariable));
      Next();
      return *n;
    }
    Fail(t, "unknown variable '" + t.text + "' (declare it with 'var', or write v<number>)");
  }
  Fail(t, "expected a variable but found " + Describe(t));
}

// VAR OP CONSTANT as variable, operator byte and constant.
Compiler::Comparison Compiler::ParseComparison() {
  const int64_t variable = ExpectVariable();
  const Token& sign = Peek();
  static const std::map<std::string, std::pair<int, int>> kOperators = {
      {"==", {1, 0}}, {">", {2, 0}}, {"<", {3, 0}}, {"!=", {4, 0}}, {">=", {2, -1}}, {"<=", {3, 1}}};
  auto it = sign.kind == TokenKind::kPunct ? kOperators.find(sign.text) : kOperators.end();
  if (it == kOperators.end()) Fail(sign, "expected ==, !=, >, <, >= or <= but found " + Describe(sign));
  const auto [code, adjust] = it->second;
  Next();
  const Token& k = Peek();
  const int64_t constant = ExpectNumber(INT32_MIN, INT32_MAX, "the constant") + adjust;
  // The player reads a 32-bit constant with top byte 0xFF as -1, so -1 is the only negative one.
  if (constant < -1 || constant > INT32_MAX) {
    Fail(k, "the constant of a comparison must be from -1 to 2147483647" +
                std::string(adjust ? " (>= and <= move it by one)" : ""));
  }
  return {variable, code, constant};
}

void Compiler::ParseIf() {
  Next();
  const Comparison a = ParseComparison();
  const Token& t = Peek();
  int connective = 0;
  if (IsWord(t, "and"))
    connective = 1;
  else if (IsWord(t, "or"))
    connective = 2;
  else if (IsWord(t, "nor"))
    connective = 3;
  Comparison b{};
  if (connective) {
    Next();
    b = ParseComparison();
  }
  ExpectWord("goto");
  const Token& label = ExpectLabelName();
  const uint8_t opcode = connective ? op::kIfPairGoto : op::kIfGoto;
  const int64_t at =
      connective
          ? writer_.Emit(opcode, {a.variable, a.op, a.constant, connective, b.variable, b.op, b.constant, 0})
          : writer_.Emit(opcode, {a.variable, a.op, a.constant, 0});
  UseLabel(at, opcode, label);
  Emitted(opcode);
}

void Compiler::ParseCalc() {
  const int64_t variable = ExpectVariable();
  const Token& sign = Peek();
  static const std::map<std::string, int> kOperations = {{"=", 1},  {"+=", 2}, {"-=", 3},
                                                         {"*=", 4}, {"/=", 5}, {"//=", 6}};
  auto it = sign.kind == TokenKind::kPunct ? kOperations.find(sign.text) : kOperations.end();
  if (it == kOperations.end()) Fail(sign, "expected =, +=, -=, *=, /= or //= but found " + Describe(sign));
  Next();
  int code = it->second;
  if (code == 1 && IsWord(Peek(), "random")) {
    Next();
    code = 7;
  }
  const int64_t x = ExpectNumber(0, 32767, "the operand");
  writer_.Emit(op::kCalc, {variable, code, x});
  Emitted(op::kCalc);
}

}  // namespace advc
