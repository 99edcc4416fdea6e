// make_product_file: writes a stand-in product program file that carries a version
// record, for demos and manual runs of the installer.
//   make_product_file OUT [--size N] [--offset N] [--version TEXT] [--edition TEXT]
//                         [--build N] [--date YYMMDD] [--time H:M:S.C]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/product_file.h"

namespace {

int Usage() {
    std::fprintf(
        stderr,
        "usage: make_product_file OUT [--size N] [--offset N] [--version TEXT]\n"
        "                         [--edition TEXT] [--build N] [--date YYMMDD]\n"
        "                         [--time H:M:S.C]\n"
        "example: make_product_file qelMapE.dll --version 5.3 --build 1250 --date 261210\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') return Usage();
    RecordFields fields;
    unsigned long size = 200000, offset = 4096;
    for (int i = 2; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        const char* value = argv[i + 1];
        if (option == "--size") {
            size = std::strtoul(value, nullptr, 10);
        } else if (option == "--offset") {
            offset = std::strtoul(value, nullptr, 10);
        } else if (option == "--version") {
            fields.versionText = value;
        } else if (option == "--edition") {
            fields.editionText = value;
        } else if (option == "--build") {
            fields.build = static_cast<int32_t>(std::strtol(value, nullptr, 10));
        } else if (option == "--date" && std::strlen(value) == 6) {
            fields.dateChars = value;
        } else if (option == "--time") {
            unsigned h = 0, m = 0, s = 0, c = 0;
            if (std::sscanf(value, "%u:%u:%u.%u", &h, &m, &s, &c) != 4) return Usage();
            fields.hour = static_cast<uint8_t>(h);
            fields.minute = static_cast<uint8_t>(m);
            fields.second = static_cast<uint8_t>(s);
            fields.hundredths = static_cast<uint8_t>(c);
        } else {
            return Usage();
        }
    }
    if (offset == 0 || offset + 148 > size || size > 64u * 1024 * 1024) {
        std::fprintf(stderr,
                     "make_product_file: the record (148 bytes at %lu) must fit in %lu bytes\n",
                     offset, size);
        return 1;
    }
    std::vector<uint8_t> file =
        MakeProductFile(static_cast<uint32_t>(size), static_cast<uint32_t>(offset), fields);
    FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr || std::fwrite(file.data(), 1, file.size(), out) != file.size()) {
        std::fprintf(stderr, "make_product_file: cannot write %s\n", argv[1]);
        if (out != nullptr) std::fclose(out);
        return 1;
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
