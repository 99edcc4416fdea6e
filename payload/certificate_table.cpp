// The PE security directory, read with bounds checks; see certificate_table.h.
#include "payload/certificate_table.h"

#include "payload/byte_order.h"

namespace {

constexpr uint32_t kSecurityDirectory = 4;
constexpr uint32_t kDirectoryEntrySize = 8;

}  // namespace

uint64_t SecurityDirectoryOffset(const uint8_t* image, uint64_t length) {
    if (image == nullptr || !Inside(0, kLfanewOffset + 4, length)) return 0;
    if (image[0] != 'M' || image[1] != 'Z') return 0;
    const uint64_t pe = ReadLe32(image + kLfanewOffset);
    // The signature, the 20-byte file header, then the optional header.
    if (!Inside(pe, 24, length)) return 0;
    if (image[pe] != 'P' || image[pe + 1] != 'E' || image[pe + 2] != 0 || image[pe + 3] != 0) {
        return 0;
    }
    const uint64_t optionalSize = ReadLe16(image + pe + 20);
    const uint64_t optional = pe + 24;
    if (!Inside(optional, optionalSize, length) || optionalSize < 2) return 0;
    const uint16_t magic = ReadLe16(image + optional);
    // NumberOfRvaAndSizes, then the data directories, per header kind.
    uint64_t countField = 0;
    if (magic == kPe32Magic) {
        countField = 92;
    } else if (magic == kPe32PlusMagic) {
        countField = 108;
    } else {
        return 0;
    }
    if (countField + 4 > optionalSize) return 0;
    const uint32_t directories = ReadLe32(image + optional + countField);
    if (directories <= kSecurityDirectory) return 0;
    const uint64_t entry = countField + 4 + uint64_t{kSecurityDirectory} * kDirectoryEntrySize;
    if (entry + kDirectoryEntrySize > optionalSize) return 0;
    return optional + entry;
}

CertificateTable FindCertificateTable(const uint8_t* image, uint64_t length) {
    CertificateTable table;
    const uint64_t entry = SecurityDirectoryOffset(image, length);
    if (entry == 0) return table;
    const uint32_t offset = ReadLe32(image + entry);
    const uint32_t size = ReadLe32(image + entry + 4);
    // Empty, or not the file's last bytes (a table elsewhere, or one that runs past the
    // end): the file is read as unsigned. The table never starts inside the headers.
    if (size == 0 || uint64_t{offset} + size != length || offset <= entry + kDirectoryEntrySize) {
        return table;
    }
    table.present = true;
    table.offset = offset;
    table.size = size;
    table.directoryOffset = entry;
    return table;
}
