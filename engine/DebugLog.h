#pragma once
// Diagnostic entry points. They write nothing anywhere: callers feed them
// formatted texts that must stay free of side effects.

#include <exception>
#include <string_view>

namespace pv {

inline void DebugLog(std::string_view) {}

template <typename... Args>
inline void DebugLogFmt(std::string_view, const Args&...) {}

inline void DebugLogException(std::string_view, const std::exception&) {}

} // namespace pv
