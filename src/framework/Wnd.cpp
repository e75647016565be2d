#include "framework/Wnd.h"

#include <cstdio>
#include <exception>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

#include "framework/WinApp.h"

// The program has one user-interface thread, so the per-thread state of the framework is plain
// static data.
namespace {

std::unordered_map<HWND, CWnd*>& PermanentMap() {
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

// Wrappers for windows that belong to no CWnd of ours, kept until the process ends.
std::unordered_map<HWND, std::unique_ptr<CWnd>>& TemporaryMap() {
    static std::unordered_map<HWND, std::unique_ptr<CWnd>> map;
    return map;
}

MSG s_msgCur{};
CWnd* s_pWndInit = nullptr;      // the object whose window CreateWindowExA is creating
CWnd* s_pWndCreating = nullptr;  // same, but kept until CreateWindowExA has returned

// Puts the previous "current message" back when a (possibly nested) dispatch ends, even if the
// handler deleted the window object.
class CurrentMessageScope {
public:
    CurrentMessageScope(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) : m_saved(s_msgCur) {
        s_msgCur.hwnd = hWnd;
        s_msgCur.message = message;
        s_msgCur.wParam = wParam;
        s_msgCur.lParam = lParam;
    }
    ~CurrentMessageScope() { s_msgCur = m_saved; }
    CurrentMessageScope(const CurrentMessageScope&) = delete;
    CurrentMessageScope& operator=(const CurrentMessageScope&) = delete;

private:
    MSG m_saved;
};

// An exception must not unwind through user32's frames. It ends the message here: a creation
// fails, anything else is reported with the exception's own text.
LRESULT ReportException(HWND hWnd, UINT message, const char* what) {
    if (message == WM_CREATE) return -1;
    if (message == WM_NCCREATE) return FALSE;
    if (message == WM_PAINT) ::ValidateRect(hWnd, nullptr);  // or WM_PAINT would come straight back
    const char* text = (what && *what) ? what : "Internal application error.";
    CWinApp* pApp = AfxGetApp();
    ::MessageBoxA(hWnd, text, pApp ? pApp->m_pszAppName.c_str() : "", MB_OK | MB_ICONSTOP);
    return 0;
}

}  // namespace

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr}};
    static const AFX_MSGMAP messageMap = {nullptr, entries};
    return &messageMap;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

CWnd::~CWnd() {
    // A window that outlives its object would dispatch into freed memory. Its remaining messages
    // reach this (by now plain CWnd) object, whose PostNcDestroy does nothing.
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) ::DestroyWindow(m_hWnd);
    if (m_hWnd) Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    if (!hWnd) return nullptr;
    auto it = PermanentMap().find(hWnd);
    return it == PermanentMap().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (!hWnd) return nullptr;
    if (CWnd* pWnd = FromHandlePermanent(hWnd)) return pWnd;
    std::unique_ptr<CWnd>& pTemp = TemporaryMap()[hWnd];
    if (!pTemp) {
        pTemp = std::make_unique<CWnd>();
        pTemp->m_hWnd = hWnd;
    }
    return pTemp.get();
}

BOOL CWnd::Attach(HWND hWnd) {
    if (!hWnd || m_hWnd) return FALSE;
    m_hWnd = hWnd;
    PermanentMap()[hWnd] = this;
    TemporaryMap().erase(hWnd);
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    if (hWnd) {
        auto it = PermanentMap().find(hWnd);
        if (it != PermanentMap().end() && it->second == this) PermanentMap().erase(it);
    }
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam) {
    if (m_hWnd) return FALSE;
    CWnd* pOldInit = s_pWndInit;
    CWnd* pOldCreating = s_pWndCreating;
    s_pWndInit = this;
    s_pWndCreating = this;
    HWND hWnd = ::CreateWindowExA(dwExStyle, lpszClassName, lpszWindowName, dwStyle, x, y, nWidth, nHeight,
                                  hWndParent, nIDorHMenu, AfxGetInstanceHandle(), lpParam);
    s_pWndInit = pOldInit;
    s_pWndCreating = pOldCreating;
    // On failure WM_NCDESTROY (if creation got that far) has detached us without PostNcDestroy.
    return hWnd != nullptr;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    // May delete this object (PostNcDestroy); nothing of it is touched afterwards.
    return ::DestroyWindow(m_hWnd);
}

const AFX_MSGMAP_ENTRY* CWnd::FindEntry(UINT message, UINT nCode, UINT nID) const {
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap;
         pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->pfn; ++pEntry) {
            if (pEntry->nMessage != message) continue;
            if (message == WM_COMMAND && (pEntry->nCode != nCode || pEntry->nID != nID)) continue;
            return pEntry;
        }
    }
    return nullptr;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const AFX_MSGMAP_ENTRY* pEntry = FindEntry(WM_COMMAND, HIWORD(wParam), LOWORD(wParam));
    if (!pEntry) return FALSE;
    pEntry->pfn(this, wParam, lParam);
    return TRUE;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    LRESULT result = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
    } else {
        const AFX_MSGMAP_ENTRY* pEntry = FindEntry(message, 0, 0);
        if (!pEntry) return FALSE;
        result = pEntry->pfn(this, wParam, lParam);  // may have deleted this object
    }
    if (pResult) *pResult = result;
    return TRUE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    CurrentMessageScope scope(m_hWnd, message, wParam, lParam);
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(s_msgCur.message, s_msgCur.wParam, s_msgCur.lParam); }

const MSG* CWnd::GetCurrentMessage() { return &s_msgCur; }

LRESULT CALLBACK CWnd::WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (!pWnd && message == WM_NCCREATE && s_pWndInit) {
        pWnd = s_pWndInit;
        s_pWndInit = nullptr;  // a child created during our WM_CREATE is not us
        pWnd->Attach(hWnd);
    }
    if (!pWnd) return ::DefWindowProcA(hWnd, message, wParam, lParam);

    LRESULT result = 0;
    try {
        result = pWnd->WindowProc(message, wParam, lParam);
    } catch (const std::exception& e) {
        result = ReportException(hWnd, message, e.what());
    } catch (...) {
        result = ReportException(hWnd, message, nullptr);
    }

    if (message == WM_NCDESTROY) {
        pWnd->Detach();
        // The application's main window is gone: the loop ends with it.
        CWinApp* pApp = AfxGetApp();
        if (pApp && pApp->m_pMainWnd == pWnd) {
            pApp->m_pMainWnd = nullptr;
            ::PostQuitMessage(0);
        }
        // A window whose creation failed leaves its object to the caller of CreateEx.
        if (pWnd != s_pWndCreating) pWnd->PostNcDestroy();
    }
    return result;
}

const char* AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
    static std::list<std::string> names;  // stable c_str() for the process's life
    HINSTANCE hInstance = AfxGetInstanceHandle();
    char name[96];
    std::snprintf(name, sizeof name, "Orv:%p:%x:%p:%p:%p", static_cast<void*>(hInstance), nClassStyle,
                  static_cast<void*>(hCursor), static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
    for (const std::string& known : names)
        if (known == name) return known.c_str();

    WNDCLASSA wc{};
    wc.style = nClassStyle;
    wc.lpfnWndProc = &CWnd::WndProc;
    wc.hInstance = hInstance;
    wc.hIcon = hIcon;
    wc.hCursor = hCursor;
    wc.hbrBackground = hbrBackground;
    wc.lpszClassName = name;
    if (!::RegisterClassA(&wc)) return nullptr;
    names.emplace_back(name);
    return names.back().c_str();
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }

CPaintDC::~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) { m_hDC = ::GetDC(m_hWnd); }

CClientDC::~CClientDC() {
    if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC);
}
