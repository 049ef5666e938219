#include "core/config/SaveXmlAtomically.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pugixml.hpp>

#include "core/base/Log.h"

namespace orvilane
{

namespace
{
// All of the bytes or false with errno set; short writes and EINTR are retried.
bool WriteAll(int fd, const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0)
    {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            if (n == 0)
                errno = EIO;
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Every POSIX file system takes names of this many bytes (_POSIX_NAME_MAX).
constexpr size_t kShortestNameLimit = 14;

std::string Base36(unsigned long value)
{
    std::string digits;
    do
    {
        digits.insert(digits.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[value % 36]);
        value /= 36;
    } while (value > 0);
    return digits;
}

// "." + as much of name as fits + "~" + process and serial tags. Never longer
// than name, nor than kShortestNameLimit: any name the folder takes for the
// target it takes for the temporary file too. The exclusive create settles
// the rare clash of two cut names.
std::string TemporaryName(const std::string& name, unsigned serial)
{
    const std::string tag =
        "~" + Base36(static_cast<unsigned long>(::getpid()) % 60466176ul) + "-" + Base36(serial % 46656u);
    const size_t room = std::max(name.size(), kShortestNameLimit) - 1 - tag.size(); // tag is at most 10 bytes
    size_t keep = std::min(name.size(), room);
    // Not inside a UTF-8 sequence, so the name stays readable.
    while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    return "." + name.substr(0, keep) + tag;
}

// pugixml's output into a byte sink; the first failure is kept and later output dropped.
class SinkWriter : public pugi::xml_writer
{
public:
    explicit SinkWriter(const std::function<bool(const void*, size_t)>& sink) : mSink(sink) {}
    void write(const void* data, size_t size) override
    {
        if (mOk)
            mOk = mSink(data, size);
    }
    bool mOk = true;

private:
    const std::function<bool(const void*, size_t)>& mSink;
};
} // namespace

bool WriteFileAtomically(const std::filesystem::path& path, const FileContentWriter& content)
{
    const std::string shown = path.string();
    std::error_code error;
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(path, error))
    {
        const std::filesystem::path resolved = std::filesystem::canonical(path, error);
        if (!error)
            target = resolved;
    }
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";

    struct stat old = {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode))
    {
        Log::Error("Cannot save %s: it is not a regular file", shown.c_str());
        return false;
    }
    if (replacing && ::access(target.c_str(), W_OK) != 0)
    {
        Log::Error("Cannot save %s: the file is not writable (%s)", shown.c_str(), std::strerror(errno));
        return false;
    }

    // A fresh name per attempt, created exclusively: no other file is ever reused.
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt)
    {
        temp = folder / TemporaryName(target.filename().string(), counter++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
    {
        Log::Error("Cannot save %s: no temporary file can be created in its folder (%s)", shown.c_str(),
                   std::strerror(errno));
        return false;
    }

    const char* failure = nullptr;
    int cause = 0;
    auto fail = [&](const char* what) {
        if (failure == nullptr)
        {
            failure = what;
            cause = errno;
        }
    };
    errno = 0;
    if (!content([fd](const void* data, size_t size) { return WriteAll(fd, data, size); }))
        fail("writing failed");
    else if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0)
        fail("its permissions cannot be kept");
    else if (::fsync(fd) != 0)
        fail("flushing failed");
    if (::close(fd) != 0)
        fail("closing failed");
    if (failure == nullptr && ::rename(temp.c_str(), target.c_str()) != 0)
        fail("the temporary file cannot replace it");
    if (failure != nullptr)
    {
        ::unlink(temp.c_str());
        Log::Error("Cannot save %s: %s (%s); the previous file is kept", shown.c_str(), failure,
                   cause != 0 ? std::strerror(cause) : "incomplete content");
        return false;
    }
    // Makes the rename itself durable; the file is already complete if this fails.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0)
    {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool SaveXmlAtomically(const pugi::xml_document& document, const std::filesystem::path& path)
{
    return WriteFileAtomically(path, [&document](const std::function<bool(const void*, size_t)>& sink) {
        SinkWriter writer(sink);
        document.save(writer, "\t", pugi::format_default, pugi::encoding_auto);
        return writer.mOk;
    });
}

} // namespace orvilane
