// The detection script; see detection_script.h.
#include "tools/detection_script.h"

#include "payload/carried_files.h"
#include "support/product_places.h"

namespace {

// A PowerShell single-quoted string: a quote inside is doubled, nothing else is special.
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

std::string Header(const ReleaseFacts& facts) {
    return "# tVis detection script, written by tvispack build for the installer " +
           AsciiLine(facts.installerName) + ",\n# which carries tVis " +
           AsciiLine(ReleaseName(facts.record)) + ". The installer's SHA-256:\n# " +
           facts.installerSha256 + "\n" +
           R"(#
# For an Intune Win32 app (custom detection script) and a Configuration Manager deployment
# type (script detection method). Needs Windows PowerShell 5.1 and nothing else.
# It finds the product folder as the installer does and reports the release as installed
# only when qelMapE.dll, tVisLV.exe and tVisX.exe there have exactly the SHA-256 of the
# files the installer carries.
#
# Detected: one line on standard output, exit code 0.
# Not detected: nothing at all on standard output, exit code 0. Intune and Configuration
# Manager read "not detected" from the empty output; a non-zero exit code would tell them
# that the script itself failed. So nothing else below may write to standard output.

$ErrorActionPreference = 'SilentlyContinue'
)";
}

std::string Constants(const ReleaseFacts& facts) {
    std::string text =
        "\n# The carried files' SHA-256, as Get-FileHash writes them.\n$carried = [ordered]@{\n";
    for (int k = 0; k < kPayloadFileCount; ++k) {
        text += "    " + Quoted(kCarriedFiles[k].productName) + " = " +
                Quoted(facts.fileSha256[k]) + "\n";
    }
    text += "}\n$release = " + Quoted(AsciiLine(ReleaseName(facts.record))) + "\n";
    text += "$productKey = " + Quoted(kProductKey) + "\n$valueNames = @(";
    for (size_t i = 0; i < sizeof kFolderValueNames / sizeof kFolderValueNames[0]; ++i) {
        text += (i ? ", " : "") + Quoted(kFolderValueNames[i]);
    }
    text += ")\n$defaultFolders = @(";
    for (size_t i = 0; i < sizeof kDefaultFolders / sizeof kDefaultFolders[0]; ++i) {
        text += (i ? ", " : "") + Quoted(kDefaultFolders[i]);
    }
    return text + ")\n";
}

// The search itself does not depend on the release.
const char kSearch[] = R"(
# The registry values in the installer's order: each value first under HKLM, then under
# HKCU. The installer is a 32-bit program and reads the 32-bit view (WOW6432Node on 64-bit
# Windows); the 64-bit view is read right after it, for a value written there. Run as
# SYSTEM, HKCU is SYSTEM's own hive: there, as for the installer run as SYSTEM, only the
# HKLM values and the default folders find the product. Values are taken as written, with
# no environment variables expanded, as the installer reads them.
function Get-FolderValues {
    $hives = @([Microsoft.Win32.RegistryHive]::LocalMachine,
               [Microsoft.Win32.RegistryHive]::CurrentUser)
    $views = @([Microsoft.Win32.RegistryView]::Registry32,
               [Microsoft.Win32.RegistryView]::Registry64)
    foreach ($name in $valueNames) {
        foreach ($hive in $hives) {
            foreach ($view in $views) {
                $base = $null
                $key = $null
                try {
                    $base = [Microsoft.Win32.RegistryKey]::OpenBaseKey($hive, $view)
                    $key = $base.OpenSubKey($productKey)
                    if ($key -ne $null) {
                        $value = $key.GetValue($name, $null,
                            [Microsoft.Win32.RegistryValueOptions]::DoNotExpandEnvironmentNames)
                        if ($value -is [string] -and $value.Length -gt 0) { $value }
                    }
                } catch {
                } finally {
                    if ($key -ne $null) { $key.Close() }
                    if ($base -ne $null) { $base.Close() }
                }
            }
        }
    }
}

# A value as the installer reads it: cut right after its first ".exe" (as written, lower
# case), then a final "mapy\" (any case) stands for its parent folder. The file names are
# appended without a separator, so a value names its folder with the final backslash.
function Get-FolderText([string]$text) {
    $exe = $text.IndexOf('.exe', [System.StringComparison]::Ordinal)
    if ($exe -ge 0) { $text = $text.Substring(0, $exe + 4) }
    if ($text.Length -gt 4) {
        $tail = $text.Substring($text.Length - 5)
        if ($tail -ieq 'mapy\' -or $tail -ieq 'mapy/') {
            $text = $text.Substring(0, $text.Length - 5)
        }
    }
    $text
}

# A folder qualifies when it holds the three files, each readable and not empty.
function Test-ProductFolder([string]$folder) {
    if ($folder.Length -eq 0) { return $false }
    foreach ($name in $carried.Keys) {
        $path = $folder + $name
        try {
            $item = Get-Item -LiteralPath $path -Force -ErrorAction Stop
            if ($item.PSIsContainer -or $item.Length -eq 0) { return $false }
            $stream = [System.IO.File]::OpenRead($path)
            $stream.Close()
        } catch {
            return $false
        }
    }
    $true
}

$folders = @(Get-FolderValues | ForEach-Object { Get-FolderText $_ }) + $defaultFolders
foreach ($folder in $folders) {
    if (-not (Test-ProductFolder $folder)) { continue }
    # The installer upgrades the first folder that qualifies: that folder alone decides.
    foreach ($name in $carried.Keys) {
        $hash = Get-FileHash -LiteralPath ($folder + $name) -Algorithm SHA256
        if ($hash -eq $null -or $hash.Hash -ne $carried[$name]) { exit 0 }
    }
    Write-Output ('tVis ' + $release + ' is installed in ' + $folder)
    exit 0
}
exit 0
)";

}  // namespace

std::string DetectionScript(const ReleaseFacts& facts) {
    return WindowsLines(Header(facts) + Constants(facts) + kSearch);
}
