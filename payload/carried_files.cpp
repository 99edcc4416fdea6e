// The carried files' table; see carried_files.h.
#include "payload/carried_files.h"

const CarriedFile kCarriedFiles[kPayloadFileCount] = {
    {"qelMapE.dll", "qelMapE.dllu", "QELMAPE.WCP", "qelmape.dllu", "Zapisuje qelmape.wcp...",
     "Dekompresuje qelmape.wcp...", kStaleQelmapeWcp, kQelmapeWcpWrongLength, kStaleQelmapeDllu,
     kQelmapeDlluMissing, "--qelmape"},
    {"tVisLV.exe", "tVisLV.exeu", "TVISLV.WCP", "tvislv.exeu", "Zapisuje tvislv.wcp...",
     "Dekompresuje tvislv.wcp...", kStaleTvislvWcp, kTvislvWcpWrongLength, kStaleTvislvExeu,
     kTvislvExeuMissing, "--tvislv"},
    {"tVisX.exe", "tVisX.exeu", "TVISX.WCP", "tvisx.exeu", "Zapisuje tvisx.wcp...",
     "Dekompresuje tvisx.wcp...", kStaleTvisxWcp, kTvisxWcpWrongLength, kStaleTvisxExeu,
     kTvisxExeuMissing, "--tvisx"},
};
