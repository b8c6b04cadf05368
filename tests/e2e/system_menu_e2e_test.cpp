// The right-click menu, its slot screen and its information screen, played through the real program:
// games built with advc run headless from events files; frames are read back from `shot` lines and the
// game's progress from the trace. Expected colours are worked out from the shading rules over pictures
// of a known colour; text is checked by where its ink lies, never by a font's exact shapes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "bmp_writer.h"
#include "e2e_support.h"

namespace corv::e2e {
namespace {

using namespace std::chrono_literals;

// ---- Running a game ----

struct Played {
  RunResult run;
  std::vector<std::string> trace;
};

// Builds `source` as STORY.ADV in `dir` (made when missing) and plays it headless with `events` and the
// options given, from `dir` (where relative shots land).
Played Play(const fs::path& dir, const std::string& source, const std::string& events,
            const std::vector<std::string>& options = {}) {
  fs::create_directories(dir);
  BuildGame(source, dir / "STORY.ADV");
  WriteFile(dir / "events.txt", events);
  std::vector<std::string> args{"--headless", "--events", (dir / "events.txt").string(), "--trace",
                                (dir / "trace.txt").string()};
  args.insert(args.end(), options.begin(), options.end());
  args.push_back((dir / "STORY.ADV").string());
  Played played;
  played.run = RunPlayer(args, dir, 120s);
  played.trace = ReadLines(dir / "trace.txt");
  return played;
}

bool TraceHas(const std::vector<std::string>& trace, const std::string& ending) {
  return std::any_of(trace.begin(), trace.end(),
                     [&](const std::string& line) { return line.ends_with(ending); });
}

// A 640 x 480 picture of one 0xRRGGBB colour.
void WritePlainPicture(const fs::path& path, uint32_t rgb) {
  WriteFile(path, test::MakeBmp(640, 480, 24, {}, [rgb](int, int) { return rgb; }));
}

// ---- Looking at frames ----

// A shot as a 640 x 480 frame; a black one when it could not be read (ReadShot has reported that), so
// that the checks after it fail rather than read outside the picture.
RgbImage Frame(const fs::path& path) {
  RgbImage image = ReadShot(path);
  if (image.width != 640 || image.height != 480 || image.rgb.size() != 640u * 480u * 3u) {
    image = RgbImage{640, 480, std::vector<uint8_t>(640u * 480u * 3u, 0)};
  }
  return image;
}

// Where the pixels of a box that differ from `background` lie; count 0 when none do.
struct Ink {
  int count = 0;
  int left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;

  void Add(int x, int y) {
    ++count;
    left = std::min(left, x);
    right = std::max(right, x);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
  }
};

Ink InkIn(const RgbImage& image, int x, int y, int w, int h, Rgb background) {
  Ink ink;
  for (int yy = y; yy < y + h; ++yy) {
    for (int xx = x; xx < x + w; ++xx) {
      if (PixelAt(image, xx, yy) != background) ink.Add(xx, yy);
    }
  }
  return ink;
}

// Where two frames differ; every pixel when their sizes differ.
Ink Differences(const RgbImage& a, const RgbImage& b) {
  Ink diff;
  if (a.width != b.width || a.height != b.height) {
    diff.count = std::max(a.width * a.height, b.width * b.height) + 1;
    return diff;
  }
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (PixelAt(a, x, y) != PixelAt(b, x, y)) diff.Add(x, y);
    }
  }
  return diff;
}

// Where the band of rows [y1, y1 + h) differs from the band [y2, y2 + h), columns x to x + w.
Ink BandDifferences(const RgbImage& a, int y1, const RgbImage& b, int y2, int x, int w, int h) {
  Ink diff;
  for (int dy = 0; dy < h; ++dy) {
    for (int xx = x; xx < x + w; ++xx) {
      if (PixelAt(a, xx, y1 + dy) == PixelAt(b, xx, y2 + dy)) continue;
      ++diff.count;
      diff.left = std::min(diff.left, xx);
      diff.right = std::max(diff.right, xx);
    }
  }
  return diff;
}

// ---- Menu places ----
// Entry i is sensitive on the lines 166 + 30 i to 184 + 30 i, slot n on 171 + 30 (n - 1) to 185 + 30 (n - 1),
// both for 210 < x < 420. The clicks below use the middle of those bands.
constexpr char kOpenMenu[] = "rclick 320 400";  // off every option row and off the panel
constexpr char kSaveEntry[] = "click 300 175";
constexpr char kLoadEntry[] = "click 300 205";
constexpr char kOptionEntry[] = "click 300 235";
constexpr char kExitEntry[] = "click 300 265";
constexpr char kCancelEntry[] = "click 300 290";  // also between the two option rows of a choice (285 to 295)

// ---- Opening and closing the menu from each kind of wait ----

struct WaitKind {
  const char* name;
  const char* source;
  const char* go_on;        // the input that lets the game go on after the menu
  const char* wait_opcode;  // the instruction during which the wait runs
};

// Shown by name in test listings and failures.
void PrintTo(const WaitKind& kind, std::ostream* out) {
  *out << kind.name;
}

// Every game sets v1 = 7 only once the wait has been passed, then ends.
const WaitKind kWaitKinds[] = {
    // 200 ms after each character: the menu (a few frames of 16 ms) opens and closes inside the first.
    {"TimedPause", "text_wait 200\nmessage \"あいうえお\"\nv1 = 7\nend\n", "click 5 5", " 130"},
    // Five lines fill the window: the message asks for a click before its sixth line.
    {"ClickWaitInAMessage", "text_wait 0\nmessage \"一\\n二\\n三\\n四\\n五\\n六\"\nv1 = 7\nend\n",
     "click 5 5", " 130"},
    // Two options in window text: rows at y 265 and 295.
    {"Choice",
     "text_wait 0\nmessage \"どちらへ？\"\nchoice {\n  option \"北へ\" {\n    v1 = 7\n    goto done\n  }\n"
     "  option \"南へ\" {\n    v1 = 8\n    goto done\n  }\n}\nwait\ndone:\nend\n",
     "click 300 275", " 9"},
};

class MenuFromAWait : public ::testing::TestWithParam<WaitKind> {};

// The menu leaves the page alone: the frame after it closes is the frame before it opened, and the wait
// carries on. The first wait of a run starts with the marker's hidden phase (500 ms), which the menu's
// few frames stay inside, so the click wait's marker does not show in either frame.
TEST_P(MenuFromAWait, ClosesOnTheSameFrameAndTheGameGoesOn) {
  const WaitKind& kind = GetParam();
  struct Closer {
    const char* name;
    const char* events;
    const char* drawing_mode;
  };
  const Closer closers[] = {{"right click, normal mode", "rclick 320 400", "1"},
                            {"C A N C E L, fine mode", kCancelEntry, "2"},
                            {"right click, coarse mode", "rclick 320 400", "0"}};
  for (const Closer& closer : closers) {
    SCOPED_TRACE(closer.name);
    ScratchFolder folder;
    const Played played = Play(folder.path(), kind.source,
                               std::string("idle\nshot before.png\n") + kOpenMenu + "\nshot menu.png\n" +
                                   closer.events + "\nshot after.png\n" + kind.go_on + "\n",
                               {"--drawing-mode", closer.drawing_mode});
    EXPECT_EQ(played.run.status, 0) << played.run.err;
    EXPECT_FALSE(played.run.timed_out);

    const RgbImage before = Frame(folder.path() / "before.png");
    const RgbImage menu = Frame(folder.path() / "menu.png");
    const RgbImage after = Frame(folder.path() / "after.png");
    // The menu was on screen: its panel changed the left of the box, where no entry is written.
    EXPECT_NE(PixelAt(menu, 215, 200), PixelAt(before, 215, 200));
    EXPECT_GT(Differences(before, menu).count, 1000);
    const Ink diff = Differences(before, after);
    EXPECT_EQ(diff.count, 0) << "differences within x " << diff.left << "-" << diff.right << ", y "
                             << diff.top << "-" << diff.bottom;

    EXPECT_TRUE(TraceHas(played.trace, " v1=7"));
    ASSERT_FALSE(played.trace.empty());
    EXPECT_EQ(played.trace.back(), "end");
  }
}

// "E X I T" ends the program with status 0 in the pass that takes the click: nothing after the waiting
// instruction runs, and the shot listed after the click is never taken.
TEST_P(MenuFromAWait, ExitEndsTheProgramAtOnce) {
  const WaitKind& kind = GetParam();
  ScratchFolder folder;
  const Played played = Play(folder.path(), kind.source,
                             std::string("idle\n") + kOpenMenu + "\nshot menu.png\n" + kExitEntry +
                                 "\nshot after.png\n" + kind.go_on + "\n");
  EXPECT_EQ(played.run.status, 0) << played.run.err;
  EXPECT_FALSE(played.run.timed_out);
  EXPECT_TRUE(fs::exists(folder.path() / "menu.png"));
  EXPECT_FALSE(fs::exists(folder.path() / "after.png"));
  ASSERT_GE(played.trace.size(), 2u);
  EXPECT_EQ(played.trace.back(), "end");
  EXPECT_TRUE(played.trace[played.trace.size() - 2].ends_with(kind.wait_opcode))
      << played.trace[played.trace.size() - 2];
  EXPECT_FALSE(TraceHas(played.trace, " v1=7"));
}

INSTANTIATE_TEST_SUITE_P(Waits, MenuFromAWait, ::testing::ValuesIn(kWaitKinds),
                         [](const auto& info) { return std::string(info.param.name); });

// The information screen draws at 16 points; the rest of a message typed after it must look exactly as
// without the menu (window text at 12 points, page text at 18 points bold). Both runs cut the first pause
// short, so the rest is typed at once.
TEST(SystemMenuPlayed, TextAfterTheInformationScreenKeepsItsSize) {
  for (const char* mode : {"window", "page"}) {
    SCOPED_TRACE(mode);
    const std::string source =
        std::string("text_wait 200\ntext_mode ") + mode + "\nmessage \"あいうえおかきくけこ\"\nclick\nend\n";
    ScratchFolder folder;
    const fs::path plain_dir = folder.path() / "plain", menu_dir = folder.path() / "menu";
    const Played plain = Play(plain_dir, source, "idle\nclick 5 5\nidle\nshot plain.png\n");
    EXPECT_EQ(plain.run.status, 0) << plain.run.err;
    const Played with_menu =
        Play(menu_dir, source,
             std::string("idle\n") + kOpenMenu + "\n" + kOptionEntry +
                 "\nmove 5 5\nshot info.png\nrclick 5 5\nclick 5 5\nidle\nshot menu.png\n");
    EXPECT_EQ(with_menu.run.status, 0) << with_menu.run.err;
    const RgbImage info = Frame(menu_dir / "info.png");
    EXPECT_GT(CountWhite(info, 170, 345, 300, 22), 20) << "the information screen was open";
    const Ink diff = Differences(Frame(plain_dir / "plain.png"), Frame(menu_dir / "menu.png"));
    EXPECT_EQ(diff.count, 0) << "differences within x " << diff.left << "-" << diff.right << ", y "
                             << diff.top << "-" << diff.bottom;
  }
}

// ---- Hit areas ----

// A page-text click wait over a plain picture. Page text darkens the whole page by 64 in every channel,
// so a white picture shows as (191, 191, 191) and a (96, 96, 128) one as (32, 32, 64), the coarse panel's
// own colour. The one character stands at (30, 30) with its marker beside it, clear of every panel.
constexpr char kClickWaitGame[] =
    "name background plain \"PLAIN\"\ntext_wait 0\ntext_mode page\nbackground plain\nmessage \"あ\"\nclick\n"
    "v1 = 7\nend\n";

// The click-wait game over a white page, played in `dir` with `events` in drawing mode `mode`, at
// `depth` bits when one is given.
Played PlayOverWhite(const fs::path& dir, const std::string& events, const char* mode, int depth = 0) {
  WritePlainPicture(dir / "PLAIN.BMP", 0xFFFFFF);
  std::vector<std::string> options{"--drawing-mode", mode};
  if (depth != 0) options.insert(options.end(), {"--depth", std::to_string(depth)});
  const Played played = Play(dir, kClickWaitGame, events, options);
  EXPECT_EQ(played.run.status, 0) << played.run.err;
  return played;
}

struct Point {
  const char* what;
  int x, y;
  bool highlights;
};

// The menu's hit area ends at x 420 (the panel at 430) and its rows are 166-184 and 196-214; the slots
// are 171-185 and 201-215. A highlighted row is redrawn bold, brighter and 3 (menu) or 4 (slot label of
// nine characters) pixels to the left, so its frame differs from the unlit one within that row's band.
TEST(SystemMenuPlayed, HitAreaEdgesHighlightNothingAndTheirClicksDoNothing) {
  struct Screen {
    const char* name;
    const char* open;  // the input that opens it, after the menu
    int band_top;      // the first row's text runs from here for 30 lines
    std::vector<Point> points;
  };
  const std::vector<Screen> screens = {
      {"menu",
       "",
       165,
       {{"inside the panel right of the hit area", 425, 170, false},
        {"between S A V E and L O A D", 300, 186, false},
        {"on S A V E", 300, 175, true}}},
      {"slot screen",
       kSaveEntry,
       170,
       {{"inside the panel right of the hit area", 425, 178, false},
        {"between slot 1 and slot 2", 300, 186, false},
        {"on slot 1", 300, 178, true}}},
  };
  for (const Screen& screen : screens) {
    SCOPED_TRACE(screen.name);
    ScratchFolder folder;
    // The unlit frame, each point in turn, the clicks that must do nothing, and the unlit frame again.
    std::string events =
        std::string("idle\n") + kOpenMenu + "\n" + screen.open + "\nmove 100 100\nshot unlit.png\n";
    for (size_t i = 0; i < screen.points.size(); ++i) {
      const Point& p = screen.points[i];
      events += "move " + std::to_string(p.x) + " " + std::to_string(p.y) + "\nshot point" +
                std::to_string(i) + ".png\n";
      if (!p.highlights) events += "click " + std::to_string(p.x) + " " + std::to_string(p.y) + "\n";
    }
    events += "move 100 100\nshot still.png\nrclick 100 100\nidle\nshot closed.png\nclick 5 5\n";
    const Played played = PlayOverWhite(folder.path(), events, "1");

    const RgbImage unlit = Frame(folder.path() / "unlit.png");
    for (size_t i = 0; i < screen.points.size(); ++i) {
      const Point& p = screen.points[i];
      SCOPED_TRACE(p.what);
      const Ink diff = Differences(unlit, Frame(folder.path() / ("point" + std::to_string(i) + ".png")));
      if (!p.highlights) {
        EXPECT_EQ(diff.count, 0);
        continue;
      }
      EXPECT_GT(diff.count, 50);
      EXPECT_GE(diff.top, screen.band_top);
      EXPECT_LT(diff.bottom, screen.band_top + 30);
    }
    // The clicks off the hit areas left the screen open and unchanged; a right click then closed it and the
    // game went on from its click wait.
    EXPECT_EQ(Differences(unlit, Frame(folder.path() / "still.png")).count, 0);
    EXPECT_NE(PixelAt(Frame(folder.path() / "closed.png"), 215, 200), PixelAt(unlit, 215, 200));
    EXPECT_TRUE(TraceHas(played.trace, " v1=7"));
  }
}

// ---- The panel in each drawing mode ----

struct Probe {
  int x, y;
  Rgb expected;
};

// The page: a white picture darkened by (64, 64, 64). In 8:8:8 that is (191, 191, 191). In 5:6:5 white is
// (31, 63, 31) and 64 packs to (64 * 32 / 263, 64 / 4, 64 / 8) = (7, 16, 8): (24, 47, 23), widened to
// (198, 190, 189).
constexpr Rgb kPage32{191, 191, 191}, kPage16{198, 190, 189};
// The coarse panels' solid (32, 32, 64), as each depth shows it.
constexpr Rgb kSolid32{32, 32, 64};
const Rgb kSolid16 = AtDepth(kSolid32, 16);
// (32, 32, 64) blended in at 60 % over the page. 8:8:8: (191 * 40 + 32 * 60) / 100 = 95 and
// (191 * 40 + 64 * 60) / 100 = 114. 5:6:5: the colour packs to (32 * 32 / 263, 32 / 4, 64 / 8) = (3, 8, 8);
// (24 * 40 + 3 * 60) / 100 = 11, (47 * 40 + 8 * 60) / 100 = 23, (23 * 40 + 8 * 60) / 100 = 14, widened to
// (90, 93, 115).
constexpr Rgb kBlend32{95, 95, 114}, kBlend16{90, 93, 115};

// The coarse panel is a solid box from (210, 140) up to but not including (430, 340); the other modes
// blend over x 210-430 and y 140-340, both ends included; the fine mode's fade ends on the same panel.
// Probes keep left of x 240 or right of 400, away from the entries.
TEST(SystemMenuPlayed, PanelColoursInEachDrawingModeOverAKnownPage) {
  struct Case {
    const char* mode;
    int depth;
    Rgb page, panel;
    bool translucent;  // the blend also covers column 430 and row 340
  };
  const Case cases[] = {{"0", 32, kPage32, kSolid32, false}, {"1", 32, kPage32, kBlend32, true},
                        {"2", 32, kPage32, kBlend32, true},  {"0", 16, kPage16, kSolid16, false},
                        {"1", 16, kPage16, kBlend16, true},  {"2", 16, kPage16, kBlend16, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("drawing mode ") + c.mode + ", depth " + std::to_string(c.depth));
    ScratchFolder folder;
    PlayOverWhite(folder.path(), std::string("idle\n") + kOpenMenu + "\nshot menu.png\nrclick 320 400\n",
                  c.mode, c.depth);
    const RgbImage menu = Frame(folder.path() / "menu.png");
    const Rgb edge = c.translucent ? c.panel : c.page;
    const std::vector<Probe> probes = {
        {210, 140, c.panel}, {429, 339, c.panel}, {215, 250, c.panel}, {425, 150, c.panel},
        {220, 330, c.panel}, {430, 200, edge},    {300, 340, edge},    {430, 340, edge},
        {209, 200, c.page},  {300, 139, c.page},  {431, 200, c.page},  {300, 341, c.page},
        {100, 100, c.page},
    };
    for (const Probe& p : probes) EXPECT_EQ(PixelAt(menu, p.x, p.y), p.expected) << p.x << "," << p.y;
    // The entries are drawn on it: grey labels with their shadows between x 242 and 400.
    EXPECT_GT(InkIn(menu, 240, 160, 170, 150, c.panel).count, 200);
  }
}

// ---- The information screen ----

// "O P T I O N" opens a panel from (50, 100) to (590, 390) over the page itself, not over the menu's
// panel. Coarse: solid (32, 32, 64), right and bottom edge excluded. Normal: (32, 32, 64) at 60 % over
// x 50-590 and y 100-390, the same colour as the menu's panel over the same page, and only once where that
// panel was. Its lines end above y 225 and its hint starts at y 345, so the box between holds no text.
TEST(InfoScreenPlayed, PanelOverThePageInDrawingModes0And1) {
  struct Case {
    const char* mode;
    int depth;
    Rgb page, panel;
    bool translucent;
  };
  const Case cases[] = {{"0", 32, kPage32, kSolid32, false},
                        {"0", 16, kPage16, kSolid16, false},
                        {"1", 32, kPage32, kBlend32, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("drawing mode ") + c.mode + ", depth " + std::to_string(c.depth));
    ScratchFolder folder;
    const Played played =
        PlayOverWhite(folder.path(),
                      std::string("idle\nshot before.png\n") + kOpenMenu + "\n" + kOptionEntry +
                          "\nmove 100 100\nclick 100 100\nshot info.png\nrclick 100 100\nshot "
                          "after.png\nclick 5 5\n",
                      c.mode, c.depth);
    const RgbImage info = Frame(folder.path() / "info.png");
    const Rgb edge = c.translucent ? c.panel : c.page;
    const std::vector<Probe> probes = {
        {50, 100, c.panel},  {589, 389, c.panel}, {55, 300, c.panel}, {585, 105, c.panel},
        {215, 330, c.panel}, {425, 300, c.panel}, {590, 200, edge},   {300, 390, edge},
        {49, 200, c.page},   {300, 99, c.page},   {591, 200, c.page}, {300, 391, c.page},
    };
    for (const Probe& p : probes) EXPECT_EQ(PixelAt(info, p.x, p.y), p.expected) << p.x << "," << p.y;
    EXPECT_EQ(Count(info, 50, 225, 540, 115, c.panel), 540 * 115) << "no text and no menu panel between";
    // White text on the version line and on the hint.
    EXPECT_GT(CountWhite(info, 60, 120, 300, 22), 20);
    EXPECT_GT(CountWhite(info, 170, 345, 300, 22), 20);
    // The left click did not end it; the right click ended it and the menu, on the page as it was.
    EXPECT_EQ(Differences(Frame(folder.path() / "before.png"), Frame(folder.path() / "after.png")).count, 0);
    EXPECT_TRUE(TraceHas(played.trace, " v1=7"));
  }
}

// ---- Slot labels ----

// The slot screen in the coarse mode over a page of the coarse panel's own colour, so that everything
// but text is (32, 32, 64). Labels are 16-point text (an em of 16 * 96 / 72 = 21 pixels) from x 230, slot n
// at y 170 + 30 (n - 1). A date label "YYYY/MM/DD hh:mm:ss" is 19 half-width cells of 10 or 11 pixels: its
// ink starts in the first cell (before x 241) and reaches the last (from x 410). "  Ｎｏ　Ｄａｔａ" starts
// with two half-width blanks, so its ink starts at x 250 or later, and its seven full-width cells end by
// x 230 + 22 + 147 = 399 (401 with the shadow).
constexpr Rgb kPanel{32, 32, 64};
constexpr int kLabelX = 200, kLabelWidth = 440;

Ink LabelInk(const RgbImage& shot, int slot) {
  return InkIn(shot, kLabelX, 170 + 30 * (slot - 1), kLabelWidth, 30, kPanel);
}

enum class Label { kDate, kNoData };

void ExpectLabel(const RgbImage& shot, int slot, Label label) {
  SCOPED_TRACE("slot " + std::to_string(slot) + (label == Label::kDate ? " shows a date" : " shows No Data"));
  const Ink ink = LabelInk(shot, slot);
  EXPECT_GT(ink.count, 100);
  if (label == Label::kDate) {
    EXPECT_LT(ink.left, 241);
    EXPECT_GE(ink.right, 410);
  } else {
    EXPECT_GE(ink.left, 250);
    EXPECT_LE(ink.right, 401);
  }
}

void SetModificationTime(const fs::path& path, time_t seconds) {
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

constexpr char kSlotScreenEvents[] =
    "idle\nrclick 320 400\nclick 300 175\nmove 100 100\nshot slots.png\nrclick 100 100\n";

// Slot files are found by name in any letter case and whatever their permissions; names outside the
// pattern, files in other folders and folders do not count. Times are local: 981173106 s is
// 2001/02/03 04:05:06 in UTC and 13:05:06 nine hours east.
TEST(SlotScreenPlayed, LabelsShowEachSlotFilesLocalModificationTime) {
  ScratchFolder folder;
  const fs::path& dir = folder.path();
  WritePlainPicture(dir / "PLAIN.BMP", 0x606080);
  constexpr time_t kWhen = 981173106;
  WriteFile(dir / "STORY1.SAV", "one");
  SetModificationTime(dir / "STORY1.SAV", kWhen);
  WriteFile(dir / "story2.sav", "two");  // another letter case
  SetModificationTime(dir / "story2.sav", kWhen);
  WriteFile(dir / "STORY3.SAV", "three");  // one second later, and no permissions at all
  SetModificationTime(dir / "STORY3.SAV", kWhen + 1);
  ::chmod((dir / "STORY3.SAV").c_str(), 0);
  WriteFile(dir / "STORY04.SAV", "not slot 4");
  fs::create_directory(dir / "other");
  WriteFile(dir / "other" / "STORY4.SAV", "another folder");
  fs::create_directory(dir / "STORY5.SAV");  // a folder

  RgbImage utc, east;
  for (const char* tz : {"UTC0", "JST-9"}) {
    ScopedEnv zone("TZ", tz);
    const Played played = Play(folder.path(), kClickWaitGame, kSlotScreenEvents, {"--drawing-mode", "0"});
    EXPECT_EQ(played.run.status, 0) << played.run.err;
    (std::string(tz) == "UTC0" ? utc : east) = Frame(dir / "slots.png");
  }
  ::chmod((dir / "STORY3.SAV").c_str(), 0644);

  for (const RgbImage* shot : {&utc, &east}) {
    for (int slot : {1, 2, 3}) ExpectLabel(*shot, slot, Label::kDate);
    for (int slot : {4, 5}) ExpectLabel(*shot, slot, Label::kNoData);
    // Nothing is drawn between the labels' bands and the panel's ends.
    EXPECT_EQ(InkIn(*shot, kLabelX, 140, kLabelWidth, 30, kPanel).count, 0);
    EXPECT_EQ(InkIn(*shot, kLabelX, 320, kLabelWidth, 20, kPanel).count, 0);
  }
  // Slots 1 and 2 have the same time: the same label 30 lines apart.
  EXPECT_EQ(BandDifferences(utc, 170, utc, 200, kLabelX, kLabelWidth, 30).count, 0);
  // Slot 3 is one second later: only the last cell (x 410 to 439, and the shadow) changes.
  const Ink second = BandDifferences(utc, 170, utc, 230, kLabelX, kLabelWidth, 30);
  EXPECT_GT(second.count, 0);
  EXPECT_GE(second.left, 405);
  EXPECT_LE(second.right, 445);
  // Nine hours east only the hour changes, "04" to "13": cells 11 and 12 (x 340 to 373, and the shadow).
  const Ink hour = BandDifferences(utc, 170, east, 170, kLabelX, kLabelWidth, 30);
  EXPECT_GT(hour.count, 0);
  EXPECT_GE(hour.left, 335);
  EXPECT_LE(hour.right, 380);
  EXPECT_EQ(BandDifferences(utc, 260, east, 260, kLabelX, kLabelWidth, 60).count, 0);
}

// Times far past year 9999, which tmpfs keeps, show as the last second of that year, as wide as any date:
// the slot screen stays open and its labels stay on the panel.
TEST(SlotScreenPlayed, TimesBeyondYear9999ShowAsItsLastSecond) {
  const fs::path dir = fs::path("/dev/shm") / ("corv_e2e_times_" + std::to_string(::getpid()));
  std::error_code ec;
  if (!fs::create_directories(dir, ec)) GTEST_SKIP() << "no tmpfs at /dev/shm to hold such times";
  struct Remove {
    fs::path dir;
    ~Remove() {
      std::error_code ec;
      fs::remove_all(dir, ec);
    }
  } remove{dir};
  WritePlainPicture(dir / "PLAIN.BMP", 0x606080);
  const time_t times[] = {INT64_MAX, 67000000000000000, 253402300799};
  for (int slot = 1; slot <= 3; ++slot) {
    const fs::path file = dir / ("STORY" + std::to_string(slot) + ".SAV");
    WriteFile(file, "x");
    SetModificationTime(file, times[slot - 1]);
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || info.st_mtime != times[slot - 1]) {
      GTEST_SKIP() << "the file system at /dev/shm does not keep such times";
    }
  }
  ScopedEnv zone("TZ", "UTC0");
  const Played played = Play(dir, kClickWaitGame, kSlotScreenEvents, {"--drawing-mode", "0"});
  EXPECT_EQ(played.run.status, 0) << played.run.err;
  const RgbImage shot = Frame(dir / "slots.png");
  const Ink last = LabelInk(shot, 3);  // 9999/12/31 23:59:59 itself
  for (int slot : {1, 2, 3}) ExpectLabel(shot, slot, Label::kDate);
  for (int slot : {1, 2}) {
    EXPECT_EQ(BandDifferences(shot, 170 + 30 * (slot - 1), shot, 230, kLabelX, kLabelWidth, 30).count, 0)
        << "slot " << slot;
  }
  EXPECT_LE(last.right, 445);
}

// ---- A game folder that cannot be written ----

// Whether the player, run as `runner` (a command prefix, empty for ourselves), can write into `folder`.
bool CanWrite(const std::vector<std::string>& runner, const fs::path& folder) {
  std::vector<std::string> argv = runner;
  if (argv.empty()) return ::access(folder.c_str(), W_OK) == 0;
  argv.insert(argv.end(), {"/usr/bin/test", "-w", folder.string()});
  return RunProgram(argv, fs::temp_directory_path(), 30s).status == 0;
}

// Saves go to $XDG_DATA_HOME/corvalline/STORY/ (made when missing) and the slot screen reads them there,
// not beside the game; stderr says where. Root writes through any permission, so as root the player runs
// as the unprivileged user 65534, for whom the game folder truly is read-only.
TEST(SlotScreenPlayed, ReadOnlyGameFolderKeepsSavesInTheDataFolder) {
  ScratchFolder folder;
  const fs::path game_dir = folder.path() / "game", out = folder.path() / "out",
                 data = folder.path() / "data";
  for (const fs::path& d : {game_dir, out, data}) fs::create_directories(d);
  std::vector<std::string> runner;
  if (::geteuid() == 0) {
    if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "running as root without setpriv to drop privileges";
    runner = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    ::chmod(folder.path().c_str(), 0755);
    for (const fs::path& d : {out, data}) ::chmod(d.c_str(), 0777);
  }
  WritePlainPicture(game_dir / "PLAIN.BMP", 0x606080);
  const std::string source =
      "name background plain \"PLAIN\"\ntext_wait 0\ntext_mode page\nbackground plain\nv1 = 5\nmessage "
      "\"一つ目。\"\n"
      "choice {\n  option \"はい\" {\n    v2 = 1\n    goto next\n  }\n  option \"いいえ\" {\n    v2 = 2\n"
      "    goto next\n  }\n}\nwait\nnext:\nmessage \"二つ目。\"\nclick\nend\n";
  // Page text from y 30: the two options' rows start at y 60 and 90.
  BuildGame(source, game_dir / "STORY.ADV");
  WriteFile(game_dir / "STORY2.SAV", "beside the game, not where the saves are kept");
  ::chmod(game_dir.c_str(), 0555);
  struct Restore {
    fs::path dir;
    ~Restore() { ::chmod(dir.c_str(), 0755); }
  } restore{game_dir};
  if (CanWrite(runner, game_dir)) GTEST_SKIP() << "the game folder stays writable for the player here";

  ScopedEnv xdg("XDG_DATA_HOME", data.string());
  ScopedEnv home("HOME", out.string());
  auto play = [&](const std::string& events, const std::string& trace) {
    WriteFile(out / "events.txt", events);
    std::vector<std::string> argv = runner;
    argv.insert(argv.end(), {CORVALLINE_EXE, "--headless", "--drawing-mode", "0", "--events",
                             (out / "events.txt").string(), "--trace", (out / trace).string(),
                             (game_dir / "STORY.ADV").string()});
    return RunProgram(argv, out, 120s);
  };
  const fs::path saves = data / "corvalline" / "STORY";

  // Run 1, at the first choice: look at the slots, save into slot 1, take "はい".
  const RunResult first =
      play(std::string("idle\n") + kOpenMenu + "\n" + kSaveEntry + "\nmove 100 100\nshot " +
               (out / "slots1.png").string() + "\nclick 300 178\nidle\nclick 300 75\n",
           "trace1.txt");
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_TRUE(fs::is_regular_file(saves / "STORY1.SAV"));
  EXPECT_FALSE(fs::exists(game_dir / "STORY1.SAV"));
  // Said once, however often the slots were looked up.
  size_t said = 0;
  for (size_t at = first.err.find(saves.string()); at != std::string::npos;
       at = first.err.find(saves.string(), at + 1)) {
    ++said;
  }
  EXPECT_EQ(said, 1u) << first.err;
  const RgbImage slots1 = Frame(out / "slots1.png");
  for (int slot = 1; slot <= 5; ++slot) ExpectLabel(slots1, slot, Label::kNoData);

  // Run 2: take "はい", then at the click wait load slot 1 from the data folder: back at the first choice,
  // where "いいえ" is taken this time.
  const RunResult second = play(std::string("idle\nclick 300 75\nidle\n") + kOpenMenu + "\n" + kLoadEntry +
                                    "\nmove 100 100\nshot " + (out / "slots2.png").string() +
                                    "\nclick 300 178\nidle\nclick 300 105\n",
                                "trace2.txt");
  EXPECT_EQ(second.status, 0) << second.err;
  const RgbImage slots2 = Frame(out / "slots2.png");
  ExpectLabel(slots2, 1, Label::kDate);
  for (int slot = 2; slot <= 5; ++slot) ExpectLabel(slots2, slot, Label::kNoData);
  const std::vector<std::string> trace = ReadLines(out / "trace2.txt");
  std::vector<std::string> assignments;
  for (const std::string& line : trace) {
    if (line.ends_with(" v2=1") || line.ends_with(" v2=2"))
      assignments.push_back(line.substr(line.size() - 4));
  }
  EXPECT_EQ(assignments, (std::vector<std::string>{"v2=1", "v2=2"}));
}

}  // namespace
}  // namespace corv::e2e
