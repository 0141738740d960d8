// Redirects one imported function of a loaded module to a function of the
// test, through the module's own import address table, so a test sees (and
// can steer) what the module asks of the platform. Restored at scope end.
#pragma once

#include <windows.h>
#include <string.h>

namespace wintest {

// The import address table slot through which `module` calls dll!name, or
// NULL. A slot is found by the import's name where the module keeps the
// names (OriginalFirstThunk); failing that, by the address the slot holds
// now, which is the function's own address while nothing has patched it, so
// a module linked without the name table is served too.
inline void **import_slot(HMODULE module, const char *dll, const char *name)
{
    BYTE *base = (BYTE *)module;
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress)
        return NULL;
    IMAGE_IMPORT_DESCRIPTOR *first = (IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress);

    for (IMAGE_IMPORT_DESCRIPTOR *imp = first; imp->Name; ++imp) {
        if (lstrcmpiA((const char *)(base + imp->Name), dll) != 0 || !imp->OriginalFirstThunk)
            continue;
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + imp->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME *by_name = (IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            if (strcmp((const char *)by_name->Name, name) == 0)
                return (void **)&slots->u1.Function;
        }
    }

    HMODULE exporter = GetModuleHandleA(dll);
    void *target = exporter ? (void *)GetProcAddress(exporter, name) : NULL;
    if (!target)
        return NULL;
    for (IMAGE_IMPORT_DESCRIPTOR *imp = first; imp->Name; ++imp) {
        if (lstrcmpiA((const char *)(base + imp->Name), dll) != 0)
            continue;
        for (IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + imp->FirstThunk); slots->u1.Function; ++slots)
            if ((void *)slots->u1.Function == target)
                return (void **)&slots->u1.Function;
    }
    return NULL;
}

// Points one import of a module at a replacement for the life of the object.
class ImportPatch {
public:
    ImportPatch(HMODULE module, const char *dll, const char *name, void *replacement)
        : slot_(import_slot(module, dll, name))
    {
        if (slot_) {
            original_ = *slot_;
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
    // What the slot held before: the function the module called.
    void *original() const { return original_; }

private:
    void write(void *address)
    {
        DWORD old;
        VirtualProtect(slot_, sizeof(*slot_), PAGE_READWRITE, &old);
        *slot_ = address;
        VirtualProtect(slot_, sizeof(*slot_), old, &old);
    }

    void **slot_;
    void *original_ = NULL;
};

} // namespace wintest
