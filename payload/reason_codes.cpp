// The reason codes' texts, kept beside their definitions so that every code has one.
#include "payload/reason_codes.h"

// Names of files appear as the customer finds them in the work folder.
const PayloadReasonEntry kPayloadReasonTable[] = {
    {kPayloadOk, "the layout is sound"},
    {kOwnFileUnreadable, "the installer file cannot be opened for reading"},
    {kInstallerTooLong, "the file is longer than 4,000,000 bytes"},
    {kInstallerTooShort,
     "the file is shorter than 1,000,000 bytes (a cut download, or the bare stub)"},
    {kNoPayloadBuffer, "no memory for a buffer of the file's length"},
    {kTrailerCheckMismatch,
     "the trailer's check word does not match (a damaged or cut file, or bytes appended other "
     "than a signature)"},
    {kTrailerSumMismatch,
     "the trailer's start and sizes plus 20 are not where the payload ends (the file's length, "
     "or where a signed file's certificate table starts)"},
    {kPayloadDamaged,
     "a compressed file differs from the CRC-32 in the installer's integrity block (damaged "
     "after it was built)"},
    {kStaleTvisxWcp, "an old TVISX.WCP in the work folder could not be deleted"},
    {kStaleTvislvWcp, "an old TVISLV.WCP could not be deleted"},
    {kStaleQelmapeWcp, "an old QELMAPE.WCP could not be deleted"},
    {kQelmapeWcpWrongLength,
     "QELMAPE.WCP could not be written whole (work folder full or not writable)"},
    {kTvislvWcpWrongLength, "TVISLV.WCP could not be written whole"},
    {kTvisxWcpWrongLength, "TVISX.WCP could not be written whole"},
    {kStaleTvisxExeu, "an old tvisx.exeu could not be deleted"},
    {kStaleTvislvExeu, "an old tvislv.exeu could not be deleted"},
    {kStaleQelmapeDllu, "an old qelmape.dllu could not be deleted"},
    {kTvisxExeuMissing,
     "tvisx.exeu missing after decompression (TVISX.WCP did not decode cleanly, or could not "
     "be read)"},
    {kTvislvExeuMissing, "tvislv.exeu missing after decompression"},
    {kQelmapeDlluMissing, "qelmape.dllu missing after decompression"},
};

const int kPayloadReasonCount =
    static_cast<int>(sizeof kPayloadReasonTable / sizeof kPayloadReasonTable[0]);

const char* PayloadReasonText(int32_t code) {
    for (int i = 0; i < kPayloadReasonCount; ++i) {
        if (kPayloadReasonTable[i].code == code) return kPayloadReasonTable[i].text;
    }
    return nullptr;
}
