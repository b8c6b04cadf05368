#include "platform/pixel_buffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

namespace corv {
namespace {

// Pixel memory starts on a cache line, as does every row of a frame whose width makes whole lines: the
// vector loops over rows then never split a load or a store across two lines. The block is taken a line
// larger and aligned by hand: with glibc's own aligned allocation, which splits heap chunks, the demo's
// headless run peaked at 367 MB instead of 59 MB.
constexpr uintptr_t kLine = 64;

uint8_t* FirstLine(uint8_t* block) {
  return block + (kLine - reinterpret_cast<uintptr_t>(block) % kLine) % kLine;
}

// The size of the block for `size` bytes of pixels. A size near the top of the range (a negative width or
// height turned unsigned) is refused as a vector would refuse it, instead of wrapping to a short block.
size_t BlockSize(size_t size) {
  if (size > std::numeric_limits<size_t>::max() / 2) throw std::length_error("surface too large");
  return size + kLine;
}

// The rows in which two blocks may differ, whichever of them came from the other: a frame copied back
// over newer ones (the empty message window brought back) differs from them where they were drawn on.
std::optional<PixelBlock::Area> Between(const PixelBlock& a, const PixelBlock& b) {
  if (std::optional<PixelBlock::Area> area = a.AreaChangedSince(b)) return area;
  return b.AreaChangedSince(a);
}

// How many bytes a copy of the area takes, for rows of row_bytes.
size_t AreaBytes(const PixelBlock::Area& area, size_t row_bytes) {
  if (area.rows.Empty()) return 0;
  const size_t right = std::min(area.right, row_bytes);
  const size_t width = area.left < right ? right - area.left : 0;
  return static_cast<size_t>(area.rows.end - area.rows.first) * width;
}

}  // namespace

PixelBlock::PixelBlock(size_t size, bool zeroed)
    : block_(zeroed ? new uint8_t[BlockSize(size)]() : new uint8_t[BlockSize(size)]),
      data_(FirstLine(block_.get())),
      size_(size),
      lineage_(std::make_shared<Lineage>()),
      version_{lineage_, 0} {}

void PixelBlock::BeginVersion() {
  if (step_count_ == kSteps) {
    std::move(steps_.begin() + 1, steps_.end(), steps_.begin());
    --step_count_;
  }
  steps_[step_count_++] = Step{std::move(version_), RowSpan{}, Area{}};
  version_ = Version{lineage_, ++lineage_->versions};
  sealed_ = false;
}

std::optional<RowSpan> PixelBlock::ChangedSince(const PixelBlock& older) const {
  const std::optional<Area> area = AreaChangedSince(older);
  if (!area) return std::nullopt;
  return area->rows;
}

std::optional<PixelBlock::Area> PixelBlock::AreaChangedSince(const PixelBlock& older) const {
  if (older.version_ == version_) return Area{};
  Area area;
  for (int j = step_count_ - 1; j >= 0; --j) {
    const Step& step = steps_[j];
    if (!step.rows.Empty()) {
      area.rows.Add(step.rows.first, step.rows.end);
      area.left = std::min(area.left, step.area.left);
      area.right = std::max(area.right, step.area.right);
    }
    if (step.from == older.version_) return area;
  }
  return std::nullopt;
}

void PixelBlock::CopyFrom(PixelBlock& from, size_t row_bytes) {
  from.sealed_ = true;  // what it holds now is what this block will hold
  const std::optional<Area> area = Between(from, *this);
  if (!area || size_ != from.size_ || row_bytes == 0) {
    std::memcpy(data_, from.data_, std::min(size_, from.size_));
  } else if (AreaBytes(*area, row_bytes) > 0) {
    const size_t first = static_cast<size_t>(std::max(area->rows.first, 0));
    const size_t end = std::min(size_ / row_bytes, static_cast<size_t>(std::max(area->rows.end, 0)));
    const size_t left = area->left, right = std::min(area->right, row_bytes);
    if (left == 0 && right == row_bytes) {
      if (first < end)
        std::memcpy(data_ + first * row_bytes, from.data_ + first * row_bytes, (end - first) * row_bytes);
    } else {
      for (size_t y = first; y < end; ++y)
        std::memcpy(data_ + y * row_bytes + left, from.data_ + y * row_bytes + left, right - left);
    }
  }
  version_ = from.version_;
  steps_ = from.steps_;
  step_count_ = from.step_count_;
  sealed_ = true;
}

std::shared_ptr<PixelBlock> PixelPool::Fresh(size_t size) {
  return Lend(std::make_unique<PixelBlock>(size));
}

std::shared_ptr<PixelBlock> PixelPool::CopyOf(PixelBlock& from, size_t row_bytes) {
  // The kept block that needs the fewest bytes copied; any kept block of the size will do for a whole copy.
  auto best = kept_.end();
  size_t best_bytes = std::numeric_limits<size_t>::max();
  for (auto it = kept_.begin(); it != kept_.end(); ++it) {
    if ((*it)->size() != from.size()) continue;
    const std::optional<PixelBlock::Area> area = Between(from, **it);
    const size_t count = area ? AreaBytes(*area, row_bytes) : std::numeric_limits<size_t>::max() - 1;
    if (count < best_bytes) {
      best = it;
      best_bytes = count;
    }
  }
  std::unique_ptr<PixelBlock> block;
  if (best != kept_.end()) {
    block = std::move(*best);
    kept_.erase(best);
  } else {
    block = std::make_unique<PixelBlock>(from.size(), false);
  }
  block->CopyFrom(from, row_bytes);
  return Lend(std::move(block));
}

std::shared_ptr<PixelBlock> PixelPool::Lend(std::unique_ptr<PixelBlock> block) {
  return std::shared_ptr<PixelBlock>(block.release(), [pool = weak_from_this()](PixelBlock* released) {
    std::unique_ptr<PixelBlock> owned(released);
    if (const std::shared_ptr<PixelPool> keeper = pool.lock()) keeper->GiveBack(std::move(owned));
  });
}

void PixelPool::GiveBack(std::unique_ptr<PixelBlock> block) {
  if (kept_.size() >= kKept) kept_.erase(kept_.begin());
  kept_.push_back(std::move(block));
}

}  // namespace corv
