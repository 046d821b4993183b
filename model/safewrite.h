#pragma once
// Writing a file so that it is, at every moment, either the old file or the whole new
// one: the bytes go to a temporary file beside the target, which takes the target's
// name only once it is complete and on the disk. Every file the program writes (data
// files, CSV and text outputs, pictures) goes through WriteFileSafely.
//
// - Symbolic links are followed: the file a link names is replaced, the link stays.
// - An existing file keeps its permissions (and its owner and group where we may set
//   them); a new one gets those the umask leaves.
// - A character device or a FIFO (/dev/null, a pipe) is written directly: it has no
//   old content to keep. A folder or a socket is refused.
// - Temporary files are named ".NAME.saving-XXXXXXXX" (NAME the target's file name,
//   X eight letters or digits) and locked while a save writes them. A save first
//   removes the unlocked ones of its own target: those a killed save left behind.
//
// Plain C++ and POSIX, no Qt: the engine, the command-line tool and the windows share it.
#include <string>
#include <string_view>

namespace fem {

// The step that failed.
enum class FileWriteStep {
    LookAtFile,       // the file or a link on the way could not be examined
    TooManyLinks,     // symbolic links in a loop
    NotRegularFile,   // the path names a folder or a socket
    CreateTemporary,  // no new file could be made in the folder
    SetPermissions,
    Write,    // writing, or putting the bytes on the disk, failed (e.g. the disk is full)
    Replace,  // the new file could not take the old one's name
};

// Why a write failed. Message() is the English text "path: reason".
struct FileWriteError {
    std::string path;
    std::string reason;  // e.g. "cannot write the file: No space left on device"
    FileWriteStep step = FileWriteStep::Write;
    int systemError = 0;  // the errno value of the failed system call, 0 when none
    [[nodiscard]] std::string Message() const { return path + ": " + reason; }
};

// Writes bytes to path as described above. Returns false and why when it cannot; the
// old file is then unchanged and no temporary file is left.
[[nodiscard]] bool WriteFileSafely(const std::string& path, std::string_view bytes,
                                   FileWriteError* error = nullptr);

}  // namespace fem
