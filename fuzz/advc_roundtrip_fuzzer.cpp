// Any bytes as a game file: advc prints them as source, and building that source must give back exactly
// the same bytes. A file the disassembler cannot express faithfully is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "advc/advc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> image(data, data + size);
  const std::string source = advc::Disassemble(image);
  const advc::BuildResult rebuilt = advc::Build(source, "roundtrip.txt");
  if (!rebuilt.ok) {
    for (const advc::Diagnostic& e : rebuilt.errors) std::fprintf(stderr, "%s\n", e.ToString().c_str());
    std::abort();
  }
  if (rebuilt.image != image) std::abort();
  return 0;
}
