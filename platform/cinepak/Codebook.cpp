#include "cinepak/Codebook.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace cinepak::detail {

namespace {

int32_t greySum(const Vec& v) { return v.c[0] + v.c[1] + v.c[2] + v.c[3]; }

} // namespace

Codebook::Codebook(std::vector<Entry> entries) : entries_(std::move(entries))
{
    const size_t n = entries_.size();
    std::vector<std::pair<int32_t, uint8_t>> keyed(n);
    std::vector<Vec> vecs(n);
    for (size_t i = 0; i < n; ++i) {
        vecs[i] = toVec(entries_[i]);
        keyed[i] = {greySum(vecs[i]), static_cast<uint8_t>(i)};
    }
    std::sort(keyed.begin(), keyed.end());
    sorted_.resize(n);
    keys_.resize(n);
    entryAt_.resize(n);
    rank_.resize(n);
    for (size_t i = 0; i < n; ++i) {
        keys_[i] = keyed[i].first;
        entryAt_[i] = keyed[i].second;
        rank_[keyed[i].second] = static_cast<uint8_t>(i);
        sorted_[i] = vecs[keyed[i].second];
    }
}

// Where a search starts: the hint's place in key order, or where the key would sort.
int Codebook::scanStart(int32_t key, int hint) const
{
    if (hint >= 0)
        return rank_[static_cast<size_t>(hint)];
    const auto at = std::lower_bound(keys_.begin(), keys_.end(), key) - keys_.begin();
    return std::min(static_cast<int>(at), static_cast<int>(keys_.size()) - 1);
}

int Codebook::nearest(const Vec& v, int hint, int32_t* dist) const
{
    const int32_t key = greySum(v);
    const int n = static_cast<int>(keys_.size());
    // Every entry that can beat the best so far has its key within sqrt(4 x best) of the
    // vector's, and the start lies in that interval, so scanning outwards from it until
    // the keys leave it misses none.
    const int start = scanStart(key, hint);
    const Vec* vecs = sorted_.data();
    const int32_t* keys = keys_.data();
    int best = start;
    int32_t bestDist = distance(v, vecs[start]);
    const auto beyond = [&bestDist](int32_t gap) { return gap > 0 && gap * gap >= 4 * bestDist; };
    const auto take = [&](int at, int32_t d) {
        if (d < bestDist) {
            bestDist = d;
            best = at;
        }
    };
    // Candidates go in groups of four, so that their distances do not wait on each
    // other; a group is skipped only when its nearest key is out of range.
    // Ties go to the candidate met first in scan order.
    unsigned lanes = 0;
    int i = start + 1;
    for (; i + 4 <= n && !beyond(keys[i] - key); i += 4) {
        const int32_t m = nearestOf4(v, vecs + i, &lanes);
        take(i + std::countr_zero(lanes), m);
    }
    for (; i < n && !beyond(keys[i] - key); ++i)
        take(i, distance(v, vecs[i]));
    for (i = start - 4; i >= 0 && !beyond(key - keys[i + 3]); i -= 4) {
        const int32_t m = nearestOf4(v, vecs + i, &lanes);
        take(i + std::bit_width(lanes) - 1, m);
    }
    for (i += 3; i >= 0 && !beyond(key - keys[i]); --i)
        take(i, distance(v, vecs[i]));
    *dist = bestDist;
    return entryAt_[static_cast<size_t>(best)];
}

Codebook::Two Codebook::nearestTwo(const Vec& v, int hint) const
{
    const int32_t key = greySum(v);
    const int n = static_cast<int>(keys_.size());
    const int start = scanStart(key, hint);
    // As nearest(), with the second best bounding the scan.
    const Vec* vecs = sorted_.data();
    const int32_t* keys = keys_.data();
    int b1 = start, b2 = -1;
    int32_t d1 = distance(v, vecs[start]);
    int32_t d2 = std::numeric_limits<int32_t>::max();
    const auto take = [&](int i, int32_t d) {
        if (d < d1) {
            d2 = d1;
            b2 = b1;
            d1 = d;
            b1 = i;
        } else if (d < d2) {
            d2 = d;
            b2 = i;
        }
    };
    const auto beyond = [&](int32_t gap) {
        return gap > 0 && int64_t{gap} * gap >= 4 * int64_t{d2};
    };
    int32_t d[4];
    int i = start + 1;
    for (; i + 4 <= n && !beyond(keys[i] - key); i += 4) {
        distances4(v, vecs + i, d);
        for (int k = 0; k < 4; ++k)
            take(i + k, d[k]);
    }
    for (; i < n && !beyond(keys[i] - key); ++i)
        take(i, distance(v, vecs[i]));
    for (i = start - 4; i >= 0 && !beyond(key - keys[i + 3]); i -= 4) {
        distances4(v, vecs + i, d);
        for (int k = 3; k >= 0; --k)
            take(i + k, d[k]);
    }
    for (i += 3; i >= 0 && !beyond(key - keys[i]); --i)
        take(i, distance(v, vecs[i]));
    return {entryAt_[static_cast<size_t>(b1)], b2 < 0 ? -1 : entryAt_[static_cast<size_t>(b2)],
            d1, d2};
}

void Codebook::exclude(int entry)
{
    const size_t pos = rank_[static_cast<size_t>(entry)];
    sorted_.erase(sorted_.begin() + static_cast<long>(pos));
    keys_.erase(keys_.begin() + static_cast<long>(pos));
    entryAt_.erase(entryAt_.begin() + static_cast<long>(pos));
    for (size_t i = pos; i < entryAt_.size(); ++i)
        rank_[entryAt_[i]] = static_cast<uint8_t>(i);
}

namespace {

// A cell of the median cut: vectors order[begin, end) with their coordinate sums.
struct Cell {
    size_t begin = 0;
    size_t end = 0;
    int64_t sum[6] = {};
    int64_t sq[6] = {};
    int64_t sse = 0; // squared error about the cell's mean
    int axis = 0;    // coordinate of largest spread
};

void addStats(const Vec* vecs, const uint32_t* order, size_t begin, size_t end, Cell& c)
{
    for (size_t k = begin; k < end; ++k) {
        const Vec& v = vecs[order[k]];
        for (int i = 0; i < 6; ++i) {
            c.sum[i] += v.c[i];
            c.sq[i] += int32_t{v.c[i]} * v.c[i];
        }
    }
}

void finishStats(Cell& c)
{
    const int64_t n = static_cast<int64_t>(c.end - c.begin);
    int64_t widest = -1;
    c.sse = 0;
    for (int i = 0; i < 6; ++i) {
        const int64_t spread = c.sq[i] * n - c.sum[i] * c.sum[i]; // n^2 x variance
        c.sse += spread / n;
        if (spread > widest) {
            widest = spread;
            c.axis = i;
        }
    }
}

// Seeds: split the cell with the largest error at the mean of its widest axis until
// there are maxEntries cells or no cell can be split.
std::vector<Cell> medianCut(const Vec* vecs, std::vector<uint32_t>& order, int maxEntries)
{
    std::vector<Cell> cells(1);
    cells[0].end = order.size();
    addStats(vecs, order.data(), 0, order.size(), cells[0]);
    finishStats(cells[0]);
    // Cells by error, largest first; equal errors go to the lower cell number.
    std::vector<std::pair<int64_t, int>> heap{{cells[0].sse, 0}};
    std::vector<uint32_t> tmp(order.size());
    while (static_cast<int>(cells.size()) < maxEntries && !heap.empty()) {
        std::pop_heap(heap.begin(), heap.end());
        const size_t pick = static_cast<size_t>(-heap.back().second);
        heap.pop_back();
        const Cell c = cells[pick];
        if (c.sse <= 0)
            break;
        const int64_t n = static_cast<int64_t>(c.end - c.begin);
        const int axis = c.axis;
        // Left: values at or below the mean (compared as v * n <= sum, exact). Each
        // element goes to both ends of tmp; only the end it belongs to moves on.
        size_t lo = c.begin, hi = c.end - 1;
        for (size_t k = c.begin; k < c.end; ++k) {
            const uint32_t id = order[k];
            const bool left = int64_t{vecs[id].c[axis]} * n <= c.sum[axis];
            tmp[lo] = id;
            tmp[hi] = id;
            lo += left;
            hi -= !left;
        }
        if (lo == c.begin || lo == c.end)
            break; // cannot happen with a positive spread; guards the loop
        std::copy(tmp.begin() + static_cast<long>(c.begin), tmp.begin() + static_cast<long>(c.end),
                  order.begin() + static_cast<long>(c.begin));
        Cell left, right;
        left.begin = c.begin;
        left.end = lo;
        right.begin = lo;
        right.end = c.end;
        // Sum the smaller side; the larger is the parent minus it.
        Cell& small = (lo - c.begin <= c.end - lo) ? left : right;
        Cell& large = (&small == &left) ? right : left;
        addStats(vecs, order.data(), small.begin, small.end, small);
        for (int i = 0; i < 6; ++i) {
            large.sum[i] = c.sum[i] - small.sum[i];
            large.sq[i] = c.sq[i] - small.sq[i];
        }
        finishStats(left);
        finishStats(right);
        cells[pick] = left;
        cells.push_back(right);
        heap.emplace_back(left.sse, -static_cast<int>(pick));
        std::push_heap(heap.begin(), heap.end());
        heap.emplace_back(right.sse, -static_cast<int>(cells.size() - 1));
        std::push_heap(heap.begin(), heap.end());
    }
    return cells;
}

} // namespace

Codebook refineCodebook(std::vector<Entry> entries, const Vec* vecs, size_t n, int iterations,
                        Assignment& out, Given given)
{
    Codebook book(entries);
    out.index.resize(n);
    out.dist.resize(n);
    std::vector<int32_t> sums;
    std::vector<int32_t> counts;
    for (int round = 0; round <= iterations; ++round) {
        sums.assign(entries.size() * 6, 0);
        counts.assign(entries.size(), 0);
        const bool search = round > 0 || given != Given::exact;
        const bool hinted = round > 0 || given == Given::hints;
        for (size_t k = 0; k < n; ++k) {
            const int e = search ? book.nearest(vecs[k], hinted ? out.index[k] : -1, &out.dist[k])
                                 : out.index[k];
            out.index[k] = static_cast<uint8_t>(e);
            counts[static_cast<size_t>(e)] += 1;
            for (int i = 0; i < 6; ++i)
                sums[static_cast<size_t>(e) * 6 + i] += vecs[k].c[i];
        }
        if (round == iterations)
            break;
        for (size_t e = 0; e < entries.size(); ++e)
            if (counts[e] > 0)
                entries[e] = toEntry(&sums[e * 6], counts[e]);
        book = Codebook(entries);
    }

    // Drop unused entries and renumber.
    std::vector<int> renumber(entries.size(), -1);
    std::vector<Entry> used;
    for (size_t e = 0; e < entries.size(); ++e)
        if (counts[e] > 0) {
            renumber[e] = static_cast<int>(used.size());
            used.push_back(entries[e]);
        }
    if (used.size() == entries.size())
        return book;
    for (size_t k = 0; k < n; ++k)
        out.index[k] = static_cast<uint8_t>(renumber[out.index[k]]);
    return Codebook(std::move(used));
}

Codebook trainCodebook(const Vec* vecs, size_t n, int maxEntries, int iterations,
                       Assignment& out)
{
    std::vector<uint32_t> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = static_cast<uint32_t>(i);
    const std::vector<Cell> cells = medianCut(vecs, order, maxEntries);

    std::vector<Entry> entries(cells.size());
    out.index.assign(n, 0);
    for (size_t e = 0; e < cells.size(); ++e) {
        int32_t sum[6];
        for (int i = 0; i < 6; ++i)
            sum[i] = static_cast<int32_t>(cells[e].sum[i]);
        for (size_t k = cells[e].begin; k < cells[e].end; ++k)
            out.index[order[k]] = static_cast<uint8_t>(e);
        entries[e] = toEntry(sum, static_cast<int32_t>(cells[e].end - cells[e].begin));
    }
    return refineCodebook(std::move(entries), vecs, n, iterations, out, Given::hints);
}

} // namespace cinepak::detail
