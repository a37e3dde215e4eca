#include "cinepak/Codebook.h"

#include <algorithm>
#include <limits>

namespace cinepak::detail {

namespace {

int32_t greySum(const Vec& v) { return v.c[0] + v.c[1] + v.c[2] + v.c[3]; }

} // namespace

Codebook::Codebook(std::vector<Entry> entries) : entries_(std::move(entries))
{
    const size_t n = entries_.size();
    vecs_.resize(n);
    std::vector<std::pair<int32_t, uint8_t>> keyed(n);
    for (size_t i = 0; i < n; ++i) {
        vecs_[i] = toVec(entries_[i]);
        keyed[i] = {greySum(vecs_[i]), static_cast<uint8_t>(i)};
    }
    std::sort(keyed.begin(), keyed.end());
    keys_.resize(n);
    byKey_.resize(n);
    for (size_t i = 0; i < n; ++i) {
        keys_[i] = keyed[i].first;
        byKey_[i] = keyed[i].second;
    }
}

int Codebook::nearest(const Vec& v, int hint, int32_t* dist) const
{
    // (sum of 4 grey differences)^2 <= 4 * distance, so entries whose key is far from
    // the vector's cannot beat the best found so far.
    int best = hint >= 0 ? hint : byKey_[0];
    int64_t bestDist = distance(v, vecs_[static_cast<size_t>(best)]);
    const int32_t key = greySum(v);
    const int n = static_cast<int>(keys_.size());
    const int pos = static_cast<int>(std::lower_bound(keys_.begin(), keys_.end(), key) -
                                     keys_.begin());
    for (int i = pos; i < n; ++i) {
        const int64_t gap = keys_[static_cast<size_t>(i)] - key;
        if (gap * gap >= 4 * bestDist)
            break;
        const int e = byKey_[static_cast<size_t>(i)];
        const int32_t d = distance(v, vecs_[static_cast<size_t>(e)]);
        if (d < bestDist || (d == bestDist && e < best)) {
            bestDist = d;
            best = e;
        }
    }
    for (int i = pos - 1; i >= 0; --i) {
        const int64_t gap = key - keys_[static_cast<size_t>(i)];
        if (gap * gap >= 4 * bestDist)
            break;
        const int e = byKey_[static_cast<size_t>(i)];
        const int32_t d = distance(v, vecs_[static_cast<size_t>(e)]);
        if (d < bestDist || (d == bestDist && e < best)) {
            bestDist = d;
            best = e;
        }
    }
    *dist = static_cast<int32_t>(bestDist);
    return best;
}

int Codebook::nearestTwo(const Vec& v, int32_t* first, int32_t* second) const
{
    int best = -1;
    int64_t d1 = std::numeric_limits<int32_t>::max(), d2 = d1;
    const int32_t key = greySum(v);
    const int n = static_cast<int>(keys_.size());
    const int pos = static_cast<int>(std::lower_bound(keys_.begin(), keys_.end(), key) -
                                     keys_.begin());
    const auto visit = [&](int i) {
        const int64_t gap = keys_[static_cast<size_t>(i)] - key;
        if (gap * gap >= 4 * d2)
            return false;
        const int e = byKey_[static_cast<size_t>(i)];
        const int32_t d = distance(v, vecs_[static_cast<size_t>(e)]);
        if (d < d1 || (d == d1 && e < best)) {
            d2 = d1;
            d1 = d;
            best = e;
        } else if (d < d2) {
            d2 = d;
        }
        return true;
    };
    for (int i = pos; i < n && visit(i); ++i) {
    }
    for (int i = pos - 1; i >= 0 && visit(i); --i) {
    }
    *first = static_cast<int32_t>(d1);
    *second = static_cast<int32_t>(d2);
    return best;
}

namespace {

struct Cell {
    size_t begin;
    size_t end;
    int64_t sse;
    int axis;
    int64_t sum; // along axis
};

// Statistics of the vectors order[begin, end): total squared error about the mean and
// the axis of largest spread.
Cell measure(const Vec* vecs, const std::vector<uint32_t>& order, size_t begin, size_t end)
{
    int64_t sum[6] = {}, sq[6] = {};
    for (size_t k = begin; k < end; ++k) {
        const Vec& v = vecs[order[k]];
        for (int i = 0; i < 6; ++i) {
            sum[i] += v.c[i];
            sq[i] += int64_t{v.c[i]} * v.c[i];
        }
    }
    const int64_t n = static_cast<int64_t>(end - begin);
    Cell cell{begin, end, 0, 0, sum[0]};
    int64_t widest = -1;
    for (int i = 0; i < 6; ++i) {
        const int64_t spread = sq[i] * n - sum[i] * sum[i]; // n^2 x variance
        cell.sse += spread / n;
        if (spread > widest) {
            widest = spread;
            cell.axis = i;
            cell.sum = sum[i];
        }
    }
    return cell;
}

// Seeds: split the cell with the largest error at the mean of its widest axis until
// there are maxEntries cells or no cell can be split.
std::vector<Cell> medianCut(const Vec* vecs, std::vector<uint32_t>& order, int maxEntries)
{
    std::vector<Cell> cells{measure(vecs, order, 0, order.size())};
    while (static_cast<int>(cells.size()) < maxEntries) {
        size_t pick = 0;
        for (size_t i = 1; i < cells.size(); ++i)
            if (cells[i].sse > cells[pick].sse)
                pick = i;
        const Cell c = cells[pick];
        if (c.sse <= 0)
            break;
        const int64_t n = static_cast<int64_t>(c.end - c.begin);
        // Left: values at or below the mean (compared as v * n <= sum, exact).
        size_t mid = c.begin;
        for (size_t k = c.begin; k < c.end; ++k)
            if (int64_t{vecs[order[k]].c[c.axis]} * n <= c.sum)
                std::swap(order[k], order[mid++]);
        if (mid == c.begin || mid == c.end)
            break; // cannot happen with a positive spread; guards the loop
        cells[pick] = measure(vecs, order, c.begin, mid);
        cells.push_back(measure(vecs, order, mid, c.end));
    }
    return cells;
}

} // namespace

Codebook refineCodebook(std::vector<Entry> entries, const Vec* vecs, size_t n, int iterations,
                        std::vector<uint8_t>& index)
{
    Codebook book(entries);
    std::vector<int32_t> sums;
    std::vector<int32_t> counts;
    for (int round = 0; round <= iterations; ++round) {
        sums.assign(entries.size() * 6, 0);
        counts.assign(entries.size(), 0);
        for (size_t k = 0; k < n; ++k) {
            int32_t d = 0;
            const int e = book.nearest(vecs[k], index[k] < entries.size() ? index[k] : -1, &d);
            index[k] = static_cast<uint8_t>(e);
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
    for (size_t k = 0; k < n; ++k)
        index[k] = static_cast<uint8_t>(renumber[index[k]]);
    return Codebook(std::move(used));
}

Codebook trainCodebook(const Vec* vecs, size_t n, int maxEntries, int iterations,
                       std::vector<uint8_t>& index)
{
    std::vector<uint32_t> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = static_cast<uint32_t>(i);
    const std::vector<Cell> cells = medianCut(vecs, order, maxEntries);

    std::vector<Entry> entries(cells.size());
    index.assign(n, 0);
    for (size_t e = 0; e < cells.size(); ++e) {
        int32_t sum[6] = {};
        for (size_t k = cells[e].begin; k < cells[e].end; ++k) {
            index[order[k]] = static_cast<uint8_t>(e);
            for (int i = 0; i < 6; ++i)
                sum[i] += vecs[order[k]].c[i];
        }
        entries[e] = toEntry(sum, static_cast<int32_t>(cells[e].end - cells[e].begin));
    }
    return refineCodebook(std::move(entries), vecs, n, iterations, index);
}

} // namespace cinepak::detail
