// Resource names: the name tables filled by the scenario, file paths, and the existence test.
#pragma once

#include <optional>
#include <string>

#include "core/player.h"

namespace corv {

// Opcodes 2, 3 and 16: the next name of the opcode's pool into the table entry the operand names.
void DefineName(Player& player);

// Resolves a resource name (from a name table) plus extension to a file in the game folder: a regular
// file matched in any letter case, a backslash taken as a folder separator inside the game folder.
// nullopt when no such file exists, when the name or a symbolic link on its way would leave the game
// folder, or when the name is not valid text.
std::optional<std::string> FindResource(const Player& player, const std::u32string& name,
                                        const std::string& extension);

// Whether a regular file exists at path, matched in any letter case (folders do not count).
bool FileExists(const std::string& path);

// The name as the directory spells it when a regular file matches `path` in any letter case.
std::optional<std::string> FindFileNoCase(const std::string& path);

}  // namespace corv
