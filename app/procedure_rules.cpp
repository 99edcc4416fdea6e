// The upgrade procedure's portable rules; see procedure_rules.h.
#include "app/procedure_rules.h"

#include <cstdio>

#include "payload/carried_files.h"
#include "support/file_access.h"

bool BuildTargetPath(const char* productFolder, const char* productName,
                     char (&target)[kTargetPathSize]) {
    int length = std::snprintf(target, sizeof target, "%s\\%s", productFolder, productName);
    if (length < 0 || static_cast<size_t>(length) >= sizeof target) {
        target[0] = '\0';
        return false;
    }
    return true;
}

bool TargetPathsFit(const char* productFolder) {
    char target[kTargetPathSize];
    for (const CarriedFile& file : kCarriedFiles) {
        if (!BuildTargetPath(productFolder, file.productName, target)) return false;
        if (!FitsReplaceWholeFile(target)) return false;
    }
    return true;
}

const char* FinalWarningText(bool writeFailed, bool kwilEdition) {
    if (writeFailed) {
        return kwilEdition ? "Wystąpił błąd: System KWIL jest uruchomiony.\r\n\r\n"
                             "Aktualizacja jest niemożliwa."
                           : "Wystąpił błąd: Program tVis OL lub LV jest uruchomiony.\r\n\r\n"
                             "Aktualizacja jest niemożliwa.";
    }
    return kwilEdition ? "Wystąpił błąd:\r\n\r\nSystem KWIL jest uruchomiony,\r\n"
                         "albo uaktualnienie jest uszkodzone.\r\n\r\n"
                         "Aktualizacja jest niemożliwa."
                       : "Wystąpił błąd:\r\n\r\nProgram tVis OL lub LV jest uruchomiony,\r\n"
                         "albo uaktualnienie jest uszkodzone.\r\n\r\n"
                         "Aktualizacja jest niemożliwa.";
}
