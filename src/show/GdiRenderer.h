#pragma once
// The CPU back-end of the frame renderer: screens composed in DIB sections, one BitBlt a frame,
// paced by the display (show/FramePacer.h). Window's thread only.
#include <memory>

#include "show/FrameRenderer.h"

// Null when GDI runs short.
std::unique_ptr<IFrameRenderer> CreateGdiRenderer(CWnd& wnd);
