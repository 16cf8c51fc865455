/*
 * Brevik.h - public interface of the Brevik datafile recovery engine.
 *
 * The engine copies a damaged datafile (the source) to a new file (the
 * destination) through a reader that survives unreadable sectors: a sector
 * that cannot be read arrives in the destination as zeros at its own offset.
 * Bytes 28 to 31 of the destination always hold 7D 7C 7B 7A, the datafile
 * header magic. Everything else keeps the source's length and offsets.
 *
 * One recovery is one call of an entry point. The engine keeps no state
 * between calls, starts no threads and takes no locks; calls on different
 * threads share nothing. It never writes to the source, and it never deletes
 * the destination, whatever happened.
 *
 * Only the two entry points below are exported from libBrevik.so.
 */
#ifndef BREVIK_H
#define BREVIK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
typedef char16_t BrevikChar;
#else
#include <uchar.h>
typedef char16_t BrevikChar;
#endif

/* The value of the byte every byte of a ProcessParams record is XORed with
 * before it is handed to ProcessDBFFileEx. Both sides use this one value. */
#define BREVIK_PARAMS_MASK 0x5Au

/* Message codes sent through EngineCallback. They coincide with the window
 * message numbers under which the desktop program forwards them, so they
 * must never change. */

/* arg: const uint8_t*, a percentage. First message of every call (0); after
 * each full 4 MiB chunk of the copy when the source is not empty; last
 * message of every call (100), also after a failure. */
#define MSG_PROGRESS 1524
/* arg: const BrevikChar*, the source path as the caller gave it. Sent once,
 * right after the first MSG_PROGRESS, before the source is opened. */
#define MSG_SOURCE_FILE 1535
/* arg: const BrevikChar*, "Analyzing the source file ...". Sent once, after
 * both files were opened. */
#define MSG_LOG_TEXT 1568
/* arg: const BrevikChar*, an error text for the log. Sent once for each
 * failure, immediately before MSG_SHOW_ERROR. */
#define MSG_LOG_ERROR 1577
/* arg: const uint64_t*, the number of bytes written to the destination.
 * Sent once at the end of every call, just before the final MSG_PROGRESS. */
#define MSG_OUTPUT_SIZE 1581
/* arg: const BrevikChar*, an error text meant to be shown to the user. Sent
 * once for each failure. */
#define MSG_SHOW_ERROR 1724

/* The caller's callback. It runs synchronously on the thread that called the
 * entry point. `arg` points into engine memory that is valid only until the
 * callback returns: copy what you keep. Texts are NUL-terminated UTF-16.
 * `nUserData` is the record's value, unchanged. The result is ignored; the
 * callback cannot cancel a pass. It must not throw or unwind through the
 * engine. */
typedef intptr_t (*EngineCallback)(int32_t code, const void* arg, uintptr_t nUserData);

/* The argument record of ProcessDBFFileEx: six machine words (48 bytes on a
 * 64-bit build), native byte order. It is passed masked: every byte XORed
 * with BREVIK_PARAMS_MASK (see BrevikMaskParams). The record and both path
 * texts belong to the caller and must stay valid until the call returns; the
 * engine unmasks a private copy and never writes to the caller's record. */
typedef struct ProcessParams {
    const BrevikChar* pszSource; /* source path, NUL-terminated; null = empty */
    uintptr_t nReserved1;        /* not read by the engine */
    uintptr_t nReserved2;        /* not read by the engine */
    const BrevikChar* pszDest;   /* destination path, NUL-terminated; null = empty */
    EngineCallback pfnCallback;  /* may be null: the pass then sends nothing */
    uintptr_t nUserData;         /* handed back as the callback's third argument */
} ProcessParams;

/* XORs every byte of `params` with BREVIK_PARAMS_MASK. Applying it twice
 * gives the original record back. */
static inline void BrevikMaskParams(ProcessParams* params) {
    unsigned char* p = (unsigned char*)params;
    for (unsigned i = 0; i < sizeof(ProcessParams); ++i)
        p[i] ^= (unsigned char)BREVIK_PARAMS_MASK;
}

/* Runs one recovery pass with the masked record at `maskedParams`.
 *
 * Messages, in this order: MSG_PROGRESS 0; MSG_SOURCE_FILE; then, when the
 * source cannot be opened, MSG_LOG_ERROR and MSG_SHOW_ERROR; when the
 * destination cannot be created (or names the source itself), nothing; else
 * MSG_LOG_TEXT, a MSG_PROGRESS per full chunk and, when the copy fails, one
 * MSG_LOG_ERROR/MSG_SHOW_ERROR pair; always MSG_OUTPUT_SIZE and MSG_PROGRESS
 * 100 at the end.
 *
 * An existing destination is truncated and overwritten. A destination that is
 * the source itself (by any path, hard link or symbolic link) is refused
 * before anything is truncated.
 *
 * Returns 1 when at least one byte was written to the destination, else 0.
 * This says whether anything was written, not whether the pass succeeded: a
 * failure after the 32-byte header was written sends the error pair and still
 * returns 1. Paths of 260 characters or more are refused as bad paths. */
int ProcessDBFFileEx(const ProcessParams* maskedParams);

/* The same pass without a callback: no message is sent. `pszSource` and
 * `pszDest` are NUL-terminated UTF-16 paths owned by the caller (null gives
 * an empty path). Returns as ProcessDBFFileEx. */
int ProcessDBFFile(const BrevikChar* pszSource, const BrevikChar* pszDest);

#ifdef __cplusplus
}
#endif

#endif /* BREVIK_H */
