// The record slot: 148 bytes that a program of ours (the demo product) reserves for its
// version record, filled with a placeholder until `make_product_file --into` writes the
// record over it. The placeholder never holds the record marker, and its byte 147 is NUL,
// not the check byte, so an unstamped slot reads as no record. Portable: no Windows API.
//
// A program defines its slot, and refers to the placeholder nowhere else, so that the
// placeholder lies in its file exactly once:
//   extern "C" __attribute__((used)) volatile const unsigned char slot[kRecordSpan] =
//       TVIS_RECORD_SLOT_PLACEHOLDER;
#pragma once

#include "version/version_record.h"

// 147 characters and the terminating NUL.
#define TVIS_RECORD_SLOT_PLACEHOLDER                                  \
    "<tVis record slot: empty until make_product_file --into writes " \
    "the version record here>"                                        \
    "============================================================"

// The placeholder as the bytes a program file holds, for the search.
constexpr char kRecordSlotPlaceholder[] = TVIS_RECORD_SLOT_PLACEHOLDER;
static_assert(sizeof kRecordSlotPlaceholder == kRecordSpan, "the slot spans one record");
