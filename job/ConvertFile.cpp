#include "job/ConvertFile.h"

#include "avi/AviFile.h"
#include "cinepak/Compressor.h"
#include "film/FilmFile.h"
#include "job/CopyFrame.h"
#include "job/DataRates.h"
#include "job/FileSummary.h"
#include "job/JobPaths.h"
#include "job/Preview.h"
#include "job/SoundPlan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <vector>

namespace job {
namespace {

constexpr char kUndecodableMessage[] = "Unable to decompress; possibly non-'cvid' compression.";

// Ends the file in hand: the cause is reported and the incomplete output removed.
class FileFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

bool Stopped(ConverterWindow& window) { return window.stopFlag().load() != 0; }

// The reader's reasons may name the file already; the window's report names it once.
std::string WithoutPath(const std::string& why, const std::string& path)
{
    const std::string prefix = path + ": ";
    return why.rfind(prefix, 0) == 0 ? why.substr(prefix.size()) : why;
}

// The video facts of a file that the frame loop needs.
struct VideoPlan {
    const avi::Stream* stream = nullptr;
    media::BitmapInfo outputFormat;
    int32_t imageSize = 0; // row size x height, of the stream's own format
    int32_t first = 0;
    int32_t count = 0;
    uint32_t rate = 0;
    uint32_t scale = 0;
    size_t bufferSize = 0; // the working frame buffer: every delivered frame fits
};

VideoPlan PlanVideo(const avi::Stream& stream)
{
    VideoPlan plan;
    plan.stream = &stream;
    media::BitmapInfoHeader format = stream.videoFormat();
    // Frames are delivered bottom-up whatever the stored order, so the movie's height is
    // the absolute one; a negative height would also make every size below negative.
    format.biHeight = format.biHeight < 0 ? -format.biHeight : format.biHeight;
    const int64_t rowSize = media::dibRowSize(format.biBitCount, format.biWidth);
    plan.imageSize = static_cast<int32_t>(rowSize * format.biHeight);
    format.biSizeImage = static_cast<uint32_t>(plan.imageSize);
    plan.outputFormat.bmiHeader = format;

    // Palettised and Cinepak streams deliver 24-bit frames, the others their own depth.
    const int64_t deliveredRow =
        media::dibRowSize(std::max<int64_t>(24, format.biBitCount), format.biWidth);
    plan.bufferSize = static_cast<size_t>(sizeof(media::BitmapInfo) + deliveredRow * format.biHeight);

    plan.first = stream.start();
    plan.count = std::max(stream.length(), 0);
    plan.rate = stream.info().dwRate;
    plan.scale = stream.info().dwScale;
    return plan;
}

class FileConversion {
public:
    FileConversion(ConverterWindow& window, CFilmFile& writer, int quality, std::string input)
        : window_(window), writer_(writer), quality_(quality), input_(std::move(input)),
          output_(OutputPathFor(input_))
    {
    }

    // False when the file failed after its output was created and the writer may hold
    // the failed file's state.
    bool Run();

private:
    bool OpenInputAndOutput();
    void WriteMovie();
    void DescribeMovie();
    bool ConvertFrames(const PreviewRect& area);
    void ConvertFrame(avi::FrameAccess& frames, const PreviewRect& area, int32_t n,
                      std::vector<uint8_t>& buffer, RateState& rates, const RateInputs& rateInputs);
    void WriteSound();
    void Finish(const RateState& rates);
    void Abandon(const std::string& cause);

    ConverterWindow& window_;
    CFilmFile& writer_;
    const int quality_;
    const std::string input_;
    const std::string output_;

    std::unique_ptr<avi::File> avi_;
    VideoPlan video_;
    SoundPlan sound_;
    cinepak::Compressor compressor_;
    int32_t framesWritten_ = 0;
    bool stopped_ = false;
};

bool FileConversion::Run()
{
    if (!OpenInputAndOutput())
        return true;
    try {
        WriteMovie();
        return true;
    } catch (const FileFailure& e) {
        Abandon(e.what());
    } catch (const CFileException& e) {
        Abandon(e.what());
    } catch (const FilmFormatError& e) {
        Abandon(std::string("the movie cannot be written: ") + e.what());
    } catch (const cinepak::CompressError& e) {
        Abandon("frame " + std::to_string(video_.first + framesWritten_) +
                " cannot be compressed: " + e.what());
    } catch (const std::bad_alloc&) {
        Abandon("out of memory");
    } catch (const std::exception& e) {
        Abandon(e.what());
    }
    return false;
}

// Opens the input and creates the output; false when the file ends here.
bool FileConversion::OpenInputAndOutput()
{
    std::string why;
    avi_ = avi::File::open(input_, &why);
    if (!avi_) {
        window_.reportSkipped(input_, WithoutPath(why, input_));
        return false;
    }
    const avi::Stream* video = avi_->stream(media::kFourCCVids);
    if (video && (video->info().dwRate == 0 || video->info().dwScale == 0)) {
        window_.reportFailure(input_, "the video stream's rate or scale is 0");
        return false;
    }
    if (output_ == input_ || SameFile(input_, output_)) {
        window_.reportFailure(input_, "the output " + output_ + " would overwrite the input");
        return false;
    }
    int osError = 0;
    if (!writer_.Open(output_, CFile::modeCreate | CFile::modeWrite, &osError)) {
        window_.reportFailure(input_, "cannot create " + output_ + ": " + std::strerror(osError));
        return false;
    }
    if (!video) {
        writer_.Close();
        window_.reportSkipped(input_, "no video stream; " + output_ + " is left empty");
        return false;
    }
    video_ = PlanVideo(*video);
    return true;
}

void FileConversion::WriteMovie()
{
    const avi::Stream* soundStream = avi_->stream(media::kFourCCAuds);
    writer_.InitHeader();
    std::vector<uint8_t> buffer(video_.bufferSize);
    const int64_t end = int64_t{video_.first} + video_.count;
    window_.setProgressRange(video_.first,
                             static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX)));
    window_.setProgressStep(1);
    std::string dropped;
    sound_ = PlanSound(soundStream, &dropped);
    if (!dropped.empty())
        window_.reportWarning(input_, "converted without sound: " + dropped);
    DescribeMovie();
    writer_.WriteHeader();

    const PreviewRect area = PreparePreview(window_);
    std::string why;
    std::unique_ptr<avi::FrameAccess> frames = video_.stream->openFrames(&why);
    if (!frames) {
        buffer = {};
        writer_.WriteSampleTable();
        writer_.Close();
        avi_.reset();
        window_.messageBox(kUndecodableMessage);
        return;
    }

    RateState rates;
    const RateInputs rateInputs{video_.rate, video_.scale, sound_.bytesPerSecond, video_.first};
    for (int64_t n = video_.first; n < int64_t{video_.first} + video_.count; ++n) {
        if (Stopped(window_)) {
            stopped_ = true;
            break;
        }
        ConvertFrame(*frames, area, static_cast<int32_t>(n), buffer, rates, rateInputs);
    }
    buffer = {};
    frames.reset();

    if (!Stopped(window_) && sound_.stream)
        WriteSound();
    else if (sound_.stream)
        stopped_ = true;
    Finish(rates);
}

// SetVideoInfo and SetAudioInfo; sound the writer refuses is left out, with a warning.
void FileConversion::DescribeMovie()
{
    writer_.SetVideoInfo(static_cast<uint32_t>(video_.count), video_.rate, video_.scale,
                         video_.outputFormat.bmiHeader);
    if (!sound_.stream) {
        writer_.SetAudioInfo(0, sound_.format);
        return;
    }
    try {
        writer_.SetAudioInfo(sound_.bytes, sound_.format);
    } catch (const FilmFormatError& e) {
        window_.reportWarning(input_, "converted without sound: " + DescribeSound(sound_.format) +
                                          " cannot be written (" + e.what() + ")");
        sound_ = SoundPlan{};
        writer_.InitHeader();
        writer_.SetVideoInfo(static_cast<uint32_t>(video_.count), video_.rate, video_.scale,
                             video_.outputFormat.bmiHeader);
        writer_.SetAudioInfo(0, sound_.format);
    }
}

void FileConversion::ConvertFrame(avi::FrameAccess& frames, const PreviewRect& area, int32_t n,
                                  std::vector<uint8_t>& buffer, RateState& rates,
                                  const RateInputs& rateInputs)
{
    const uint8_t* frame = frames.getFrame(n);
    if (!frame)
        throw FileFailure("frame " + std::to_string(n) + " cannot be read: " +
                          WithoutPath(frames.error(), input_));
    if (!CopyFrame(buffer.data(), buffer.size(), frame))
        throw FileFailure("frame " + std::to_string(n) + " is larger than the video format says");
    DrawPreview(window_, buffer.data(), area);

    media::BitmapInfoHeader in;
    std::memcpy(&in, buffer.data(), sizeof in);
    int32_t size = video_.imageSize / 2;
    const std::vector<uint8_t> block = compressor_.compress(
        in, buffer.data() + sizeof in, video_.outputFormat.bmiHeader, quality_, size);
    if (size <= 0 || block.size() < sizeof in || block.size() - sizeof in < static_cast<size_t>(size))
        throw FileFailure("the compressor returned no frame for frame " + std::to_string(n));

    UpdateDataRates(window_, rates, rateInputs, size, n);
    writer_.WriteVideoFrame(block.data() + sizeof in, static_cast<uint32_t>(size));
    ++framesWritten_;
    window_.stepProgress();
}

void FileConversion::WriteSound()
{
    std::vector<uint8_t> sound = ReadSound(sound_, input_);
    writer_.WriteAudio(sound.data(), static_cast<uint32_t>(sound.size()));
}

void FileConversion::Finish(const RateState& rates)
{
    writer_.WriteSampleTable();
    writer_.Close();
    avi_.reset();

    FileSummary summary;
    summary.inputPath = input_;
    summary.outputPath = output_;
    summary.stopped = stopped_;
    summary.framesWritten = framesWritten_;
    summary.frameCount = video_.count;
    summary.width = video_.outputFormat.bmiHeader.biWidth;
    summary.height = video_.outputFormat.bmiHeader.biHeight;
    summary.rate = video_.rate;
    summary.scale = video_.scale;
    if (sound_.stream) {
        summary.soundChannels = sound_.format.nChannels;
        summary.soundBits = sound_.format.wBitsPerSample;
        summary.soundRate = sound_.format.nSamplesPerSec;
    }
    std::error_code error;
    summary.outputBytes = std::filesystem::file_size(output_, error);
    summary.averageBytesPerSecond = rates.average;
    summary.peakBytesPerSecond = rates.peak;
    window_.fileFinished(summary);
}

void FileConversion::Abandon(const std::string& cause)
{
    try {
        writer_.Close();
    } catch (const std::exception&) {
        // The file is removed below; a failed close changes nothing about that.
    }
    avi_.reset();
    std::error_code error;
    std::filesystem::remove(output_, error);
    window_.reportFailure(input_, cause);
}

} // namespace

void ConvertFile(ConverterWindow& window, std::unique_ptr<CFilmFile>& writer, int quality,
                 TreeItem directory, TreeItem file)
{
    window.setProgressPos(0);
    window.invalidatePreview();
    window.selectItem(file);
    const std::string input = JoinInputPath(window.itemText(directory), window.itemText(file));
    window.setStoredFilename(input);
    window.setFilenameText(input);

    bool writerClean = true;
    try {
        FileConversion conversion(window, *writer, quality, input);
        writerClean = conversion.Run();
    } catch (const std::exception& e) {
        writerClean = false;
        window.reportFailure(input, e.what());
    }
    if (!writerClean)
        writer = std::make_unique<CFilmFile>();
}

} // namespace job
