// The seed inputs the fuzz targets start from, made here rather than taken from anywhere: small scripts
// compiled by advc, bitmaps of every depth, MIDI files of every timing kind, and a saved game.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace corv::fuzz {

using Seed = std::pair<std::string, std::string>;  // file name, bytes

// advc source of small games that use every kind of instruction, and the names of the pictures and
// music they play (BG, A, PAGE, THEME).
std::vector<Seed> SeedScripts();
// The scripts compiled; aborts if one does not build.
std::vector<Seed> SeedGames();
// Bitmaps of 1, 4, 8, 16, 24 and 32 bits, bottom-up and top-down.
std::vector<Seed> SeedBitmaps();
// Format 0 and 1 MIDI files with tempo changes, running status, and ticks or SMPTE timing.
std::vector<Seed> SeedMidis();
// The files the fuzzed games find in their folder: BG.BMP, A.BMP, PAGE.BMP, THEME.MID and Sub/X.BMP.
std::vector<Seed> SeedResources();

}  // namespace corv::fuzz
