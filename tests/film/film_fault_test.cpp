#include "FilmTestSupport.h"

#include "file/File.h"
#include "film/FilmFile.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace filmtest;

namespace {

class FilmFault : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_params.frames = 20;
        m_params.soundLength = 30000;
        m_final = WriteMovie(m_dir.file("final.cpk").string(), m_params).film;
        MovieParams appendOnly = m_params;
        appendOnly.writeAudio = false;
        m_appended = WriteMovie(m_dir.file("appended.cpk").string(), appendOnly).film.bytes;
        // Until the table is written its place holds zeros.
        std::fill(m_appended.begin() + 64, m_appended.begin() + m_final.headerLength, 0);
        // Bytes that WriteAudio and WriteSampleTable write over: the table and the chunks.
        m_rewritten.assign(m_final.bytes.size(), false);
        std::fill(m_rewritten.begin() + 64, m_rewritten.begin() + m_final.headerLength, true);
        for (const SampleEntry& e : m_final.entries) {
            if (e.timestamp == kSoundChunkTimestamp) {
                const size_t from = m_final.headerLength + e.offset;
                std::fill(m_rewritten.begin() + static_cast<long>(from),
                          m_rewritten.begin() + static_cast<long>(from + e.length), true);
            }
        }
    }
    void TearDown() override
    {
        CFile::InjectWriteFault(0, 0);
        CFile::InjectSeekFault(0, 0);
    }

    // Runs the movie; returns false when it completed without an exception.
    bool RunFailing(CFileException::Cause cause, int error)
    {
        const std::string path = m_dir.file("fault.cpk").string();
        try {
            WriteMovie(path, m_params);
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, cause);
            EXPECT_EQ(e.m_lOsError, error);
            EXPECT_EQ(e.m_strFileName, path);
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
            m_failed = testsupport::readFileBytes(path);
            return true;
        }
        return false;
    }

    // Before the sound step the file is a prefix of the appended image; after it, it has
    // the full size and differs from the finished movie only in rewritten, still zero bytes.
    void ExpectKeptWhatWasWritten(const std::string& when)
    {
        const std::vector<uint8_t>& file = m_failed;
        ASSERT_LE(file.size(), m_appended.size()) << when;
        if (file.size() < m_appended.size()) {
            EXPECT_TRUE(std::equal(file.begin(), file.end(), m_appended.begin())) << when;
            return;
        }
        for (size_t i = 0; i < file.size(); ++i) {
            if (file[i] != m_final.bytes[i]) {
                ASSERT_TRUE(m_rewritten[i] && file[i] == 0) << when << ", byte " << i;
            }
        }
    }

    TempDir m_dir;
    MovieParams m_params;
    ParsedFilm m_final;
    std::vector<uint8_t> m_appended;
    std::vector<bool> m_rewritten;
    std::vector<uint8_t> m_failed;
};

TEST_F(FilmFault, FailedWriteRaisesAndKeepsWhatWasWritten)
{
    size_t lastSize = 0;
    int n = 1;
    for (;; ++n) {
        CFile::InjectWriteFault(n, ENOSPC);
        if (!RunFailing(CFileException::diskFull, ENOSPC)) {
            break;
        }
        const std::string when = "write " + std::to_string(n);
        ExpectKeptWhatWasWritten(when);
        EXPECT_GE(m_failed.size(), lastSize) << when;
        lastSize = m_failed.size();
    }
    // Header (3), placeholder, first chunk, 20 frames, 4 chunks; 5 chunks filled; the table.
    EXPECT_EQ(n, 36);
    CFile::InjectWriteFault(0, 0);
}

TEST_F(FilmFault, FailedSeekRaisesAndKeepsWhatWasWritten)
{
    int n = 1;
    for (;; ++n) {
        CFile::InjectSeekFault(n, EIO);
        if (!RunFailing(CFileException::badSeek, EIO)) {
            break;
        }
        EXPECT_EQ(m_failed.size(), m_final.bytes.size());
        ExpectKeptWhatWasWritten("seek " + std::to_string(n));
    }
    EXPECT_EQ(n, 7); // one per sound chunk, one for the table
    CFile::InjectSeekFault(0, 0);
}

TEST_F(FilmFault, UnopenedFileFailsAtTheFirstHeaderWrite)
{
    CFilmFile writer;
    const std::string path = m_dir.file("no/such/dir/x.cpk").string();
    EXPECT_FALSE(writer.Open(path, CFile::modeCreate | CFile::modeWrite));
    writer.InitHeader();
    writer.SetVideoInfo(1, 15, 1, media::BitmapInfoHeader{});
    writer.SetAudioInfo(0, media::WaveFormatEx{});
    try {
        writer.WriteHeader();
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_lOsError, ENOENT);
        EXPECT_EQ(e.m_strFileName, path);
    }
}

} // namespace
