#pragma once
// The about box: the program's icon, version line and the credit for the place names (GeoNames,
// CC BY 4.0), template 100. Opened only by the settings
// dialog's About button. Win32 only.
#include "framework/Dialog.h"

class CAboutBox : public CDialog {
public:
    // No parent: the application's main window (the settings dialog) owns the box.
    CAboutBox();
    ~CAboutBox() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    DECLARE_MESSAGE_MAP()
};
