// Codebook training (vector quantisation of error-space vectors) and nearest-entry search.
#pragma once

#include "cinepak/ErrorSpace.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cinepak::detail {

// A book as the search uses it: entries, and their error-space vectors sorted by grey
// sum. (Sum of the 4 grey differences)^2 <= 4 x distance, so a search can stop as soon as
// the grey sums alone rule out every further entry.
class Codebook {
public:
    Codebook() = default;
    explicit Codebook(std::vector<Entry> entries);

    size_t size() const { return entries_.size(); }
    const std::vector<Entry>& entries() const { return entries_; }
    const Vec& vec(size_t entry) const { return sorted_[rank_[entry]]; }

    // The nearest entry to v. hint: an entry to start from (the previous choice), or -1.
    // The result depends only on the book, v and hint.
    int nearest(const Vec& v, int hint, int32_t* dist) const;

    // The nearest and the second nearest entry (the second is -1, at the largest int32
    // distance, for a one-entry book). hint as for nearest().
    struct Two {
        int first;
        int second;
        int32_t firstDist;
        int32_t secondDist;
    };
    Two nearestTwo(const Vec& v, int hint) const;

    // Takes an entry out of the search (entries() keeps it and the numbering); at least
    // one entry must stay in.
    void exclude(int entry);

private:
    int scanStart(int32_t key, int hint) const;

    std::vector<Entry> entries_;
    std::vector<Vec> sorted_;      // entry vectors in ascending grey sum
    std::vector<int32_t> keys_;    // their grey sums
    std::vector<uint8_t> entryAt_; // entry index of each sorted position
    std::vector<uint8_t> rank_;    // sorted position of each entry
};

// The outcome of assigning each training vector its nearest entry.
struct Assignment {
    std::vector<uint8_t> index;
    std::vector<int32_t> dist;
};

// Trains at most maxEntries entries (1..256) on n vectors (n >= 1): a median-cut split
// of the set seeds the book, then `iterations` rounds of k-means refine it. Entries no
// vector uses are dropped; out receives each vector's nearest entry in the result.
Codebook trainCodebook(const Vec* vecs, size_t n, int maxEntries, int iterations,
                       Assignment& out);

// How much of an assignment handed to refineCodebook can be trusted.
enum class Given {
    nothing, // out is ignored
    hints,   // out.index holds a good guess per vector
    exact,   // out.index and out.dist are each vector's nearest entry in `entries`
};

// Runs `iterations` k-means rounds from the given entries, assigns every vector its
// nearest entry and drops unused entries.
Codebook refineCodebook(std::vector<Entry> entries, const Vec* vecs, size_t n, int iterations,
                        Assignment& out, Given given);

} // namespace cinepak::detail
