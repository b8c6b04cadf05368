#include "shell/startup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "scratch_folder.h"
#include "shell/options_dialog.h"
#include "test_game.h"

namespace corv {
namespace {

using test::GameBuilder;
using test::ScratchFolder;
using test::TestPlayer;

TEST(FolderOf, KeepsExactlyOneTrailingSeparator) {
  EXPECT_EQ(FolderOf("/usr/games/corvalline"), "/usr/games/");
  EXPECT_EQ(FolderOf("/corvalline"), "/");
  EXPECT_EQ(FolderOf("/a/b/"), "/a/b/");
  EXPECT_EQ(FolderOf("corvalline"), "");
}

TEST(AppFolder, IsTheFolderOfTheRunningExecutable) {
  const std::string folder = AppFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(folder.find("//"), std::string::npos);
  struct stat info {};
  ASSERT_EQ(::stat((folder + "unit_tests").c_str(), &info), 0) << folder;
}

// The demo is found from the executable's folder in a build tree (bin/demo/) and in an installed tree
// (PREFIX/bin/ with PREFIX/share/corvalline/demo/), whatever the prefix.
TEST(BundledDemoFile, IsFoundInTheBuildTreeThenTheInstalledTree) {
  struct Case {
    std::vector<const char*> files;  // relative to the temporary folder; a trailing '/' makes a folder
    const char* found;               // relative to the temporary folder; nullptr: none
    const char* what;
  };
  const Case cases[] = {
      {{"bin/demo/DEMO.ADV"}, "bin/demo/DEMO.ADV", "build tree"},
      {{"share/corvalline/demo/DEMO.ADV"}, "share/corvalline/demo/DEMO.ADV", "installed tree"},
      {{"bin/demo/DEMO.ADV", "share/corvalline/demo/DEMO.ADV"}, "bin/demo/DEMO.ADV", "build tree first"},
      {{"bin/demo/DEMO.ADV/", "share/corvalline/demo/DEMO.ADV"},
       "share/corvalline/demo/DEMO.ADV",
       "a folder named DEMO.ADV is passed over"},
      {{"bin/demo/OTHER.ADV", "share/corvalline/OTHER.ADV"}, nullptr, "no demo"},
      {{}, nullptr, "nothing at all"},
  };
  for (const Case& c : cases) {
    ScratchFolder folder;
    std::filesystem::create_directories(folder.str() + "bin");
    for (const char* f : c.files) {
      const std::filesystem::path path = folder.str() + f;
      if (path.filename().empty()) {
        std::filesystem::create_directories(path);
      } else {
        std::filesystem::create_directories(path.parent_path());
        folder.Write(f, "CRVL");
      }
    }
    std::vector<std::string> searched;
    const std::optional<std::string> found = BundledDemoFile(folder.str() + "bin/", &searched);
    if (c.found) {
      EXPECT_EQ(found, folder.str() + c.found) << c.what;  // spelt without "..", ready for messages
    } else {
      EXPECT_FALSE(found) << c.what << ": " << *found;
      EXPECT_EQ(searched, (std::vector<std::string>{folder.str() + "bin/demo/DEMO.ADV",
                                                    folder.str() + "share/corvalline/demo/DEMO.ADV"}))
          << c.what;
    }
  }
}

TEST(DefaultGameFile, IsTheExecutablesNameWithAdvBesideIt) {
  struct Case {
    const char* executable;
    std::vector<const char*> files;
    const char* found;  // nullptr: none
  };
  const Case cases[] = {
      {"corvalline", {"corvalline.ADV"}, "corvalline.ADV"},
      {"GAME.EXE", {"GAME.ADV"}, "GAME.ADV"},
      {"game", {"Game.adv"}, "Game.adv"},  // spelt as the directory spells it
      {"game", {".x", "GAME.Adv"}, "GAME.Adv"},
      {".hidden", {".hidden.ADV"}, ".hidden.ADV"},  // hidden files count
      {"game", {"game.ADV/"}, nullptr},             // folders do not
      {"game", {"other.ADV"}, nullptr},
      {"game", {"game.ADV.bak"}, nullptr},
  };
  for (const Case& c : cases) {
    ScratchFolder folder;
    for (const char* f : c.files) {
      const std::string name = f;
      if (name.back() == '/') {
        ::mkdir((folder.str() + name).c_str(), 0755);
      } else {
        folder.Write(name, "CRVL");
      }
    }
    const std::optional<std::string> found = DefaultGameFile(folder.str() + c.executable);
    EXPECT_EQ(found.value_or("(none)"), c.found ? folder.str() + c.found : "(none)") << c.executable;
  }
}

TEST(SplitGamePath, FolderEndsInSeparator) {
  struct Case {
    std::string path, folder, name;
  };
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  const std::string here = std::string(cwd) == "/" ? "/" : std::string(cwd) + "/";
  const Case cases[] = {{"/games/x/STORY.ADV", "/games/x/", "STORY.ADV"},
                        {"/STORY.ADV", "/", "STORY.ADV"},
                        {"sub/STORY.ADV", here + "sub/", "STORY.ADV"},
                        {"STORY.ADV", here, "STORY.ADV"}};
  for (const Case& c : cases) {
    const GameLocation location = SplitGamePath(c.path);
    EXPECT_EQ(location.GameFolder, c.folder) << c.path;
    EXPECT_EQ(location.GameFileName, c.name) << c.path;
  }
}

TEST(HasGameMagic, ExactlyCrvlAtTheStart) {
  struct Case {
    std::string bytes;
    bool game;
  };
  const Case cases[] = {{"CRVL", true}, {"CRVL\x01\x02", true}, {"crvl\x01", false}, {"CRV", false},
                        {"", false},    {"XCRVL", false},       {"CRVl", false}};
  for (const Case& c : cases) {
    ScratchFolder folder;
    const std::string path = folder.Write("G.ADV", c.bytes);
    std::string error;
    EXPECT_EQ(HasGameMagic(path, &error), c.game) << c.bytes;
    if (!c.game) {
      EXPECT_NE(error.find(path), std::string::npos) << error;
    }
  }
  std::string error;
  EXPECT_FALSE(HasGameMagic("/nonexistent/G.ADV", &error));
}

// Dialogs that record what start-up asks of them; the open-file dialog answers `choice`.
class RecordingDialogs final : public Dialogs {
 public:
  void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override {
    boxes.push_back(title + "|" + text + "|" + (icon == MessageIcon::kStop ? "stop" : "info"));
  }
  std::optional<std::string> OpenFile(const std::string& title, const std::string& filter) override {
    opened.push_back(title + "|" + filter);
    return choice;
  }
  std::vector<std::string> boxes, opened;
  std::optional<std::string> choice;
};

struct StartUp {
  TestPlayer t;
  RecordingDialogs dialogs;
  std::unique_ptr<OptionsDialog> options = MakePresetOptionsDialog(t.player.settings, 32, 1);
  StartUp() { t.player.services.dialogs = &dialogs; }
  // The exit status, whether start-up returned it or ended through EndProgram.
  int Start(const std::optional<std::string>& path) {
    try {
      return StartGame(t.player, *options, path);
    } catch (const ProgramExit& exit) {
      return exit.status;
    }
  }
};

TEST(StartGame, CancelledDialogEndsSilently) {
  StartUp s;  // no game beside the test executable, so the dialog is asked
  EXPECT_EQ(s.Start(std::nullopt), 0);
  EXPECT_EQ(s.dialogs.opened, std::vector<std::string>{"ゲームファイルを開く|ゲームファイル(*.ADV)\t*.ADV"});
  EXPECT_TRUE(s.dialogs.boxes.empty());
}

TEST(StartGame, AFileThatIsNotAGameIsRefusedWithAWarning) {
  ScratchFolder folder;
  StartUp s;
  testing::internal::CaptureStderr();
  EXPECT_EQ(s.Start(folder.Write("NOTE.ADV", std::string("crvl0000"))), 1);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(s.dialogs.boxes, std::vector<std::string>{"警告|このファイルは実行できません。|stop"});
  EXPECT_TRUE(s.t.player.screen.WorkSurface.Empty());  // the display was not touched
}

TEST(StartGame, AGameChosenInTheDialogRunsFromItsOwnFolder) {
  ScratchFolder folder;
  GameBuilder b;
  b.Calc(4, 1, 44);
  b.End();
  StartUp s;
  s.dialogs.choice = folder.Write("STORY.ADV", b.Build());
  EXPECT_EQ(s.Start(std::nullopt), 0);
  EXPECT_EQ(s.t.player.location.GameFolder, folder.str());
  EXPECT_EQ(s.t.player.location.GameFileName, "STORY.ADV");
  EXPECT_EQ(s.t.player.location.SaveFolder, folder.str());
  EXPECT_EQ(s.t.player.script.Variables[4], 44);
  EXPECT_TRUE(s.dialogs.boxes.empty());
}

TEST(StartGame, AFailedLoadEndsWithStatusOneAndSaysWhere) {
  ScratchFolder folder;
  std::vector<uint8_t> image = GameBuilder().Build();
  GameBuilder::Put32(image, 25, 9999);  // the label chain points past the end
  StartUp s;
  testing::internal::CaptureStderr();
  EXPECT_EQ(s.Start(folder.Write("BROKEN.ADV", image)), 1);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("BROKEN.ADV"), std::string::npos) << err;
  EXPECT_NE(err.find("position 9999"), std::string::npos) << err;
  EXPECT_TRUE(s.dialogs.boxes.empty());
}

}  // namespace
}  // namespace corv
