// Host interface on Linux (and other POSIX systems).
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "tools/host.h"

namespace {

// What a path that is no plain file names, for a refusal.
std::string NotAFile(mode_t mode) {
    if (S_ISDIR(mode)) return "it is a folder, not a file";
    if (S_ISFIFO(mode)) return "it is a named pipe (FIFO), not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a file";
    if (S_ISSOCK(mode)) return "it is a socket, not a file";
    return "it is not a plain file";
}

}  // namespace

std::vector<std::string> HostArguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

std::string HostOwnFolder() {
    std::vector<char> buffer(4096);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return std::string();
    std::string path(buffer.data(), static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

FILE* HostOpenFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

bool HostOpenInputFile(const std::string& path, FILE** file, uint64_t* length, std::string* error) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = NotAFile(info.st_mode);
        return false;
    }
    // Without blocking, and checked again through the descriptor: the name may have been
    // replaced by a pipe since the stat.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = NotAFile(info.st_mode);
        close(fd);
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    *file = fdopen(fd, "rb");
    if (!*file) {
        *error = std::strerror(errno);
        close(fd);
        return false;
    }
    *length = static_cast<uint64_t>(info.st_size);
    return true;
}

FILE* HostBinaryStdin() { return stdin; }

FILE* HostBinaryStdout() { return stdout; }

void HostWriteText(FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

bool HostReplaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool HostRemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

unsigned long HostProcessId() { return static_cast<unsigned long>(getpid()); }
