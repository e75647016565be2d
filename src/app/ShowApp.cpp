#include "app/ShowApp.h"

#include <commctrl.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "core/app/CommandLine.h"
#include "app/FullScreenWnd.h"
#include "core/show/Random.h"
#include "show/PictureWnd.h"
#include "ui/RunSettingsDialog.h"

CShowApp theApp;

CShowApp::CShowApp() = default;
CShowApp::~CShowApp() = default;

namespace {

// Handles travel as decimal text; a 64-bit HWND keeps the sign-extended 32-bit value.
HWND HandleFromNumber(int32_t number) { return reinterpret_cast<HWND>(static_cast<intptr_t>(number)); }

}  // namespace

BOOL CShowApp::InitInstance() {
    // The settings dialog's up-down control. (3-D dialog controls need nothing since Windows 4.)
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&icc);

    // Before any picture window: their constructors read the settings and may shuffle.
    SetRegistryKey("Nimbrel");
    orv::SeedRandom(static_cast<uint32_t>(std::time(nullptr)));

    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i)
        args.emplace_back(__argv[i]);
    const orv::ModeDecision decision = orv::DecideMode(args);

    switch (decision.mode) {
    case orv::SaverMode::Settings:
        RunSettingsDialog(HandleFromNumber(decision.window));
        m_pMainWnd = nullptr;
        return FALSE;

    case orv::SaverMode::Preview: {
        // Without a real parent there is no client rectangle to fill: end as for no mode.
        HWND hParent = HandleFromNumber(decision.window);
        if (!hParent || !::IsWindow(hParent)) return FALSE;
        // The parent can go between the test above and here: then there is nothing to fill either.
        RECT rect;
        if (!::GetClientRect(hParent, &rect)) return FALSE;
        auto* pWnd = new CPictureWnd(TRUE, TRUE);
        if (!pWnd->Create(0, WS_CHILD | WS_VISIBLE, rect, CWnd::FromHandle(hParent))) {
            delete pWnd;
            m_nExitCode = 1;
            return FALSE;
        }
        m_pMainWnd = pWnd;
        return TRUE;
    }

    case orv::SaverMode::FullScreen: {
        auto* pWnd = new CFullScreenWnd;
        if (!pWnd->CreateFullScreen()) {
            delete pWnd;
            m_nExitCode = 1;
            return FALSE;
        }
        m_pMainWnd = pWnd;
        return TRUE;
    }

    case orv::SaverMode::None:
        break;
    }
    return FALSE;
}
