// The Copy-files window, its progress report, the file copier and the four
// copy steps.
#include "copy_files_dlg.h"

#include <lzexpand.h>
#include "path_buffer.h"
#include "setup_values.h"

namespace {

const char kInstallDir[] = "C:\\TAVIX";

// Rows 2 to 9 of the deployed files: source name (appended to the current
// directory), destination, progress after the file.
struct ProductFile {
    const char *source;
    const char *destination;
    int progress;
};

const ProductFile kProductFiles[] = {
    { "\\tvsermou.sy_",  "C:\\TAVIX\\tvsermou.sys",  21 },
    { "\\tvi8042.sy_",   "C:\\TAVIX\\tvi8042.sys",   32 },
    { "\\TVNTCpl.dl_",   "C:\\TAVIX\\TVNTCpl.dll",   50 },
    { "\\TVUninst.ex_",  "C:\\TAVIX\\TVUninst.exe",  73 },
    { "\\TVPtr.ex_",     "C:\\TAVIX\\TVPtr.exe",     82 },
    { "\\TMouse.hl_",    "C:\\Tavix\\TMouse.hlp",    89 },
    { "\\TVPtr.dl_",     "C:\\TAVIX\\TVPtr.dll",     89 },
    { "\\TAVMOUSE.INF",  "C:\\TAVIX\\TAVMOUSE.INF",  90 },
};

// Current directory + source name. A path that does not fit is left empty,
// which the copier reports like a missing source.
void BuildSourcePath(char *source, LPCSTR name)
{
    if (PathFromDirectoryCall(source, GetCurrentDirectoryA(MAX_PATH, source)))
        PathAppendTail(source, name);
}

} // namespace

BEGIN_MESSAGE_MAP(CCopyFilesDlg, CDialog)
END_MESSAGE_MAP()

CCopyFilesDlg::CCopyFilesDlg(CWnd *pParent) : CDialog(IDD_COPY_FILES, pParent) {}

CCopyFilesDlg::~CCopyFilesDlg() {}

void CCopyFilesDlg::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL CCopyFilesDlg::OnInitDialog()
{
    CDialog::OnInitDialog();   // binds m_progress to its control
    m_progress.SetRange(1, 100);
    m_progress.SetStep(1);
    m_progress.SetPos(1);
    return TRUE;
}

void CCopyFilesDlg::ReportProgress(int nValue)
{
    m_progress.SetPos(nValue);
    char text[16];
    StringCchPrintfA(text, sizeof(text), "%d%%", nValue);
    SetDlgItemText(IDC_PERCENT_TEXT, text);
}

void CCopyFilesDlg::ExpandFile(LPCSTR lpszDest, LPCSTR lpszSource)
{
    SetDlgItemText(IDC_FROM_TEXT, lpszSource);
    SetDlgItemText(IDC_TO_TEXT, lpszDest);

    OFSTRUCT sourceOf = { 0 };
    // An empty source is a path that did not fit its buffer: not openable.
    INT source = lpszSource[0] ? LZOpenFileA((LPSTR)lpszSource, &sourceOf, OF_READ)
                               : LZERROR_BADINHANDLE;
    if (source == LZERROR_BADINHANDLE || source == LZERROR_GLOBALLOC) {
        ::MessageBoxA(NULL,
                      "Can't read source file to continue copying!\n\n"
                      "You must check your path of source file!",
                      "Setup Error", MB_OK | MB_ICONWARNING);
        CopyFailed = 1;
        return;
    }
    // A destination that cannot be created is not reported: nothing is
    // copied, and the failed handle goes to neither the copy nor the close.
    // An empty destination is a path that did not fit its buffer.
    OFSTRUCT destOf = { 0 };
    INT dest = lpszDest[0] ? LZOpenFileA((LPSTR)lpszDest, &destOf, OF_CREATE | OF_WRITE) : HFILE_ERROR;
    if (dest >= 0)
        LZCopy(source, dest);
    LZClose(source);
    if (dest >= 0)
        LZClose(dest);
}

void CCopyFilesDlg::CopyDriver(LPCSTR lpszSourceName, LPCSTR lpszDriverName, int nProgress)
{
    char source[MAX_PATH];
    char dest[MAX_PATH];
    BuildSourcePath(source, lpszSourceName);
    if (PathFromDirectoryCall(dest, GetSystemDirectoryA(dest, MAX_PATH)))
        PathAppendTail(dest, lpszDriverName);
    ExpandFile(dest, source);
    ReportProgress(nProgress);
}

void CCopyFilesDlg::CopyPs2Driver()
{
    CopyDriver("\\tvi8042.sy_", "\\Drivers\\tvi8042.sys", 9);
}

void CCopyFilesDlg::CopySerialDriver()
{
    CopyDriver("\\tvsermou.sy_", "\\Drivers\\tvsermou.sys", 15);
}

void CCopyFilesDlg::CopyProductFiles()
{
    CreateDirectoryA(kInstallDir, NULL);
    // Every row is attempted, whatever happened to the rows before it.
    for (size_t i = 0; i < sizeof(kProductFiles) / sizeof(kProductFiles[0]); ++i) {
        char source[MAX_PATH];
        char dest[MAX_PATH];
        BuildSourcePath(source, kProductFiles[i].source);
        PathCopy(dest, kProductFiles[i].destination);
        ExpandFile(dest, source);
        ReportProgress(kProductFiles[i].progress);
    }
}

void CCopyFilesDlg::CopyInfFile()
{
    char source[MAX_PATH];
    char dest[MAX_PATH];
    BuildSourcePath(source, "\\TAVMOUSE.INF");
    if (PathFromDirectoryCall(dest, GetWindowsDirectoryA(dest, MAX_PATH)))
        PathAppendTail(dest, "\\INF\\TAVMOUSE.INF");
    ExpandFile(dest, source);
    ReportProgress(92);
}
