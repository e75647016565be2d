#include "show/D3DRenderer.h"

#include <d3d11.h>
#include <d3dcompiler.h>
#include <dxgi1_3.h>

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "framework/ComPtr.h"
#include "framework/Unique.h"

namespace {

// One source for every stage. A quad is four corners of a unit square in a vertex buffer,
// stretched in the vertex shader to the target rectangle (clip space) and the source rectangle
// (texture coordinates), so a frame's numbers are all in one small constant buffer. Direct3D 10
// and later sample at pixel centres with no half-pixel offset: a whole-pixel quad of the texture's
// size lands each texel's centre on a pixel's centre, and the point sampler copies it.
constexpr char kShaderSource[] = R"(
cbuffer Frame : register(b0) {
    float4 target;  // left, top, right, bottom in clip space
    float4 source;  // left, top, right, bottom in texture coordinates
    float4 weight;  // x: the new screen's share of the blend
};
struct Corner {
    float4 position : SV_Position;
    float2 uv : TEXCOORD0;
};
Corner QuadVs(float2 corner : POSITION) {
    Corner o;
    o.position = float4(target.xy + (target.zw - target.xy) * corner, 0.0, 1.0);
    o.uv = source.xy + (source.zw - source.xy) * corner;
    return o;
}
Texture2D picture : register(t0);
SamplerState pictureSampler : register(s0);
float4 QuadPs(Corner i) : SV_Target {
    return float4(picture.Sample(pictureSampler, i.uv).rgb, 1.0);
}
Texture2D oldScreen : register(t0);
Texture2D newScreen : register(t1);
float4 BlendPs(Corner i) : SV_Target {
    int3 texel = int3(int2(i.position.xy), 0);
    float w = weight.x;
    return oldScreen.Load(texel) * (1.0 - w) + newScreen.Load(texel) * w;
}
)";

struct FrameConstants {
    float target[4];
    float source[4];
    float weight[4];
};

const float kCorners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};  // a triangle strip

bool IsDeviceLoss(HRESULT hr) { return hr == DXGI_ERROR_DEVICE_REMOVED || hr == DXGI_ERROR_DEVICE_RESET; }

// The frame number from which Present acts as if the device had been removed; 0: never.
unsigned long RemoveDeviceAtFrame() {
    char text[32] = {};
    const DWORD length = ::GetEnvironmentVariableA("ORVANTA_TEST_REMOVE_DEVICE", text, sizeof text);
    if (length == 0 || length >= sizeof text) return 0;
    char* end = nullptr;
    const unsigned long frame = std::strtoul(text, &end, 10);
    return (end && *end == '\0') ? frame : 0;
}

// Waits up to timeoutMs, waking at once for input, so a key during an occluded frame still ends
// the saver without delay.
void WaitForInputOrTimeout(DWORD timeoutMs) {
    ::MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

// D3DCompile from d3dcompiler_47.dll, loaded at run time. The module stays loaded for the
// process's life, since the shaders' byte code is needed only while a renderer is made but a
// later renderer (after a display change) needs it again.
pD3DCompile ShaderCompiler() {
    static pD3DCompile compile = [] {
        HMODULE module = ::LoadLibraryW(L"d3dcompiler_47.dll");
        // Through void*: GetProcAddress's FARPROC has no parameters, and a direct cast warns.
        return module ? reinterpret_cast<pD3DCompile>(
                            reinterpret_cast<void*>(::GetProcAddress(module, "D3DCompile")))
                      : nullptr;
    }();
    return compile;
}

ComPtr<ID3DBlob> CompileShader(const char* entry, const char* profile) {
    ComPtr<ID3DBlob> code;
    pD3DCompile compile = ShaderCompiler();
    if (!compile) return code;
    ComPtr<ID3DBlob> errors;
    const HRESULT hr = compile(kShaderSource, sizeof kShaderSource - 1, "frame.hlsl", nullptr, nullptr, entry,
                               profile, D3DCOMPILE_OPTIMIZATION_LEVEL3, 0, code.Put(), errors.Put());
    if (FAILED(hr)) code.Reset();
    return code;
}

// Every member runs on the window's thread, the one that made the window: the device, its context
// and the swap chain are used from there alone.
class CD3DRenderer final : public IFrameRenderer {
public:
    explicit CD3DRenderer(CWnd& wnd) : m_wnd(wnd), m_removeAtFrame(RemoveDeviceAtFrame()) {}
    CD3DRenderer(const CD3DRenderer&) = delete;
    CD3DRenderer& operator=(const CD3DRenderer&) = delete;

    // False when any part of the device, the pipeline or the swap chain cannot
    // be had.
    bool Create();

    const char* Name() const override { return "gpu"; }
    bool Resize(int width, int height) override;
    TextureId Upload(const orv::BgraView& image) override;
    void Release(TextureId texture) override;
    void BeginScreen(Screen screen) override;
    void Draw(TextureId texture, const orv::RectF& source, const orv::RectF& target, const orv::Rect& clip,
              Filter filter) override;
    void EndScreen() override;
    bool Present(double weight) override;
    bool Repaint(CDC& dc) override;
    double LastFrameWorkMs() const override { return 0; }

private:
    struct Texture {
        ComPtr<ID3D11Texture2D> texture;
        ComPtr<ID3D11ShaderResourceView> view;
        int width = 0;
        int height = 0;
    };
    struct ScreenTarget {
        ComPtr<ID3D11Texture2D> texture;
        ComPtr<ID3D11RenderTargetView> target;
        ComPtr<ID3D11ShaderResourceView> view;
    };

    bool CreateDevice();
    bool CreatePipeline();
    bool CreateSwapChain();
    bool CreateScreens();
    // Every call that can report a lost device goes through here: after one, the renderer is
    // inert and says so from Present on.
    bool Succeeded(HRESULT hr);
    bool SetConstants(const FrameConstants& constants);
    // Binds what every draw shares: the corners, the shaders' layout, the rasteriser, constants.
    void BindCommon(ID3D11PixelShader* pixelShader, int width, int height);
    // The blend of the two screens into the back buffer.
    bool ComposeFrame(double weight);

    CWnd& m_wnd;
    const unsigned long m_removeAtFrame;
    unsigned long m_frames = 0;
    bool m_lost = false;
    int m_maxTextureSize = D3D10_REQ_TEXTURE2D_U_OR_V_DIMENSION;

    ComPtr<ID3D11Device> m_device;
    ComPtr<ID3D11DeviceContext> m_context;
    ComPtr<IDXGISwapChain> m_swapChain;
    UINT m_swapChainFlags = 0;
    // Signalled when the swap chain can take another frame (flip model from Windows 8.1); null
    // where the system has none, and Present's own wait paces the frames.
    Unique<HANDLE, CloseHandleDeleter> m_frameLatency;
    ComPtr<ID3D11RenderTargetView> m_backBuffer;

    ComPtr<ID3D11VertexShader> m_quadVs;
    ComPtr<ID3D11PixelShader> m_quadPs;
    ComPtr<ID3D11PixelShader> m_blendPs;
    ComPtr<ID3D11InputLayout> m_layout;
    ComPtr<ID3D11Buffer> m_corners;
    ComPtr<ID3D11Buffer> m_constants;
    ComPtr<ID3D11RasterizerState> m_rasterizer;
    ComPtr<ID3D11SamplerState> m_pointSampler;
    ComPtr<ID3D11SamplerState> m_linearSampler;

    int m_width = 0;
    int m_height = 0;
    ScreenTarget m_screens[2];
    int m_drawing = -1;  // the screen between BeginScreen and EndScreen, or -1
    bool m_haveFrame = false;
    double m_lastWeight = 0;

    std::unordered_map<TextureId, Texture> m_textures;
    TextureId m_nextId = 1;
};

bool CD3DRenderer::Create() { return CreateDevice() && CreatePipeline() && CreateSwapChain(); }

bool CD3DRenderer::CreateDevice() {
    const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_1,
                                        D3D_FEATURE_LEVEL_10_0};
    D3D_FEATURE_LEVEL level{};
    HRESULT hr = ::D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr,
                                     D3D11_CREATE_DEVICE_BGRA_SUPPORT, levels, ARRAYSIZE(levels),
                                     D3D11_SDK_VERSION, m_device.Put(), &level, m_context.Put());
    if (FAILED(hr)) return false;
    if (level >= D3D_FEATURE_LEVEL_11_0) m_maxTextureSize = D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION;

    // Windows hands out its Basic Render Driver (WARP) for a hardware request on a machine without
    // a display driver: that is the CPU back-end's case, and GDI does it with less.
    ComPtr<IDXGIDevice> dxgiDevice = QueryAs<IDXGIDevice>(m_device, __uuidof(IDXGIDevice));
    if (!dxgiDevice) return false;
    ComPtr<IDXGIAdapter> adapter;
    if (FAILED(dxgiDevice->GetAdapter(adapter.Put()))) return false;
    if (ComPtr<IDXGIAdapter1> adapter1 = QueryAs<IDXGIAdapter1>(adapter, __uuidof(IDXGIAdapter1))) {
        DXGI_ADAPTER_DESC1 desc{};
        if (FAILED(adapter1->GetDesc1(&desc))) return false;
        constexpr UINT kMicrosoftVendor = 0x1414, kBasicRenderDevice = 0x8c;
        if (desc.Flags & DXGI_ADAPTER_FLAG_SOFTWARE) return false;
        if (desc.VendorId == kMicrosoftVendor && desc.DeviceId == kBasicRenderDevice) return false;
    }
    // One frame queued at most: Present then waits for the display rather than running ahead.
    if (ComPtr<IDXGIDevice1> device1 = QueryAs<IDXGIDevice1>(m_device, __uuidof(IDXGIDevice1)))
        device1->SetMaximumFrameLatency(1);
    return true;
}

bool CD3DRenderer::CreatePipeline() {
    ComPtr<ID3DBlob> vs = CompileShader("QuadVs", "vs_4_0");
    ComPtr<ID3DBlob> quadPs = CompileShader("QuadPs", "ps_4_0");
    ComPtr<ID3DBlob> blendPs = CompileShader("BlendPs", "ps_4_0");
    if (!vs || !quadPs || !blendPs) return false;
    if (FAILED(m_device->CreateVertexShader(vs->GetBufferPointer(), vs->GetBufferSize(), nullptr,
                                            m_quadVs.Put())))
        return false;
    if (FAILED(m_device->CreatePixelShader(quadPs->GetBufferPointer(), quadPs->GetBufferSize(), nullptr,
                                           m_quadPs.Put())))
        return false;
    if (FAILED(m_device->CreatePixelShader(blendPs->GetBufferPointer(), blendPs->GetBufferSize(), nullptr,
                                           m_blendPs.Put())))
        return false;
    const D3D11_INPUT_ELEMENT_DESC element = {
        "POSITION", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0};
    if (FAILED(m_device->CreateInputLayout(&element, 1, vs->GetBufferPointer(), vs->GetBufferSize(),
                                           m_layout.Put())))
        return false;

    D3D11_BUFFER_DESC corners{};
    corners.ByteWidth = sizeof kCorners;
    corners.Usage = D3D11_USAGE_IMMUTABLE;
    corners.BindFlags = D3D11_BIND_VERTEX_BUFFER;
    const D3D11_SUBRESOURCE_DATA cornerData = {kCorners, 0, 0};
    if (FAILED(m_device->CreateBuffer(&corners, &cornerData, m_corners.Put()))) return false;

    D3D11_BUFFER_DESC constants{};
    constants.ByteWidth = sizeof(FrameConstants);
    constants.Usage = D3D11_USAGE_DYNAMIC;
    constants.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
    constants.CPUAccessFlags = D3D11_CPU_ACCESS_WRITE;
    if (FAILED(m_device->CreateBuffer(&constants, nullptr, m_constants.Put()))) return false;

    D3D11_RASTERIZER_DESC rasterizer{};
    rasterizer.FillMode = D3D11_FILL_SOLID;
    rasterizer.CullMode = D3D11_CULL_NONE;
    rasterizer.DepthClipEnable = TRUE;
    rasterizer.ScissorEnable = TRUE;  // the clip of each draw
    if (FAILED(m_device->CreateRasterizerState(&rasterizer, m_rasterizer.Put()))) return false;

    D3D11_SAMPLER_DESC sampler{};
    sampler.AddressU = sampler.AddressV = sampler.AddressW = D3D11_TEXTURE_ADDRESS_CLAMP;
    sampler.ComparisonFunc = D3D11_COMPARISON_NEVER;
    sampler.MaxLOD = D3D11_FLOAT32_MAX;
    sampler.Filter = D3D11_FILTER_MIN_MAG_MIP_POINT;
    if (FAILED(m_device->CreateSamplerState(&sampler, m_pointSampler.Put()))) return false;
    sampler.Filter = D3D11_FILTER_MIN_MAG_MIP_LINEAR;
    if (FAILED(m_device->CreateSamplerState(&sampler, m_linearSampler.Put()))) return false;
    return true;
}

bool CD3DRenderer::CreateSwapChain() {
    const HWND hwnd = m_wnd.m_hWnd;
    if (!hwnd) return false;
    ComPtr<IDXGIDevice> dxgiDevice = QueryAs<IDXGIDevice>(m_device, __uuidof(IDXGIDevice));
    ComPtr<IDXGIAdapter> adapter;
    if (!dxgiDevice || FAILED(dxgiDevice->GetAdapter(adapter.Put()))) return false;
    ComPtr<IDXGIFactory1> factory;
    if (FAILED(adapter->GetParent(__uuidof(IDXGIFactory1), factory.PutVoid()))) return false;

    // The flip model where the factory has it: DISCARD from Windows 10, SEQUENTIAL on 8 and 8.1
    // (which refuse DISCARD); Windows 7's factory has neither and takes the blt model. Zero sizes
    // take the window's client size.
    if (ComPtr<IDXGIFactory2> factory2 = QueryAs<IDXGIFactory2>(factory, __uuidof(IDXGIFactory2))) {
        const UINT waitable = DXGI_SWAP_CHAIN_FLAG_FRAME_LATENCY_WAITABLE_OBJECT;
        for (DXGI_SWAP_EFFECT effect : {DXGI_SWAP_EFFECT_FLIP_DISCARD, DXGI_SWAP_EFFECT_FLIP_SEQUENTIAL}) {
            // The frame-latency object first; systems before 8.1 refuse its flag.
            for (UINT flags : {waitable, 0u}) {
                DXGI_SWAP_CHAIN_DESC1 desc{};
                desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
                desc.SampleDesc.Count = 1;
                desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
                desc.BufferCount = 2;
                desc.Scaling = DXGI_SCALING_STRETCH;
                desc.SwapEffect = effect;
                desc.AlphaMode = DXGI_ALPHA_MODE_IGNORE;
                desc.Flags = flags;
                ComPtr<IDXGISwapChain1> chain;
                if (FAILED(factory2->CreateSwapChainForHwnd(m_device.Get(), hwnd, &desc, nullptr, nullptr,
                                                            chain.Put())))
                    continue;
                m_swapChain = QueryAs<IDXGISwapChain>(chain, __uuidof(IDXGISwapChain));
                m_swapChainFlags = flags;
                if (flags == waitable) {
                    if (ComPtr<IDXGISwapChain2> chain2 =
                            QueryAs<IDXGISwapChain2>(chain, __uuidof(IDXGISwapChain2))) {
                        chain2->SetMaximumFrameLatency(1);
                        m_frameLatency.reset(chain2->GetFrameLatencyWaitableObject());
                    }
                }
                break;
            }
            if (m_swapChain) break;
        }
    }
    if (!m_swapChain) {
        DXGI_SWAP_CHAIN_DESC desc{};
        desc.BufferDesc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
        desc.SampleDesc.Count = 1;
        desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
        desc.BufferCount = 1;
        desc.OutputWindow = hwnd;
        desc.Windowed = TRUE;  // the saver is a topmost window; no mode switch
        desc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
        if (FAILED(factory->CreateSwapChain(m_device.Get(), &desc, m_swapChain.Put()))) return false;
    }
    // DXGI would otherwise switch to full screen on Alt+Enter and watch the window's messages.
    factory->MakeWindowAssociation(hwnd, DXGI_MWA_NO_ALT_ENTER | DXGI_MWA_NO_WINDOW_CHANGES);
    return true;
}

bool CD3DRenderer::Succeeded(HRESULT hr) {
    if (IsDeviceLoss(hr) || (FAILED(hr) && m_device && FAILED(m_device->GetDeviceRemovedReason())))
        m_lost = true;
    return SUCCEEDED(hr);
}

bool CD3DRenderer::Resize(int width, int height) {
    if (m_lost) return false;
    if (width <= 0 || height <= 0 || width > m_maxTextureSize || height > m_maxTextureSize) return false;
    if (width == m_width && height == m_height && m_backBuffer) return true;
    // ResizeBuffers fails while anything still holds the back buffer, the context's bindings too,
    // and the context destroys released views only when it flushes.
    m_context->ClearState();
    m_backBuffer.Reset();
    for (ScreenTarget& screen : m_screens)
        screen = ScreenTarget{};
    m_context->Flush();
    m_haveFrame = false;
    m_width = m_height = 0;
    if (!Succeeded(m_swapChain->ResizeBuffers(0, static_cast<UINT>(width), static_cast<UINT>(height),
                                              DXGI_FORMAT_UNKNOWN, m_swapChainFlags)))
        return false;
    ComPtr<ID3D11Texture2D> buffer;
    if (!Succeeded(m_swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), buffer.PutVoid()))) return false;
    if (!Succeeded(m_device->CreateRenderTargetView(buffer.Get(), nullptr, m_backBuffer.Put()))) return false;
    m_width = width;
    m_height = height;
    if (!CreateScreens()) {
        m_backBuffer.Reset();
        m_width = m_height = 0;
        return false;
    }
    return true;
}

bool CD3DRenderer::CreateScreens() {
    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = static_cast<UINT>(m_width);
    desc.Height = static_cast<UINT>(m_height);
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE;
    const float black[4] = {0, 0, 0, 1};
    for (ScreenTarget& screen : m_screens) {
        if (!Succeeded(m_device->CreateTexture2D(&desc, nullptr, screen.texture.Put()))) return false;
        if (!Succeeded(m_device->CreateRenderTargetView(screen.texture.Get(), nullptr, screen.target.Put())))
            return false;
        if (!Succeeded(m_device->CreateShaderResourceView(screen.texture.Get(), nullptr, screen.view.Put())))
            return false;
        m_context->ClearRenderTargetView(screen.target.Get(), black);
    }
    return true;
}

IFrameRenderer::TextureId CD3DRenderer::Upload(const orv::BgraView& image) {
    if (m_lost || !image.pixels || image.width <= 0 || image.height <= 0 || image.stride < image.width)
        return 0;
    if (image.width > m_maxTextureSize || image.height > m_maxTextureSize) return 0;
    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = static_cast<UINT>(image.width);
    desc.Height = static_cast<UINT>(image.height);
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.Usage = D3D11_USAGE_IMMUTABLE;
    desc.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    D3D11_SUBRESOURCE_DATA data{};
    data.pSysMem = image.pixels;
    data.SysMemPitch = static_cast<UINT>(image.stride) * sizeof(uint32_t);
    Texture texture;
    texture.width = image.width;
    texture.height = image.height;
    if (!Succeeded(m_device->CreateTexture2D(&desc, &data, texture.texture.Put()))) return 0;
    if (!Succeeded(m_device->CreateShaderResourceView(texture.texture.Get(), nullptr, texture.view.Put())))
        return 0;
    TextureId id = m_nextId;
    while (id == 0 || m_textures.count(id))
        ++id;  // 0 is never a texture, even after a wrap
    m_nextId = id + 1;
    m_textures.emplace(id, std::move(texture));
    return id;
}

void CD3DRenderer::Release(TextureId texture) { m_textures.erase(texture); }

bool CD3DRenderer::SetConstants(const FrameConstants& constants) {
    D3D11_MAPPED_SUBRESOURCE mapped{};
    if (!Succeeded(m_context->Map(m_constants.Get(), 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped))) return false;
    *static_cast<FrameConstants*>(mapped.pData) = constants;
    m_context->Unmap(m_constants.Get(), 0);
    return true;
}

void CD3DRenderer::BindCommon(ID3D11PixelShader* pixelShader, int width, int height) {
    const UINT stride = sizeof kCorners[0], offset = 0;
    ID3D11Buffer* corners = m_corners.Get();
    ID3D11Buffer* constants = m_constants.Get();
    m_context->IASetInputLayout(m_layout.Get());
    m_context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    m_context->IASetVertexBuffers(0, 1, &corners, &stride, &offset);
    m_context->VSSetShader(m_quadVs.Get(), nullptr, 0);
    m_context->VSSetConstantBuffers(0, 1, &constants);
    m_context->PSSetShader(pixelShader, nullptr, 0);
    m_context->PSSetConstantBuffers(0, 1, &constants);
    m_context->RSSetState(m_rasterizer.Get());
    const D3D11_VIEWPORT viewport = {0, 0, static_cast<float>(width), static_cast<float>(height), 0, 1};
    m_context->RSSetViewports(1, &viewport);
}

void CD3DRenderer::BeginScreen(Screen screen) {
    m_drawing = -1;
    if (m_lost || !m_backBuffer) return;
    const int index = screen == Screen::kNew ? 1 : 0;
    ScreenTarget& target = m_screens[index];
    // The screen may still be bound for reading from the last blend; a view cannot be both.
    ID3D11ShaderResourceView* none[2] = {};
    m_context->PSSetShaderResources(0, 2, none);
    ID3D11RenderTargetView* view = target.target.Get();
    m_context->OMSetRenderTargets(1, &view, nullptr);
    const float black[4] = {0, 0, 0, 1};
    m_context->ClearRenderTargetView(view, black);
    BindCommon(m_quadPs.Get(), m_width, m_height);
    m_drawing = index;
}

void CD3DRenderer::Draw(TextureId texture, const orv::RectF& source, const orv::RectF& target,
                        const orv::Rect& clip, Filter filter) {
    if (m_drawing < 0 || m_lost) return;
    const auto found = m_textures.find(texture);
    if (found == m_textures.end()) return;
    const Texture& picture = found->second;
    // Written so that NaN fails too: nothing is drawn for an empty or undefined rectangle.
    if (!(source.Width() > 0 && source.Height() > 0 && target.Width() > 0 && target.Height() > 0)) return;
    const LONG left = std::max(clip.left, 0), top = std::max(clip.top, 0);
    const LONG right = std::min(clip.right, m_width), bottom = std::min(clip.bottom, m_height);
    if (left >= right || top >= bottom) return;

    const double w = m_width, h = m_height;
    const double tw = picture.width, th = picture.height;
    const FrameConstants constants = {
        {static_cast<float>(2 * target.left / w - 1), static_cast<float>(1 - 2 * target.top / h),
         static_cast<float>(2 * target.right / w - 1), static_cast<float>(1 - 2 * target.bottom / h)},
        {static_cast<float>(source.left / tw), static_cast<float>(source.top / th),
         static_cast<float>(source.right / tw), static_cast<float>(source.bottom / th)},
        {0, 0, 0, 0}};
    if (!SetConstants(constants)) return;
    const D3D11_RECT scissor = {left, top, right, bottom};
    m_context->RSSetScissorRects(1, &scissor);
    ID3D11ShaderResourceView* view = picture.view.Get();
    ID3D11SamplerState* sampler = (filter == Filter::kPoint ? m_pointSampler : m_linearSampler).Get();
    m_context->PSSetShaderResources(0, 1, &view);
    m_context->PSSetSamplers(0, 1, &sampler);
    m_context->Draw(4, 0);
}

void CD3DRenderer::EndScreen() {
    if (m_drawing < 0) return;
    m_drawing = -1;
    m_context->OMSetRenderTargets(0, nullptr, nullptr);
}

bool CD3DRenderer::ComposeFrame(double weight) {
    if (!m_backBuffer) return false;
    if (m_drawing >= 0) EndScreen();
    const float w = static_cast<float>(std::clamp(weight, 0.0, 1.0));
    const FrameConstants constants = {{-1, 1, 1, -1}, {0, 0, 1, 1}, {w, 0, 0, 0}};
    if (!SetConstants(constants)) return false;
    ID3D11RenderTargetView* view = m_backBuffer.Get();
    m_context->OMSetRenderTargets(1, &view, nullptr);
    BindCommon(m_blendPs.Get(), m_width, m_height);
    const D3D11_RECT scissor = {0, 0, m_width, m_height};
    m_context->RSSetScissorRects(1, &scissor);
    ID3D11ShaderResourceView* screens[2] = {m_screens[0].view.Get(), m_screens[1].view.Get()};
    m_context->PSSetShaderResources(0, 2, screens);
    m_context->Draw(4, 0);
    // The back buffer is let go of before the present, as the flip model asks.
    m_context->OMSetRenderTargets(0, nullptr, nullptr);
    return true;
}

bool CD3DRenderer::Present(double weight) {
    if (m_lost) return false;
    ++m_frames;
    if (m_removeAtFrame != 0 && m_frames >= m_removeAtFrame) {
        m_lost = true;  // the test switch: from this frame on, as DXGI_ERROR_DEVICE_REMOVED
        return false;
    }
    if (m_frameLatency) {
        // The swap chain says when it can take the next frame: at the display's next vertical
        // blank once the last frame is on its way. A device still busy with the last frame after
        // kLongestWaitMs gets this one queued behind it all the same: a frame is never dropped
        // (a still slide is presented once), and this wait holds the window's thread no longer.
        constexpr DWORD kLongestWaitMs = 100;
        ::WaitForSingleObjectEx(m_frameLatency.get(), kLongestWaitMs, FALSE);
    }
    if (!ComposeFrame(weight)) return false;
    m_lastWeight = weight;
    // Interval 1: the frame goes to the display at its next vertical blank. Without the latency
    // object, the call itself waits, for one queued frame at most (CreateDevice).
    const HRESULT hr = m_swapChain->Present(1, 0);
    if (hr == DXGI_STATUS_OCCLUDED) {
        // Nothing was shown and nothing waited: pace the caller by a frame's time instead, or a
        // motion would spin a core while the window is hidden.
        WaitForInputOrTimeout(16);
    } else if (!Succeeded(hr)) {
        return false;
    }
    if (FAILED(m_device->GetDeviceRemovedReason())) {
        m_lost = true;
        return false;
    }
    m_haveFrame = true;
    return true;
}

bool CD3DRenderer::Repaint(CDC& /*dc*/) {
    // The swap chain's buffers hold nothing after a present (DISCARD, in either model), so the
    // last frame is blended again from the screens, which keep it, and shown without a wait.
    if (m_lost || !m_haveFrame) return false;
    // Takes the latency object's count for this frame too, where it is there already, so that the
    // next Present still waits for the display.
    if (m_frameLatency) ::WaitForSingleObjectEx(m_frameLatency.get(), 0, FALSE);
    if (!ComposeFrame(m_lastWeight)) return false;
    const HRESULT hr = m_swapChain->Present(0, 0);
    return hr == DXGI_STATUS_OCCLUDED || Succeeded(hr);
}

}  // namespace

std::unique_ptr<IFrameRenderer> CreateD3DRenderer(CWnd& wnd) {
    auto renderer = std::make_unique<CD3DRenderer>(wnd);
    if (!renderer->Create()) return nullptr;
    return renderer;
}
