#include "cinepak/StripEncoder.h"

#include "cinepak/Codebook.h"

#include <algorithm>

namespace cinepak::detail {

namespace {

constexpr int64_t kBitsV1 = 8;
constexpr int64_t kBitsV4 = 32;
constexpr int64_t kBitsEntry = 48;

// Each V1 entry drawn over the four quadrants of a block, as patch vectors.
std::vector<Vec> expandBook(const Codebook& book)
{
    std::vector<Vec> out(book.size() * 4);
    for (size_t e = 0; e < book.size(); ++e)
        for (int q = 0; q < 4; ++q)
            out[e * 4 + static_cast<size_t>(q)] = expandV1(book.vec(e), q);
    return out;
}

// The error of drawing block b from the expanded V1 entry, over the block's 16 pixels.
int32_t v1Error(const std::vector<Vec>& patches, size_t b, const Vec* expanded)
{
    int32_t sum = 0;
    for (size_t q = 0; q < 4; ++q)
        sum += distance(patches[b * 4 + q], expanded[q]);
    return sum;
}

// Drops, one at a time, the entry whose users would lose least by moving to their
// second nearest entry, while that loss is below what the entry's 6 bytes are worth at
// this lambda; then recentres what is left. The order of removal does not depend on
// lambda, so a larger lambda keeps a subset of the entries a smaller one keeps. weight
// scales each vector's distance to block distance.
Codebook prune(Codebook book, const std::vector<Vec>& vecs, int64_t weight, int64_t lambda,
               int iterations, Assignment& out, Given given)
{
    const size_t n = vecs.size();
    if (lambda > 0 && book.size() > 1 && n > 0) {
        const bool hinted = given != Given::nothing && out.index.size() == n;
        std::vector<Codebook::Two> two(n);
        std::vector<int64_t> loss(book.size(), 0);
        const auto gain = [weight](const Codebook::Two& t) {
            return (int64_t{t.secondDist} - t.firstDist) * weight * 256;
        };
        for (size_t k = 0; k < n; ++k) {
            two[k] = book.nearestTwo(vecs[k], hinted ? out.index[k] : -1);
            loss[static_cast<size_t>(two[k].first)] += gain(two[k]);
        }
        std::vector<uint8_t> alive(book.size(), 1);
        for (size_t left = book.size(); left > 1; --left) {
            size_t worst = SIZE_MAX;
            for (size_t e = 0; e < book.size(); ++e)
                if (alive[e] && (worst == SIZE_MAX || loss[e] < loss[worst]))
                    worst = e;
            if (loss[worst] >= lambda * kBitsEntry)
                break;
            alive[worst] = 0;
            book.exclude(static_cast<int>(worst));
            const int gone = static_cast<int>(worst);
            for (size_t k = 0; k < n; ++k) {
                if (two[k].first != gone && two[k].second != gone)
                    continue;
                loss[static_cast<size_t>(two[k].first)] -= gain(two[k]);
                const int hint = two[k].first != gone ? two[k].first : two[k].second;
                two[k] = book.nearestTwo(vecs[k], hint);
                loss[static_cast<size_t>(two[k].first)] += gain(two[k]);
            }
        }
        std::vector<int> renumber(book.size(), 0);
        std::vector<Entry> kept;
        for (size_t e = 0; e < book.size(); ++e)
            if (alive[e]) {
                renumber[e] = static_cast<int>(kept.size());
                kept.push_back(book.entries()[e]);
            }
        if (kept.size() < book.size()) {
            out.index.resize(n);
            for (size_t k = 0; k < n; ++k)
                out.index[k] = static_cast<uint8_t>(renumber[static_cast<size_t>(two[k].first)]);
            book = Codebook(std::move(kept));
            given = Given::hints;
        }
    }
    return refineCodebook(book.entries(), vecs.data(), vecs.size(), iterations, out, given);
}

bool prefersV4(int32_t v4Dist, int32_t v1Dist, int64_t lambda)
{
    return int64_t{v4Dist} * 256 + lambda * kBitsV4 < int64_t{v1Dist} * 256 + lambda * kBitsV1;
}

struct Work {
    std::vector<Vec> subset;
    std::vector<uint32_t> owner; // block of each subset vector
    Assignment fit;
};

// Gathers the patches (V4) or means (V1) of the blocks that pass `take` into w.subset.
// A current assignment of the same vectors (fit, indexed by position in the previous
// subset when w.owner is filled, else by vector) is carried over to the new subset.
template <typename Take>
void gather(const std::vector<Vec>& vecs, size_t perBlock, size_t blocks, Take take, Work& w)
{
    std::vector<uint32_t> position(blocks, UINT32_MAX);
    const bool byOwner = !w.owner.empty();
    for (size_t k = 0; k < w.owner.size(); k += perBlock)
        position[w.owner[k]] = static_cast<uint32_t>(k);
    Assignment carried;
    w.subset.clear();
    w.owner.clear();
    for (size_t b = 0; b < blocks; ++b)
        if (take(b))
            for (size_t q = 0; q < perBlock; ++q) {
                const size_t from = byOwner ? position[b] + q : b * perBlock + q;
                w.subset.push_back(vecs[b * perBlock + q]);
                w.owner.push_back(static_cast<uint32_t>(b));
                carried.index.push_back(from < w.fit.index.size() ? w.fit.index[from] : 0);
                carried.dist.push_back(from < w.fit.dist.size() ? w.fit.dist[from] : 0);
            }
    w.fit = std::move(carried);
}

// Per block of the strip: the current V1 and V4 choices and their errors.
struct Choices {
    explicit Choices(size_t blocks)
        : v1Index(blocks, 0), v4Index(blocks * 4, 0), useV4(blocks, 0), v1Dist(blocks, 0),
          v4Dist(blocks, 0), measured(blocks, 0)
    {
    }
    std::vector<uint8_t> v1Index;
    std::vector<uint8_t> v4Index; // 4 per block
    std::vector<uint8_t> useV4;
    std::vector<int32_t> v1Dist;
    std::vector<int32_t> v4Dist;
    std::vector<uint8_t> measured; // v4Index/v4Dist hold the final V4 book's nearest
};

// Keeps only the entries the chosen blocks use, renumbered in order of first use.
StripCode emit(const Codebook& v4, const Codebook& v1, const Choices& c)
{
    const size_t blocks = c.useV4.size();
    StripCode code;
    code.useV4 = c.useV4;
    code.indices.assign(blocks * 4, 0);
    std::vector<int> map4(v4.size(), -1), map1(v1.size(), -1);
    for (size_t b = 0; b < blocks; ++b) {
        if (c.useV4[b]) {
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

} // namespace

StripCode encodeStrip(const std::vector<Vec>& patches, const std::vector<Vec>& means,
                      const StripParams& params)
{
    const size_t blocks = means.size();
    const int64_t trainLambda = std::max(params.lambda, params.trainLambda);
    Choices c(blocks);
    Work w1, w4;

    // V1 first: it serves every block, and its error tells which blocks V4 could improve
    // enough to pay for its 24 extra bits (a V4 error is never below 0).
    Codebook v1 = trainCodebook(means.data(), blocks, params.maxV1, params.iterations, w1.fit);
    std::vector<Vec> expanded = expandBook(v1);
    for (size_t b = 0; b < blocks; ++b) {
        c.v1Index[b] = w1.fit.index[b];
        c.v1Dist[b] = v1Error(patches, b, &expanded[size_t{c.v1Index[b]} * 4]);
    }

    // Train V4 on the candidates at the training lambda and let blocks choose.
    gather(patches, 4, blocks,
           [&](size_t b) { return prefersV4(0, c.v1Dist[b], trainLambda); }, w4);
    Codebook v4;
    if (!w4.subset.empty()) {
        v4 = trainCodebook(w4.subset.data(), w4.subset.size(), params.maxV4, params.iterations,
                           w4.fit);
        for (size_t k = 0; k < w4.subset.size(); ++k)
            c.v4Dist[w4.owner[k]] += w4.fit.dist[k];
        for (size_t k = 0; k < w4.subset.size(); k += 4) {
            const uint32_t b = w4.owner[k];
            c.useV4[b] = prefersV4(c.v4Dist[b], c.v1Dist[b], trainLambda);
        }

        // Retrain V4 on the blocks that chose it, dropping entries not worth their bytes.
        gather(patches, 4, blocks, [&](size_t b) { return c.useV4[b] != 0; }, w4);
        if (!w4.subset.empty()) {
            v4 = prune(v4, w4.subset, 1, params.lambda, params.iterations, w4.fit, Given::exact);
            std::fill(c.v4Dist.begin(), c.v4Dist.end(), 0);
            for (size_t k = 0; k < w4.subset.size(); ++k) {
                const uint32_t b = w4.owner[k];
                c.v4Index[b * 4 + (k & 3)] = w4.fit.index[k];
                c.v4Dist[b] += w4.fit.dist[k];
                c.measured[b] = 1;
            }
        } else {
            v4 = Codebook();
        }
    }

    // Retrain V1 on the blocks that chose it, then every block's V1 choice.
    gather(means, 1, blocks, [&](size_t b) { return c.useV4[b] == 0; }, w1);
    if (!w1.subset.empty())
        v1 = prune(v1, w1.subset, 4, params.lambda, params.iterations, w1.fit, Given::exact);
    expanded = expandBook(v1);
    for (size_t b = 0; b < blocks; ++b) {
        int32_t d = 0;
        c.v1Index[b] = static_cast<uint8_t>(v1.nearest(means[b], -1, &d));
        c.v1Dist[b] = v1Error(patches, b, &expanded[size_t{c.v1Index[b]} * 4]);
    }

    // Final choice at the real lambda; blocks not yet measured against the final V4 book
    // are measured now.
    for (size_t b = 0; b < blocks; ++b) {
        c.useV4[b] = 0;
        if (v4.size() == 0 || !prefersV4(0, c.v1Dist[b], params.lambda))
            continue;
        if (!c.measured[b]) {
            c.v4Dist[b] = 0;
            for (size_t q = 0; q < 4; ++q) {
                int32_t d = 0;
                c.v4Index[b * 4 + q] =
                    static_cast<uint8_t>(v4.nearest(patches[b * 4 + q], -1, &d));
                c.v4Dist[b] += d;
            }
        }
        c.useV4[b] = prefersV4(c.v4Dist[b], c.v1Dist[b], params.lambda);
    }
    return emit(v4, v1, c);
}

} // namespace cinepak::detail
