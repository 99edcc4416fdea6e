// The mark of our installer stub in its version resource (version.rc), which tvispack looks
// for before it appends a payload to a program: a Windows program without it is not
// tvisupgrade.exe. Plain #defines, read by the resource compiler and by tvispack alike.
#ifndef TVIS_STUB_IDENTITY_H
#define TVIS_STUB_IDENTITY_H

#define TVIS_STUB_PRODUCT_NAME "tVis upgrade installer"
#define TVIS_STUB_INTERNAL_NAME "tvisupgrade"
#define TVIS_STUB_FILE_NAME "tvisupgrade.exe"
// The string that names the source commit; no standard key holds one.
#define TVIS_STUB_COMMIT_KEY "SourceCommit"

#endif
