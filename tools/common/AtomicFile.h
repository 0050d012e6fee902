#pragma once
// Writing a generated file so that a reader never sees half of it: the bytes go
// to "<target>.part" first, which then replaces the target in one step.

#include <filesystem>
#include <string>

namespace pvtools {

// Writes bytes to target, creating its folder. On a failed write returns false
// and sets error to "cannot write <temp path>"; the target is left as it was.
bool WriteFileAtomically(const std::filesystem::path& target, const std::string& bytes, std::string& error);

} // namespace pvtools
