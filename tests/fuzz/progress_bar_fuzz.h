// How progress_bar_fuzz reads its input, shared with make_fuzz_seeds:
//   byte 0, byte 1     the control's width - 4 and its height - 1 (modulo 64)
//   then per message   a selector byte: below 0xF0 the control's message
//                      kFuzzedMessages[selector % 9], otherwise the number in wParam;
//                      wParam and lParam, 4 bytes each, little-endian;
//                      for PBX_SETCAPTION with lParam odd: a length byte (0xFF for 300)
//                      and that many caption bytes
#pragma once

#include <cstddef>
#include <cstdint>

#include "controls/progress_bar_state.h"

constexpr uint32_t kFuzzedMessages[] = {
    kProgressSetRange, kProgressSetPos, kProgressDeltaPos, kProgressSetStep, kProgressStepIt,
    PBX_SETOPTIONS,    PBX_SETBARCOLOR, PBX_SETCAPTION,    PBX_SETFRAME,
};
constexpr size_t kFuzzedMessageCount = sizeof kFuzzedMessages / sizeof kFuzzedMessages[0];
constexpr uint8_t kFuzzedAnyMessage = 0xF0;   // selectors from here on: any message number
constexpr uint8_t kFuzzedLongCaption = 0xFF;  // length byte for a caption of 300 bytes
constexpr size_t kFuzzedLongCaptionLength = 300;
