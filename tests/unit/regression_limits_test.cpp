// Files far larger than anything real are refused before memory is spent on them: each limit is tried
// with a sparse file just past it, which costs no disk and would cost the whole size in memory if read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "interaction/save_game.h"
#include "midi_bytes.h"
#include "platform/bitmap.h"
#include "platform/clock.h"
#include "platform/file_store.h"
#include "platform/sequencer.h"
#include "scratch_folder.h"
#include "test_game.h"

namespace corv {
namespace {

std::string SparseFile(const test::ScratchFolder& folder, const std::string& name, int64_t size) {
  const std::string path = folder.Write(name, std::string("BM"));
  EXPECT_EQ(::truncate(path.c_str(), size), 0);
  return path;
}

TEST(RegressionLimits, OversizedBitmapFilesAreRefusedUnread) {
  test::ScratchFolder folder;
  struct Case {
    int64_t size;
    const char* error;
  };
  const int64_t limit = int64_t{4096} * 4096 * 4 + (int64_t{1} << 20);
  const Case cases[] = {
      {limit + 1, "bitmap file is too large"},
      {int64_t{1} << 40, "bitmap file is too large"},  // a terabyte, sparse
      {limit, "unknown bitmap header"},                // read, then refused by its header (all zeros)
  };
  for (const Case& c : cases) {
    const Result<Surface> loaded = LoadBitmapFile(SparseFile(folder, "BIG.BMP", c.size), 32);
    EXPECT_FALSE(loaded.ok()) << c.size;
    EXPECT_EQ(loaded.error(), c.error) << c.size;
  }
}

TEST(RegressionLimits, WholeFileReadsStopAtTheirLimit) {
  test::ScratchFolder folder;
  struct Case {
    int64_t size;
    bool read;
  };
  const Case cases[] = {{0, true}, {100000, true}, {100001, false}, {int64_t{1} << 36, false}};
  for (const Case& c : cases) {
    const auto bytes = ReadWholeFile(SparseFile(folder, "SLOT1.SAV", c.size), 100000);
    EXPECT_EQ(bytes.ok(), c.read) << c.size;
    if (bytes) {
      EXPECT_EQ(static_cast<int64_t>(bytes->size()), c.size);
    }
  }
}

TEST(RegressionLimits, OversizedMusicLeavesTheSequencerClosed) {
  test::ScratchFolder folder;
  using namespace midi_bytes;
  const Bytes piece = Header(0, 1, 96) + Track(NoteOn(0, 60) + NoteOff(96, 60) + EndOfTrack(0));
  const std::string small = folder.Write("SMALL.MID", std::string(piece.begin(), piece.end()));
  const std::string big = SparseFile(folder, "BIG.MID", (int64_t{16} << 20) + 1);
  VirtualClock clock;
  auto sequencer = MakeFluidSynthSequencer({"", "/dev/null", true}, clock);
  struct Case {
    std::string path;
    bool opened;
  };
  for (const Case& c : {Case{small, true}, Case{big, false}, Case{small, true}}) {
    sequencer->SendString("open \"" + c.path + "\" type sequencer alias sequencer");
    EXPECT_EQ(!sequencer->SendString("status sequencer length").empty(), c.opened) << c.path;
    sequencer->SendString("close sequencer");
  }
}

}  // namespace
}  // namespace corv
