#pragma once
// The state one gouache run shares between its stages (analysis, layers of
// blobs, brush strokes, relief, gap filling, dumps), passed to each of them
// explicitly. Picture-sized arrays are row-major, index y * w + x.

#include "effects/painting/gouache/GouachePainting.h"
#include "platform/system/LargeBuffer.h"

#include <tbb/task_group.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace pv {

// |R1 - R2| + |G1 - G2| + |B1 - B2| of the stored bytes (alpha ignored).
inline int GouacheColourDistance(uint32_t a, uint32_t b)
{
    return std::abs(int((a >> 16) & 0xFF) - int((b >> 16) & 0xFF)) +
           std::abs(int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF)) + std::abs(int(a & 0xFF) - int(b & 0xFF));
}

// The luminance the analysis reads (0..255).
inline int GouacheLuma(uint32_t px)
{
    return int((77 * ((px >> 16) & 0xFF) + 151 * ((px >> 8) & 0xFF) + 28 * (px & 0xFF)) >> 8);
}

inline bool GouacheNearWhite(uint32_t p)
{
    return ((p >> 16) & 0xFF) > 240 && ((p >> 8) & 0xFF) > 240 && (p & 0xFF) > 240;
}

// A seed candidate as one sortable integer: the score above bit 40, the pixel
// index below it. Pixel indices grow with the row, then the column, so an
// ascending sort orders by score, then row, then column.
inline uint64_t PackGouacheKey(int64_t score, int64_t index) { return (uint64_t(score) << 40) | uint64_t(index); }
inline int64_t GouacheKeyScore(uint64_t key) { return int64_t(key >> 40); }
inline int64_t GouacheKeyIndex(uint64_t key) { return int64_t(key & ((uint64_t(1) << 40) - 1)); }

constexpr int kGouacheBlockPixels = 64;

struct GouacheRun {
    // The picture.
    int w = 0, h = 0;
    const uint32_t* src = nullptr;   // source pixels, w per row (straight colour when translucent)
    LargeBuffer<uint32_t> srcCopy;   // holds them when the source rows are not contiguous
    ISkImage source;
    ISkSurface dest;
    bool preview = false;
    bool hasTransparency = false;
    GouacheParams p;

    // Analysis.
    LargeBuffer<uint16_t> EdgeMap;   // two colour distances, at most 1530
    int FGW = 0, FGH = 0;            // orientation grid, one cell per 8 x 8 block
    std::vector<float> FldX, FldY;

    // The painting.
    uint32_t* Work = nullptr;        // with texture and relief: OwnWork, or Dest's pixels when painted in place
    LargeBuffer<uint32_t> OwnWork;
    bool workInDest = false;
    LargeBuffer<uint32_t> Flat;      // the flat blob colours only
    LargeBuffer<uint8_t> Coverage;   // 0 unpainted, 1 painted; 2 and 3 while gaps are filled
    std::vector<int32_t> BlobPix;    // the blob's pixels (its box's rows while rasterised), or the gap region
    // Unpainted pixels (with source alpha) before each block of
    // kGouacheBlockPixels pixel indices, one more entry for the total.
    std::vector<int64_t> UBlockStart;
    std::vector<int32_t> MergeQueue; // 8 g^2 entries
    bool DoClear = true;
    ISkImage BaseImage;

    // The current blob.
    std::vector<int> SpokeR;
    std::vector<float> cosT, sinT;
    std::vector<double> SectorCos, SectorSin; // the spokes' directions in double
    double SectorMargin2 = 0;        // squared sine of the angle next to a spoke that takes the exact outline
    std::vector<int64_t> SectorIn, SectorOut; // per sector: squared distances surely inside, surely outside beyond
    struct SpokeWalk {
        float cj = 1, sj = 0, sigma = 1, q = 1;
        int T = 0;
        int64_t b = 0, walk = 0; // budget left, steps at most
    };
    std::vector<SpokeWalk> SpokeWalks;
    std::vector<int> SpokeActive;    // the spokes still growing
    int QSpokes = 0;
    float QAngleStep = 0;
    int QMinR = 0, QMaxR = 0;
    int Qsx = 0, Qsy = 0;
    int QX0 = 0, QX1 = 0, QY0 = 0, QBBW = 0, QBBH = 0;
    std::vector<int32_t> RowCnt, RowCov;
    std::vector<int64_t> RowSumR, RowSumG, RowSumB;

    // Brush strokes and relief (only when StrokeAmp > 0).
    LargeBuffer<uint16_t> Hgt;       // empty without strokes; at most 3000
    // Share (of 64) of a texel's weight the stamps being printed leave per
    // pixel, over the box around them.
    std::vector<uint8_t> Fade;
    std::vector<uint8_t> BrAlpha;
    int BrW = 0, BrH = 0;
    // The strokes of a blob: their paths are walked first (they read only
    // coverage, flat colours and the orientation grid), then every stamp is
    // printed in order, rows spread over the pool. Two batches: one blob's
    // strokes are walked into one while the last blob's stamps print from the
    // other.
    struct Stroke {
        int sw = 0, sh = 0, hw = 0, hh = 0;
        size_t offset = 0;     // of its enlarged stamp in texel and height
        size_t spanOffset = 0; // of its row spans in span
    };
    struct StampAt {
        int px = 0, py = 0, stroke = 0;
    };
    struct StampBatch {
        std::vector<Stroke> strokes;
        std::vector<StampAt> stamps;
        std::vector<uint32_t> texel;  // enlarged stamps: colour, weight in the top byte
        std::vector<uint8_t> height;  // enlarged stamps: height increments
        std::vector<int32_t> span;    // per stamp row: first and last column with paint
        void clear()
        {
            strokes.clear();
            stamps.clear();
            texel.clear();
            height.clear();
            span.clear();
        }
    };
    StampBatch stampBatches[2];
    int walkingBatch = 0;              // the batch the next blob's strokes go into
    std::vector<uint32_t> texColour;   // the stroke's texel colours
    std::vector<uint32_t> texShade;    // the stroke's colour at every texel shift
    std::vector<int32_t> stampCol;     // texel column of each stamp column

    // The layer under way.
    int layer = 0;
    int R = 0;
    std::vector<uint64_t> keys;      // sorted seed keys
    int64_t seedCapacity = 0;        // C after it was limited to the keys
    int64_t pixelBudget = 0;
    int64_t paintedCount = 0;
    int64_t keysTaken = 0;
    uint32_t displayClock = 0;

    // The last blob's stamps, printed on the pool while the next seeds are
    // examined and the next strokes walked (that reads only the source, Flat
    // and Coverage). Whatever reads or writes Work or Hgt, or Flat and
    // Coverage under the stamps, waits for them first. Declared last: a run
    // that ends early waits for them before its buffers go.
    class PendingStamps {
    public:
        ~PendingStamps() { wait(); }
        // Prints on the pool; the stamps lie within columns x0..x1, rows y0..y1.
        template <typename F>
        void start(F&& print, int x0, int y0, int x1, int y1)
        {
            GouachePool().execute([&] { group_.run(std::forward<F>(print)); });
            pending_ = true;
            x0_ = x0;
            y0_ = y0;
            x1_ = x1;
            y1_ = y1;
        }
        void wait()
        {
            if (!pending_)
                return;
            GouachePool().execute([&] { group_.wait(); });
            pending_ = false;
        }
        // Waits only when the stamps may touch columns x0..x1, rows y0..y1.
        void waitUnder(int x0, int y0, int x1, int y1)
        {
            if (pending_ && x0 <= x1_ && x0_ <= x1 && y0 <= y1_ && y0_ <= y1)
                wait();
        }

    private:
        tbb::task_group group_;
        bool pending_ = false;
        int x0_ = 0, y0_ = 0, x1_ = -1, y1_ = -1;
    };
    PendingStamps printing;

    size_t count() const { return size_t(w) * size_t(h); }
    uint32_t srcAt(size_t i) const { return src[i]; }
    bool hasHeights() const { return !Hgt.empty(); }

    // Allocates the picture-sized arrays (all zero) for a w x h picture.
    void allocate(int width, int height);
    // Frees the analysis maps, the flat colours, the blob lists and the
    // heights once the painting is finished but for its contours.
    void ReleaseWorkingMaps();
};

// Replaces every value by the mean (div 9) of its 3 x 3 neighbourhood,
// coordinates clamped into the picture.
void SmoothGouacheMap(LargeBuffer<int32_t>& map, int w, int h);
void SmoothGouacheMap(LargeBuffer<uint16_t>& map, int w, int h);

// Analysis map: the smoothed EdgeMap.
void BuildGouacheAnalysis(GouacheRun& run);

// Copies the painting into Dest.
void ShowGouacheWork(GouacheRun& run);

// One layer of blobs (candidates, seeds, blobs, strokes).
void PaintGouacheLayer(GouacheRun& run, int layer);

// Brush strokes and relief.
void PrepareGouacheBrush(GouacheRun& run);
// Zeroes groups of fewer than 10 connected (8-neighbour) non-zero texels.
void RemoveBrushSpecks(std::vector<uint8_t>& mask, int w, int h);
void BuildGouacheOrientation(GouacheRun& run);
// Strokes across the blob whose n pixels lead BlobPix, painted in `colour`.
void PaintGouacheStrokes(GouacheRun& run, int n, uint32_t colour);
void ApplyGouacheRelief(GouacheRun& run);

// Gap filling.
bool PaintGapPixelFromNeighbours(GouacheRun& run, int32_t index, bool includeFilled);
bool MergeSmallUncoveredRegion(GouacheRun& run, int32_t count);
void FillGouacheGaps(GouacheRun& run);

// Diagnostic dumps of one layer into `folder`.
std::string GouacheSeedListText(const GouacheRun& run, int layer);
std::string GouacheCoverageGreymap(const GouacheRun& run);
void WriteGouacheDumps(const GouacheRun& run, int layer, const std::string& folder);

// Parallel loop over rows (or other ranges) on the effect's pool.
template <typename Body>
void GouacheParallel(int begin, int end, Body&& body, int grain = 1)
{
    ParallelForRangeIn(GouachePool(), begin, end, std::forward<Body>(body), grain);
}

} // namespace pv
