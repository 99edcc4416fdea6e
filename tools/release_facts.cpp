// Helpers of the deployment files; see release_facts.h.
#include "tools/release_facts.h"

std::string AsciiLine(const std::string& text) {
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            line += static_cast<char>(c);
        } else if (c < 0x80 || c >= 0xC0) {
            // A control character, or the lead byte of a sequence whose continuation bytes
            // (0x80-0xBF) are then dropped: one "?" per character.
            line += '?';
        }
    }
    return line;
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReleaseName(const RecordReport& record) {
    return record.versionText + " build " + std::to_string(record.build);
}

std::string WindowsLines(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}
