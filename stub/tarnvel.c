/*
 * Note to maintainer: keep these invariants.
 *
 * - One export. Broker is the library's only exported symbol (tarnvel.map on Linux,
 *   tarnvel.def on Windows, where it is ordinal 1 and the export table holds nothing else).
 * - Pass-through. Broker hands its four arguments, in the order received and unchanged,
 *   to the client library's entry and returns that entry's result unchanged. It never
 *   reads, writes or copies the records behind the addresses and knows nothing of their
 *   layout.
 * - No state. No globals, no locks, no set-up or tear-down: every call stands alone.
 * - Binds OSTRANE at load. The entry is a link-time import (entry number 1, by ordinal on
 *   Windows) resolved when tarnvel is loaded (-z now on Linux), so a missing OSTRANE or a
 *   missing entry makes loading tarnvel fail, not the first call. OSTRANE is looked for
 *   beside tarnvel only (DT_RPATH $ORIGIN, searched before LD_LIBRARY_PATH).
 *
 * On 32-bit Windows Broker is __stdcall and the client entry is __cdecl; bridging the two
 * conventions is all this file does there. Everywhere else it is a plain forwarding call.
 */
#include "tarnvel.h"

#if defined(_WIN32)
#include <windows.h>
#define OSTRANE_CALL __cdecl
#define OSTRANE_IMPORT __declspec(dllimport)
#else
#define OSTRANE_CALL
#define OSTRANE_IMPORT
#endif

OSTRANE_IMPORT int OSTRANE_CALL ostrane_entry_1(void *control_block, void *request, void *reply,
                                                void *error_text);

int TARNVEL_CALL Broker(void *control_block, void *request, void *reply, void *error_text)
{
    return ostrane_entry_1(control_block, request, reply, error_text);
}

#if defined(_WIN32)
/* Attach and detach, process and thread alike: there is nothing to set up or release. */
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
#endif
