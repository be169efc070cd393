#include "ini_file.h"

#include "ini_profile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(size_t(n));
    }
    return true;
}

std::string ParentFolder(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file the path names, through any symbolic links, so that a link stays a link.
std::string ResolveTarget(const std::string& path)
{
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved))
        return resolved;
    return path;
}

// The bytes of the file for an update: "" when it is missing, nullopt when it is there but cannot
// be read (writing it then would lose what it holds).
std::optional<std::string> BytesForUpdate(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? std::optional<std::string>(std::string()) : std::nullopt;
    return ReadFileBytes(path);
}

} // namespace

std::optional<std::string> ReadFileBytes(const std::string& path)
{
    Fd f;
    // Non-blocking so that a FIFO in the file's place cannot hang the open.
    f.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (f.fd < 0)
        return std::nullopt;
    struct stat st;
    if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode) || size_t(st.st_size) > INI_FILE_MAX)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(size_t(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(f.fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        if (bytes.size() + size_t(n) > INI_FILE_MAX)
            return std::nullopt;
        bytes.append(chunk, size_t(n));
    }
    return bytes;
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes)
{
    const std::string target = ResolveTarget(path);
    struct stat old;
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
        return false;

    const std::string folder = ParentFolder(target);
    static std::atomic<unsigned> counter{0};
    std::string temp;
    Fd f;
    for (int attempt = 0; attempt < 16 && f.fd < 0; ++attempt) {
        temp = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        f.fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
        if (f.fd < 0 && errno != EEXIST)
            return false;
    }
    if (f.fd < 0)
        return false;

    bool ok = WriteAll(f.fd, bytes) && ::fsync(f.fd) == 0;
    if (ok && exists) {
        ok = ::fchmod(f.fd, old.st_mode & 07777) == 0;
        if (ok && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()))
            (void)!::fchown(f.fd, old.st_uid, old.st_gid);  // only allowed to some; best effort
    }
    const int fd = f.fd;
    f.fd = -1;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here leaves a valid file either way.
    Fd dir;
    dir.fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir.fd >= 0)
        (void)::fsync(dir.fd);
    return true;
}

std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& fallback, const std::string& path)
{
    const auto bytes = ReadFileBytes(path);
    return IniReadString(bytes ? *bytes : std::string_view(), section, key, fallback);
}

int ReadIniInt(const std::string& section, const std::string& key, int fallback,
               const std::string& path)
{
    const auto bytes = ReadFileBytes(path);
    return IniReadInt(bytes ? *bytes : std::string_view(), section, key, fallback);
}

void WriteIniString(const std::string& section, const std::string& key, const std::string& value,
                    const std::string& path)
{
    WriteIniStrings({IniUpdate{section, key, value}}, path);
}

void WriteIniStrings(const std::vector<IniUpdate>& updates, const std::string& path)
{
    auto bytes = BytesForUpdate(ResolveTarget(path));
    if (!bytes)
        return;
    for (const IniUpdate& u : updates)
        IniWriteString(*bytes, u.section, u.key, u.value);
    WriteFileAtomic(path, *bytes);
}
