// Opening AVI files and their streams; reading sound samples.
#include "avi/AviFile.h"

#include "avi/FrameAccessImpl.h"
#include "avi/FrameDecoder.h"
#include "media/ByteOrder.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace avi {

namespace {

using detail::OpenedFile;
using detail::StreamData;

int32_t clampToInt32(uint64_t v) { return static_cast<int32_t>(std::min<uint64_t>(v, INT32_MAX)); }

media::WaveFormatEx parseWaveFormat(const std::vector<uint8_t>& f)
{
    media::WaveFormatEx w;
    if (f.size() < 14)
        return w;
    const uint8_t* p = f.data();
    w.wFormatTag = media::readLE16(p);
    w.nChannels = media::readLE16(p + 2);
    w.nSamplesPerSec = media::readLE32(p + 4);
    w.nAvgBytesPerSec = media::readLE32(p + 8);
    w.nBlockAlign = media::readLE16(p + 12);
    if (f.size() >= 16)
        w.wBitsPerSample = media::readLE16(p + 14);
    if (f.size() >= 18)
        w.cbSize = media::readLE16(p + 16);
    return w;
}

// Sound is addressed in samples of nBlockAlign bytes. When the header counts in other
// units (dwSampleSize 0, or a sample size that differs from the block), restate its
// length and sample size in blocks, so that every figure the stream reports agrees
// with what read() delivers.
void normaliseSoundHeader(StreamData& s)
{
    const uint32_t align = media::readLE16(s.format.data() + 12);
    media::AviStreamInfo& info = s.info;
    uint64_t blocks = info.dwLength;
    if (info.dwSampleSize == 0)
        blocks = (s.byteEnds.empty() ? 0 : s.byteEnds.back()) / align;
    else if (info.dwSampleSize != align)
        blocks = uint64_t{info.dwLength} * info.dwSampleSize / align;
    info.dwLength = static_cast<uint32_t>(std::min<uint64_t>(blocks, INT32_MAX));
    info.dwSampleSize = align;
}

class StreamImpl final : public Stream {
public:
    StreamImpl(std::shared_ptr<const OpenedFile> file, const StreamData& data)
        : file_(std::move(file)), data_(data)
    {
    }

    size_t readFormat(void* dst, size_t size) const override
    {
        const size_t n = std::min(size, data_.format.size());
        if (n > 0)
            std::memcpy(dst, data_.format.data(), n);
        return n;
    }

    media::BitmapInfoHeader videoFormat() const override
    {
        return data_.info.fccType == media::kFourCCVids
                   ? detail::parseBitmapInfoHeader(data_.format)
                   : media::BitmapInfoHeader{};
    }

    media::WaveFormatEx soundFormat() const override
    {
        return data_.info.fccType == media::kFourCCAuds ? parseWaveFormat(data_.format)
                                                        : media::WaveFormatEx{};
    }

    const media::AviStreamInfo& info() const override { return data_.info; }
    int32_t start() const override { return clampToInt32(data_.info.dwStart); }
    int32_t length() const override { return clampToInt32(data_.info.dwLength); }

    std::unique_ptr<FrameAccess> openFrames(std::string* why) const override
    {
        return detail::openFrameAccess(file_, data_, why);
    }

    bool read(int32_t first, int32_t count, void* buffer, size_t bufferSize,
              int32_t* bytesRead) const override;

    const std::string& error() const override { return error_; }

private:
    bool fail(const std::string& why) const
    {
        error_ = file_->path + ": " + why;
        return false;
    }

    std::shared_ptr<const OpenedFile> file_;
    const StreamData& data_;
    mutable std::string error_;
};

bool StreamImpl::read(int32_t first, int32_t count, void* buffer, size_t bufferSize,
                      int32_t* bytesRead) const
{
    if (bytesRead)
        *bytesRead = 0;
    if (data_.info.fccType != media::kFourCCAuds)
        return fail("only sound streams are read by samples");
    const int64_t sample = static_cast<int64_t>(first) - static_cast<int64_t>(data_.info.dwStart);
    if (count < 0 || sample < 0)
        return fail("cannot read " + std::to_string(count) + " samples from sample " +
                    std::to_string(first) + " (the stream starts at " +
                    std::to_string(data_.info.dwStart) + ")");
    if (count > 0 && !buffer)
        return fail("no buffer to read into");
    const uint64_t align = data_.info.dwSampleSize;
    const uint64_t stored = data_.byteEnds.empty() ? 0 : data_.byteEnds.back();
    uint64_t pos = static_cast<uint64_t>(sample) * align;
    const uint64_t available = pos < stored ? (stored - pos) / align : 0;
    const uint64_t samples = std::min({uint64_t(count), available, uint64_t{bufferSize} / align,
                                       uint64_t{INT32_MAX} / align});
    uint64_t left = samples * align;
    auto* out = static_cast<uint8_t*>(buffer);
    // The chunk holding byte pos: the first whose running end lies beyond it.
    auto chunk = std::upper_bound(data_.byteEnds.begin(), data_.byteEnds.end(), pos);
    while (left > 0) {
        const size_t i = static_cast<size_t>(chunk - data_.byteEnds.begin());
        const detail::ChunkRef& c = data_.chunks[i];
        const uint64_t chunkStart = *chunk - c.size;
        const uint64_t n = std::min<uint64_t>(left, *chunk - pos);
        if (!file_->source->read(c.offset + (pos - chunkStart), out, static_cast<size_t>(n)))
            return fail("sound data at offset " + std::to_string(c.offset) + " cannot be read");
        out += n;
        pos += n;
        left -= n;
        ++chunk;
    }
    if (bytesRead)
        *bytesRead = static_cast<int32_t>(samples * align);
    return true;
}

class FileImpl final : public File {
public:
    explicit FileImpl(std::shared_ptr<const OpenedFile> file) : file_(std::move(file))
    {
        for (const StreamData& s : file_->contents.streams)
            streams_.push_back(std::make_unique<StreamImpl>(file_, s));
    }

    const Stream* stream(uint32_t type, int index) const override
    {
        for (const auto& s : streams_)
            if (s->info().fccType == type && index-- == 0)
                return s.get();
        return nullptr;
    }

private:
    std::shared_ptr<const OpenedFile> file_;
    std::vector<std::unique_ptr<StreamImpl>> streams_;
};

std::unique_ptr<File> openSource(const std::string& path, std::unique_ptr<ByteSource> source,
                                 std::string* error)
{
    auto file = std::make_shared<OpenedFile>();
    file->path = path;
    file->source = std::move(source);
    std::string why;
    if (!detail::parseHeaders(*file->source, &file->contents, &why)) {
        if (error)
            *error = path + ": " + why;
        return nullptr;
    }
    detail::buildIndex(*file->source, &file->contents);
    for (size_t i = 0; i < file->contents.streams.size(); ++i) {
        StreamData& s = file->contents.streams[i];
        if (s.info.fccType == media::kFourCCAuds)
            normaliseSoundHeader(s);
        // Callers number frames and samples in signed 32 bits, up to start + length.
        if (uint64_t{s.info.dwStart} + s.info.dwLength > INT32_MAX) {
            if (error)
                *error = path + ": stream " + std::to_string(i) + ": start " +
                         std::to_string(s.info.dwStart) + " + length " +
                         std::to_string(s.info.dwLength) + " exceeds the numbers a stream can have";
            return nullptr;
        }
    }
    return std::make_unique<FileImpl>(std::move(file));
}

} // namespace

std::unique_ptr<File> File::open(const std::string& path, std::string* error)
{
    auto source = openFileSource(path, error);
    if (!source)
        return nullptr;
    return openSource(path, std::move(source), error);
}

std::unique_ptr<File> File::openMemory(std::vector<uint8_t> bytes, std::string* error)
{
    return openSource("(memory)", memorySource(std::move(bytes)), error);
}

} // namespace avi
