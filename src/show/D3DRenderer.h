#pragma once
// The GPU back-end of the frame renderer: Direct3D 11 with a DXGI swap chain. Window's thread only.
#include <memory>

#include "show/FrameRenderer.h"

// Null when Direct3D 11 cannot give a device or a swap chain for the window.
std::unique_ptr<IFrameRenderer> CreateD3DRenderer(CWnd& wnd);
