#include "model/safewrite.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <exception>
#include <random>
#include <utility>

namespace fem {

namespace {

constexpr int kMaxLinkHops = 40;
// At most this much of the target's name goes into a temporary file's name, which
// then stays within the 255 bytes a file name may have.
constexpr size_t kLongestNameKept = 200;
constexpr char kSavingMark[] = ".saving-";
constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kLetterCount = sizeof kLetters - 1;
constexpr size_t kRandomLetters = 8;
constexpr int kNameAttempts = 100;

void SystemFailure(FileWriteError& why, FileWriteStep step, const std::string& what, int number) {
    why.step = step;
    why.systemError = number;
    why.reason = what + ": " + std::strerror(number);
}

// Follows symbolic links from path to the file they name, so that saving replaces
// that file and keeps the links. A path that does not exist names a new file.
bool FollowLinks(const std::string& path, std::string& target, FileWriteError& why) {
    target = path;
    for (int hops = 0; hops < kMaxLinkHops; ++hops) {
        struct stat st {};
        if (lstat(target.c_str(), &st) != 0) {
            if (errno == ENOENT) return true;
            SystemFailure(why, FileWriteStep::LookAtFile, "cannot look at the file", errno);
            return false;
        }
        if (!S_ISLNK(st.st_mode)) return true;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = readlink(target.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) {
            SystemFailure(why, FileWriteStep::LookAtFile, "cannot read the symbolic link " + target,
                          n < 0 ? errno : ENAMETOOLONG);
            return false;
        }
        link.resize(static_cast<size_t>(n));
        const size_t slash = target.rfind('/');
        if (link.front() != '/' && slash != std::string::npos)
            link = target.substr(0, slash + 1) + link;
        target = link;
    }
    why.step = FileWriteStep::TooManyLinks;
    why.reason = "too many symbolic links";
    return false;
}

// ".NAME.saving-": what the names of NAME's temporary files start with. A long name is
// cut, and a checksum (64-bit FNV-1a) of the whole name keeps apart two long names
// that start alike.
std::string TemporaryStem(const std::string& name) {
    if (name.size() <= kLongestNameKept) return "." + name + kSavingMark;
    std::uint64_t hash = 14695981039346656037ULL;
    for (const unsigned char c : name) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    std::string kept = name.substr(0, kLongestNameKept - 17) + "~";
    for (int shift = 60; shift >= 0; shift -= 4)
        kept.push_back("0123456789abcdef"[(hash >> shift) & 15]);
    return "." + kept + kSavingMark;
}

bool IsTemporaryName(const std::string& name, const std::string& stem) {
    if (name.size() != stem.size() + kRandomLetters || name.compare(0, stem.size(), stem) != 0)
        return false;
    for (size_t i = stem.size(); i < name.size(); ++i)
        if (std::strchr(kLetters, name[i]) == nullptr) return false;
    return true;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes the temporary files of one target that a killed save left in folder. A save
// in progress holds its file locked, so only files that no process holds are removed;
// the lock is released by the system when a process ends, however it ends.
void RemoveLeftovers(const std::string& folder, const std::string& stem) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (!IsTemporaryName(name, stem)) continue;
        const std::string path = folder + name;
        // Opened only to be locked: for writing where it may not be read (it has the
        // permissions of the file it was to replace).
        int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == EACCES)
            fd = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened {};
        struct stat named {};
        if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            flock(fd, LOCK_EX | LOCK_NB) == 0 && lstat(path.c_str(), &named) == 0 &&
            SameFile(opened, named))
            unlink(path.c_str());
        close(fd);
    }
    closedir(dir);
}

// A seed that differs between processes and between calls.
unsigned RandomSeed() {
    auto seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                (static_cast<unsigned>(getpid()) << 16);
    try {
        std::random_device device;
        seed ^= device();
    } catch (const std::exception&) {
        // No random source: the clock and the process number still differ.
    }
    return seed;
}

// Creates a new, empty file stem + random letters and locks it, so that no other save
// takes it for a leftover. Returns its descriptor, or -1 with errno set.
int CreateTemporary(const std::string& stem, mode_t mode, std::string& temp) {
    std::mt19937 rng(RandomSeed());
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temp = stem;
        for (size_t c = 0; c < kRandomLetters; ++c) temp.push_back(kLetters[rng() % kLetterCount]);
        const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return -1;
        }
        int locked = flock(fd, LOCK_EX);
        while (locked != 0 && errno == EINTR) locked = flock(fd, LOCK_EX);
        // Where the file system has no locks, no save removes another's file either.
        if (locked != 0) return fd;
        // Another save's clean-up may have removed the file in the moment before the
        // lock: then the name is gone, and another one is tried.
        struct stat opened {};
        struct stat named {};
        if (fstat(fd, &opened) == 0 && lstat(temp.c_str(), &named) == 0 && SameFile(opened, named))
            return fd;
        close(fd);
    }
    errno = EEXIST;
    return -1;
}

// Writes all of bytes; false with errno set when the system refuses.
bool WriteAll(int fd, std::string_view bytes) {
    for (size_t written = 0; written < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
        } else if (n == 0) {
            errno = EIO;
            return false;
        } else if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

// A device or a FIFO is written as it is: there is no old content to keep whole.
bool WriteDirectly(const std::string& target, std::string_view bytes, FileWriteError& why) {
    const int fd = open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        SystemFailure(why, FileWriteStep::Write, "cannot open the file for writing", errno);
        return false;
    }
    const bool written = WriteAll(fd, bytes);
    const int number = errno;
    if (close(fd) != 0 && written) {
        SystemFailure(why, FileWriteStep::Write, "cannot write the file", errno);
        return false;
    }
    if (!written) SystemFailure(why, FileWriteStep::Write, "cannot write the file", number);
    return written;
}

bool ReplaceFile(const std::string& path, std::string_view bytes, FileWriteError& why) {
    std::string target;
    if (!FollowLinks(path, target, why)) return false;
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        SystemFailure(why, FileWriteStep::LookAtFile, "cannot look at the file", errno);
        return false;
    }
    if (exists && (S_ISCHR(old.st_mode) || S_ISFIFO(old.st_mode)))
        return WriteDirectly(target, bytes, why);
    if (exists && !S_ISREG(old.st_mode)) {
        why.step = FileWriteStep::NotRegularFile;
        why.reason = "cannot replace it: not a regular file";
        return false;
    }
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string stem = TemporaryStem(target.substr(folder.size()));
    // First the leftovers, which may be what filled the disk.
    RemoveLeftovers(folder, stem);

    std::string temp;
    // Private until its permissions are set, when it replaces an existing file.
    const int fd = CreateTemporary(folder + stem, exists ? 0600 : 0666, temp);
    if (fd < 0) {
        SystemFailure(why, FileWriteStep::CreateTemporary,
                      "cannot create a temporary file in its folder", errno);
        return false;
    }
    bool failed = false;
    auto fail = [&](FileWriteStep step, const char* what) {
        SystemFailure(why, step, what, errno);
        failed = true;
    };
    if (exists) {
        if (fchown(fd, old.st_uid, old.st_gid) != 0 &&
            fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // Another owner or group is not ours to give: the file gets ours.
        }
        if (fchmod(fd, old.st_mode & 07777) != 0)
            fail(FileWriteStep::SetPermissions, "cannot set the permissions");
    }
    if (!failed && !WriteAll(fd, bytes)) fail(FileWriteStep::Write, "cannot write the file");
    if (!failed && fsync(fd) != 0) fail(FileWriteStep::Write, "cannot write the file to the disk");
    // Renamed while still open and locked, so that no other save's clean-up takes it.
    if (!failed && rename(temp.c_str(), target.c_str()) != 0)
        fail(FileWriteStep::Replace, "cannot replace the file");
    if (failed) unlink(temp.c_str());
    close(fd);  // the bytes are on the disk: fsync has reported any failure
    if (failed) return false;
    // The new name on the disk too; a failure here leaves the file complete.
    const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

}  // namespace

bool WriteFileSafely(const std::string& path, std::string_view bytes, FileWriteError* error) {
    FileWriteError why;
    why.path = path;
    if (ReplaceFile(path, bytes, why)) return true;
    if (error) *error = std::move(why);
    return false;
}

}  // namespace fem
