// The installer's registry functions: reading the product's folder texts and the
// start-up probe of the machine-wide hive.
#pragma once

#include <windows.h>

// Set by ProbeMachineHive when HKLM can be written and read back.
extern bool hklmWritable;

// Reads a value of any type as text into `output`. root may be null: then HKLM when
// hklmWritable is set, HKCU otherwise. The key is opened with all access. Copies at most
// maximumLength - 1 bytes (509 when maximumLength is above 510); the caller's buffer
// must hold maximumLength bytes; the text is terminated within them. A value longer
// than 510 bytes counts as missing. The copy rules are CopyRegistryText's
// (app/registry_text.h).
// Returns 1 when read; 0 when the key cannot be opened (output untouched) or the value
// cannot be read (output emptied, unless maximumLength is 0).
int ReadRegString(HKEY root, const char* keyPath, unsigned maximumLength, const char* valueName,
                  char* output);

// Reads a DWORD; when the key or the value is missing, writes `fallback` there and
// returns it. HKLM is redirected to HKCU while hklmWritable is clear.
DWORD ReadRegDword(HKEY root, const char* keyPath, const char* valueName, DWORD fallback);

// Creates or opens the key and writes a REG_DWORD; errors are not reported. HKLM is
// redirected to HKCU while hklmWritable is clear.
void WriteRegDword(HKEY root, const char* keyPath, const char* valueName, DWORD value);

// Writes "HKLMtest" = 0x12348765 under HKLM "SOFTWARE\qelWawPl\" and sets hklmWritable
// when it reads back.
void ProbeMachineHive();
