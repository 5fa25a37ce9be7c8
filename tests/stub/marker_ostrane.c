/* A planted libOSTRANE.so: it says so on stderr the moment any process loads it. */
#include <stdio.h>

int ostrane_entry_1(void *control_block, void *request, void *reply, void *error_text);

__attribute__((constructor)) static void announce(void)
{
    fputs("PLANTED libOSTRANE.so LOADED\n", stderr);
}

int ostrane_entry_1(void *control_block, void *request, void *reply, void *error_text)
{
    (void)control_block;
    (void)request;
    (void)reply;
    (void)error_text;
    return -1;
}
