#pragma once
// The effect catalogue: every effect's number, names and routine, its five
// parameter slots (slider caption, default value and the range a run holds
// the value to) and the options under the sliders that it uses. The window,
// the parameter files, scripts, the hash tool and the benchmarks all read an
// effect's definition from here.

#include "platform/graphics/SkTypes.h"

#include <array>
#include <span>

namespace pv {

// Every effect routine: source picture, destination raster surface (same size,
// transparent), five parameters and the preview flag.
using TEffectProc = void (*)(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                             bool Preview);

struct ParameterRange {
    int lo;
    int hi;
};

struct EffectSlot {
    const char* caption; // the slider's caption; "" leaves the slider disabled and its value 0
    int value;           // the default value
    ParameterRange range;
};

// The options under the sliders and the set-up an effect uses.
enum EffectOption : unsigned {
    kEraseOption = 1u << 0,       // the erase-background switch is enabled (the effect paints over its canvas)
    kContourOption = 1u << 1,     // the contour switch is shown (the space-filling effects)
    kCustomBrushOption = 1u << 2, // custom brush sheets can be loaded (the stamped-brush effects)
    kLUTOption = 1u << 3,         // the lookup-table button is shown
    kBrushSheetSetup = 1u << 4,   // the brush sheet is set up on the UI thread before each run
};

struct EffectInfo {
    int number;
    const char* listName;    // the name the effect lists show
    const char* messageName; // the name messages use (four differ in letter case)
    const char* routine;     // the routine's name
    std::array<EffectSlot, 5> slots;
    unsigned options;        // EffectOption bits
    TEffectProc proc = nullptr; // null until the routine is linked in
};

// The 26 effects in list order; 900 (the brush-stroke frame) is not among them.
std::span<const EffectInfo> EffectCatalogue();
const EffectInfo* FindEffect(int number);

// Whether the effect of that number uses the option; false for numbers not in the catalogue.
bool HasEffectOption(int number, EffectOption option);

// Registers an effect routine under its number (called once per effect file).
bool RegisterEffect(int number, TEffectProc proc);
// Puts another routine under an effect number and returns the previous one
// (tests use it to run controllable effects through the real engine).
TEffectProc ReplaceEffect(int number, TEffectProc proc);

} // namespace pv
