// TVNTCpl.dll as an in-process COM server: its exports, the class object,
// the extension object and its pages, the live-object count as
// DllCanUnloadNow reports it, and the module entry's shared block.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "control_panel.h"
#include "import_patch.h"
#include "wintest.h"

namespace {

using wintest::ImportPatch;

typedef HRESULT(STDAPICALLTYPE *GetClassObjectFn)(REFCLSID, REFIID, void **);
typedef HRESULT(STDAPICALLTYPE *CanUnloadNowFn)(void);

const CLSID kProductClass = { 0x4753B0A0, 0x79BB, 0x101B, { 0xAE, 0x4B, 0x00, 0xAA, 0x00, 0x37, 0x3B, 0x20 } };
// Differs from the product class in its last byte only.
const CLSID kOtherClass = { 0x4753B0A0, 0x79BB, 0x101B, { 0xAE, 0x4B, 0x00, 0xAA, 0x00, 0x37, 0x3B, 0x21 } };

void *const kJunk = (void *)0xDEADBEEF;

std::string hex(HRESULT hr)
{
    char text[16];
    wsprintfA(text, "0x%08lX", (unsigned long)hr);
    return text;
}

// The DLL loaded into the test process for one test; every test releases
// what it made, so DllCanUnloadNow must answer S_OK at the end.
class ServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dll_ = LoadLibraryA(cpl::dll_path().c_str());
        ASSERT_TRUE(dll_ != NULL) << "loading " << cpl::dll_path() << ", error " << GetLastError();
        get_class_object_ = (GetClassObjectFn)GetProcAddress(dll_, "DllGetClassObject");
        can_unload_now_ = (CanUnloadNowFn)GetProcAddress(dll_, "DllCanUnloadNow");
        ASSERT_TRUE(get_class_object_ && can_unload_now_);
    }
    void TearDown() override
    {
        if (can_unload_now_) {
            EXPECT_EQ(S_OK, can_unload_now_()) << "an object was left alive";
        }
        if (dll_)
            FreeLibrary(dll_);
    }

    IClassFactory *class_object(REFIID iid = IID_IClassFactory)
    {
        void *out = NULL;
        EXPECT_EQ(S_OK, get_class_object_(kProductClass, iid, &out));
        return (IClassFactory *)out;
    }

    IShellPropSheetExt *extension()
    {
        IClassFactory *factory = class_object();
        void *out = NULL;
        if (factory) {
            EXPECT_EQ(S_OK, factory->CreateInstance(NULL, IID_IShellPropSheetExt, &out));
            EXPECT_EQ(0u, factory->Release());
        }
        return (IShellPropSheetExt *)out;
    }

    HMODULE dll_ = NULL;
    GetClassObjectFn get_class_object_ = NULL;
    CanUnloadNowFn can_unload_now_ = NULL;
};

// ---------------------------------------------------------------------------

TEST_F(ServerTest, ExportsExactlyTheTwoServerFunctionsByName)
{
    BYTE *base = (BYTE *)dll_;
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(0u, dir.VirtualAddress);
    IMAGE_EXPORT_DIRECTORY *exports = (IMAGE_EXPORT_DIRECTORY *)(base + dir.VirtualAddress);
    DWORD *names = (DWORD *)(base + exports->AddressOfNames);
    std::vector<std::string> got;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        got.push_back((const char *)(base + names[i]));
    std::sort(got.begin(), got.end());
    std::vector<std::string> want = { "DllCanUnloadNow", "DllGetClassObject" };
    EXPECT_EQ(want, got);
    EXPECT_EQ(2u, exports->NumberOfFunctions) << "no export by ordinal only";
}

TEST_F(ServerTest, ClassObjectRequests)
{
    struct Case {
        const char *what;
        const CLSID *clsid;
        const IID *iid;
        HRESULT result;
    } cases[] = {
        { "other class", &kOtherClass, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE },
        { "other class and wrong interface", &kOtherClass, &IID_IShellPropSheetExt, CLASS_E_CLASSNOTAVAILABLE },
        { "other class asked for IUnknown", &kOtherClass, &IID_IUnknown, CLASS_E_CLASSNOTAVAILABLE },
        { "the extension's interface from the class", &kProductClass, &IID_IShellPropSheetExt, E_NOINTERFACE },
        { "IDispatch", &kProductClass, &IID_IDispatch, E_NOINTERFACE },
        { "IClassFactory", &kProductClass, &IID_IClassFactory, S_OK },
        { "IUnknown", &kProductClass, &IID_IUnknown, S_OK },
    };
    for (const Case &c : cases) {
        void *out = kJunk;
        HRESULT hr = get_class_object_(*c.clsid, *c.iid, &out);
        EXPECT_EQ(hex(c.result), hex(hr)) << c.what;
        if (c.result != S_OK) {
            EXPECT_EQ(NULL, out) << c.what << ": a refusal stores null";
            continue;
        }
        ASSERT_TRUE(out != NULL && out != kJunk) << c.what;
        EXPECT_EQ(S_FALSE, can_unload_now_()) << c.what;
        // A working class object, whichever interface it was asked for.
        IClassFactory *factory = (IClassFactory *)out;
        void *object = NULL;
        EXPECT_EQ(S_OK, factory->CreateInstance(NULL, IID_IShellPropSheetExt, &object)) << c.what;
        if (object) {
            EXPECT_EQ(0u, ((IUnknown *)object)->Release()) << c.what;
        }
        EXPECT_EQ(0u, factory->Release()) << c.what;
        EXPECT_EQ(S_OK, can_unload_now_()) << c.what;
    }
}

// Every call makes a new class object, and each one counts as live.
TEST_F(ServerTest, TwoClassObjectsAreTwoLiveObjects)
{
    IClassFactory *first = class_object(IID_IUnknown);
    IClassFactory *second = class_object(IID_IClassFactory);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(S_FALSE, can_unload_now_());
    EXPECT_EQ(0u, first->Release());
    EXPECT_EQ(S_FALSE, can_unload_now_()) << "the second one still lives";
    EXPECT_EQ(0u, second->Release());
    EXPECT_EQ(S_OK, can_unload_now_());
}

struct InterfaceCase {
    const char *what;
    const IID *iid;
    HRESULT result;
};

// Asks an object holding one reference for each interface: where it answers
// S_OK it hands out itself and counts one reference more, elsewhere NULL.
// Then AddRef and each Release return the count, down to the last release.
void expect_interfaces_and_references(IUnknown *object, const std::vector<InterfaceCase> &cases)
{
    ULONG references = 1;
    for (const InterfaceCase &c : cases) {
        void *out = kJunk;
        EXPECT_EQ(hex(c.result), hex(object->QueryInterface(*c.iid, &out))) << c.what;
        if (c.result == S_OK) {
            EXPECT_EQ((void *)object, out) << c.what << ": the object itself";
            ++references;
        } else {
            EXPECT_EQ(NULL, out) << c.what;
        }
    }
    EXPECT_EQ(references + 1, object->AddRef());
    for (ULONG left = references; left > 0; --left)
        EXPECT_EQ(left, object->Release()) << "each release returns what remains";
    EXPECT_EQ(0u, object->Release()) << "the last release";
}

TEST_F(ServerTest, ClassObjectInterfacesAndReferenceCount)
{
    IClassFactory *factory = class_object();
    ASSERT_TRUE(factory);
    expect_interfaces_and_references(factory, {
        { "IClassFactory", &IID_IClassFactory, S_OK },
        { "IUnknown", &IID_IUnknown, S_OK },
        { "IShellPropSheetExt", &IID_IShellPropSheetExt, E_NOINTERFACE },
        { "IPersist", &IID_IPersist, E_NOINTERFACE },
    });
}

TEST_F(ServerTest, CreateInstanceRequests)
{
    IClassFactory *factory = class_object();
    ASSERT_TRUE(factory);
    IUnknown *outer = (IUnknown *)kJunk;  // never called: aggregation is refused first
    struct Case {
        const char *what;
        IUnknown *outer;
        const IID *iid;
        HRESULT result;
    } cases[] = {
        { "IUnknown", NULL, &IID_IUnknown, E_NOINTERFACE },
        { "IClassFactory", NULL, &IID_IClassFactory, E_NOINTERFACE },
        { "aggregation", outer, &IID_IShellPropSheetExt, CLASS_E_NOAGGREGATION },
        { "aggregation asking for IUnknown", outer, &IID_IUnknown, CLASS_E_NOAGGREGATION },
    };
    for (const Case &c : cases) {
        void *out = kJunk;
        EXPECT_EQ(hex(c.result), hex(factory->CreateInstance(c.outer, *c.iid, &out))) << c.what;
        EXPECT_EQ(NULL, out) << c.what;
    }
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(S_OK, can_unload_now_()) << "no refused object stays counted";
}

TEST_F(ServerTest, ExtensionObjectInterfacesAndReferenceCount)
{
    IShellPropSheetExt *ext = extension();
    ASSERT_TRUE(ext);
    EXPECT_EQ(S_FALSE, can_unload_now_()) << "the extension object is live";
    expect_interfaces_and_references(ext, {
        { "IUnknown", &IID_IUnknown, S_OK },
        { "IShellPropSheetExt", &IID_IShellPropSheetExt, S_OK },
        { "IClassFactory", &IID_IClassFactory, E_NOINTERFACE },
        { "IShellExtInit", &IID_IShellExtInit, E_NOINTERFACE },
    });
}

// Nothing is locked: the module counts as unloadable once the objects are gone.
TEST_F(ServerTest, LockServerIsNotImplemented)
{
    IClassFactory *factory = class_object();
    ASSERT_TRUE(factory);
    EXPECT_EQ(hex(E_NOTIMPL), hex(factory->LockServer(TRUE)));
    EXPECT_EQ(hex(E_NOTIMPL), hex(factory->LockServer(TRUE)));
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(S_OK, can_unload_now_());
    IClassFactory *again = class_object();
    ASSERT_TRUE(again);
    EXPECT_EQ(hex(E_NOTIMPL), hex(again->LockServer(FALSE)));
    EXPECT_EQ(0u, again->Release());
}

// A null out pointer is refused with E_POINTER instead of a crash.
TEST_F(ServerTest, NullOutPointersAreRefused)
{
    EXPECT_EQ(hex(E_POINTER), hex(get_class_object_(kProductClass, IID_IClassFactory, NULL)));
    EXPECT_EQ(hex(E_POINTER), hex(get_class_object_(kOtherClass, IID_IClassFactory, NULL)));
    EXPECT_EQ(S_OK, can_unload_now_());

    IClassFactory *factory = class_object();
    ASSERT_TRUE(factory);
    EXPECT_EQ(hex(E_POINTER), hex(factory->QueryInterface(IID_IUnknown, NULL)));
    EXPECT_EQ(hex(E_POINTER), hex(factory->CreateInstance(NULL, IID_IShellPropSheetExt, NULL)));
    EXPECT_EQ(0u, factory->Release()) << "the refusals took no reference";

    IShellPropSheetExt *ext = extension();
    ASSERT_TRUE(ext);
    EXPECT_EQ(hex(E_POINTER), hex(ext->QueryInterface(IID_IUnknown, NULL)));
    EXPECT_EQ(0u, ext->Release());
}

// ---------------------------------------------------------------------------
// Pages. What the module hands to the platform is seen through its own
// import table.

struct PageRecord {
    int add_calls = 0;
    int replace_calls = 0;
    BOOL replace_answer = TRUE;
    HPROPSHEETPAGE given = NULL;
    std::vector<HPROPSHEETPAGE> destroyed;
    PROPSHEETPAGEA description = {};
    int created = 0;
    bool fail_creation = false;
};
PageRecord *g_pages;
ImportPatch *g_create_patch;
ImportPatch *g_destroy_patch;

BOOL CALLBACK record_add(HPROPSHEETPAGE page, LPARAM lParam)
{
    ((PageRecord *)lParam)->add_calls++;
    return TRUE;
}

BOOL CALLBACK record_replace(HPROPSHEETPAGE page, LPARAM lParam)
{
    PageRecord *r = (PageRecord *)lParam;
    r->replace_calls++;
    r->given = page;
    return r->replace_answer;
}

HPROPSHEETPAGE WINAPI create_page_seen(LPCPROPSHEETPAGEA description)
{
    g_pages->created++;
    memcpy(&g_pages->description, description, std::min<size_t>(description->dwSize, sizeof(g_pages->description)));
    if (g_pages->fail_creation)
        return NULL;
    return ((HPROPSHEETPAGE(WINAPI *)(LPCPROPSHEETPAGEA))g_create_patch->original())(description);
}

BOOL WINAPI destroy_page_seen(HPROPSHEETPAGE page)
{
    g_pages->destroyed.push_back(page);
    return ((BOOL(WINAPI *)(HPROPSHEETPAGE))g_destroy_patch->original())(page);
}

class PagesTest : public ServerTest {
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        g_pages = &record_;
        create_.reset(new ImportPatch(dll_, "comctl32.dll", "CreatePropertySheetPageA", (void *)create_page_seen));
        destroy_.reset(new ImportPatch(dll_, "comctl32.dll", "DestroyPropertySheetPage", (void *)destroy_page_seen));
        g_create_patch = create_.get();
        g_destroy_patch = destroy_.get();
        ASSERT_TRUE(create_->ok() && destroy_->ok()) << "the module imports both page functions";
    }
    void TearDown() override
    {
        destroy_.reset();
        create_.reset();
        ServerTest::TearDown();
    }

    PageRecord record_;
    std::unique_ptr<ImportPatch> create_, destroy_;
};

TEST_F(PagesTest, AddPagesNeverCallsItsCallback)
{
    IShellPropSheetExt *ext = extension();
    ASSERT_TRUE(ext);
    EXPECT_EQ(S_OK, ext->AddPages(record_add, (LPARAM)&record_));
    EXPECT_EQ(0, record_.add_calls);
    EXPECT_EQ(0, record_.created);
    EXPECT_EQ(0u, ext->Release());
}

TEST_F(PagesTest, ReplacePage)
{
    struct Case {
        const char *what;
        UINT page_id;
        BOOL answer;
        HRESULT result;
        bool offered;
        bool destroyed;
    } cases[] = {
        { "Pointers page", 2, TRUE, S_OK, false, false },
        { "Motion page", 3, TRUE, S_OK, false, false },
        { "page 0", 0, TRUE, S_OK, false, false },
        { "Buttons page, taken by the host", 1, TRUE, S_OK, true, false },
        { "Buttons page, refused by the host", 1, FALSE, E_FAIL, true, true },
    };
    for (const Case &c : cases) {
        IShellPropSheetExt *ext = extension();
        ASSERT_TRUE(ext);
        record_ = PageRecord();
        record_.replace_answer = c.answer;
        EXPECT_EQ(hex(c.result), hex(ext->ReplacePage(c.page_id, record_replace, (LPARAM)&record_))) << c.what;
        EXPECT_EQ(c.offered ? 1 : 0, record_.created) << c.what << ": pages made";
        EXPECT_EQ(c.offered ? 1 : 0, record_.replace_calls) << c.what << ": callback calls";
        if (c.offered) {
            ASSERT_TRUE(record_.given != NULL) << c.what;
            // The page of template 201, without title, icon or callback of
            // its own, so the tab shows the template's caption.
            const PROPSHEETPAGEA &d = record_.description;
            EXPECT_EQ((DWORD)PROPSHEETPAGEA_V1_SIZE, d.dwSize) << c.what;
            EXPECT_EQ(40u, d.dwSize) << c.what;
            EXPECT_EQ((DWORD)PSP_DEFAULT, d.dwFlags) << c.what;
            EXPECT_EQ((HINSTANCE)dll_, d.hInstance) << c.what;
            EXPECT_EQ(MAKEINTRESOURCEA(201), d.pszTemplate) << c.what;
            EXPECT_TRUE(d.pfnDlgProc != NULL) << c.what;
            EXPECT_EQ(0, d.lParam) << c.what;
        }
        std::vector<HPROPSHEETPAGE> destroyed;
        if (c.destroyed)
            destroyed.push_back(record_.given);
        EXPECT_EQ(destroyed, record_.destroyed) << c.what << ": pages destroyed by the module";
        if (c.offered && !c.destroyed)
            DestroyPropertySheetPage(record_.given);  // the host's to destroy
        EXPECT_EQ(0u, ext->Release()) << c.what;
    }
}

TEST_F(PagesTest, ReplacePageWhenNoPageCanBeMade)
{
    IShellPropSheetExt *ext = extension();
    ASSERT_TRUE(ext);
    record_.fail_creation = true;
    EXPECT_EQ(hex(E_OUTOFMEMORY), hex(ext->ReplacePage(1, record_replace, (LPARAM)&record_)));
    EXPECT_EQ(1, record_.created);
    EXPECT_EQ(0, record_.replace_calls);
    EXPECT_EQ(0u, ext->Release());
}

// ---------------------------------------------------------------------------
// No memory for an object: E_OUTOFMEMORY, nothing counted.

HLOCAL WINAPI no_memory(UINT, SIZE_T)
{
    return NULL;
}

TEST_F(ServerTest, OutOfMemory)
{
    IClassFactory *factory = class_object();
    ASSERT_TRUE(factory);
    {
        ImportPatch patch(dll_, "kernel32.dll", "LocalAlloc", (void *)no_memory);
        ASSERT_TRUE(patch.ok());
        void *out = kJunk;
        EXPECT_EQ(hex(E_OUTOFMEMORY), hex(get_class_object_(kProductClass, IID_IClassFactory, &out)));
        EXPECT_EQ(NULL, out);
        out = kJunk;
        EXPECT_EQ(hex(E_OUTOFMEMORY), hex(factory->CreateInstance(NULL, IID_IShellPropSheetExt, &out)));
        EXPECT_EQ(NULL, out);
    }
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(S_OK, can_unload_now_()) << "the failed requests left nothing counted";
}

// ---------------------------------------------------------------------------
// The module entry and the shared block, in processes of their own.

// An object named TVPTR_SHARE_DATA that some other program made first.
struct ForeignObject {
    const char *what;
    bool loads;
    HANDLE (*make)();
};

HANDLE reserved_section()
{
    return CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE | SEC_RESERVE, 0, 44, cpl::kBlockName);
}
HANDLE event_of_that_name()
{
    return CreateEventA(NULL, TRUE, FALSE, cpl::kBlockName);
}
HANDLE pointer_helpers_block()
{
    return CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, 44, cpl::kBlockName);
}

// The page reads and writes offsets 28 to 43 of the block: a load that
// cannot give it 44 writable bytes there is refused.
TEST(ModuleEntry, LoadsOnlyWithAWholeWritableBlock)
{
    HANDLE existing = OpenFileMappingA(FILE_MAP_READ, FALSE, cpl::kBlockName);
    if (existing)
        CloseHandle(existing);
    ASSERT_TRUE(existing == NULL) << "another program holds " << cpl::kBlockName << "; this test needs it gone";
    const ForeignObject cases[] = {
        { "nothing there yet", true, NULL },
        { "the pointer helper's block", true, pointer_helpers_block },
        { "a section with no committed memory", false, reserved_section },
        { "an event of that name", false, event_of_that_name },
    };
    std::string peer = "\"" + wintest::module_dir() + "load_peer.exe\" \"" + cpl::dll_path() + "\"";
    for (const ForeignObject &c : cases) {
        HANDLE object = c.make ? c.make() : NULL;
        ASSERT_TRUE(!c.make || object) << c.what << ", error " << GetLastError();
        long rc = wintest::run_process(peer);
        EXPECT_EQ(c.loads ? 0 : 1, rc) << c.what;
        if (object)
            CloseHandle(object);
    }
}

// The first process (this one, with the DLL loaded) leaves values in the
// block; the control panel, a second process, opens the same block: its
// page compares its lists with the values this process put there, and
// loading the page leaves the pointer helper's bytes alone.
TEST_F(ServerTest, SecondProcessUsesTheBlockTheFirstLeft)
{
    cpl::BlockView block;
    ASSERT_TRUE(block.ok()) << "the module maps the block at load";
    BYTE helper[cpl::kBlockSize];
    for (int i = 0; i < cpl::kBlockSize; ++i)
        helper[i] = (BYTE)(0xA0 + i);
    memcpy(block.bytes(), helper, cpl::kBlockSize);

    cpl::ScopedRegistration registration;
    ASSERT_TRUE(registration.ok());
    cpl::ControlPanel panel;
    ASSERT_TRUE(panel.ok()) << panel.error();
    EXPECT_EQ(0, memcmp(block.bytes(), helper, 28)) << "bytes 0 to 27 are the pointer helper's";
    EXPECT_EQ(0, memcmp(block.bytes() + 32, helper + 32, 4)) << "bytes 32 to 35 are the pointer helper's";

    HWND middle = panel.item(1000);
    SendMessageA(middle, CB_SETCURSEL, 7, 0);
    ASSERT_EQ(7, (int)SendMessageA(middle, CB_GETCURSEL, 0, 0));
    const struct {
        DWORD left_here;
        bool changed;
    } cases[] = { { 7, false }, { 2, true }, { 7, false } };
    for (const auto &c : cases) {
        block.put(cpl::kMiddleOffset, c.left_here);
        panel.mark_unchanged();
        SendMessageA(panel.page(), WM_COMMAND, MAKEWPARAM(1000, CBN_SELCHANGE), (LPARAM)middle);
        EXPECT_EQ(c.changed, panel.apply_enabled())
            << "selection 7, value left in the block by the first process " << c.left_here;
    }
    panel.press(PSBTN_CANCEL);
    EXPECT_EQ(0, panel.wait_exit());
}

} // namespace
