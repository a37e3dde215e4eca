// The file class the FILM writer derives from: an unbuffered file over POSIX calls.
// Open for writing (create and truncate), write all bytes or raise, seek from the start,
// current position, close. Failures raise CFileException with the system's error code.
#pragma once

#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <string>

class CFileException : public std::runtime_error {
public:
    enum Cause { none, generic, diskFull, badSeek, accessDenied, fileNotFound };

    // osError: the system's errno (0 when the failure has none, as a short write).
    CFileException(Cause cause, int osError, std::string fileName, const std::string& operation);

    Cause m_cause;
    int m_lOsError;
    std::string m_strFileName;
};

class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        modeCreate = 0x1000, // create, or truncate an existing file
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile(); // closes a file that is still open, without raising

    // Opens path; false (and *osError, if given) when it cannot. Never raises. The path is
    // kept either way, so that a write or seek on a file that failed to open raises an
    // exception naming the file and the open's error. An object that is already open
    // refuses with EBUSY and stays as it was.
    bool Open(const std::string& path, unsigned flags, int* osError = nullptr);
    // Writes all count bytes or raises; a count of 0 writes nothing and cannot fail.
    void Write(const void* data, uint32_t count);
    // Returns the new position. Raises on failure.
    uint64_t Seek(int64_t offset, SeekPosition from);
    uint64_t GetPosition() const;
    // Closes the file; raises if the system reports a failure. Does nothing when not open.
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& GetFilePath() const { return m_strFileName; }

    // Test hook: make the Nth write or seek from now on (1-based, across all CFile
    // objects of the process) fail with osError. 0 switches the fault off. Writes of
    // 0 bytes do not count: they never reach the system. A fault fires once.
    static void InjectWriteFault(int nth, int osError);
    static void InjectSeekFault(int nth, int osError);

private:
    [[noreturn]] void Raise(CFileException::Cause cause, int osError,
                            const char* operation) const;

    int m_fd = -1;
    int m_nOpenError = EBADF; // reported by a write or seek on a file that is not open
    std::string m_strFileName;
};
