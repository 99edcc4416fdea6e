// What `tvispack build` knows of a release once the installer is laid out: the SHA-256 of
// each carried file and of the installer, and the carried qelMapE.dll's version record.
// The deployment files (detection_script.h, winget_manifest.h) are written from it.
#pragma once

#include <string>

#include "payload/trailer.h"
#include "tools/inspect.h"

struct ReleaseFacts {
    // 64 upper-case hex digits each, as Get-FileHash and winget write them; payload order.
    std::string fileSha256[kPayloadFileCount];
    std::string installerSha256;
    std::string installerName;  // the installer's file name, without its folder
    RecordReport record;        // of the carried qelMapE.dll, which the dialog shows
};

// A text as a single line of printable ASCII: each other character (a control character,
// or a UTF-8 sequence as a whole) becomes "?". For comments and strings in the deployment
// files, which must stay ASCII whatever a file name or version text holds.
std::string AsciiLine(const std::string& text);

// The file name at the end of a path ("out/tvis-upgrade.exe" -> "tvis-upgrade.exe").
std::string FileNameOf(const std::string& path);

// "5.3 build 1250": how the deployment files name the release (version text in UTF-8).
std::string ReleaseName(const RecordReport& record);

// The text with each "\n" made "\r\n": the deployment files are read on Windows, where
// Notepad and the tools' editors show them tidily so.
std::string WindowsLines(const std::string& text);
