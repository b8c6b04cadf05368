// The pixel memory of surfaces: blocks that start on a cache line, what each write changed, and the
// blocks a surface's copies gave back, kept for its next copy.
//
// Copies of a surface share one block until one of them is written to, which then needs a block of its
// own holding the same pixels. Copying the whole frame for that would make a typed character cost a
// frame, so every block keeps its history: each content it held is a version, and for its last few
// versions the rows (and the bytes of them) written to get from one to the next. A block that held an
// earlier version of the pixels being copied (one given back by an older frame) needs only what was
// written since.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace corv {

// Rows [first, end) of a surface; empty when first >= end.
struct RowSpan {
  int first = 0;
  int end = 0;
  bool Empty() const { return first >= end; }
  // Widens the span to cover rows [from, to) as well.
  void Add(int from, int to) {
    if (from >= to) return;
    if (Empty()) {
      first = from;
      end = to;
    } else {
      first = first < from ? first : from;
      end = end > to ? end : to;
    }
  }
  bool operator==(const RowSpan&) const = default;
};

class PixelBlock {
 public:
  static constexpr size_t kWholeRow = ~size_t{0};

  explicit PixelBlock(size_t size, bool zeroed = true);
  PixelBlock(const PixelBlock&) = delete;
  PixelBlock& operator=(const PixelBlock&) = delete;

  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

  // Notes that bytes [left, right) of rows [first, end) are about to be written (whole rows unless
  // told). The first write after the content was copied elsewhere starts a new version.
  void Written(int first, int end, size_t left = 0, size_t right = kWholeRow) {
    if (sealed_) BeginVersion();
    Step& step = steps_[step_count_ - 1];
    step.rows.Add(first, end);
    step.area.left = step.area.left < left ? step.area.left : left;
    step.area.right = step.area.right > right ? step.area.right : right;
  }

  // The rows in which this block's pixels may differ from `older`'s: none when both hold the same
  // version, the rows written since when this block's history passes through older's version, and
  // nullopt when that is not known.
  [[nodiscard]] std::optional<RowSpan> ChangedSince(const PixelBlock& older) const;

  // The same with the bytes of each row: the rows, and within them bytes [left, right).
  struct Area {
    RowSpan rows;
    size_t left = kWholeRow;  // empty until something is added
    size_t right = 0;
  };
  [[nodiscard]] std::optional<Area> AreaChangedSince(const PixelBlock& older) const;

  // Takes the pixels of `from` (rows of row_bytes each): only the rows that differ when either block's
  // history passes through the other's version, else all of them. The block then shares the history of
  // `from`.
  void CopyFrom(PixelBlock& from, size_t row_bytes);

 private:
  // A version is named by the block that first held it and a number that block counts up. The block's
  // lineage object lives as long as any name that points at it, so no other block can take its address
  // while the name is still compared, and naming a version allocates nothing.
  struct Lineage {
    uint64_t versions = 0;
  };
  struct Version {
    std::shared_ptr<const Lineage> lineage;
    uint64_t number = 0;
    bool operator==(const Version&) const = default;
  };
  struct Step {
    Version from;  // the version the rows were written over
    RowSpan rows;
    Area area;  // the bytes of those rows written (its rows unused)
  };
  static constexpr int kSteps = 8;

  void BeginVersion();

  std::unique_ptr<uint8_t[]> block_;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  std::shared_ptr<Lineage> lineage_;  // names the versions this block begins
  Version version_;
  std::array<Step, kSteps> steps_{};  // the oldest first
  int step_count_ = 0;
  // True once the current content may have been copied elsewhere (always so after a copy into this
  // block): it is then final, and the next write begins a new version.
  bool sealed_ = true;
};

// The blocks of one surface and its copies: the blocks it made come back here when their last holder
// lets them go, and a few are kept for the next copy.
class PixelPool : public std::enable_shared_from_this<PixelPool> {
 public:
  // A new block of zeroed pixels, given back to this pool when released.
  [[nodiscard]] std::shared_ptr<PixelBlock> Fresh(size_t size);
  // A block holding the pixels of `from`: a kept block that needs the fewest rows copied, else a new one.
  [[nodiscard]] std::shared_ptr<PixelBlock> CopyOf(PixelBlock& from, size_t row_bytes);

 private:
  // Enough for every frame a screen keeps in flight (the work surface, the back buffer, the front and
  // the saved window), so that when they all come back at once the next copies take them instead of
  // new memory: a player that plays game after game on screens made once (the fuzz targets) then maps
  // no new blocks.
  static constexpr size_t kKept = 4;
  std::shared_ptr<PixelBlock> Lend(std::unique_ptr<PixelBlock> block);
  void GiveBack(std::unique_ptr<PixelBlock> block);
  std::vector<std::unique_ptr<PixelBlock>> kept_;  // the most recently given back last
};

}  // namespace corv
