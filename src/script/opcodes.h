// The opcode table lives with the rest of the game file's format.
#pragma once

#include "format/opcodes.h"
