// The certificate table that Authenticode signing tools (osslsigncode, signtool) append to
// a Windows executable: they pad the file with zeros to a multiple of 8 bytes, append the
// table, and point the PE header's security directory (data directory 4) at it, by file
// offset and size. A signed installer therefore no longer ends with its trailer; the
// payload's end is where the table starts, less up to 7 bytes of padding.
//
// The header is read from an image in memory with every field bounds-checked: a damaged
// or hostile header reads as "no table", never as an access outside the image. Portable.
#pragma once

#include <cstdint>

struct CertificateTable {
    bool present = false;  // a non-empty table that ends exactly at the end of the image
    uint32_t offset = 0;   // file offset of the table
    uint32_t size = 0;     // its length in bytes
    // Where the security directory's 8 bytes lie in the image (see SecurityDirectoryOffset),
    // for a packer that removes the table; set when present.
    uint64_t directoryOffset = 0;
};

// The image's certificate table as its PE security directory names it. Not present when
// the image is no PE file (no "MZ", no "PE\0\0" where e_lfanew points, an unknown optional
// header magic), when the directory is missing or empty, or when the table it names does
// not end exactly at the end of the image.
CertificateTable FindCertificateTable(const uint8_t* image, uint64_t length);

// Where the security directory's 8 bytes (offset, size) lie in the image, or 0 when the
// image has none that can be read (the checks of FindCertificateTable before the table's
// own place). For a packer that removes a table.
uint64_t SecurityDirectoryOffset(const uint8_t* image, uint64_t length);
