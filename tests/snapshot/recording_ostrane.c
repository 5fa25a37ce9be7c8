/*
 * A recording client library for the snapshot's tests, built as libOSTRANE.so in a folder
 * of its own. Every call appends the four records as they arrive (control block, request,
 * the reply the request's object length names, error text) to the file named by
 * RECORDING_FILE, then answers plainly: the broker object at once, each list kind with
 * one object and "0003" on the follow-up.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define CONTROL_BLOCK_SIZE 524
#define REQUEST_SIZE 220
#define REPLY_HEADER_SIZE 32
#define LARGEST_OBJECT 364
#define ERROR_TEXT_WIRE 41

static int32_t objectLength(const unsigned char *request)
{
    const uint32_t v = (uint32_t)request[0] | ((uint32_t)request[1] << 8) |
                       ((uint32_t)request[2] << 16) | ((uint32_t)request[3] << 24);
    return (int32_t)v;
}

static void record(const unsigned char *cb, const unsigned char *request,
                   const unsigned char *reply, int replySize, const unsigned char *errorText)
{
    const char *path = getenv("RECORDING_FILE");
    if (!path)
        return;
    FILE *f = fopen(path, "ab");
    if (!f)
        return;
    fwrite(cb, 1, CONTROL_BLOCK_SIZE, f);
    fwrite(request, 1, REQUEST_SIZE, f);
    fwrite(reply, 1, (size_t)replySize, f);
    fwrite(errorText, 1, ERROR_TEXT_WIRE, f);
    fclose(f);
}

int ostrane_entry_1(void *control_block, void *request, void *reply, void *error_text)
{
    unsigned char *cb = control_block;
    unsigned char *rq = request;
    unsigned char *rp = reply;
    unsigned char *et = error_text;
    if (!cb || !rq || !rp || !et)
        return -1;
    const int32_t length = objectLength(rq);
    if (length < 0 || length > LARGEST_OBJECT)
        return -2;
    record(cb, rq, rp, REPLY_HEADER_SIZE + length, et);

    const int openingCall = cb[2] == 1;
    const int brokerObject = rq[8] == 7;
    memcpy(cb + 316, openingCall || brokerObject ? "0000" : "0003", 4);
    if (openingCall)
        memcpy(cb + 292, "RECORDED-CONV-01", 16);
    memset(et, ' ', 40);
    memcpy(et, "Recorded", 8);
    memset(rp, 0, REPLY_HEADER_SIZE);
    rp[4] = 1; /* total_num_objects */
    if (openingCall || brokerObject)
        memset(rp + REPLY_HEADER_SIZE, 'R', (size_t)length);
    return 0;
}
