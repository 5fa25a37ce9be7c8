#pragma once
/* The stand-in client library's one entry point (ordinal 1 on Windows, exported without a
 * name there). Four record addresses: control block (524 bytes), request (220), reply
 * record of the kind named in the request, error text (40 characters and a zero byte).
 * Returns 0 for an ordinary reply, a negative number when the call was refused; the
 * records tell the caller what happened either way. */

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define OSTRANE_API
#else
#define OSTRANE_API __attribute__((visibility("default")))
#endif

OSTRANE_API int ostrane_entry_1(void *control_block, void *request, void *reply, void *error_text);

#ifdef __cplusplus
}
#endif
