// The PowerShell detection script `tvispack build --detection-script` writes, for an Intune
// Win32 app's custom detection script and a Configuration Manager script detection method.
// It finds the product folder as the installer does (support/product_places.h, the folder
// texts' rules of app/folder_text.h) and reports the release as installed only when the
// three files there have exactly the carried files' SHA-256. Portable text generation.
#pragma once

#include <string>

#include "tools/release_facts.h"

// The script, ASCII only, lines ending in CR LF. Needs Windows PowerShell 5.1 and nothing
// else on the client.
std::string DetectionScript(const ReleaseFacts& facts);
