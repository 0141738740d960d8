// The in-process COM server of TVNTCpl: one class, whose objects are
// property sheet extensions of the Mouse control panel. The objects are
// plain records: the first field points to the function table in interface
// order, the second is the 32-bit reference count.
#pragma once

#include <objbase.h>
#include <prsht.h>
#include "tvntcpl.h"

// {4753B0A0-79BB-101B-AE4B-00AA00373B20}, the one class this module serves.
extern const GUID CLSID_TavixMouseExtension;

// Identifiers compared with the caller's, 16 raw bytes each.
extern const GUID IID_TavixUnknown;             // IID_IUnknown
extern const GUID IID_TavixClassFactory;        // IID_IClassFactory
extern const GUID IID_TavixShellPropSheetExt;   // IID_IShellPropSheetExt

BOOL SameIdentifier(REFGUID a, REFGUID b);

// ---------------------------------------------------------------------------
// Class object: generic, it knows only the routine that makes an object and
// the count of live objects to keep.

typedef HRESULT (*CreateRoutine)(IUnknown *outer, REFIID iid, void **out);

struct ClassFactory;

struct ClassFactoryTable {
    HRESULT (STDMETHODCALLTYPE *QueryInterface)(ClassFactory *self, REFIID iid, void **out);
    ULONG   (STDMETHODCALLTYPE *AddRef)(ClassFactory *self);
    ULONG   (STDMETHODCALLTYPE *Release)(ClassFactory *self);
    HRESULT (STDMETHODCALLTYPE *CreateInstance)(ClassFactory *self, IUnknown *outer, REFIID iid, void **out);
    HRESULT (STDMETHODCALLTYPE *LockServer)(ClassFactory *self, BOOL lock);
};

struct ClassFactory {
    const ClassFactoryTable *Table;
    ULONG RefCount;
    CreateRoutine Create;
    ULONG *ObjectCount;  // raised when made, lowered when freed
};

// A new class object with reference count 1, the object count raised by 1;
// NULL (count unchanged) when no memory can be had.
ClassFactory *NewClassFactory(CreateRoutine create, ULONG *objectCount);

// ---------------------------------------------------------------------------
// The property sheet extension.

struct ExtensionObject;

struct ExtensionObjectTable {
    HRESULT (STDMETHODCALLTYPE *QueryInterface)(ExtensionObject *self, REFIID iid, void **out);
    ULONG   (STDMETHODCALLTYPE *AddRef)(ExtensionObject *self);
    ULONG   (STDMETHODCALLTYPE *Release)(ExtensionObject *self);
    HRESULT (STDMETHODCALLTYPE *AddPages)(ExtensionObject *self, LPFNADDPROPSHEETPAGE addPage, LPARAM lParam);
    HRESULT (STDMETHODCALLTYPE *ReplacePage)(ExtensionObject *self, UINT pageId, LPFNADDPROPSHEETPAGE replacePage, LPARAM lParam);
};

struct ExtensionObject {
    const ExtensionObjectTable *Table;
    ULONG RefCount;
};

// Makes an extension object for IID_IShellPropSheetExt only.
HRESULT CreateExtensionObject(IUnknown *outer, REFIID iid, void **out);
