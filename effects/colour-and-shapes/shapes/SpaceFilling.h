#pragma once
// The space-filling engine behind Mosaic, Circles and Triangles: the picture is
// rebuilt from flat-coloured shapes that never overlap, the largest placed
// first. Each size level searches many candidate positions in parallel, scores
// each by how well one flat colour represents the pixels under it and accepts
// them best first wherever they still fit; flat areas are filled early with
// the largest shape that fits them and a last pass closes the gaps.

#include "platform/graphics/SkImage.h"

#include <cstdint>
#include <vector>

namespace pv {

enum class SpaceFillingShape { Square, Circle, Triangle };

// Values of a run derived from the five parameters and the working size.
struct SpaceFillingValues {
    int Trials = 0;    // candidate positions per level before the level's scaling
    float Hmax = 0;    // largest half size
    float Hmin = 0;    // smallest half size
    float T0 = 0;      // base colour tolerance (squared distance over R, G, B)
    int Quality = 1;   // rotations of the smallest rotated shapes (squares, triangles)
    int Levels = 1;    // size levels from Hmax down to Hmin
    // The picture's area over the reference 12 megapixels (a preview counts
    // the area of its crop, not of its enlargement): a level's candidate
    // positions grow and shrink with it, so every part of a picture gets the
    // same search whatever the picture's size.
    double AreaScale = 1;
};

// A level's candidate positions per sub-pass: the shape's count scaled by the
// picture's area, never below the smaller of that count and 64.
int SpaceFillingLevelTrials(double unscaled, double areaScale);

// w x h is the working size (already enlarged 1.5 times in a preview).
SpaceFillingValues SpaceFillingParameters(SpaceFillingShape shape, int P1, int P2, int P3, int P4, int P5, int w, int h,
                                          bool preview);

// Number of sizes Hmax, 0.93 Hmax, ... that are at least Hmin; at least 1.
int SpaceFillingLevelCount(float hmax, float hmin);

// Rotations tried per position at a half size, for quality count q.
int RotationsForSize(float half, int q);

// The fixed angles (radians) tried at a half size when more than one rotation
// is tried; empty when a single random angle is drawn instead (and always for discs).
std::vector<float> SpaceFillingAngles(SpaceFillingShape shape, float half, int q);

// Width of a shape's outline in pixels.
float SpaceFillingOutlineWidth(SpaceFillingShape shape, float half);

// Number of parallel candidate workers. The placed shapes depend on it (each
// worker replays its own seed sequence), so tests fix it; 0 restores the
// default, the processor count clamped to 1..16.
void SetSpaceFillingWorkers(int workers);
int SpaceFillingWorkers();

// The level loop's stopping rule: once anything has been accepted, 12 levels
// in a row without an accepted candidate end the run. Flat-area placements
// count as accepted but do not reset the streak.
class LevelStreak {
public:
    void IslandPlaced() { accepted_ = true; }
    // Records a level's accepted count; true when the run should stop.
    bool LevelDone(int acceptedCount)
    {
        if (acceptedCount > 0) {
            accepted_ = true;
            streak_ = 0;
        } else if (accepted_) {
            ++streak_;
        }
        return accepted_ && streak_ >= 12;
    }

private:
    bool accepted_ = false;
    int streak_ = 0;
};

// What a run did (for tests and benchmarks).
struct SpaceFillingStats {
    int Levels = 0;          // planned size levels
    int LevelsRun = 0;       // levels actually entered
    int64_t StartCovered = 0; // pixels covered before any shape (transparent ones)
    int64_t Covered = 0;     // pixels covered at the end
    int64_t Shapes = 0;      // shapes drawn
    std::vector<int> IslandsPerLevel;  // flat-area shapes placed at each level entered
    std::vector<int> AcceptedPerLevel; // candidates accepted by each level's size passes
};

// One whole run of the engine with the given shape (the effect routines call this).
SpaceFillingStats RunSpaceFilling(SpaceFillingShape shape, const ISkImage& Source, const ISkSurface& Dest, int P1,
                                  int P2, int P3, int P4, int P5, bool Preview);

} // namespace pv
