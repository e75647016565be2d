#include "show/D3DRenderer.h"

// No Direct3D back-end in this build: the presenter takes the CPU one.
std::unique_ptr<IFrameRenderer> CreateD3DRenderer(CWnd&) { return nullptr; }
