// Random-access reading of a movie's bytes, from a file or from memory. Every read is
// checked against the source's size; offsets are 64-bit so files past 4 GiB work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace avi {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    // Reads exactly n bytes at offset; false when any of them lies outside the source
    // or cannot be read.
    virtual bool read(uint64_t offset, void* dst, size_t n) const = 0;

    // True when [offset, offset + n) lies inside the source (no overflow).
    bool contains(uint64_t offset, uint64_t n) const
    {
        return offset <= size() && n <= size() - offset;
    }
};

// nullptr with the reason in *error when the file cannot be opened for reading.
std::unique_ptr<ByteSource> openFileSource(const std::string& path, std::string* error);
std::unique_ptr<ByteSource> memorySource(std::vector<uint8_t> bytes);

} // namespace avi
