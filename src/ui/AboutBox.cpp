#include "ui/AboutBox.h"

#include "resources/resource.h"

BEGIN_MESSAGE_MAP(CAboutBox, CDialog)
END_MESSAGE_MAP()

CAboutBox::CAboutBox() : CDialog(IDD_ABOUTBOX) {}

CAboutBox::~CAboutBox() = default;

void CAboutBox::DoDataExchange(CDataExchange*) {}  // the box exchanges no data

BOOL CAboutBox::OnInitDialog() {
    CDialog::OnInitDialog();
    // The template is not WS_VISIBLE, so the box first appears where this puts it; its own
    // position in the template is never used.
    CenterWindow();
    return TRUE;  // focus to the first tab stop, OK
}
