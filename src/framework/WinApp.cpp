#include "framework/WinApp.h"

#include <vector>

#include "framework/RegistryProfileStore.h"
#include "framework/Thread.h"
#include "framework/Wnd.h"

namespace {

CWinApp* s_pApp = nullptr;

// Reads give their defaults, writes are dropped: the profile before SetRegistryKey.
class NullProfileStore final : public orv::IProfileStore {
public:
    uint32_t GetProfileInt(const char*, const char*, uint32_t def) override { return def; }
    std::string GetProfileString(const char*, const char*, const std::string& def) override { return def; }
    bool WriteProfileInt(const char*, const char*, uint32_t) override { return false; }
    bool WriteProfileString(const char*, const char*, const std::string&) override { return false; }
    std::vector<std::string> GetProfileStrings(const char*, const char*) override { return {}; }
    bool WriteProfileStrings(const char*, const char*, const std::vector<std::string>&) override {
        return false;
    }
};

}  // namespace

CWinApp::CWinApp(const char* lpszAppName) {
    if (lpszAppName) m_pszAppName = lpszAppName;
    s_pApp = this;
}

CWinApp::~CWinApp() {
    if (s_pApp == this) s_pApp = nullptr;
}

CWinApp* AfxGetApp() { return s_pApp; }

HINSTANCE AfxGetInstanceHandle() {
    if (s_pApp && s_pApp->m_hInstance) return s_pApp->m_hInstance;
    return ::GetModuleHandleA(nullptr);
}

int CWinApp::Run() {
    MSG msg;
    for (;;) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) break;  // WM_QUIT
        if (got == -1) return -1;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    m_nExitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

void CWinApp::SetRegistryKey(const char* lpszCompany) {
    m_pProfile = std::make_unique<RegistryProfileStore>(lpszCompany, m_pszAppName);
}

orv::IProfileStore& CWinApp::GetProfileStore() {
    if (!m_pProfile) m_pProfile = std::make_unique<NullProfileStore>();
    return *m_pProfile;
}

void CWinApp::BeginWaitCursor() {
    HCURSOR hcurPrev = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    if (m_nWaitCursorCount++ == 0) m_hcurWaitCursorRestore = hcurPrev;
}

void CWinApp::EndWaitCursor() {
    if (m_nWaitCursorCount == 0) return;
    if (--m_nWaitCursorCount == 0) ::SetCursor(m_hcurWaitCursorRestore);
}

std::string AfxLoadString(UINT nID) {
    // LoadStringA truncates silently; grow until the text fits with room to spare.
    std::vector<char> buffer(256);
    for (;;) {
        const int n =
            ::LoadStringA(AfxGetInstanceHandle(), nID, buffer.data(), static_cast<int>(buffer.size()));
        if (n <= 0) return std::string();
        const size_t length = static_cast<size_t>(n);
        if (length < buffer.size() - 1) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

int AfxMessageBox(const char* lpszText, UINT nType, UINT /*nIDHelp*/) {
    HWND hOwner = ::GetActiveWindow();
    CWinApp* pApp = AfxGetApp();
    if (!hOwner && pApp && pApp->m_pMainWnd) hOwner = pApp->m_pMainWnd->m_hWnd;
    const char* title = pApp ? pApp->m_pszAppName.c_str() : "";
    return ::MessageBoxA(hOwner, lpszText, title, nType);
}

// The framework's entry, called by WinMain below.
int AfxWinMain(HINSTANCE hInstance) {
    CWinApp* pApp = AfxGetApp();
    if (!pApp) return -1;
    pApp->m_hInstance = hInstance;
    if (pApp->m_pszAppName.empty()) pApp->m_pszAppName = AfxLoadString(kAfxIdsAppTitle);

    if (!pApp->InitInstance()) {
        // Nothing may lead to a window that has ended (a dialog run inside InitInstance).
        pApp->m_pMainWnd = nullptr;
        return pApp->ExitInstance();
    }
    return pApp->Run();
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    const int code = AfxWinMain(hInstance);
    // Returning hands the end to the C runtime's exit, which runs the static destructors (the
    // application object, function-local statics such as the extension lists) while every other
    // thread still runs, and only then ends the process. A worker released by its window, still
    // inside an open or a listing, would come back to destroyed objects there. So after any thread
    // was released the process ends here, at once: TerminateProcess runs no more code of this
    // program or of any DLL. Not ExitProcess, which first kills the other threads wherever they
    // are and then runs every DLL's detach code, which can wait for ever on a lock a killed thread
    // held (the heap's, the loader's). Nothing is lost: the settings went to the registry in calls
    // that have returned, the program writes no file and buffers no output, and the system frees
    // what a process held.
    if (UnjoinedThreadCount() > 0) ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(code));
    return code;
}
