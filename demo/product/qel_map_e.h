// What qelMapE.dll of the demo product exports to its programs. Windows builds only.
#pragma once

#ifdef QEL_MAP_E_BUILD
#define QEL_MAP_E_API __declspec(dllexport)
#else
#define QEL_MAP_E_API __declspec(dllimport)
#endif

// The library's own record slot: 148 bytes, a version record once make_product_file
// --into has written one, else the slot's placeholder. Read it through the volatile
// pointer: its bytes change in the file, never in the program.
extern "C" QEL_MAP_E_API const volatile unsigned char* qelVersionRecordSlot();
