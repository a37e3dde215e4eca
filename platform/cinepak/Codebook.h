// Codebook training (vector quantisation of error-space vectors) and nearest-entry search.
#pragma once

#include "cinepak/ErrorSpace.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cinepak::detail {

// A book as the search uses it: entries, their error-space vectors, and the entries'
// order by grey sum, which bounds the distance from below and prunes the search.
class Codebook {
public:
    Codebook() = default;
    explicit Codebook(std::vector<Entry> entries);

    size_t size() const { return entries_.size(); }
    const std::vector<Entry>& entries() const { return entries_; }
    const Vec& vec(size_t i) const { return vecs_[i]; }

    // The nearest entry to v; hint is an entry to try first (or -1). Ties go to the entry
    // found first, so the result depends only on the book and v.
    int nearest(const Vec& v, int hint, int32_t* dist) const;

    // The distances to the nearest and the second nearest entry (the second is the
    // largest int32 for a one-entry book); returns the nearest entry.
    int nearestTwo(const Vec& v, int32_t* first, int32_t* second) const;

private:
    std::vector<Entry> entries_;
    std::vector<Vec> vecs_;
    std::vector<int32_t> keys_;    // grey sums, ascending
    std::vector<uint8_t> byKey_;   // entry index of each key
};

// Trains at most maxEntries entries (1..256) on n vectors (n >= 1): a median-cut split
// of the set seeds the book, then `iterations` rounds of k-means refine it. index receives
// each vector's nearest entry in the returned book; entries no vector uses are dropped.
Codebook trainCodebook(const Vec* vecs, size_t n, int maxEntries, int iterations,
                       std::vector<uint8_t>& index);

// Runs `iterations` k-means rounds from the given entries, then assigns every vector its
// nearest entry (index holds hints on entry, results on return) and drops unused entries.
Codebook refineCodebook(std::vector<Entry> entries, const Vec* vecs, size_t n, int iterations,
                        std::vector<uint8_t>& index);

} // namespace cinepak::detail
