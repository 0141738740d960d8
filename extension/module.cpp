// TVNTCpl.dll: module entry point and the two exports of the in-process
// server. The shell loads the module through the class registration that
// setup writes and asks DllGetClassObject for a class object.
#include "server.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        // Every other part relies on the block: without it the module
        // refuses to load in this process.
        ModuleInstance = instance;
        return OpenSharedBlock();
    case DLL_PROCESS_DETACH:
        CloseSharedBlock();
        return TRUE;
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID *out)
{
    if (!out)
        return E_POINTER;
    *out = NULL;
    if (!SameIdentifier(classId, CLSID_TavixMouseExtension))
        return CLASS_E_CLASSNOTAVAILABLE;
    if (!SameIdentifier(iid, IID_TavixClassFactory) && !SameIdentifier(iid, IID_TavixUnknown))
        return E_NOINTERFACE;

    // A new class object for every call; none is cached.
    ClassFactory *factory = NewClassFactory(CreateExtensionObject, &LiveObjectCount);
    if (!factory)
        return E_OUTOFMEMORY;
    *out = factory;
    return S_OK;
}

STDAPI DllCanUnloadNow(void)
{
    return LiveObjectCount == 0 ? S_OK : S_FALSE;
}
