// Closing the gaps the gouache blobs left, and the per-layer diagnostic dumps.
//
// A small gap is grown shut from its painted border inward, each pixel taking
// the mean of its already painted neighbours; a large gap, or one that touches
// no paint, is filled flat with its own mean source colour.

#include "effects/painting/gouache/GouacheRun.h"

#include "platform/system/Errors.h"

#include <QFile>

#include <cstdio>

namespace pv {

namespace {
constexpr uint8_t kUnpainted = 0, kPainted = 1, kFilled = 2, kInRegion = 3;

// Calls f(neighbour index) for the 4-neighbours inside the picture, in the
// order left, right, up, down.
template <typename F>
void ForNeighbours(const GouacheRun& run, int32_t index, F&& f)
{
    const int x = index % run.w, y = index / run.w;
    if (x > 0)
        f(index - 1);
    if (x < run.w - 1)
        f(index + 1);
    if (y > 0)
        f(index - run.w);
    if (y < run.h - 1)
        f(index + run.w);
}
} // namespace

bool PaintGapPixelFromNeighbours(GouacheRun& run, int32_t index, bool includeFilled)
{
    int c = 0;
    uint32_t wr = 0, wg = 0, wb = 0, fr = 0, fg = 0, fb = 0;
    int64_t height = 0;
    ForNeighbours(run, index, [&](int32_t j) {
        const uint8_t cov = run.Coverage[size_t(j)];
        if (cov != kPainted && !(includeFilled && cov == kFilled))
            return;
        ++c;
        const uint32_t wp = run.Work[size_t(j)], fp = run.Flat[size_t(j)];
        wr += (wp >> 16) & 0xFF;
        wg += (wp >> 8) & 0xFF;
        wb += wp & 0xFF;
        fr += (fp >> 16) & 0xFF;
        fg += (fp >> 8) & 0xFF;
        fb += fp & 0xFF;
        if (run.hasHeights())
            height += run.Hgt[size_t(j)];
    });
    if (c == 0)
        return false;
    const uint32_t n = uint32_t(c);
    run.Work[size_t(index)] = 0xFF000000u | ((wr / n) << 16) | ((wg / n) << 8) | (wb / n);
    run.Flat[size_t(index)] = 0xFF000000u | ((fr / n) << 16) | ((fg / n) << 8) | (fb / n);
    if (run.hasHeights())
        run.Hgt[size_t(index)] = uint16_t(height / c);
    return true;
}

bool MergeSmallUncoveredRegion(GouacheRun& run, int32_t count)
{
    if (count <= 0 || run.MergeQueue.size() < size_t(count) || run.BlobPix.size() < size_t(count))
        return false;
    size_t queued = 0;
    for (int32_t k = 0; k < count; ++k) {
        const int32_t i = run.BlobPix[size_t(k)];
        if (run.Coverage[size_t(i)] == kInRegion && PaintGapPixelFromNeighbours(run, i, false)) {
            run.Coverage[size_t(i)] = kFilled;
            run.MergeQueue[queued++] = i;
        }
    }
    if (queued == 0)
        return false;
    for (size_t head = 0; head < queued; ++head)
        ForNeighbours(run, run.MergeQueue[head], [&](int32_t j) {
            if (run.Coverage[size_t(j)] == kInRegion && PaintGapPixelFromNeighbours(run, j, true)) {
                run.Coverage[size_t(j)] = kFilled;
                run.MergeQueue[queued++] = j;
            }
        });
    const bool success = queued == size_t(count);
    for (int32_t k = 0; k < count; ++k) {
        const size_t i = size_t(run.BlobPix[size_t(k)]);
        if (success) {
            run.Coverage[i] = kPainted;
        } else {
            run.Coverage[i] = kInRegion;
            if (run.hasHeights())
                run.Hgt[i] = 0;
        }
    }
    return success;
}

void FillGouacheGaps(GouacheRun& run)
{
    CheckCancellation();
    run.printing.wait();
    const size_t total = run.count();
    const int64_t mergeLimit = 8 * int64_t(run.p.g) * run.p.g;
    for (size_t start = 0; start < total; ++start) {
        if (run.Coverage[start] != kUnpainted || (run.src[start] >> 24) == 0)
            continue;
        run.Coverage[start] = kInRegion;
        run.BlobPix.assign(1, int32_t(start));
        int64_t sumR = 0, sumG = 0, sumB = 0;
        for (size_t k = 0; k < run.BlobPix.size(); ++k) {
            const int32_t i = run.BlobPix[k];
            const uint32_t s = run.src[size_t(i)];
            sumR += (s >> 16) & 0xFF;
            sumG += (s >> 8) & 0xFF;
            sumB += s & 0xFF;
            ForNeighbours(run, i, [&](int32_t j) {
                if (run.Coverage[size_t(j)] == kUnpainted && (run.src[size_t(j)] >> 24) != 0) {
                    run.Coverage[size_t(j)] = kInRegion;
                    run.BlobPix.push_back(j);
                }
            });
        }
        const size_t n = run.BlobPix.size();
        if (int64_t(n) <= mergeLimit && MergeSmallUncoveredRegion(run, int32_t(n)))
            continue;
        const int64_t sn = int64_t(n);
        const uint32_t colour =
            0xFF000000u | (uint32_t(sumR / sn) << 16) | (uint32_t(sumG / sn) << 8) | uint32_t(sumB / sn);
        for (size_t k = 0; k < n; ++k) {
            const size_t i = size_t(run.BlobPix[k]);
            run.Work[i] = colour;
            run.Flat[i] = colour;
            run.Coverage[i] = kPainted;
        }
    }
}

// ------------------------------------------------------------------ dumps

std::string GouacheSeedListText(const GouacheRun& run, int layer)
{
    std::string text;
    const int64_t count = std::min<int64_t>(run.seedCapacity, int64_t(run.keys.size()));
    char line[96];
    for (int64_t k = 0; k < count; ++k) {
        const uint64_t key = run.keys[run.keys.size() - 1 - size_t(k)];
        const int64_t index = GouacheKeyIndex(key);
        const int len = std::snprintf(line, sizeof line, "%d %lld %lld %lld\r\n", layer,
                                      static_cast<long long>(index % run.w), static_cast<long long>(index / run.w),
                                      static_cast<long long>(GouacheKeyScore(key)));
        text.append(line, size_t(len));
    }
    return text;
}

std::string GouacheCoverageGreymap(const GouacheRun& run)
{
    std::string data = "P5\n" + std::to_string(run.w) + " " + std::to_string(run.h) + "\n255\n";
    const size_t header = data.size();
    data.resize(header + run.count());
    for (size_t i = 0; i < run.count(); ++i)
        data[header + i] = char(uint8_t(run.Coverage[i] * 255u));
    return data;
}

namespace {
void WriteDumpFile(const std::string& path, const std::string& data)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(data.data(), qint64(data.size())) != qint64(data.size()))
        throw Exception("Cannot write \"" + path + "\": " + file.errorString().toStdString());
}
} // namespace

void WriteGouacheDumps(const GouacheRun& run, int layer, const std::string& folder)
{
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    WriteDumpFile(dir + "wcpoc_seeds_p" + std::to_string(layer) + ".txt", GouacheSeedListText(run, layer));
    WriteDumpFile(dir + "wcpoc_cov_p" + std::to_string(layer) + ".pgm", GouacheCoverageGreymap(run));
}

} // namespace pv
