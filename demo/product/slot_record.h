// Reading the version record out of a record slot of the demo product. Portable.
#pragma once

#include "version/version_record.h"

// Decodes the record in the 148 bytes of `slot`, by the installer's own rules (the marker,
// the check byte at +147). False, leaving *record empty, for a slot that holds none: an
// unstamped one still holds its placeholder.
bool ReadSlotRecord(const volatile unsigned char* slot, VersionRecord* record);
