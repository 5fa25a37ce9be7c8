/* A client library that lacks entry number 1: tarnvel must refuse to load beside it. */
int ostrane_entry_2(void *control_block, void *request, void *reply, void *error_text);

int ostrane_entry_2(void *control_block, void *request, void *reply, void *error_text)
{
    (void)control_block;
    (void)request;
    (void)reply;
    (void)error_text;
    return 0;
}
