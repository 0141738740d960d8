// The shared settings block TVPTR_SHARE_DATA, mapped for the whole life of
// the module in the process.
#include "tvntcpl.h"

// Another program may have made the mapping first, with its own size and
// attributes. The page reads and writes offsets 28 to 43 with plain memory
// accesses, so the view must hold that many committed, writable bytes.
static BOOL ViewHoldsWholeBlock(const void *view)
{
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(view, &info, sizeof(info)) != sizeof(info))
        return FALSE;
    const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return info.State == MEM_COMMIT
        && info.RegionSize >= kSharedBlockSize
        && (info.Protect & writable) != 0
        && (info.Protect & PAGE_GUARD) == 0;
}

BOOL OpenSharedBlock(void)
{
    // Opens the pointer helper's block when it exists, with its existing
    // contents; otherwise makes a new zero-filled one.
    SharedMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE,
                                       0, kSharedBlockSize, SHARED_BLOCK_NAME);
    if (SharedMapping) {
        SharedBlock = (SharedSettings *)MapViewOfFile(SharedMapping, FILE_MAP_WRITE, 0, 0, 0);
        if (SharedBlock && ViewHoldsWholeBlock(SharedBlock))
            return TRUE;
    }
    CloseSharedBlock();
    return FALSE;
}

void CloseSharedBlock(void)
{
    if (SharedBlock) {
        UnmapViewOfFile(SharedBlock);
        SharedBlock = NULL;
    }
    if (SharedMapping) {
        CloseHandle(SharedMapping);
        SharedMapping = NULL;
    }
}
