/*
 * A recording client library for tarnvel's tests. It is built as libOSTRANE.so in a
 * folder of its own; tests read it back through the functions below, resolved by name.
 */
#ifndef FAKE_OSTRANE_H
#define FAKE_OSTRANE_H

#ifdef __cplusplus
extern "C" {
#endif

/* The entry tarnvel binds. Records its arguments and returns the chosen result. */
int ostrane_entry_1(void *control_block, void *request, void *reply, void *error_text);

/* The result every later call of the entry returns. */
void fake_set_result(int result);
/* How often the entry was called since the library was loaded. */
int fake_call_count(void);
/* The four arguments of the last call, in the order received. */
void fake_last_args(void *args[4]);

#ifdef __cplusplus
}
#endif

#endif
