// File and memory byte sources.
#include "avi/ByteSource.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace avi {

namespace {

class FileSource final : public ByteSource {
public:
    FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    ~FileSource() override { ::close(fd_); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    uint64_t size() const override { return size_; }

    bool read(uint64_t offset, void* dst, size_t n) const override
    {
        if (!contains(offset, n))
            return false;
        auto* out = static_cast<uint8_t*>(dst);
        while (n > 0) {
            const ssize_t got = ::pread(fd_, out, n, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            out += got;
            offset += static_cast<uint64_t>(got);
            n -= static_cast<size_t>(got);
        }
        return true;
    }

private:
    int fd_;
    uint64_t size_;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    uint64_t size() const override { return bytes_.size(); }

    bool read(uint64_t offset, void* dst, size_t n) const override
    {
        if (!contains(offset, n))
            return false;
        if (n > 0)
            std::memcpy(dst, bytes_.data() + offset, n);
        return true;
    }

private:
    std::vector<uint8_t> bytes_;
};

} // namespace

std::unique_ptr<ByteSource> openFileSource(const std::string& path, std::string* error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = path + ": cannot open: " + std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (error)
            *error = path + ": not a regular file";
        return nullptr;
    }
    return std::make_unique<FileSource>(fd, static_cast<uint64_t>(st.st_size));
}

std::unique_ptr<ByteSource> memorySource(std::vector<uint8_t> bytes)
{
    return std::make_unique<MemorySource>(std::move(bytes));
}

} // namespace avi
