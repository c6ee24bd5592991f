#include "app/heap.h"
#include <string.h>

static size_t LargestGranted;  // 0: no limit but the heap's own

void HeapRefuseBlocksOver(size_t largest)
{
    LargestGranted = largest;
}

static bool Refused(size_t size)
{
    if (LargestGranted == 0 || size <= LargestGranted)
        return false;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return true;
}

void *HeapAllocZero(size_t size)
{
    if (Refused(size))
        return NULL;
    return GlobalAlloc(GPTR, size ? size : 1);
}

void *HeapResizeZero(void *block, size_t size)
{
    if (!block)
        return HeapAllocZero(size);
    if (Refused(size))
        return NULL;
    size_t old = GlobalSize(block);
    void *grown = GlobalReAlloc(block, size ? size : 1, GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (!grown)
        return NULL;
    if (size > old)
        memset((char *)grown + old, 0, size - old);
    return grown;
}

void HeapFreeBlock(void *block)
{
    if (block)
        GlobalFree(block);
}

size_t HeapBlockSize(const void *block)
{
    return block ? GlobalSize((HGLOBAL)block) : 0;
}

char *HeapStrDupN(const char *text, size_t length)
{
    char *copy = (char *)HeapAllocZero(length + 1);
    if (copy && length)
        memcpy(copy, text, length);
    return copy;
}

char *HeapStrDup(const char *text)
{
    return HeapStrDupN(text ? text : "", text ? strlen(text) : 0);
}
