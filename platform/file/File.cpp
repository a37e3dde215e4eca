// CFile over POSIX descriptors.
#include "file/File.h"

#include <atomic>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace {

// Countdowns of the test hooks: 0 = off; otherwise the call that sees 1 fails.
std::atomic<int> g_writeFaultCountdown{0};
std::atomic<int> g_writeFaultError{0};
std::atomic<int> g_seekFaultCountdown{0};
std::atomic<int> g_seekFaultError{0};

// Consumes one call of a fault countdown; true when this call is the one to fail.
bool TakeFault(std::atomic<int>& countdown)
{
    int n = countdown.load();
    while (n > 0 && !countdown.compare_exchange_weak(n, n - 1)) {
    }
    return n == 1;
}

const char* CauseText(CFileException::Cause cause)
{
    switch (cause) {
    case CFileException::diskFull: return "disk full";
    case CFileException::badSeek: return "bad seek";
    case CFileException::accessDenied: return "access denied";
    case CFileException::fileNotFound: return "file not found";
    case CFileException::none:
    case CFileException::generic: break;
    }
    return "failed";
}

std::string Describe(CFileException::Cause cause, int osError, const std::string& fileName,
                     const std::string& operation)
{
    std::string text = "cannot " + operation + " '" + fileName + "': ";
    if (osError != 0) {
        text += std::system_category().message(osError) + " (errno " + std::to_string(osError) + ")";
    } else {
        text += CauseText(cause);
    }
    return text;
}

CFileException::Cause CauseOf(int osError)
{
    switch (osError) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return CFileException::diskFull;
    case EACCES:
    case EPERM:
    case EROFS: return CFileException::accessDenied;
    case ENOENT:
    case ENOTDIR: return CFileException::fileNotFound;
    default: return CFileException::generic;
    }
}

} // namespace

CFileException::CFileException(Cause cause, int osError, std::string fileName,
                               const std::string& operation)
    : std::runtime_error(Describe(cause, osError, fileName, operation)),
      m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName))
{
}

CFile::~CFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool CFile::Open(const std::string& path, unsigned flags, int* osError)
{
    if (m_fd >= 0) {
        if (osError) {
            *osError = EBUSY;
        }
        return false;
    }
    int oflags = O_CLOEXEC;
    if (flags & modeReadWrite) {
        oflags |= O_RDWR;
    } else if (flags & modeWrite) {
        oflags |= O_WRONLY;
    } else {
        oflags |= O_RDONLY;
    }
    if (flags & modeCreate) {
        oflags |= O_CREAT | O_TRUNC;
    }
    m_strFileName = path;
    int fd;
    do {
        fd = ::open(path.c_str(), oflags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_nOpenError = errno;
        if (osError) {
            *osError = m_nOpenError;
        }
        return false;
    }
    m_fd = fd;
    m_nOpenError = EBADF;
    return true;
}

void CFile::Raise(CFileException::Cause cause, int osError, const char* operation) const
{
    throw CFileException(cause, osError, m_strFileName, operation);
}

void CFile::Write(const void* data, uint32_t count)
{
    if (count == 0) {
        return;
    }
    if (m_fd < 0) {
        Raise(CauseOf(m_nOpenError), m_nOpenError, "write to");
    }
    if (TakeFault(g_writeFaultCountdown)) {
        const int fault = g_writeFaultError;
        Raise(fault != 0 ? CauseOf(fault) : CFileException::diskFull, fault, "write to");
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (count > 0) {
        ssize_t written = ::write(m_fd, bytes, count);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            int error = errno;
            Raise(CauseOf(error), error, "write to");
        }
        if (written == 0) {
            Raise(CFileException::diskFull, 0, "write to");
        }
        bytes += written;
        count -= static_cast<uint32_t>(written);
    }
}

uint64_t CFile::Seek(int64_t offset, SeekPosition from)
{
    if (m_fd < 0) {
        Raise(CFileException::badSeek, m_nOpenError, "seek in");
    }
    if (TakeFault(g_seekFaultCountdown)) {
        Raise(CFileException::badSeek, g_seekFaultError, "seek in");
    }
    const int whence = from == begin ? SEEK_SET : from == current ? SEEK_CUR : SEEK_END;
    off_t position = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (position < 0) {
        const int error = errno;
        Raise(CFileException::badSeek, error, "seek in");
    }
    return static_cast<uint64_t>(position);
}

uint64_t CFile::GetPosition() const
{
    if (m_fd < 0) {
        Raise(CFileException::generic, m_nOpenError, "get the position in");
    }
    off_t position = ::lseek(m_fd, 0, SEEK_CUR);
    if (position < 0) {
        const int error = errno;
        Raise(CFileException::generic, error, "get the position in");
    }
    return static_cast<uint64_t>(position);
}

void CFile::Close()
{
    if (m_fd < 0) {
        return;
    }
    // The descriptor is gone after close() whatever it reports, EINTR included.
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        const int error = errno;
        Raise(CauseOf(error), error, "close");
    }
}

void CFile::InjectWriteFault(int nth, int osError)
{
    g_writeFaultError = osError;
    g_writeFaultCountdown = nth > 0 ? nth : 0;
}

void CFile::InjectSeekFault(int nth, int osError)
{
    g_seekFaultError = osError;
    g_seekFaultCountdown = nth > 0 ? nth : 0;
}
