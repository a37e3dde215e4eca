#include "file/File.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

class FileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* base = std::getenv("KESTREL_TEST_TMP");
        m_dir = fs::path(base ? base : fs::temp_directory_path().string()) /
                ("file-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        CFile::InjectWriteFault(0, 0);
        CFile::InjectSeekFault(0, 0);
        fs::remove_all(m_dir);
    }
    std::string Path(const char* name) const { return (m_dir / name).string(); }
    static std::string Contents(const std::string& path)
    {
        std::string bytes(fs::file_size(path), '\0');
        std::ifstream(path, std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return bytes;
    }

    fs::path m_dir;
};

constexpr unsigned kCreateWrite = CFile::modeCreate | CFile::modeWrite;

TEST_F(FileTest, WritesSeeksBackAndOverwrites)
{
    const std::string path = Path("a.bin");
    std::ofstream(path) << "an older and longer content";
    CFile file;
    ASSERT_TRUE(file.Open(path, kCreateWrite));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetFilePath(), path);
    file.Write("hello", 5);
    file.Write(nullptr, 0);
    EXPECT_EQ(file.GetPosition(), 5u);
    EXPECT_EQ(file.Seek(1, CFile::begin), 1u);
    file.Write("EL", 2);
    EXPECT_EQ(file.GetPosition(), 3u);
    EXPECT_EQ(file.Seek(0, CFile::end), 5u);
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    file.Close(); // closing twice does nothing
    EXPECT_EQ(Contents(path), "hELlo");
}

TEST_F(FileTest, FailedOpenIsReportedByTheFirstWriteWithNameAndError)
{
    const std::string path = Path("missing/dir/out.cpk");
    CFile file;
    int error = 0;
    EXPECT_FALSE(file.Open(path, kCreateWrite, &error));
    EXPECT_EQ(error, ENOENT);
    file.Write("", 0); // nothing to write cannot fail
    try {
        file.Write("x", 1);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_EQ(e.m_lOsError, ENOENT);
        EXPECT_EQ(e.m_strFileName, path);
        const std::string what = e.what();
        EXPECT_NE(what.find(path), std::string::npos) << what;
        EXPECT_NE(what.find("No such file or directory"), std::string::npos) << what;
    }
    EXPECT_THROW(file.Seek(0, CFile::begin), CFileException);
    EXPECT_THROW((void)file.GetPosition(), CFileException);
}

TEST_F(FileTest, SystemFailuresRaiseWithCauseAndErrno)
{
    struct Case {
        const char* what;
        std::string path;
        unsigned flags;
        CFileException::Cause cause;
        int error;
    };
    const std::string plain = Path("plain.bin");
    std::ofstream(plain) << "x";
    for (const Case& c : {Case{"disk full", "/dev/full", CFile::modeWrite, CFileException::diskFull, ENOSPC},
                          Case{"read-only", plain, CFile::modeRead, CFileException::generic, EBADF}}) {
        CFile file;
        ASSERT_TRUE(file.Open(c.path, c.flags)) << c.what;
        try {
            file.Write("abcd", 4);
            ADD_FAILURE() << c.what << ": no exception";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, c.cause) << c.what;
            EXPECT_EQ(e.m_lOsError, c.error) << c.what;
            EXPECT_EQ(e.m_strFileName, c.path) << c.what;
        }
    }
    CFile file;
    ASSERT_TRUE(file.Open(Path("b.bin"), kCreateWrite));
    try {
        file.Seek(-1, CFile::begin);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::badSeek);
        EXPECT_EQ(e.m_lOsError, EINVAL);
    }
}

TEST_F(FileTest, InjectedFaultsHitTheNthCallOnce)
{
    const std::string path = Path("c.bin");
    CFile file;
    ASSERT_TRUE(file.Open(path, kCreateWrite));
    CFile::InjectWriteFault(3, EIO);
    file.Write("ab", 2);
    file.Write("", 0); // does not count
    file.Write("cd", 2);
    try {
        file.Write("ef", 2);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::generic);
        EXPECT_EQ(e.m_lOsError, EIO);
        EXPECT_EQ(e.m_strFileName, path);
    }
    file.Write("gh", 2); // the fault fired once

    CFile::InjectSeekFault(2, ESPIPE);
    file.Seek(0, CFile::begin);
    EXPECT_THROW(file.Seek(1, CFile::begin), CFileException);
    EXPECT_EQ(file.GetPosition(), 0u); // the failed seek did not move
    file.Seek(0, CFile::end);

    CFile::InjectWriteFault(1, 0); // a short write: disk full without an errno
    try {
        file.Write("ij", 2);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::diskFull);
        EXPECT_EQ(e.m_lOsError, 0);
    }
    CFile::InjectWriteFault(2, EIO);
    CFile::InjectWriteFault(0, 0); // switched off before it fired
    file.Write("kl", 2);
    file.Write("mn", 2);
    file.Close();
    EXPECT_EQ(Contents(path), "abcdghklmn");
}

TEST_F(FileTest, DestructorClosesAndAnOpenFileRefusesASecondOpen)
{
    const auto openDescriptors = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
    };
    const auto before = openDescriptors();
    {
        CFile file;
        ASSERT_TRUE(file.Open(Path("d.bin"), kCreateWrite));
        int error = 0;
        EXPECT_FALSE(file.Open(Path("e.bin"), kCreateWrite, &error));
        EXPECT_EQ(error, EBUSY);
        EXPECT_EQ(file.GetFilePath(), Path("d.bin"));
        file.Write("z", 1);
    }
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(Contents(Path("d.bin")), "z");
    EXPECT_FALSE(fs::exists(Path("e.bin")));
}

} // namespace
