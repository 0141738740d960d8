// Redirects one imported function of a loaded module to a function of the
// test, through the module's own import address table, so a test sees (and
// can steer) what the module asks of the platform. Restored at scope end.
#pragma once

#include <windows.h>
#include <string.h>

class ImportPatch {
public:
    ImportPatch(HMODULE module, const char *dll, const char *name, void *replacement)
    {
        slot_ = find_slot(module, dll, name);
        if (slot_) {
            original_ = (void *)*slot_;
            write(replacement);
        }
    }
    ~ImportPatch()
    {
        if (slot_)
            write(original_);
    }
    ImportPatch(const ImportPatch &) = delete;
    ImportPatch &operator=(const ImportPatch &) = delete;

    bool ok() const { return slot_ != NULL; }
    void *original() const { return original_; }

private:
    static ULONG_PTR *find_slot(HMODULE module, const char *dll, const char *name)
    {
        BYTE *base = (BYTE *)module;
        IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
        IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (!dir.VirtualAddress)
            return NULL;
        for (IMAGE_IMPORT_DESCRIPTOR *imp = (IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress); imp->Name; ++imp) {
            if (lstrcmpiA((const char *)(base + imp->Name), dll) != 0 || !imp->OriginalFirstThunk)
                continue;
            IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + imp->OriginalFirstThunk);
            IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + imp->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                    continue;
                IMAGE_IMPORT_BY_NAME *by_name = (IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
                if (strcmp((const char *)by_name->Name, name) == 0)
                    return (ULONG_PTR *)&slots->u1.Function;
            }
        }
        return NULL;
    }

    void write(void *address)
    {
        DWORD old;
        VirtualProtect(slot_, sizeof(*slot_), PAGE_READWRITE, &old);
        *slot_ = (ULONG_PTR)address;
        VirtualProtect(slot_, sizeof(*slot_), old, &old);
    }

    ULONG_PTR *slot_ = NULL;
    void *original_ = NULL;
};
