#pragma once
// The application object: one static instance per process, the message loop, the main window,
// the registry-backed profile, string resources and the wait cursor. Win32 only.
//
// The framework's WinMain (WinApp.cpp) records the instance handle and the application name
// (string resource 57344 unless the constructor was given one), calls InitInstance, and runs the
// message loop only when it returns TRUE.
#include "framework/Win32.h"

#include <cstdint>
#include <memory>
#include <string>

#include "core/framework/ProfileStore.h"

class CWnd;

// The framework's own string id for the application name (AFX_IDS_APP_TITLE).
inline constexpr UINT kAfxIdsAppTitle = 0xE000;

class CWinApp {
public:
    explicit CWinApp(const char* lpszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // TRUE: a main window exists and Run is to follow. FALSE: the process ends.
    virtual BOOL InitInstance() { return FALSE; }
    // The message loop. Returns the quit message's code.
    virtual int Run();
    // The process's exit code when InitInstance returned FALSE (or after Run, Run's result).
    virtual int ExitInstance() { return m_nExitCode; }

    // The profile goes to HKEY_CURRENT_USER\Software\<company>\<m_pszAppName> from here on.
    // Before this call its reads return their defaults and its writes are dropped.
    void SetRegistryKey(const char* lpszCompany);
    // The profile, for the core's settings rules.
    orv::IProfileStore& GetProfileStore();

    void BeginWaitCursor();
    void EndWaitCursor();

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;  // cleared by the framework when that window is destroyed
    std::string m_pszAppName;
    int m_nExitCode = 0;

private:
    std::unique_ptr<orv::IProfileStore> m_pProfile;
    int m_nWaitCursorCount = 0;
    HCURSOR m_hcurWaitCursorRestore = nullptr;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();

// String resource nID of this module; empty when there is none.
std::string AfxLoadString(UINT nID);

// A message box over the active window (or the main window) with the application's name as title.
int AfxMessageBox(const char* lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

// Shows the hourglass for its lifetime.
class CWaitCursor {
public:
    CWaitCursor() { AfxGetApp()->BeginWaitCursor(); }
    ~CWaitCursor() { AfxGetApp()->EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
