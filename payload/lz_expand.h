// Decompression of one SZDD file to another, through the platform's LZExpand library
// (lz32.dll, loaded from the system folder only) or, where it cannot be loaded or cannot
// name one of the two files, through our own decoder with the same observable results.
// Win32.
#pragma once

// Which decompressor runs; tests force the built-in one. kAuto takes lz32.dll when it is
// loaded and both paths pass FitsLzOpenFile, our decoder otherwise.
enum class LzEngine { kAuto, kBuiltIn };

// Decompresses inputPath into outputPath as LZOpenFile/LZCopy do: the output is created
// (or emptied) even when the input cannot be opened; an input without the SZDD magic is
// copied through as it is; an input of another mode yields an empty output; a stream
// that ends early yields what it holds. Traces "LZCopy\r\n" when both files opened.
void ExpandFile(const char* inputPath, const char* outputPath, LzEngine engine = LzEngine::kAuto);

// True when lz32.dll could be loaded from the system folder and has the three functions.
bool SystemLzAvailable();

// Whether LZOpenFile can open `path`: it works on the full path, which must fit, with its
// terminator, in OFSTRUCT's szPathName (128 bytes). A user's templates folder can be
// longer than that (a long user name, a redirected profile).
bool FitsLzOpenFile(const char* path);
