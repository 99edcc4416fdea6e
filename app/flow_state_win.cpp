// Definitions of the upgrade flow's process-wide state; see flow_state.h.
#include "app/flow_state.h"

HWND dialogWindow = nullptr;
char productFolder[kFolderTextSize];
char candidateFolder[kFolderTextSize];
bool upgradePossible = false;
int32_t kpr = 0;
