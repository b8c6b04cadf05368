// Saving and loading with slot files and save folders that someone else prepared: links, FIFOs, huge
// sparse files, a file-size limit, folders that cannot be listed. The real player runs headless from an
// events file; what it leaves on disk, says on stderr and shows on the panel is checked.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace corv::e2e {
namespace {

using namespace std::chrono_literals;

// A message, then a choice of two options in window text (rows at y 265 and 295).
constexpr char kChoiceGame[] =
    "text_mode window\ntext_wait 0\nmessage \"一つ目の文。\"\nchoice {\n  option \"はい\" {\n    v2 = 1\n"
    "    goto next\n  }\n  option \"いいえ\" {\n    v2 = 2\n    goto next\n  }\n}\nwait\nnext:\nend\n";

// At the choice: the menu, S A V E or L O A D, slot 1; a shot of what the panel then shows; a click that
// dismisses a notice (or does nothing); "はい".
std::string SlotOneEvents(const char* entry) {
  return std::string("idle\nrclick 320 400\n") + entry +
         "\nclick 300 178\nidle\nshot panel.png\nclick 5 5\n" + "idle\nclick 300 268\n";
}
constexpr char kSave[] = "click 300 175";
constexpr char kLoad[] = "click 300 205";

// Whether the panel shows a notice: white text on its first line (y 200), where the slot list draws only
// the grey label of slot 2.
bool ShowsNotice(const fs::path& shot) {
  return CountWhite(ReadShot(shot), 222, 200, 200, 18) > 20;
}

bool EndedTheGame(const fs::path& trace) {
  const std::vector<std::string> lines = ReadLines(trace);
  return !lines.empty() && lines.back() == "end";
}

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

constexpr long kMemoryLimitKb = 120 * 1024;
constexpr int64_t kGiB = int64_t{1} << 30;

// Whatever stands at STORY1.SAV, a save into slot 1 never reads it, follows it or waits on it: a regular
// file is kept as STORY1.SAV.bak by its name alone (a 1 GiB sparse file costs no memory and no disk), a
// link or a FIFO is replaced by a file with the permissions the umask gives. Loading a slot file far
// larger than any save says it is damaged.
TEST(SlotFilesPlayed, WhatStandsAtTheSlotIsNeverReadFollowedOrWaitedOn) {
  ScratchFolder folder;
  const fs::path secret = folder.path() / "secret";
  WriteFile(secret, "private");
  ::chmod(secret.c_str(), 0600);
  struct Case {
    const char* what;
    const char* entry;
    std::function<void(const fs::path&)> make;
    bool backed_up, saved;
  };
  const Case cases[] = {
      {"a link to a private file", kSave, [&](const fs::path& p) { fs::create_symlink(secret, p); }, false,
       true},
      {"a FIFO", kSave, [](const fs::path& p) { ::mkfifo(p.c_str(), 0644); }, false, true},
      {"a 1 GiB sparse file", kSave,
       [](const fs::path& p) {
         WriteFile(p, "");
         fs::resize_file(p, kGiB);
       },
       true, true},
      {"a 1 GiB sparse file, loaded", kLoad,
       [](const fs::path& p) {
         WriteFile(p, "");
         fs::resize_file(p, kGiB);
       },
       false, false},
  };
  struct Umask {
    mode_t old = ::umask(027);
    ~Umask() { ::umask(old); }
  } umask;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path dir = folder.path() / "game", slot = dir / "STORY1.SAV";
    fs::remove_all(dir);
    fs::create_directories(dir);
    BuildGame(kChoiceGame, dir / "STORY.ADV");
    c.make(slot);
    struct stat before {};
    ::lstat(slot.c_str(), &before);
    WriteFile(dir / "events.txt", SlotOneEvents(c.entry));
    const RunResult run = RunPlayer({"--headless", "--events", (dir / "events.txt").string(), "--trace",
                                     (dir / "trace.txt").string(), (dir / "STORY.ADV").string()},
                                    dir, 60s);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.status, 0) << run.err;
    std::printf("%s: peak resident memory %ld kB\n", c.what, run.max_rss_kb);
    if (!kSanitized) {
      EXPECT_LT(run.max_rss_kb, kMemoryLimitKb);
    }
    EXPECT_TRUE(EndedTheGame(dir / "trace.txt"));
    EXPECT_EQ(ReadFile(secret), "private");
    struct stat after {
    }, backup{};
    ASSERT_EQ(::lstat(slot.c_str(), &after), 0);
    if (c.saved) {
      EXPECT_TRUE(S_ISREG(after.st_mode));
      EXPECT_EQ(after.st_mode & 0777, 0640u);
      if (S_ISREG(after.st_mode)) {  // a FIFO left there would hang the read
        EXPECT_EQ(ReadFile(slot).substr(0, 8), "CRVLSAVE");
      }
      EXPECT_FALSE(ShowsNotice(dir / "panel.png"));
    } else {
      EXPECT_EQ(after.st_ino, before.st_ino);
      EXPECT_NE(run.err.find("damaged"), std::string::npos) << run.err;
      EXPECT_TRUE(ShowsNotice(dir / "panel.png"));
    }
    EXPECT_EQ(::lstat((dir / "STORY1.SAV.bak").c_str(), &backup) == 0, c.backed_up);
    if (c.backed_up) {
      EXPECT_EQ(backup.st_ino, before.st_ino);
      EXPECT_EQ(backup.st_blocks, before.st_blocks);
    }
  }
}

// Under a file-size limit smaller than a save the write fails instead of killing the player: the failure
// is said on the panel and on stderr, the old slot file is whole and nothing partial is left.
TEST(SlotFilesPlayed, ASaveBeyondTheFileSizeLimitFailsAndSaysSo) {
  if (!HaveProgram("prlimit")) GTEST_SKIP() << "prlimit is not installed";
  ScratchFolder folder;
  const fs::path dir = folder.path();
  BuildGame(kChoiceGame, dir / "STORY.ADV");
  WriteFile(dir / "STORY1.SAV", "the old save");
  WriteFile(dir / "events.txt", SlotOneEvents(kSave));
  const std::vector<std::string> before = Names(dir);
  const RunResult run = RunProgram({"/usr/bin/prlimit", "--fsize=32768", "--", CORVALLINE_EXE, "--headless",
                                    "--events", (dir / "events.txt").string(), (dir / "STORY.ADV").string()},
                                   dir, 60s);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("not saved"), std::string::npos) << run.err;
  EXPECT_TRUE(ShowsNotice(dir / "panel.png"));
  EXPECT_EQ(ReadFile(dir / "STORY1.SAV"), "the old save");
  std::vector<std::string> after = Names(dir);
  std::erase(after, "panel.png");
  EXPECT_EQ(after, before);
}

// A save folder the player may write into but not list (as an unprivileged user: root lists anything),
// or a --save-dir that is a file: the slot screen says the game cannot be saved, stderr says why, nothing
// is written and the game goes on.
TEST(SlotFilesPlayed, ASaveFolderThatCannotBeListedIsSaid) {
  ScratchFolder folder;
  struct Case {
    const char* what;
    bool as_other_user;
    mode_t game_folder_mode;
    bool save_dir_is_a_file;
  };
  const Case cases[] = {{"a folder of mode 333", true, 0333, false},
                        {"--save-dir names a file", false, 0755, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> argv;
    if (c.as_other_user && ::geteuid() == 0) {
      if (!fs::exists("/usr/bin/setpriv")) {
        std::printf("skipped %s: running as root without setpriv to drop privileges\n", c.what);
        continue;
      }
      argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    const fs::path dir = folder.path() / "game", out = folder.path() / "out";
    for (const fs::path& d : {dir, out}) {
      fs::remove_all(d);
      fs::create_directories(d);
      ::chmod(d.c_str(), 0777);
    }
    ::chmod(folder.path().c_str(), 0755);
    BuildGame(kChoiceGame, dir / "STORY.ADV");
    // The notice comes instead of the slot list: S A V E, a shot, a click that dismisses it, "はい".
    WriteFile(out / "events.txt", std::string("idle\nrclick 320 400\n") + kSave +
                                      "\nidle\nshot panel.png\nclick 5 5\nidle\nclick 300 268\n");
    WriteFile(out / "file", "");
    const std::vector<std::string> before = Names(dir);
    ::chmod(dir.c_str(), c.game_folder_mode);
    argv.insert(argv.end(), {CORVALLINE_EXE, "--headless", "--events", (out / "events.txt").string(),
                             "--trace", (out / "trace.txt").string()});
    if (c.save_dir_is_a_file) argv.insert(argv.end(), {"--save-dir", (out / "file").string()});
    argv.push_back((dir / "STORY.ADV").string());
    const RunResult run = RunProgram(argv, out, 60s);
    ::chmod(dir.c_str(), 0755);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("save folder cannot be read"), std::string::npos) << run.err;
    EXPECT_TRUE(ShowsNotice(out / "panel.png"));
    EXPECT_TRUE(EndedTheGame(out / "trace.txt"));
    EXPECT_EQ(Names(dir), before);
    EXPECT_EQ(ReadFile(out / "file"), "");
  }
}

}  // namespace
}  // namespace corv::e2e
