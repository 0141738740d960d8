// The property sheet extension object. It adds no page of its own; it puts
// the Tavix settings page (template 201) in place of the Mouse control
// panel's Buttons page.
#include "server.h"
#include <commctrl.h>
#include "resource.h"

// The Mouse control panel's identifier of its Buttons page.
enum { kButtonsPageId = 1 };

static HRESULT STDMETHODCALLTYPE ExtensionObject_QueryInterface(ExtensionObject *self, REFIID iid, void **out);
static ULONG STDMETHODCALLTYPE ExtensionObject_AddRef(ExtensionObject *self);
static ULONG STDMETHODCALLTYPE ExtensionObject_Release(ExtensionObject *self);
static HRESULT STDMETHODCALLTYPE ExtensionObject_AddPages(ExtensionObject *self, LPFNADDPROPSHEETPAGE addPage, LPARAM lParam);
static HRESULT STDMETHODCALLTYPE ExtensionObject_ReplacePage(ExtensionObject *self, UINT pageId, LPFNADDPROPSHEETPAGE replacePage, LPARAM lParam);

static const ExtensionObjectTable ExtensionObjectFunctions = {
    ExtensionObject_QueryInterface,
    ExtensionObject_AddRef,
    ExtensionObject_Release,
    ExtensionObject_AddPages,
    ExtensionObject_ReplacePage,
};

HRESULT CreateExtensionObject(IUnknown *outer, REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = NULL;
    if (outer)
        return CLASS_E_NOAGGREGATION;

    ExtensionObject *self = (ExtensionObject *)LocalAlloc(LPTR, sizeof(ExtensionObject));
    if (!self)
        return E_OUTOFMEMORY;
    self->Table = &ExtensionObjectFunctions;
    self->RefCount = 1;
    ++LiveObjectCount;

    // Made for the shell's interface only, although the finished object
    // answers IUnknown too.
    if (!SameIdentifier(iid, IID_TavixShellPropSheetExt)) {
        ExtensionObject_Release(self);
        return E_NOINTERFACE;
    }
    HRESULT result = ExtensionObject_QueryInterface(self, iid, out);
    ExtensionObject_Release(self);
    return result;
}

static HRESULT STDMETHODCALLTYPE ExtensionObject_QueryInterface(ExtensionObject *self, REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (SameIdentifier(iid, IID_TavixShellPropSheetExt) || SameIdentifier(iid, IID_TavixUnknown)) {
        *out = self;
        ++self->RefCount;
        return S_OK;
    }
    *out = NULL;
    return E_NOINTERFACE;
}

static ULONG STDMETHODCALLTYPE ExtensionObject_AddRef(ExtensionObject *self)
{
    return ++self->RefCount;
}

static ULONG STDMETHODCALLTYPE ExtensionObject_Release(ExtensionObject *self)
{
    ULONG left = --self->RefCount;
    if (left == 0) {
        LocalFree(self);
        --LiveObjectCount;
    }
    return left;
}

static HRESULT STDMETHODCALLTYPE ExtensionObject_AddPages(ExtensionObject *self, LPFNADDPROPSHEETPAGE addPage, LPARAM lParam)
{
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE ExtensionObject_ReplacePage(ExtensionObject *self, UINT pageId, LPFNADDPROPSHEETPAGE replacePage, LPARAM lParam)
{
    if (pageId != kButtonsPageId)
        return S_OK;

    // No title, icon, callback or reference counter of its own: the tab
    // shows the template's caption, and the page keeps no object alive.
    PROPSHEETPAGEA description;
    ZeroMemory(&description, sizeof(description));
    description.dwSize = PROPSHEETPAGEA_V1_SIZE;
    description.dwFlags = PSP_DEFAULT;
    description.hInstance = ModuleInstance;
    description.pszTemplate = MAKEINTRESOURCEA(IDD_BUTTONS_PAGE);
    description.pfnDlgProc = ButtonsPageProc;
    description.lParam = 0;

    HPROPSHEETPAGE page = CreatePropertySheetPageA(&description);
    if (!page)
        return E_OUTOFMEMORY;
    if (replacePage(page, lParam))
        return S_OK;  // the host owns the page now
    DestroyPropertySheetPage(page);
    return E_FAIL;
}
