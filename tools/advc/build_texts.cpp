// Texts and the statements that carry them: messages, choices with their options, click waits.
#include <cstdio>
#include <string>

#include "advc/compiler.h"
#include "platform/text_codec.h"

namespace advc {

namespace op = corv::op;

// One or more string literals, concatenated and converted to CP932. With continuation, strings on the
// following lines (a line that starts with a string) belong to it too.
std::string Compiler::ExpectText(bool continuation) {
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

std::string Compiler::Convert(const Token& t) {
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

void Compiler::ParseMessage() {
  const Token& head = Next();
  int64_t number = last_message_ + 1;
  if (Peek().kind == TokenKind::kNumber) number = ExpectNumber(0, corv::kMaxMessage, "the message number");
  if (number > corv::kMaxMessage) Fail(head, "message numbers end at " + std::to_string(corv::kMaxMessage));
  if (!message_numbers_.insert(static_cast<int>(number)).second) {
    Fail(head, "message number " + std::to_string(number) +
                   " is already used (the later text would replace "
                   "the earlier one)");
  }
  const std::string text = ExpectText(true);
  if (text.size() > 32767) Fail(head, "the message is longer than 32767 bytes");
  last_message_ = static_cast<int>(number);
  ++message_count_;
  writer_.AddText(corv::Pool::kMessage, text);
  writer_.EmitChained(op::kMessage, {-1, number, static_cast<int64_t>(text.size())});
  Emitted(op::kMessage);
}

void Compiler::ParseChoice() {
  const Token& head = Next();
  if (body_depth_ > 0) {
    Fail(head, "a choice cannot stand inside an option body: its end markers would end the outer body");
  }
  int64_t number = last_choice_ + 1;
  // Text numbers are read as 16-bit numbers, so those above 32767 would come out negative.
  if (Peek().kind == TokenKind::kNumber) number = ExpectNumber(0, kMaxChoiceNumber16, "the choice number");
  if (number > kMaxChoiceNumber16) Fail(head, "choice numbers end at " + std::to_string(kMaxChoiceNumber16));
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
void Compiler::ParseClick() {
  const Token& head = Next();
  if (body_depth_ > 0) Fail(head, "a click wait cannot stand inside an option body");
  const int number = last_choice_ + 1;
  if (number > kMaxChoiceNumber16) Fail(head, "choice numbers end at " + std::to_string(kMaxChoiceNumber16));
  last_choice_ = number;
  option_keys_.insert({number, 0});
  const std::string text = "\x81\xA5";                          // "▼" in CP932
  const std::string label = "click " + std::to_string(number);  // a name no source can write
  ++option_count_;
  writer_.AddText(corv::Pool::kChoice, text);
  const int64_t at = writer_.EmitChained(op::kOption, {-1, number, 0, static_cast<int64_t>(text.size())});
  const int64_t jump = writer_.Emit(op::kGoto, {0});
  label_uses_.push_back(
      {jump + corv::kOpcodes[op::kGoto].Find(corv::Field::kLabel).offset, label, Where(head)});
  options_.push_back({at, writer_.Emit(op::kEndOption, {}), Where(head)});
  writer_.Emit(op::kWaitChoice, {});
  labels_[label] = ++label_count_;
  writer_.EmitChained(op::kLabel, {-1});
  Emitted(op::kLabel);
}

// Returns the slot the option took.
int Compiler::ParseOption(int number, int previous_slot) {
  const Token& head = Next();
  int64_t slot = previous_slot + 1;
  const int max_slot = corv::kChoiceSlots - 1;
  if (Peek().kind == TokenKind::kNumber) slot = ExpectNumber(0, max_slot, "the option slot");
  if (slot > max_slot) Fail(head, "a choice has at most " + std::to_string(corv::kChoiceSlots) + " options");
  const std::string text = ExpectText(false);
  if (text.empty()) Fail(head, "an option needs a text: an empty one is never offered");
  if (text.size() > 255) Fail(head, "an option text is at most 255 bytes");
  if (!option_keys_.insert({number, static_cast<int>(slot)}).second) {
    Fail(head, "choice " + std::to_string(number) + " already has an option in slot " + std::to_string(slot));
  }
  ExpectPunct("{");
  ++option_count_;
  writer_.AddText(corv::Pool::kChoice, text);
  const int64_t at = writer_.EmitChained(op::kOption, {-1, number, slot, static_cast<int64_t>(text.size())});
  const size_t errors_before = errors_.size();
  ++body_depth_;
  ParseStatements(true);
  --body_depth_;
  ExpectPunct("}");
  if (writer_.Position() == at + corv::kOpcodes[op::kOption].length && errors_.size() == errors_before)
    Fail(head, "an option body needs at least one statement");
  options_.push_back({at, writer_.Emit(op::kEndOption, {}), Where(head)});
  Emitted(op::kEndOption);
  return static_cast<int>(slot);
}

}  // namespace advc
