// Normalising folder texts; see folder_text.h.
#include "app/folder_text.h"

#include <cctype>
#include <cstring>

void NormaliseFolderText(char* text) {
    char* exe = std::strstr(text, ".exe");
    if (exe != nullptr) exe[4] = '\0';

    size_t length = std::strlen(text);
    if (length <= 4) return;
    static const char kMapy[] = "mapy";
    char* tail = text + length - 5;
    for (int i = 0; i < 4; ++i) {
        if (std::tolower(static_cast<unsigned char>(tail[i])) != kMapy[i]) return;
    }
    if (tail[4] == '\\' || tail[4] == '/') *tail = '\0';
}

void RemoveTrailingSeparator(char* text) {
    size_t length = std::strlen(text);
    if (length <= 2) return;
    if (text[length - 1] == '\\' || text[length - 1] == '/') text[length - 1] = '\0';
}
