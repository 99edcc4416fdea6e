// Where the installed product is looked for: the registry key and its folder values, and
// the default folders tried after them. Portable and below both the installer and tvispack,
// so that tvispack's detection script searches the same places as the installer's
// discovery (app/discovery_win.cpp).
#pragma once

// The key under HKLM and HKCU that holds the folder values.
constexpr const char* kProductKey = "SOFTWARE\\qelWawPl\\tv5";
// The folder values in the order they are tried, each first under HKLM, then under HKCU.
constexpr const char* kFolderValueNames[3] = {"path", "pathM", "pathX"};
// The default folders, tried after the registry.
constexpr const char* kDefaultFolders[2] = {"C:\\Programs\\tVis2002\\",
                                            "C:\\Programs\\tVis 2002\\"};
