#include "cinepak/StripEncoder.h"

#include "cinepak/Codebook.h"

#include <algorithm>

namespace cinepak::detail {

namespace {

constexpr int64_t kBitsV1 = 8;
constexpr int64_t kBitsV4 = 32;

struct Choice {
    std::vector<uint8_t> v4Index; // 4 per block
    std::vector<int32_t> v4Dist;  // per block
    std::vector<uint8_t> v1Index; // 1 per block
    std::vector<int32_t> v1Dist;  // per block, over the block's 16 pixels
};

void measureV4(const std::vector<Vec>& patches, const Codebook& book, Choice& c)
{
    const size_t blocks = patches.size() / 4;
    c.v4Index.resize(patches.size());
    c.v4Dist.assign(blocks, 0);
    for (size_t p = 0; p < patches.size(); ++p) {
        int32_t d = 0;
        c.v4Index[p] = static_cast<uint8_t>(book.nearest(patches[p], -1, &d));
        c.v4Dist[p / 4] += d;
    }
}

void measureV1(const std::vector<Vec>& patches, const std::vector<Vec>& means,
               const Codebook& book, Choice& c)
{
    c.v1Index.resize(means.size());
    c.v1Dist.resize(means.size());
    for (size_t b = 0; b < means.size(); ++b) {
        int32_t d = 0;
        const int e = book.nearest(means[b], -1, &d);
        c.v1Index[b] = static_cast<uint8_t>(e);
        int32_t full = 0;
        for (int q = 0; q < 4; ++q)
            full += distance(patches[b * 4 + static_cast<size_t>(q)],
                             expandV1(book.vec(static_cast<size_t>(e)), q));
        c.v1Dist[b] = full;
    }
}

constexpr int64_t kBitsEntry = 48;

// Drops the entries whose users would lose less, by moving to their second nearest entry,
// than the entry's own bytes are worth at this lambda, a quarter of the book at most per
// pass so that an entry and its neighbour do not both go, then recentres what is left.
// weight scales each vector's distance to block distance.
Codebook prune(Codebook book, const std::vector<Vec>& vecs, int64_t weight, int64_t lambda,
               int iterations)
{
    if (vecs.empty())
        return book;
    std::vector<int64_t> loss;
    std::vector<size_t> order;
    while (book.size() > 1) {
        loss.assign(book.size(), 0);
        for (const Vec& v : vecs) {
            int32_t d1 = 0, d2 = 0;
            const int e = book.nearestTwo(v, &d1, &d2);
            loss[static_cast<size_t>(e)] += (int64_t{d2} - d1) * weight * 256;
        }
        order.clear();
        for (size_t e = 0; e < book.size(); ++e)
            if (loss[e] < lambda * kBitsEntry)
                order.push_back(e);
        if (order.empty())
            break;
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return loss[a] < loss[b]; });
        order.resize(std::min(order.size(), std::max<size_t>(1, book.size() / 4)));
        std::vector<uint8_t> drop(book.size(), 0);
        for (size_t e : order)
            drop[e] = 1;
        std::vector<Entry> kept;
        for (size_t e = 0; e < book.size(); ++e)
            if (!drop[e])
                kept.push_back(book.entries()[e]);
        book = Codebook(std::move(kept));
    }
    std::vector<uint8_t> index(vecs.size(), 255);
    return refineCodebook(book.entries(), vecs.data(), vecs.size(), iterations, index);
}

void decide(const Choice& c, int64_t lambda, std::vector<uint8_t>& useV4)
{
    for (size_t b = 0; b < useV4.size(); ++b)
        useV4[b] = int64_t{c.v4Dist[b]} * 256 + lambda * kBitsV4 <
                   int64_t{c.v1Dist[b]} * 256 + lambda * kBitsV1;
}

} // namespace

StripCode encodeStrip(const std::vector<Vec>& patches, const std::vector<Vec>& means,
                      const StripParams& params)
{
    const size_t blocks = means.size();
    std::vector<uint8_t> scratch;
    Codebook v4 = trainCodebook(patches.data(), patches.size(), params.maxV4,
                                params.iterations, scratch);
    Codebook v1 = trainCodebook(means.data(), means.size(), params.maxV1, params.iterations,
                                scratch);
    Choice c;
    std::vector<uint8_t> useV4(blocks, 0);
    std::vector<Vec> subset;
    for (int round = 0; round < params.rounds; ++round) {
        measureV4(patches, v4, c);
        measureV1(patches, means, v1, c);
        decide(c, std::max(params.lambda, params.trainLambda), useV4);
        // Retrain each book on the blocks that chose it.
        subset.clear();
        for (size_t b = 0; b < blocks; ++b)
            if (useV4[b])
                subset.insert(subset.end(), patches.begin() + static_cast<long>(b * 4),
                              patches.begin() + static_cast<long>(b * 4 + 4));
        if (!subset.empty())
            v4 = trainCodebook(subset.data(), subset.size(), params.maxV4, params.iterations,
                               scratch);
        subset.clear();
        for (size_t b = 0; b < blocks; ++b)
            if (!useV4[b])
                subset.push_back(means[b]);
        if (!subset.empty())
            v1 = trainCodebook(subset.data(), subset.size(), params.maxV1, params.iterations,
                               scratch);
    }
    {
        // Prune and recentre both books for the final choice (at lambda 0 only recentre).
        subset.clear();
        for (size_t b = 0; b < blocks; ++b)
            if (useV4[b])
                subset.insert(subset.end(), patches.begin() + static_cast<long>(b * 4),
                              patches.begin() + static_cast<long>(b * 4 + 4));
        v4 = prune(v4, subset, 1, params.lambda, params.iterations);
        subset.clear();
        for (size_t b = 0; b < blocks; ++b)
            if (!useV4[b])
                subset.push_back(means[b]);
        v1 = prune(v1, subset, 4, params.lambda, params.iterations);
    }
    measureV4(patches, v4, c);
    measureV1(patches, means, v1, c);
    decide(c, params.lambda, useV4);

    // Keep only the entries the chosen blocks use, renumbered in order of first use.
    StripCode code;
    code.useV4 = useV4;
    code.indices.assign(blocks * 4, 0);
    std::vector<int> map4(v4.size(), -1), map1(v1.size(), -1);
    for (size_t b = 0; b < blocks; ++b) {
        if (useV4[b]) {
            code.distortion += c.v4Dist[b];
            for (size_t q = 0; q < 4; ++q) {
                const uint8_t e = c.v4Index[b * 4 + q];
                if (map4[e] < 0) {
                    map4[e] = static_cast<int>(code.v4.size());
                    code.v4.push_back(v4.entries()[e]);
                }
                code.indices[b * 4 + q] = static_cast<uint8_t>(map4[e]);
            }
        } else {
            code.distortion += c.v1Dist[b];
            const uint8_t e = c.v1Index[b];
            if (map1[e] < 0) {
                map1[e] = static_cast<int>(code.v1.size());
                code.v1.push_back(v1.entries()[e]);
            }
            code.indices[b * 4] = static_cast<uint8_t>(map1[e]);
        }
    }
    return code;
}

} // namespace cinepak::detail
