// Host interface on Linux (and other POSIX systems).
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

#include "tools/host.h"

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

bool HostFileLength(const std::string& path, uint64_t* length) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    if (S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fclose(file);
    *length = static_cast<uint64_t>(info.st_size);
    return true;
}

bool HostReplaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool HostRemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

unsigned long HostProcessId() { return static_cast<unsigned long>(getpid()); }
