#include "CSafeFileWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// The file a path names: a symbolic link is replaced at its target, not turned into a file.
std::string ResolvedTarget(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// The temporary's name: the target's with a unique suffix, its last part cut where the folder
// would take no name that long, so that every name the target may have can be written.
std::string TemporaryPattern(const std::string& target) {
    constexpr const char* kSuffix = ".XXXXXX";
    constexpr size_t kSuffixLength = 7;
    const size_t slash = target.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string folder = nameStart == 0 ? std::string(".") : target.substr(0, nameStart);
    const long limit = pathconf(folder.c_str(), _PC_NAME_MAX);
    const size_t longest = limit > long(kSuffixLength) ? size_t(limit) : NAME_MAX;
    std::string name = target.substr(nameStart);
    if (name.size() + kSuffixLength > longest) name.resize(longest - kSuffixLength);
    return target.substr(0, nameStart) + name + kSuffix;
}

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

CSafeFileWriter::CSafeFileWriter(std::string path) : m_path(std::move(path)) {}

CSafeFileWriter::~CSafeFileWriter() { Discard(); }

bool CSafeFileWriter::Fail(int error) {
    if (m_error.empty()) m_error = std::strerror(error ? error : EIO);
    return false;
}

bool CSafeFileWriter::Open() {
    Discard();
    m_error.clear();
    if (m_path.empty()) return Fail(ENOENT);
    const std::string target = ResolvedTarget(m_path);
    mode_t mode = NewFileMode();
    struct stat info;
    if (stat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return Fail(EISDIR);
        if (!S_ISREG(info.st_mode)) return Fail(EINVAL);
        if (access(target.c_str(), W_OK) != 0) return Fail(errno);
        mode = info.st_mode & 07777;
    }
    m_tempPath = TemporaryPattern(target);
    const int fd = mkstemp(m_tempPath.data());
    if (fd < 0) {
        const int error = errno;
        m_tempPath.clear();
        return Fail(error);
    }
    // mkstemp makes the file private; give it the mode the target has or a new file gets.
    fchmod(fd, mode);
    m_file = fdopen(fd, "wb");
    if (!m_file) {
        const int error = errno;
        close(fd);
        Discard();
        return Fail(error);
    }
    m_path = target;
    return true;
}

bool CSafeFileWriter::Write(const void* data, size_t size) {
    if (!m_file) return Fail(EBADF);
    if (size != 0 && std::fwrite(data, 1, size, m_file) != size) return Fail(errno);
    return true;
}

bool CSafeFileWriter::Commit() {
    if (!m_file) return Fail(EBADF);
    bool ok = m_error.empty();
    errno = 0;
    if (std::fflush(m_file) != 0 || std::ferror(m_file)) ok = Fail(errno);
    // A file system that cannot sync this file (EINVAL) has nothing more to write.
    if (ok && fsync(fileno(m_file)) != 0 && errno != EINVAL) ok = Fail(errno);
    if (std::fclose(std::exchange(m_file, nullptr)) != 0 && ok) ok = Fail(errno);
    if (ok && std::rename(m_tempPath.c_str(), m_path.c_str()) != 0) ok = Fail(errno);
    if (!ok) {
        Discard();
        return false;
    }
    m_tempPath.clear();
    return true;
}

void CSafeFileWriter::Discard() {
    if (m_file) std::fclose(std::exchange(m_file, nullptr));
    if (!m_tempPath.empty()) std::remove(m_tempPath.c_str());
    m_tempPath.clear();
}

bool CSafeFileWriter::WriteFile(const std::string& path, const void* data, size_t size,
                                std::string* error) {
    CSafeFileWriter writer(path);
    const bool ok = writer.Open() && writer.Write(data, size) && writer.Commit();
    if (!ok && error) *error = writer.ErrorText();
    return ok;
}

bool CSafeFileWriter::WriteFile(const std::string& path, const std::string& bytes,
                                std::string* error) {
    return WriteFile(path, bytes.data(), bytes.size(), error);
}
