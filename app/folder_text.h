// Folder texts as the product's installation leaves them in the registry. Portable.
#pragma once

#include <cstddef>

// Cuts the text right after its first ".exe" (lower case only), then removes a final
// "mapy\" or "mapy/" (any letter case) when the text is longer than 4 characters.
void NormaliseFolderText(char* text);

// Removes one trailing "\" or "/" from a text longer than 2 characters: "C:\" becomes
// "C:", while a text of two characters or fewer keeps its last character.
void RemoveTrailingSeparator(char* text);
