// The advc command line.
#include "advc/cli.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "advc/advc.h"
#include "format/game_writer.h"
#include "version.h"

namespace advc {
namespace {

constexpr const char* kUsage =
    "usage: advc build SCRIPT [-o GAME.ADV]   compile a scenario (default output: SCRIPT with .ADV)\n"
    "       advc dis GAME.ADV                 print a game file as source\n"
    "       advc check GAME.ADV               report what would break at play time\n"
    "       advc --help | --version\n";

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return data;
}

int Usage(std::ostream& err, const std::string& problem) {
  err << "advc: " << problem << "\n" << kUsage;
  return 2;
}

int BuildCommand(const std::vector<std::string>& args, std::ostream& err) {
  std::string script, output;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o") {
      if (i + 1 >= args.size()) return Usage(err, "-o needs a file name");
      output = args[++i];
    } else if (script.empty() && !args[i].empty() && args[i][0] != '-') {
      script = args[i];
    } else {
      return Usage(err, "unexpected argument '" + args[i] + "'");
    }
  }
  if (script.empty()) return Usage(err, "build needs a script");
  if (output.empty()) output = std::filesystem::path(script).replace_extension(".ADV").string();
  const auto source = ReadFile(script);
  if (!source) {
    err << "advc: cannot read " << script << "\n";
    return 1;
  }
  const BuildResult result = Build(*source, script);
  for (const Diagnostic& d : result.errors) err << d.ToString() << "\n";
  if (!result.ok) return 1;
  if (const corv::Status written = corv::WriteGameFile(output, result.image); !written) {
    err << "advc: " << written.error() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int RunCommandLine(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return Usage(err, "no command given");
  const std::string command = args[0];
  args.erase(args.begin());
  if (command == "--help" || command == "-h") {
    out << kUsage;
    return 0;
  }
  if (command == "--version") {
    out << "advc " << CORV_VERSION << "\n";
    return 0;
  }
  if (command == "build") return BuildCommand(args, err);
  if (command == "dis" || command == "check") {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-')
      return Usage(err, command + " needs one game file");
    const auto data = ReadFile(args[0]);
    if (!data) {
      err << "advc: cannot read " << args[0] << "\n";
      return 1;
    }
    const std::vector<uint8_t> image(data->begin(), data->end());
    if (command == "dis") {
      out << Disassemble(image);
      return 0;
    }
    const std::string folder = std::filesystem::absolute(args[0]).parent_path().string();
    const std::vector<std::string> findings = Check(image, folder);
    for (const std::string& f : findings) out << args[0] << ": " << f << "\n";
    return findings.empty() ? 0 : 1;
  }
  return Usage(err, "unknown command '" + command + "'");
}

}  // namespace advc
