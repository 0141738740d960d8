// The class object of the server. It is generic: it calls the creation
// routine it was made with and keeps the count of live objects it was given.
#include "server.h"

static HRESULT STDMETHODCALLTYPE ClassFactory_QueryInterface(ClassFactory *self, REFIID iid, void **out);
static ULONG STDMETHODCALLTYPE ClassFactory_AddRef(ClassFactory *self);
static ULONG STDMETHODCALLTYPE ClassFactory_Release(ClassFactory *self);
static HRESULT STDMETHODCALLTYPE ClassFactory_CreateInstance(ClassFactory *self, IUnknown *outer, REFIID iid, void **out);
static HRESULT STDMETHODCALLTYPE ClassFactory_LockServer(ClassFactory *self, BOOL lock);

static const ClassFactoryTable ClassFactoryFunctions = {
    ClassFactory_QueryInterface,
    ClassFactory_AddRef,
    ClassFactory_Release,
    ClassFactory_CreateInstance,
    ClassFactory_LockServer,
};

ClassFactory *NewClassFactory(CreateRoutine create, ULONG *objectCount)
{
    ClassFactory *self = (ClassFactory *)LocalAlloc(LPTR, sizeof(ClassFactory));
    if (!self)
        return NULL;
    self->Table = &ClassFactoryFunctions;
    self->RefCount = 1;
    self->Create = create;
    self->ObjectCount = objectCount;
    ++*objectCount;
    return self;
}

static HRESULT STDMETHODCALLTYPE ClassFactory_QueryInterface(ClassFactory *self, REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (SameIdentifier(iid, IID_TavixClassFactory) || SameIdentifier(iid, IID_TavixUnknown)) {
        *out = self;
        ++self->RefCount;
        return S_OK;
    }
    *out = NULL;
    return E_NOINTERFACE;
}

static ULONG STDMETHODCALLTYPE ClassFactory_AddRef(ClassFactory *self)
{
    return ++self->RefCount;
}

static ULONG STDMETHODCALLTYPE ClassFactory_Release(ClassFactory *self)
{
    ULONG left = --self->RefCount;
    if (left == 0) {
        --*self->ObjectCount;
        LocalFree(self);
    }
    return left;
}

static HRESULT STDMETHODCALLTYPE ClassFactory_CreateInstance(ClassFactory *self, IUnknown *outer, REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (outer) {
        *out = NULL;
        return CLASS_E_NOAGGREGATION;
    }
    return self->Create(NULL, iid, out);
}

// Nothing is locked or counted: the host cannot keep the module loaded this way.
static HRESULT STDMETHODCALLTYPE ClassFactory_LockServer(ClassFactory *self, BOOL lock)
{
    return E_NOTIMPL;
}
