#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "advc/advc.h"
#include "advc/cli.h"
#include "advc_test_util.h"

namespace advc {
namespace {

namespace fs = std::filesystem;
using testing::Built;

void Set16(std::vector<uint8_t>& f, size_t offset, int v) {
  f[offset] = static_cast<uint8_t>(v & 0xFF);
  f[offset + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}
void Set32(std::vector<uint8_t>& f, size_t offset, int64_t v) {
  for (int i = 0; i < 4; ++i) f[offset + i] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
}

std::string Joined(const std::vector<std::string>& findings) {
  std::string all;
  for (const std::string& f : findings) all += f + "\n";
  return all;
}

TEST(AdvcCheck, CleanBuiltFileHasNoFindings) {
  const fs::path folder = fs::temp_directory_path() / "advc_check_clean";
  fs::create_directories(folder);
  std::ofstream(folder / "forest.bmp") << "x";  // any letter case matches
  std::ofstream(folder / "Theme.Mid") << "x";
  const auto image = Built(
      "name background forest \"FOREST\"\nname music theme \"THEME\"\nbackground forest\nmusic "
      "theme\nstart:\n"
      "message \"はい\"\nchoice { option \"a\" { goto start } }\nwait\n");
  EXPECT_EQ(Joined(Check(image, folder.string())), "");
  fs::remove_all(folder);
}

// Each case breaks a built file in one way; the finding must name that fault.
TEST(AdvcCheck, ReportsEachKindOfFault) {
  const std::string labels = "a:\ngoto a\n";                             // label at offset 36, goto at 41
  const std::string message = "message \"AB\"\nend\n";                   // message at offset 36
  const std::string option = "choice { option \"A\" { end } }\nwait\n";  // option at 36, end marker at 46
  const std::string names = "name background b \"B\"\nname music m \"M\"\nbackground b\nmusic m\n";
  struct Case {
    const char* what;
    std::string source;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* finding = nullptr;  // none: `what` is the finding's own words
  };
  const Case cases[] = {
      {"label chain leaves the file", labels, [](auto& f) { Set32(f, 24, 5000); }},
      {"label chain points elsewhere", labels, [](auto& f) { Set32(f, 24, 43); }, "not a label instruction"},
      {"message chain leaves the file", message, [](auto& f) { Set32(f, 32, 9999); }},
      {"option chain leaves the file", option, [](auto& f) { Set32(f, 37, 4000); }},
      // Link 1 would put the instruction at position 0, before the file's first byte.
      {"message chain links to the file's start", message, [](auto& f) { Set32(f, 32, 1); },
       "message chain leaves the file (link to position 1)"},
      {"message text not CP932", "message \"\\x81\"\nend\n", nullptr, "not valid Shift-JIS"},
      {"option text not CP932", "choice { option \"\\xA0\" { end } }\nwait\n", nullptr,
       "not valid Shift-JIS"},
      {"jump to a missing label", "a:\nop 10 7\n", nullptr, "jump to label 7, which does not exist"},
      {"if to label 0", labels + "if v1 == 0 goto a\n", [](auto& f) { Set16(f, 44 + 8, 0); },
       "jump to label 0"},
      {"unterminated option body", option, [](auto& f) { f[46] = 0x07; }, "no end marker"},
      {"name past the end of the file", names, [](auto& f) { Set16(f, 39, 50); },
       "runs past the end of the file"},
      {"name into the next pool", names, [](auto& f) { Set16(f, 39, 2); }, "runs into the pool at position"},
      {"message number above 10000", message, [](auto& f) { Set16(f, 41, 10001); },
       "message number 10001 is outside"},
      {"text number above 50000", option, [](auto& f) { Set16(f, 41, 50001); },
       "text number 50001 is outside"},
      {"slot above 5", option, [](auto& f) { f[43] = 6; }, "option slot 6 is above 5"},
      {"message text past the end", message, [](auto& f) { Set16(f, 43, 90); },
       "runs past the end of the file"},
      {"shown but never defined", "background 4\nlayer1 2\n", nullptr,
       "background 4 is shown but its name is never defined"},
      {"variable above 10000", "op 14 20000 1 1\n", nullptr, "variable 20000 is outside"},
      {"message left out of the chain", message, [](auto& f) { Set32(f, 32, -1); },
       "not in the message chain"},
      {"cut-off instruction", "end\nraw 0x0C 0x01\n", nullptr, "cut off by the end of the file"},
      {"wrong magic", "end\n", [](auto& f) { f[0] = 'X'; }, "does not start with CRVL"},
  };
  for (const Case& c : cases) {
    const std::string finding = c.finding ? c.finding : c.what;
    std::vector<uint8_t> image = Built(c.source);
    if (c.damage) {
      EXPECT_EQ(Joined(Check(image, "")).find(finding), std::string::npos)
          << c.what << ": found before damage";
      c.damage(image);
    }
    const std::string all = Joined(Check(image, ""));
    EXPECT_NE(all.find(finding), std::string::npos) << c.what << "\n  got: " << all;
  }
  EXPECT_NE(Joined(Check({'C', 'R'}, "")).find("shorter than its 36-byte header"), std::string::npos);
}

TEST(AdvcCheck, MissingResourceFilesAreMatchedInAnyCase) {
  const fs::path folder = fs::temp_directory_path() / "advc_check_missing";
  fs::remove_all(folder);
  fs::create_directories(folder / "GIRL.BMP");  // a folder is not a picture
  std::ofstream(folder / "FoReSt.BmP") << "x";
  const auto image = Built(
      "name background forest \"FOREST\"\nname picture girl \"GIRL\"\nname music theme \"THEME\"\n"
      "background forest\nlayer1 girl\nmusic theme\n");
  EXPECT_EQ(Joined(Check(image, folder.string())),
            "missing file GIRL.BMP (picture 1)\nmissing file THEME.MID (music 1)\n");
  fs::remove_all(folder);
}

int RunAdvc(std::vector<std::string> args, std::string* out_text = nullptr, std::string* err_text = nullptr) {
  std::ostringstream out, err;
  const int status = RunCommandLine(std::move(args), out, err);
  if (out_text) *out_text = out.str();
  if (err_text) *err_text = err.str();
  return status;
}

TEST(AdvcCommandLine, BuildWritesOnlyGoodOutput) {
  const fs::path folder = fs::temp_directory_path() / "advc_cli_test";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string good = (folder / "good.advs").string(), bad = (folder / "bad.advs").string();
  const std::string game = (folder / "GAME.ADV").string();
  std::ofstream(good) << "message \"hi\"\nwait\n";
  std::ofstream(bad) << "message \"hi\"\ngoto nowhere\n";

  std::string err;
  EXPECT_EQ(RunAdvc({"build", bad, "-o", game}, nullptr, &err), 1);
  EXPECT_NE(err.find(bad + ":2:6: no label named 'nowhere'"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(game));

  EXPECT_EQ(RunAdvc({"build", good, "-o", game}), 0);
  std::ifstream in(game, std::ios::binary);
  const std::vector<uint8_t> written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, Build("message \"hi\"\nwait\n", "x").image);

  // A failed build leaves an earlier output as it was, and no temporary file behind.
  EXPECT_EQ(RunAdvc({"build", bad, "-o", game}), 1);
  EXPECT_EQ(fs::file_size(game), written.size());
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++entries;
  EXPECT_EQ(entries, 3);

  std::string out;
  EXPECT_EQ(RunAdvc({"dis", game}, &out), 0);
  EXPECT_EQ(Build(out, "dis").image, written);
  EXPECT_EQ(RunAdvc({"check", game}, &out), 0);
  EXPECT_EQ(out, "");
  fs::remove_all(folder);
}

TEST(AdvcCommandLine, ExitStatuses) {
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {{"--help"}, 0},
      {{"--version"}, 0},
      {{}, 2},
      {{"compile", "x"}, 2},
      {{"build"}, 2},
      {{"build", "a", "-o"}, 2},
      {{"dis"}, 2},
      {{"check", "a", "b"}, 2},
      {{"dis", "/nonexistent/X.ADV"}, 1},
      {{"build", "/nonexistent/x.advs"}, 1},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    EXPECT_EQ(RunAdvc(c.args), c.status) << joined;
  }
  std::string out;
  RunAdvc({"--version"}, &out);
  EXPECT_EQ(out.rfind("advc ", 0), 0u);
}

TEST(AdvcCommandLine, CheckFindingsGiveStatusOne) {
  const fs::path game = fs::temp_directory_path() / "advc_check_cli.ADV";
  const auto image = Built("name music m \"NOPE\"\nmusic m\n");
  std::ofstream(game, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
  std::string out;
  EXPECT_EQ(RunAdvc({"check", game.string()}, &out), 1);
  EXPECT_EQ(out, game.string() + ": missing file NOPE.MID (music 1)\n");
  fs::remove(game);
}

}  // namespace
}  // namespace advc
