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
// From now on, every block larger than largest is refused as the heap would
// refuse it when memory runs out (0: none is, as at start). What each caller
// does then is tested this way on any machine, whatever its address space.
void HeapRefuseBlocksOver(size_t largest);
size_t HeapBlockSize(const void *block);
// A heap copy of a NUL-terminated string (none in: an empty string).
char *HeapStrDup(const char *text);
char *HeapStrDupN(const char *text, size_t length);
