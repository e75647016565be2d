#pragma once
// The GPU back-end of the picture window's frames: Direct3D 11 on a hardware device, a DXGI swap
// chain on the window, pictures as immutable textures, the two screens as render-target textures
// the client's size, and each frame one shader's blend of them, presented at interval 1. Shaders
// are compiled when the renderer is made, by d3dcompiler_47.dll loaded at run time: a system
// without it simply has no GPU back-end. Window's thread only.
//
// For tests, ORVANTA_TEST_REMOVE_DEVICE=<n> in the environment makes the n-th Present (counting
// from 1) and every one after it fail as a removed device would, so the presenter's fall-back to
// the CPU back-end can be checked on a machine whose device never goes away.
#include <memory>

#include "show/FrameRenderer.h"

// A renderer for wnd's client area; null when Direct3D 11 gives no hardware device (a software,
// WARP or reference one counts as none), the shaders cannot be compiled, or no swap chain can be
// had for the window. Window's thread.
std::unique_ptr<IFrameRenderer> CreateD3DRenderer(CWnd& wnd);
