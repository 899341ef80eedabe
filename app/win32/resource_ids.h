// Resource IDs shared by the resource script and the code (plain macros, for the resource tools).
#ifndef TERVANE_APP_WIN32_RESOURCE_IDS_H
#define TERVANE_APP_WIN32_RESOURCE_IDS_H

// The program's icon; the first icon resource, so also the exe's own.
#define TERVANE_PROGRAM_ICON 1

#endif
