// The pointer helper under Wine: TVPtr.exe is started from the build folder,
// the test writes the settings block as the Buttons page would, injects
// button presses and key strokes with SendInput and looks at what reaches a
// window of its own in the foreground.
#include <gtest/gtest.h>

#include <windows.h>
#include <string>

#include "input_window.h"
#include "tvptr.h"
#include "wintest.h"

using companions::InputWindow;

namespace {

HWND find_helper()
{
    return FindWindowA(TVPTR_WINDOW_CLASS, NULL);
}

BOOL CALLBACK count_helper_window(HWND hwnd, LPARAM count)
{
    char cls[64];
    if (GetClassNameA(hwnd, cls, sizeof(cls)) && lstrcmpA(cls, TVPTR_WINDOW_CLASS) == 0)
        ++*(int *)count;
    return TRUE;
}

int count_helpers()
{
    int n = 0;
    EnumWindows(count_helper_window, (LPARAM)&n);
    return n;
}

// Starts the helper with the command line of the Run value (or none) and
// waits until its window is there.
class HelperProcess {
public:
    explicit HelperProcess(const std::string &args)
    {
        std::string cmd = "\"" + wintest::module_dir() + "TVPtr.exe\"" + args;
        STARTUPINFOA si = { sizeof(si) };
        started_ = CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi_) != 0;
        if (started_)
            wintest::wait_for([] { return find_helper() != NULL; }, 10000);
    }
    ~HelperProcess()
    {
        if (!started_)
            return;
        if (HWND hwnd = find_helper())
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi_.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(pi_.hProcess, 1);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    bool running() const
    {
        return started_ && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
    }
    HANDLE process() const { return pi_.hProcess; }

private:
    bool started_ = false;
    PROCESS_INFORMATION pi_ = {};
};

// The block as the page's process sees it.
class BlockView {
public:
    BlockView()
    {
        map_ = OpenFileMappingA(FILE_MAP_WRITE, FALSE, TVPTR_BLOCK_NAME);
        if (map_)
            block_ = (volatile TvPtrBlock *)MapViewOfFile(map_, FILE_MAP_WRITE, 0, 0, 0);
    }
    ~BlockView()
    {
        if (block_)
            UnmapViewOfFile((LPCVOID)block_);
        if (map_)
            CloseHandle(map_);
    }
    volatile TvPtrBlock *operator->() { return block_; }
    explicit operator bool() const { return block_ != NULL; }

private:
    HANDLE map_ = NULL;
    volatile TvPtrBlock *block_ = NULL;
};

class PointerHelperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(helper_.running()) << "TVPtr.exe did not start";
        ASSERT_NE(find_helper(), (HWND)NULL) << "no helper window";
        ASSERT_TRUE(block_) << "block " TVPTR_BLOCK_NAME " cannot be mapped for writing";
        block_->MiddleButton = kFnUnassigned;
        block_->SecondButton = kFnUnassigned;
        block_->Center = 0;
        window_.clear();
    }
    void TearDown() override
    {
        block_->MiddleButton = kFnUnassigned;
        block_->SecondButton = kFnUnassigned;
        block_->Center = 0;
    }

    // Presses and releases the middle button, then waits until the input has
    // gone through.
    void middle_click()
    {
        window_.clear();
        companions::send_click(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP);
        ASSERT_TRUE(window_.settle()) << "sentinel key never arrived: " << window_.describe();
    }

    HelperProcess helper_{ " C:\\Tavix" };
    BlockView block_;
    InputWindow window_;
};

struct KeyCase {
    DWORD code;
    const char *name;
    WORD modifier;
    WORD key;
};

const KeyCase kKeyCases[] = {
    { kFnStart, "Start", VK_CONTROL, VK_ESCAPE },
    { kFnHelp, "F1(Help)", 0, VK_F1 },
    { kFnEscape, "Escape", 0, VK_ESCAPE },
    { kFnDelete, "Delete", 0, VK_DELETE },
    { kFnBackspace, "Backspace", 0, VK_BACK },
    { kFnReturn, "Return", 0, VK_RETURN },
    { kFnUndo, "Undo", VK_CONTROL, 'Z' },
    { kFnCut, "Cut to Clipboard", VK_CONTROL, 'X' },
    { kFnCopy, "Copy to Clipboard", VK_CONTROL, 'C' },
    { kFnPageUp, "Page Up", 0, VK_PRIOR },
    { kFnPageDown, "Page Down", 0, VK_NEXT },
};

TEST_F(PointerHelperTest, MiddleButtonDeliversTheKeyOfItsFunction)
{
    for (const KeyCase &c : kKeyCases) {
        block_->MiddleButton = c.code;
        middle_click();
        EXPECT_TRUE(window_.has_key(c.key))
            << c.name << ": expected key 0x" << std::hex << c.key << ", got " << window_.describe();
        if (c.modifier) {
            EXPECT_TRUE(window_.has_key(c.modifier))
                << c.name << ": expected modifier 0x" << std::hex << c.modifier << ", got "
                << window_.describe();
        }
        EXPECT_FALSE(window_.has_msg(WM_MBUTTONDOWN) || window_.has_msg(WM_MBUTTONUP))
            << c.name << ": the press was not taken: " << window_.describe();
    }
}

TEST_F(PointerHelperTest, ChangeOfTheFieldCountsWithoutRestart)
{
    block_->MiddleButton = kFnReturn;
    middle_click();
    EXPECT_TRUE(window_.has_key(VK_RETURN)) << window_.describe();

    block_->MiddleButton = kFnEscape;
    middle_click();
    EXPECT_TRUE(window_.has_key(VK_ESCAPE)) << window_.describe();
    EXPECT_FALSE(window_.has_key(VK_RETURN)) << window_.describe();

    block_->MiddleButton = kFnUnassigned;
    middle_click();
    EXPECT_TRUE(window_.has_msg(WM_MBUTTONDOWN)) << window_.describe();
    EXPECT_FALSE(window_.has_key(VK_ESCAPE)) << window_.describe();
}

TEST_F(PointerHelperTest, UnassignedAndUnknownCodesLeaveThePressAlone)
{
    const DWORD codes[] = { 0, 16, 255, 0xFFFFFFFF };
    for (DWORD code : codes) {
        block_->MiddleButton = code;
        middle_click();
        // A press that follows the last one quickly is a double click.
        EXPECT_TRUE((window_.has_msg(WM_MBUTTONDOWN) || window_.has_msg(WM_MBUTTONDBLCLK)) &&
                    window_.has_msg(WM_MBUTTONUP))
            << "code " << code << ": " << window_.describe();
        // Only the sentinel key stroke arrives.
        EXPECT_EQ(window_.events().size(), 4u) << "code " << code << ": " << window_.describe();
    }
}

TEST_F(PointerHelperTest, SecondButtonCarriesOutItsOwnField)
{
    block_->MiddleButton = kFnEscape;
    block_->SecondButton = kFnReturn;
    window_.clear();
    companions::send_click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(window_.settle());
    EXPECT_TRUE(window_.has_key(VK_RETURN)) << window_.describe();
    EXPECT_FALSE(window_.has_key(VK_ESCAPE)) << window_.describe();
    EXPECT_FALSE(window_.has_msg(WM_RBUTTONDOWN)) << window_.describe();

    block_->SecondButton = kFnUnassigned;
    window_.clear();
    companions::send_click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(window_.settle());
    EXPECT_TRUE(window_.has_msg(WM_RBUTTONDOWN)) << window_.describe();
    EXPECT_FALSE(window_.has_key(VK_RETURN)) << window_.describe();

    // The left (primary) button is never taken.
    block_->SecondButton = kFnReturn;
    window_.clear();
    companions::send_click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(window_.settle());
    EXPECT_TRUE(window_.has_msg(WM_LBUTTONDOWN)) << window_.describe();
    EXPECT_FALSE(window_.has_key(VK_RETURN)) << window_.describe();
}

TEST_F(PointerHelperTest, DoubleClickFunctionDoubleClicksThePrimaryButton)
{
    block_->MiddleButton = kFnDoubleClick;
    middle_click();
    EXPECT_TRUE(window_.has_msg(WM_LBUTTONDBLCLK)) << window_.describe();
    EXPECT_FALSE(window_.has_msg(WM_MBUTTONDOWN)) << window_.describe();
}

TEST_F(PointerHelperTest, CloseWindowsClosesTheForegroundWindow)
{
    block_->MiddleButton = kFnCloseWindow;
    middle_click();
    EXPECT_TRUE(wintest::wait_for([&] { return window_.has(WM_SYSCOMMAND, SC_CLOSE); }, 3000))
        << window_.describe();
}

TEST_F(PointerHelperTest, HyperMarvaneScrollsUntilPressedAgain)
{
    block_->MiddleButton = kFnHyperMarvane;
    POINT before;
    GetCursorPos(&before);
    middle_click();
    companions::send_move(0, 60);
    ASSERT_TRUE(window_.settle());
    EXPECT_TRUE(wintest::wait_for([&] { return window_.has(WM_VSCROLL, SB_LINEDOWN); }, 3000))
        << "moving down did not scroll down: " << window_.describe();
    POINT during;
    GetCursorPos(&during);
    EXPECT_EQ(during.y, before.y) << "the cursor moved while scrolling";

    companions::send_move(0, -60);
    ASSERT_TRUE(window_.settle());
    EXPECT_TRUE(wintest::wait_for([&] { return window_.has(WM_VSCROLL, SB_LINEUP); }, 3000))
        << "moving up did not scroll up: " << window_.describe();

    // Pressed again: scrolling ends, moving no longer scrolls.
    middle_click();
    EXPECT_FALSE(window_.has_msg(WM_MBUTTONDOWN)) << window_.describe();
    EXPECT_EQ(block_->ScrollMode, 0u);
    window_.clear();
    companions::send_move(0, 30);
    ASSERT_TRUE(window_.settle());
    wintest::flush_events(100);
    EXPECT_FALSE(window_.has_msg(WM_VSCROLL)) << window_.describe();
}

TEST_F(PointerHelperTest, F10PassesWhileCenterIsOff)
{
    block_->Center = 0;
    window_.clear();
    companions::send_key(VK_F10);
    ASSERT_TRUE(window_.settle());
    EXPECT_TRUE(window_.has_key(VK_F10)) << window_.describe();
    EXPECT_EQ(FindWindowA(TVPTR_FINDER_CLASS, NULL), (HWND)NULL);
}

TEST_F(PointerHelperTest, F10ShowsTheCursorAndIsConsumedWhileCenterIsOn)
{
    block_->Center = 1;
    window_.clear();
    companions::send_key(VK_F10);
    bool finder_seen = wintest::wait_for([] { return FindWindowA(TVPTR_FINDER_CLASS, NULL) != NULL; }, 3000);
    ASSERT_TRUE(window_.settle());
    EXPECT_FALSE(window_.has_key(VK_F10)) << window_.describe();
    EXPECT_FALSE(window_.has(WM_KEYUP, VK_F10) || window_.has(WM_SYSKEYUP, VK_F10)) << window_.describe();
    EXPECT_TRUE(finder_seen) << "no cursor finder window appeared";
    // The animation is short and ends by itself.
    EXPECT_TRUE(wintest::wait_for([] { return FindWindowA(TVPTR_FINDER_CLASS, NULL) == NULL; }, 5000));
}

TEST(PointerHelperInstance, SecondStartDoesNotMakeASecondInstance)
{
    HelperProcess first(" C:\\Tavix");
    ASSERT_TRUE(first.running());
    ASSERT_EQ(count_helpers(), 1);

    // The shortcut's start, without arguments, ends at once.
    std::string cmd = "\"" + wintest::module_dir() + "TVPtr.exe\"";
    EXPECT_EQ(wintest::run_process(cmd, 10000), 0);
    EXPECT_EQ(wintest::run_process(cmd + " C:\\Tavix", 10000), 0);
    EXPECT_EQ(count_helpers(), 1);
    EXPECT_TRUE(first.running());
}

TEST(PointerHelperInstance, KeepsTheBlockThatThePageMadeAndItsFields)
{
    // The page's process made the block first and published its settings.
    HANDLE map = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, kTvPtrBlockSize,
                                    TVPTR_BLOCK_NAME);
    ASSERT_NE(map, (HANDLE)NULL);
    volatile TvPtrBlock *block = (volatile TvPtrBlock *)MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0);
    ASSERT_NE(block, (volatile TvPtrBlock *)NULL);
    block->MiddleButton = kFnReturn;
    block->SecondButton = kFnEscape;
    block->Center = 1;
    {
        HelperProcess helper("");
        ASSERT_TRUE(helper.running());
        EXPECT_EQ(block->MiddleButton, (DWORD)kFnReturn);
        EXPECT_EQ(block->SecondButton, (DWORD)kFnEscape);
        EXPECT_EQ(block->Center, 1u);
        // The helper makes its window before it signs the block.
        DWORD pid = GetProcessId(helper.process());
        EXPECT_TRUE(wintest::wait_for([&] { return block->HelperProcessId == pid; }))
            << "block signed by " << block->HelperProcessId << ", helper is " << pid;
    }
    EXPECT_EQ(block->HelperProcessId, 0u);
    UnmapViewOfFile((LPCVOID)block);
    CloseHandle(map);
}

} // namespace
