#include "format/game_writer.h"

#include <stdexcept>

#include "format/opcodes.h"
#include "platform/file_store.h"

namespace corv {
namespace {

// The header field at `head` holds the first instruction's link position, each link the next one's,
// the last link -1.
void Thread(std::span<uint8_t> image, int64_t head, const std::vector<int64_t>& positions) {
  int64_t link = head;
  for (int64_t at : positions) {
    GameWriter::Put32(image, link, at + 1);
    link = at + 1;
  }
  GameWriter::Put32(image, link, -1);
}

}  // namespace

int64_t GameWriter::Byte(int64_t value) {
  const int64_t at = Position();
  script_.push_back(static_cast<uint8_t>(value & 0xFF));
  return at;
}

int64_t GameWriter::Int16(int64_t value) {
  const int64_t at = Byte(value);
  Byte(value >> 8);
  return at;
}

int64_t GameWriter::Int32(int64_t value) {
  const int64_t at = Int16(value);
  Int16(value >> 16);
  return at;
}

int64_t GameWriter::Raw(std::string_view bytes) {
  const int64_t at = Position();
  script_.insert(script_.end(), bytes.begin(), bytes.end());
  return at;
}

int64_t GameWriter::Emit(uint8_t opcode, std::span<const int64_t> operands) {
  const OpcodeInfo& info = kOpcodes[opcode];
  if (operands.size() != info.operand_count) {
    throw std::invalid_argument("opcode " + std::to_string(opcode) + " takes " +
                                std::to_string(info.operand_count) + " operands");
  }
  const int64_t at = Byte(opcode);
  const int64_t* value = operands.data();
  for (int i = 0; i < info.operand_count; ++i, ++value) {
    switch (info.operands[i].kind) {
      case Operand::kByte:
        Byte(*value);
        break;
      case Operand::kInt16:
        Int16(*value);
        break;
      case Operand::kInt32:
        Int32(*value);
        break;
    }
  }
  return at;
}

int64_t GameWriter::EmitChained(uint8_t opcode, std::initializer_list<int64_t> operands) {
  std::vector<int64_t>* chain = opcode == op::kLabel     ? &labels_
                                : opcode == op::kMessage ? &messages_
                                : opcode == op::kOption  ? &options_
                                                         : nullptr;
  if (!chain) throw std::invalid_argument("opcode " + std::to_string(opcode) + " has no chain");
  const int64_t at = Emit(opcode, operands);
  chain->push_back(at);
  return at;
}

void GameWriter::PatchByte(int64_t position, int64_t value) {
  script_.at(static_cast<size_t>(position - kScriptStart)) = static_cast<uint8_t>(value & 0xFF);
}

void GameWriter::Patch16(int64_t position, int64_t value) {
  PatchByte(position, value);
  PatchByte(position + 1, value >> 8);
}

int64_t GameWriter::FileSize() const {
  int64_t size = kHeaderSize + static_cast<int64_t>(script_.size());
  for (const std::string& pool : pools_) size += static_cast<int64_t>(pool.size());
  return size;
}

std::vector<uint8_t> GameWriter::Finish() const {
  // Made at its full size, then written: growing it piece by piece makes GCC 12 at -O3 warn of copies
  // out of bounds inside the standard library where none can happen.
  std::vector<uint8_t> image(static_cast<size_t>(FileSize()), 0);
  std::copy(kGameMagic.begin(), kGameMagic.end(), image.begin());
  auto end = std::copy(script_.begin(), script_.end(), image.begin() + kHeaderSize);
  for (int p = 0; p < kPoolCount; ++p) {
    Put32(image, PoolField(static_cast<Pool>(p)), (end - image.begin()) + 1);
    end = std::copy(pools_[p].begin(), pools_[p].end(), end);
  }
  Thread(image, kLabelChainField, labels_);
  Thread(image, kOptionChainField, options_);
  Thread(image, kMessageChainField, messages_);
  return image;
}

void GameWriter::Put16(std::span<uint8_t> image, int64_t position, int64_t value) {
  for (int i = 0; i < 2; ++i) image[position - 1 + i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF);
}

void GameWriter::Put32(std::span<uint8_t> image, int64_t position, int64_t value) {
  for (int i = 0; i < 4; ++i) image[position - 1 + i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF);
}

Status WriteGameFile(const std::string& path, std::span<const uint8_t> image) {
  return WriteFileAtomically(path, image);
}

}  // namespace corv
