/*
 * tarnvel: the program's one way to the broker. Broker hands the four record addresses
 * to entry number 1 of the client library OSTRANE and gives back its result.
 */
#ifndef TARNVEL_H
#define TARNVEL_H

#ifdef __cplusplus
extern "C" {
#endif

/* On 32-bit Windows the program calls Broker in the standard convention: Broker itself
 * removes its 16 bytes of arguments. Elsewhere there is one convention and this is empty. */
#if defined(_WIN32)
#define TARNVEL_CALL __stdcall
#else
#define TARNVEL_CALL
#endif

int TARNVEL_CALL Broker(void *control_block, void *request, void *reply, void *error_text);

#ifdef __cplusplus
}
#endif

#endif
