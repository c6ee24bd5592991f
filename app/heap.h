// Zero-filled blocks from the global heap: every variable-size piece of data
// the program keeps (reservation strings and formats, the station table, work
// buffers) is one of these. The holder of the pointer frees it.
#pragma once
#include <windows.h>
#include <stddef.h>

void *HeapAllocZero(size_t size);
// Grows (or shrinks) a block; the bytes past the old size are zero. Returns
// the block's new address, or none when the heap refuses (the old block is
// then still valid and unchanged).
void *HeapResizeZero(void *block, size_t size);
void HeapFreeBlock(void *block);
size_t HeapBlockSize(const void *block);
// A heap copy of a NUL-terminated string (none in: an empty string).
char *HeapStrDup(const char *text);
char *HeapStrDupN(const char *text, size_t length);
