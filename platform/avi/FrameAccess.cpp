// Frame access: decodes forward from the nearest key frame at or before the frame
// asked for, and only the next frame when frames are asked for in order.
#include "avi/FrameAccessImpl.h"

#include "avi/FrameDecoder.h"

#include <algorithm>
#include <cstring>

namespace avi::detail {

namespace {

class FrameAccessImpl final : public FrameAccess {
public:
    FrameAccessImpl(std::shared_ptr<const OpenedFile> file, const StreamData& stream,
                    std::unique_ptr<FrameDecoder> decoder)
        : file_(std::move(file)), stream_(stream), decoder_(std::move(decoder))
    {
        const media::BitmapInfoHeader& h = decoder_->output();
        frame_.assign(sizeof h + h.biSizeImage, 0);
        std::memcpy(frame_.data(), &h, sizeof h);
        for (size_t i = 0; i < stream_.chunks.size(); ++i)
            if (stream_.chunks[i].key)
                keys_.push_back(i);
    }

    const uint8_t* getFrame(int32_t n) override
    {
        const int64_t i = static_cast<int64_t>(n) - static_cast<int64_t>(stream_.info.dwStart);
        if (i < 0 || i >= static_cast<int64_t>(stream_.chunks.size())) {
            error_ = file_->path + ": frame " + std::to_string(n) + " is missing (" +
                     std::to_string(stream_.chunks.size()) + " frames stored from frame " +
                     std::to_string(stream_.info.dwStart) + ")";
            return nullptr;
        }
        if (i == current_)
            return frame_.data();
        const int64_t from = firstToDecode(i);
        if (from != current_ + 1 || current_ < 0) {
            decoder_->reset();
            std::fill(frame_.begin() + sizeof(media::BitmapInfoHeader), frame_.end(), 0);
        }
        for (int64_t k = from; k <= i; ++k) {
            std::string why;
            if (!decodeChunk(static_cast<size_t>(k), &why)) {
                current_ = -1;
                error_ = file_->path + ": frame " + std::to_string(k + stream_.info.dwStart) +
                         ": " + why;
                return nullptr;
            }
        }
        current_ = i;
        return frame_.data();
    }

    const std::string& error() const override { return error_; }

private:
    // Where decoding must begin to reach frame i: the frame after the current one when
    // that lies on the way, else the last key frame (or, for independent frames, the
    // last frame with data) at or before i.
    int64_t firstToDecode(int64_t i) const
    {
        int64_t from = 0;
        if (decoder_->dependsOnPrevious()) {
            const auto key = std::upper_bound(keys_.begin(), keys_.end(), static_cast<size_t>(i));
            from = key == keys_.begin() ? 0 : static_cast<int64_t>(*(key - 1));
        } else {
            from = i;
            while (from > 0 && stream_.chunks[static_cast<size_t>(from)].size == 0)
                --from;
        }
        return (current_ >= from && current_ < i) ? current_ + 1 : from;
    }

    bool decodeChunk(size_t k, std::string* why)
    {
        const ChunkRef& c = stream_.chunks[k];
        if (c.size == 0)
            return true; // an empty chunk repeats the previous frame
        const size_t size = std::min<size_t>(c.size, decoder_->maxInputSize());
        input_.resize(size);
        if (!file_->source->read(c.offset, input_.data(), size)) {
            *why = "cannot be read";
            return false;
        }
        return decoder_->decode(input_.data(), size,
                                frame_.data() + sizeof(media::BitmapInfoHeader), why);
    }

    std::shared_ptr<const OpenedFile> file_;
    const StreamData& stream_;
    std::unique_ptr<FrameDecoder> decoder_;
    std::vector<size_t> keys_;
    std::vector<uint8_t> frame_;
    std::vector<uint8_t> input_;
    int64_t current_ = -1; // the frame whose picture frame_ holds
    std::string error_;
};

} // namespace

std::unique_ptr<FrameAccess> openFrameAccess(std::shared_ptr<const OpenedFile> file,
                                             const StreamData& stream, std::string* why)
{
    std::string reason;
    std::unique_ptr<FrameDecoder> decoder;
    if (stream.info.fccType != media::kFourCCVids)
        reason = "not a video stream";
    else
        decoder = makeFrameDecoder(stream.format, &reason);
    if (!decoder) {
        if (why)
            *why = file->path + ": cannot decode the video: " + reason;
        return nullptr;
    }
    return std::make_unique<FrameAccessImpl>(std::move(file), stream, std::move(decoder));
}

} // namespace avi::detail
