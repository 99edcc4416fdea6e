// Compression benchmark for the SZDD codec (not a test): for each corpus file, the size
// from our encoder (what `tvispack compress` writes) and from `mscompress`, their ratio,
// the compression time of both, and the in-memory decode speed of our decoder against
// libmspack's SZDD decompressor, measured in the same run; then the totals.
//
// Usage: szdd_bench [FILE...]   (default: the corpus below, the PE files Wine ships)
#include <mspack.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "payload/szdd.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// Real Windows programs and libraries of 50 KB to 4 MB, from Wine's 32-bit and 64-bit
// PE folders (Debian packages wine32 and wine64).
const char* const kWin32Folder = "/usr/lib/i386-linux-gnu/wine/i386-windows/";
const char* const kWin64Folder = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/";
const char* const kCorpus32[] = {"samlib.dll", "shutdown.exe", "schannel.dll", "netprofm.dll",
                                 "rsaenh.dll", "winecfg.exe",  "wldap32.dll",  "msvcr120.dll"};
const char* const kCorpus64[] = {"write.exe",   "setx.exe",    "winemine.exe",
                                 "xmllite.dll", "dinput8.dll", "d3dx9_38.dll"};

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// libmspack over memory: "file names" are pointers to MemoryFile.
struct MemoryFile {
    const uint8_t* data;
    size_t size;
    size_t position;
    Bytes* sink;  // written bytes go here (output files)
};

mspack_file* MemOpen(mspack_system*, const char* name, int) {
    auto* file = reinterpret_cast<MemoryFile*>(const_cast<char*>(name));
    file->position = 0;
    return reinterpret_cast<mspack_file*>(file);
}
void MemClose(mspack_file*) {}
int MemRead(mspack_file* f, void* buffer, int bytes) {
    auto* file = reinterpret_cast<MemoryFile*>(f);
    size_t n = file->size - file->position;
    if (static_cast<size_t>(bytes) < n) n = static_cast<size_t>(bytes);
    std::memcpy(buffer, file->data + file->position, n);
    file->position += n;
    return static_cast<int>(n);
}
int MemWrite(mspack_file* f, void* buffer, int bytes) {
    auto* file = reinterpret_cast<MemoryFile*>(f);
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    file->sink->insert(file->sink->end(), p, p + bytes);
    return bytes;
}
int MemSeek(mspack_file* f, off_t offset, int mode) {
    auto* file = reinterpret_cast<MemoryFile*>(f);
    off_t base = mode == MSPACK_SYS_SEEK_START ? 0
                 : mode == MSPACK_SYS_SEEK_CUR ? static_cast<off_t>(file->position)
                                               : static_cast<off_t>(file->size);
    off_t target = base + offset;
    if (target < 0 || static_cast<size_t>(target) > file->size) return 1;
    file->position = static_cast<size_t>(target);
    return 0;
}
off_t MemTell(mspack_file* f) {
    return static_cast<off_t>(reinterpret_cast<MemoryFile*>(f)->position);
}
void MemMessage(mspack_file*, const char*, ...) {}
void* MemAlloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void MemFree(void* p) { std::free(p); }
void MemCopy(void* from, void* to, size_t bytes) { std::memcpy(to, from, bytes); }

mspack_system memorySystem = {MemOpen,    MemClose, MemRead, MemWrite, MemSeek, MemTell,
                              MemMessage, MemAlloc, MemFree, MemCopy,  nullptr};

// libmspack's decode of an SZDD file in memory; false when it fails.
bool LibmspackDecode(const Bytes& file, Bytes* out) {
    out->clear();
    msszdd_decompressor* szdd = mspack_create_szdd_decompressor(&memorySystem);
    MemoryFile in = {file.data(), file.size(), 0, nullptr};
    MemoryFile sink = {nullptr, 0, 0, out};
    msszddd_header* header = szdd->open(szdd, reinterpret_cast<char*>(&in));
    bool ok =
        header && szdd->extract(szdd, header, reinterpret_cast<char*>(&sink)) == MSPACK_ERR_OK;
    if (header) szdd->close(szdd, header);
    mspack_destroy_szdd_decompressor(szdd);
    return ok;
}

// Repeats `decode` until at least `minSeconds` have passed; returns MB/s of output.
template <typename F>
double DecodeSpeed(size_t outputSize, F decode, double minSeconds = 0.3) {
    int runs = 0;
    Clock::time_point start = Clock::now();
    double elapsed = 0;
    do {
        decode();
        ++runs;
        elapsed = Seconds(start);
    } while (elapsed < minSeconds);
    return static_cast<double>(outputSize) * runs / elapsed / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) files.emplace_back(argv[i]);
    if (files.empty()) {
        for (const char* name : kCorpus32) files.push_back(std::string(kWin32Folder) + name);
        for (const char* name : kCorpus64) files.push_back(std::string(kWin64Folder) + name);
    }
    char folderPattern[] = "/tmp/szdd-bench-XXXXXX";
    const char* folder = mkdtemp(folderPattern);
    if (!folder) {
        std::perror("mkdtemp");
        return 1;
    }
    std::string scratch = std::string(folder) + "/f";

    std::printf("%-14s %10s %10s %10s %8s %8s %8s %9s %9s\n", "file", "size", "ours", "mscompress",
                "saved", "t ours", "t ms", "dec ours", "dec mspack");
    std::printf("%-14s %10s %10s %10s %8s %8s %8s %9s %9s\n", "", "bytes", "bytes", "bytes", "%",
                "s", "s", "MB/s", "MB/s");
    uint64_t totalIn = 0, totalOurs = 0, totalMs = 0;
    double totalOursTime = 0, totalMsTime = 0;
    double oursDecodeTime = 0, mspackDecodeTime = 0;
    int failures = 0;
    for (const std::string& path : files) {
        Bytes data = ReadFile(path);
        std::string name = path.substr(path.find_last_of('/') + 1);
        if (data.empty()) {
            std::printf("%-14s missing\n", name.c_str());
            ++failures;
            continue;
        }
        Clock::time_point start = Clock::now();
        Bytes ours = EncodeSzdd(data.data(), data.size(), SzddLastNameChar(name));
        double oursTime = Seconds(start);

        WriteFile(scratch, data);
        std::remove((scratch + "_").c_str());
        std::string command = "mscompress '" + scratch + "'";
        start = Clock::now();
        int status = std::system(command.c_str());
        double msTime = Seconds(start);
        Bytes theirs = ReadFile(scratch + "_");
        if (status != 0 || theirs.empty()) {
            std::printf("%-14s mscompress failed\n", name.c_str());
            ++failures;
            continue;
        }

        Bytes decoded;
        bool oursOk =
            DecodeSzdd(ours.data(), ours.size(), &decoded) == SzddStatus::kOk && decoded == data;
        Bytes mspackOut;
        bool mspackOk = LibmspackDecode(ours, &mspackOut) && mspackOut == data;
        if (!oursOk || !mspackOk) {
            std::printf("%-14s round trip FAILED (ours %d, libmspack %d)\n", name.c_str(), oursOk,
                        mspackOk);
            ++failures;
            continue;
        }
        double oursSpeed =
            DecodeSpeed(data.size(), [&] { DecodeSzdd(ours.data(), ours.size(), &decoded); });
        double mspackSpeed = DecodeSpeed(data.size(), [&] { LibmspackDecode(ours, &mspackOut); });

        double saved = 100.0 * (1.0 - static_cast<double>(ours.size()) / theirs.size());
        std::printf("%-14s %10zu %10zu %10zu %8.2f %8.3f %8.3f %9.0f %9.0f\n", name.c_str(),
                    data.size(), ours.size(), theirs.size(), saved, oursTime, msTime, oursSpeed,
                    mspackSpeed);
        if (ours.size() >= theirs.size()) ++failures;
        totalIn += data.size();
        totalOurs += ours.size();
        totalMs += theirs.size();
        totalOursTime += oursTime;
        totalMsTime += msTime;
        oursDecodeTime += data.size() / (oursSpeed * 1e6);
        mspackDecodeTime += data.size() / (mspackSpeed * 1e6);
    }
    std::remove(scratch.c_str());
    std::remove((scratch + "_").c_str());
    rmdir(folder);
    if (totalMs > 0) {
        std::printf("%-14s %10llu %10llu %10llu %8.2f %8.3f %8.3f %9.0f %9.0f\n", "total",
                    static_cast<unsigned long long>(totalIn),
                    static_cast<unsigned long long>(totalOurs),
                    static_cast<unsigned long long>(totalMs),
                    100.0 * (1.0 - static_cast<double>(totalOurs) / totalMs), totalOursTime,
                    totalMsTime, totalIn / oursDecodeTime / 1e6, totalIn / mspackDecodeTime / 1e6);
        std::printf("ours / mscompress = %.4f; compression %.1f MB/s ours, %.1f MB/s mscompress\n",
                    static_cast<double>(totalOurs) / totalMs, totalIn / totalOursTime / 1e6,
                    totalIn / totalMsTime / 1e6);
    }
    if (failures) std::printf("%d file(s) failed or were not smaller than mscompress\n", failures);
    return failures ? 1 : 0;
}
