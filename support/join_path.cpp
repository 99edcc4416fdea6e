// JoinPath and ConcatPath, and the temporary file names and length rule of ReplaceWholeFile: the
// portable half of file access.
#include "support/file_access.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

char joinBuffer[kJoinBufferSize];

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

const char* JoinPath(const char* folder, const char* name) {
    if (name == nullptr || name[0] == '\0') return folder;
    if (folder == nullptr || folder[0] == '\0') return name;

    size_t folderLength = std::strlen(folder);
    bool addSeparator = !IsSeparator(folder[folderLength - 1]);
    const char* tail = IsSeparator(name[0]) ? name + 1 : name;
    size_t tailLength = std::strlen(tail);
    size_t total = folderLength + (addSeparator ? 1 : 0) + tailLength;
    if (total >= kJoinBufferSize) return nullptr;

    std::memcpy(joinBuffer, folder, folderLength);
    size_t length = folderLength;
    if (addSeparator) joinBuffer[length++] = '\\';
    std::memcpy(joinBuffer + length, tail, tailLength);
    joinBuffer[total] = '\0';
    return joinBuffer;
}

bool ConcatPath(char* out, size_t size, const char* first, const char* second, const char* third) {
    if (size == 0) return false;
    size_t length = 0;
    for (const char* part : {first, second, third}) {
        const size_t partLength = std::strlen(part);
        if (partLength >= size - length) {
            out[0] = '\0';
            return false;
        }
        std::memcpy(out + length, part, partLength);
        length += partLength;
    }
    out[length] = '\0';
    return true;
}

void FormatReplaceTempName(uint32_t number, char (&name)[kReplaceTempNameSize]) {
    std::snprintf(name, sizeof name, "%s%x.tmp", kReplaceTempPrefix,
                  static_cast<unsigned>(number & 0xFFFFu));
}

bool FitsReplaceWholeFile(const char* path) {
    size_t length = std::strlen(path);
    if (length == 0 || length >= kFilePathSize) return false;
    size_t folderLength = 2;  // ".\"
    for (size_t i = 0; i < length; ++i) {
        if (IsSeparator(path[i])) folderLength = i + 1;
    }
    // The longest temporary file beside the target must fit as well as the target.
    return folderLength + kReplaceTempNameLength < kFilePathSize;
}
