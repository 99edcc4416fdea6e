// Native test helpers: a temporary folder removed at the end, whole-file reading and
// writing, running a command. POSIX only (the native build).
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class NativeTempFolder {
public:
    NativeTempFolder() {
        char pattern[] = "/tmp/tvis-codec-XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made ? std::string(made) + "/" : std::string("/tmp/");
    }
    ~NativeTempFolder() {
        std::string command = "rm -rf '" + path_ + "'";
        if (path_ != "/tmp/") (void)std::system(command.c_str());
    }
    NativeTempFolder(const NativeTempFolder&) = delete;
    NativeTempFolder& operator=(const NativeTempFolder&) = delete;
    std::string File(const std::string& name) const { return path_ + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

inline bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

// Runs a shell command; returns its exit status (-1 when it did not exit normally) and its
// standard output and error together in *output.
inline int RunCommand(const std::string& command, std::string* output) {
    output->clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) output->append(chunk, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string Quote(const std::string& text) { return "'" + text + "'"; }

// Real Windows programs that Wine ships, for round trips (those present on this machine).
inline std::vector<std::string> RealPeFiles() {
    const char* const candidates[] = {
        "/usr/lib/i386-linux-gnu/wine/i386-windows/samlib.dll",
        "/usr/lib/i386-linux-gnu/wine/i386-windows/shutdown.exe",
        "/usr/lib/i386-linux-gnu/wine/i386-windows/netprofm.dll",
        "/usr/lib/i386-linux-gnu/wine/i386-windows/winecfg.exe",
        "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/setx.exe",
        "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/xmllite.dll",
        "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/dinput8.dll",
    };
    std::vector<std::string> present;
    for (const char* path : candidates)
        if (FileExists(path)) present.emplace_back(path);
    return present;
}
