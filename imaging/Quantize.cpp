#include "imaging/Quantize.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace vximg {

namespace {

inline uint32_t key(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
}

// The picture's colours when there are at most `limit`, else false.
bool exactColors(const Bitmap& src, size_t limit, std::vector<uint32_t>& colors)
{
    std::unordered_map<uint32_t, int> seen;
    uint32_t last = 0xFFFFFFFFu;
    for (int y = 0; y < src.height(); ++y) {
        const uint8_t* p = src.row(y);
        for (int x = 0; x < src.width(); ++x, p += 3) {
            const uint32_t k = key(p);
            if (k == last)
                continue;
            last = k;
            if (seen.emplace(k, 0).second && seen.size() > limit)
                return false;
        }
    }
    colors.clear();
    for (const auto& e : seen)
        colors.push_back(e.first);
    std::sort(colors.begin(), colors.end());
    return true;
}

struct Box {
    int lo[3], hi[3];  // inclusive bin ranges per channel (b, g, r), 5 bits each
    uint64_t count;
};

constexpr int kBins = 32;

inline int bin(int b, int g, int r)
{
    return (r << 10) | (g << 5) | b;
}

void shrink(Box& box, const std::vector<uint32_t>& hist)
{
    int lo[3] = {kBins, kBins, kBins}, hi[3] = {-1, -1, -1};
    uint64_t count = 0;
    for (int r = box.lo[2]; r <= box.hi[2]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[0]; b <= box.hi[0]; ++b) {
                const uint32_t n = hist[size_t(bin(b, g, r))];
                if (!n)
                    continue;
                count += n;
                const int v[3] = {b, g, r};
                for (int c = 0; c < 3; ++c) {
                    lo[c] = std::min(lo[c], v[c]);
                    hi[c] = std::max(hi[c], v[c]);
                }
            }
    box.count = count;
    if (count)
        for (int c = 0; c < 3; ++c) {
            box.lo[c] = lo[c];
            box.hi[c] = hi[c];
        }
}

void medianCut(const Bitmap& src, size_t colors, std::vector<Bgr>& palette,
               std::vector<uint8_t>& map)
{
    std::vector<uint32_t> hist(kBins * kBins * kBins, 0);
    std::vector<uint64_t> sums(hist.size() * 3, 0);
    for (int y = 0; y < src.height(); ++y) {
        const uint8_t* p = src.row(y);
        for (int x = 0; x < src.width(); ++x, p += 3) {
            const size_t i = size_t(bin(p[0] >> 3, p[1] >> 3, p[2] >> 3));
            ++hist[i];
            sums[3 * i] += p[0];
            sums[3 * i + 1] += p[1];
            sums[3 * i + 2] += p[2];
        }
    }
    std::vector<Box> boxes;
    Box all{{0, 0, 0}, {kBins - 1, kBins - 1, kBins - 1}, 0};
    shrink(all, hist);
    boxes.push_back(all);
    while (boxes.size() < colors) {
        // split the box with the most pixels times its longest side
        int pick = -1, axis = 0;
        uint64_t best = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            int longest = 0, a = 0;
            for (int c = 0; c < 3; ++c) {
                const int len = boxes[i].hi[c] - boxes[i].lo[c];
                if (len > longest) {
                    longest = len;
                    a = c;
                }
            }
            const uint64_t score = boxes[i].count * uint64_t(longest);
            if (longest > 0 && score > best) {
                best = score;
                pick = int(i);
                axis = a;
            }
        }
        if (pick < 0)
            break;
        Box& b = boxes[size_t(pick)];
        // cumulative counts along the axis up to half the pixels
        std::vector<uint64_t> slice(kBins, 0);
        for (int r = b.lo[2]; r <= b.hi[2]; ++r)
            for (int g = b.lo[1]; g <= b.hi[1]; ++g)
                for (int bl = b.lo[0]; bl <= b.hi[0]; ++bl) {
                    const int v[3] = {bl, g, r};
                    slice[size_t(v[axis])] += hist[size_t(bin(bl, g, r))];
                }
        uint64_t acc = 0;
        int cut = b.lo[axis];
        for (int v = b.lo[axis]; v < b.hi[axis]; ++v) {
            acc += slice[size_t(v)];
            cut = v;
            if (acc * 2 >= b.count)
                break;
        }
        Box upper = b;
        b.hi[axis] = cut;
        upper.lo[axis] = cut + 1;
        shrink(b, hist);
        shrink(upper, hist);
        if (upper.count)
            boxes.push_back(upper);
    }
    palette.clear();
    for (const Box& b : boxes) {
        uint64_t s[3] = {0, 0, 0}, n = 0;
        for (int r = b.lo[2]; r <= b.hi[2]; ++r)
            for (int g = b.lo[1]; g <= b.hi[1]; ++g)
                for (int bl = b.lo[0]; bl <= b.hi[0]; ++bl) {
                    const size_t i = size_t(bin(bl, g, r));
                    n += hist[i];
                    for (int c = 0; c < 3; ++c)
                        s[c] += sums[3 * i + size_t(c)];
                }
        if (!n)
            n = 1;
        palette.push_back(Bgr{uint8_t((s[0] + n / 2) / n), uint8_t((s[1] + n / 2) / n),
                              uint8_t((s[2] + n / 2) / n)});
    }
    if (palette.empty())
        palette.push_back(Bgr{0, 0, 0});
    // every used bin goes to the palette entry nearest to its mean colour
    map.assign(hist.size(), 0);
    for (size_t i = 0; i < hist.size(); ++i) {
        if (!hist[i])
            continue;
        const int b = int(sums[3 * i] / hist[i]), g = int(sums[3 * i + 1] / hist[i]),
                  r = int(sums[3 * i + 2] / hist[i]);
        int best = 0;
        long bestD = -1;
        for (size_t k = 0; k < palette.size(); ++k) {
            const long db = b - palette[k].b, dg = g - palette[k].g, dr = r - palette[k].r;
            const long d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
            if (bestD < 0 || d < bestD) {
                bestD = d;
                best = int(k);
            }
        }
        map[i] = uint8_t(best);
    }
}

}  // namespace

void quantize(const Bitmap& src, int outBits, Bitmap& out)
{
    const size_t colors = size_t(1) << outBits;
    out.reset(src.width(), src.height(), outBits);
    std::vector<uint32_t> exact;
    if (exactColors(src, colors, exact)) {
        out.palette().clear();
        for (uint32_t k : exact)
            out.palette().push_back(Bgr{uint8_t(k), uint8_t(k >> 8), uint8_t(k >> 16)});
        for (int y = 0; y < src.height(); ++y) {
            const uint8_t* p = src.row(y);
            uint8_t* d = out.row(y);
            for (int x = 0; x < src.width(); ++x, p += 3)
                d[x] =
                    uint8_t(std::lower_bound(exact.begin(), exact.end(), key(p)) - exact.begin());
        }
    } else {
        std::vector<uint8_t> map;
        medianCut(src, colors, out.palette(), map);
        for (int y = 0; y < src.height(); ++y) {
            const uint8_t* p = src.row(y);
            uint8_t* d = out.row(y);
            for (int x = 0; x < src.width(); ++x, p += 3)
                d[x] = map[size_t(bin(p[0] >> 3, p[1] >> 3, p[2] >> 3))];
        }
    }
    for (int y = 0; y < out.height(); ++y) {
        uint8_t* d = out.row(y);
        std::memset(d + out.width(), 0, out.stride() - size_t(out.width()));
    }
}

}  // namespace vximg
