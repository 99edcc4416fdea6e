// Reason codes of the payload extraction (kpr): 0 for success, otherwise the step that
// failed. The dialog shows a non-zero code as eight hex digits ("0000.0014" for 20).
#pragma once

#include <cstdint>

enum PayloadReason : int32_t {
    kPayloadOk = 0,
    kOwnFileUnreadable = 1,     // the installer's own file cannot be opened
    kInstallerTooLong = 2,      // longer than 4,000,000 bytes
    kInstallerTooShort = 3,     // shorter than 1,000,000 bytes
    kNoPayloadBuffer = 4,       // no buffer of the file's length
    kTrailerCheckMismatch = 5,  // the trailer's check word does not match its fields
    kTrailerSumMismatch = 6,    // start + lengths + 20 is not the file's length
    kPayloadDamaged = 7,        // a compressed file differs from its CRC-32 in the
                                // integrity block (payload/integrity_block.h)
    kStaleTvisxWcp = 10,
    kStaleTvislvWcp = 11,
    kStaleQelmapeWcp = 12,
    kQelmapeWcpWrongLength = 20,
    kTvislvWcpWrongLength = 21,
    kTvisxWcpWrongLength = 22,
    kStaleTvisxExeu = 30,
    kStaleTvislvExeu = 31,
    kStaleQelmapeDllu = 32,
    kTvisxExeuMissing = 40,
    kTvislvExeuMissing = 41,
    kQelmapeDlluMissing = 42,
};

// What each code means, in a few words for release engineers and support: `tvispack
// inspect` prints it, and the README's table of the codes a customer may be shown says the
// same (a test compares the two). Every code above, in ascending order.
struct PayloadReasonEntry {
    PayloadReason code;
    const char* text;
};
extern const PayloadReasonEntry kPayloadReasonTable[];
extern const int kPayloadReasonCount;

// The table's text of `code`, or null for a number that is no reason code.
const char* PayloadReasonText(int32_t code);
