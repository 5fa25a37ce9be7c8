#include "fake_ostrane.h"

static void *last_args[4];
static int call_count;
static int result;

int ostrane_entry_1(void *control_block, void *request, void *reply, void *error_text)
{
    last_args[0] = control_block;
    last_args[1] = request;
    last_args[2] = reply;
    last_args[3] = error_text;
    ++call_count;
    return result;
}

void fake_set_result(int value)
{
    result = value;
}

int fake_call_count(void)
{
    return call_count;
}

void fake_last_args(void *args[4])
{
    for (int i = 0; i < 4; ++i)
        args[i] = last_args[i];
}
