#pragma once
// The 18 built-in looks, in the order the archive holds them.

#include "tools/lutgen/Grading.h"

#include <span>

namespace lutgen {

using LookFn = RGB (*)(RGB);

struct Look {
    const char* name;
    int size; // lattice points per axis
    LookFn grade;
};

std::span<const Look> BuiltInLooks();

} // namespace lutgen
