#include "show/GdiRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "core/show/Fade.h"
#include "framework/Thread.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

// Any thread.
double NowMs() {
    static const double perMs = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / perMs;
}

// Frames whose pixel work takes more than this share of the frame period on one thread split
// their rows (after a few in a row), and go back to one thread when the whole work, summed over
// the threads, would take less than the lower share for a second or so.
constexpr double kSplitAbove = 0.5;
constexpr double kJoinBelow = 0.25;
constexpr int kSlowFramesToSplit = 3;
constexpr int kFastFramesToJoin = 60;
// A picture drawn at less than this scale is drawn from a halved copy (a mip level): bilinear
// sampling below it skips source pixels and aliases.
constexpr double kHalveBelow = 0.5;

}  // namespace

// A few helper threads that each run one band of rows of the same work, the window's thread
// running the first band and waiting for the others. The work touches plain memory only (the DIB
// sections' bits and the textures), never a GDI object.
class CRowPool : NonCopyable {
public:
    using Work = void (*)(void* context, int top, int bottom);

    // Window's thread. Starts up to `helpers` threads; fewer when the system gives fewer.
    explicit CRowPool(int helpers) {
        for (int i = 0; i < helpers; ++i) {
            auto helper = std::make_unique<Helper>();
            helper->pool = this;
            helper->band = i + 1;
            if (!helper->thread.Start(&CRowPool::HelperMain, helper.get())) break;
            m_helpers.push_back(std::move(helper));
        }
    }
    // Window's thread. The helpers are idle between runs, so they end at once.
    ~CRowPool() {
        {
            SrwLockGuard lock(m_lock);
            m_stop = true;
        }
        ::WakeAllConditionVariable(&m_wake);
        for (auto& helper : m_helpers)
            helper->thread.JoinOrRelease(5000);
    }

    int Bands() const { return static_cast<int>(m_helpers.size()) + 1; }

    // Window's thread: work over the rows [0, height) in Bands() bands; returns when all are done.
    void Run(int height, Work work, void* context) {
        {
            SrwLockGuard lock(m_lock);
            m_work = work;
            m_context = context;
            m_height = height;
            m_pending = static_cast<int>(m_helpers.size());
            ++m_generation;
        }
        ::WakeAllConditionVariable(&m_wake);
        RunBand(0, work, context, height);
        SrwLockGuard lock(m_lock);
        while (m_pending > 0)
            lock.Wait(m_done);
    }

private:
    struct Helper {
        CRowPool* pool = nullptr;
        int band = 0;
        UniqueThread thread;
    };

    void RunBand(int band, Work work, void* context, int height) const {
        const int bands = Bands();
        work(context, static_cast<int>(static_cast<int64_t>(height) * band / bands),
             static_cast<int>(static_cast<int64_t>(height) * (band + 1) / bands));
    }

    // A helper thread: waits for a run, does its band, tells the window's thread, until stopped.
    static unsigned __stdcall HelperMain(void* param) {
        Helper& helper = *static_cast<Helper*>(param);
        CRowPool& pool = *helper.pool;
        unsigned seen = 0;
        SrwLockGuard lock(pool.m_lock);
        for (;;) {
            while (!pool.m_stop && pool.m_generation == seen)
                lock.Wait(pool.m_wake);
            if (pool.m_stop) return 0;
            seen = pool.m_generation;
            const Work work = pool.m_work;
            void* const context = pool.m_context;
            const int height = pool.m_height;
            {
                SrwLockGuard::Unlocked unlocked(lock);
                pool.RunBand(helper.band, work, context, height);
            }
            if (--pool.m_pending == 0) ::WakeConditionVariable(&pool.m_done);
        }
    }

    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_wake = CONDITION_VARIABLE_INIT;
    CONDITION_VARIABLE m_done = CONDITION_VARIABLE_INIT;
    Work m_work = nullptr;
    void* m_context = nullptr;
    int m_height = 0;
    int m_pending = 0;
    unsigned m_generation = 0;
    bool m_stop = false;
    std::vector<std::unique_ptr<Helper>> m_helpers;  // declared last: joined before the rest goes
};

// Window's thread.
std::unique_ptr<CGdiRenderer> CGdiRenderer::Create(CWnd& wnd) {
    if (!wnd.m_hWnd) return nullptr;
    CClientDC dc(&wnd);
    if (!dc.m_hDC) return nullptr;
    std::unique_ptr<CGdiRenderer> renderer(new CGdiRenderer(wnd, dc));
    if (!renderer->m_dc.m_hDC) return nullptr;
    renderer->m_framesPerSecond = orv::FrameRateFor(dc.GetDeviceCaps(VREFRESH));
    return renderer;
}

// Window's thread.
CGdiRenderer::CGdiRenderer(CWnd& wnd, HDC compatible) : m_wnd(wnd), m_dc(compatible) {
    m_clockOrigin = NowMs();
    // A high-resolution timer ends its wait on time; an ordinary one (before Windows 10 1803)
    // on the system's clock tick at worst, still no later than the tick after the frame's.
    m_timer.reset(
        ::CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS));
    if (!m_timer) m_timer.reset(::CreateWaitableTimerW(nullptr, FALSE, nullptr));
    // DwmFlush waits for the compositor's next frame. Loaded, not linked: it is absent or fails
    // where there is no compositor, and the clock stands in.
    m_dwmapi.reset(::LoadLibraryW(L"dwmapi.dll"));
    if (m_dwmapi) {
        if (FARPROC proc = ::GetProcAddress(m_dwmapi.get(), "DwmFlush"))
            m_dwmFlush = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void (*)()>(proc));
    }
}

// Window's thread.
CGdiRenderer::~CGdiRenderer() {
    m_pool.reset();
    if (m_original) ::SelectObject(m_dc, m_original);
}

orv::ImageSpan CGdiRenderer::Span(int surface) const {
    return orv::ImageSpan{m_surfaces[surface].bits, m_width, m_height, m_width};
}

// Window's thread.
template <class Work>
void CGdiRenderer::OverRows(const Work& work) {
    const double start = NowMs();
    if (m_splitRows && m_pool && m_pool->Bands() > 1) {
        m_pool->Run(
            m_height,
            [](void* context, int top, int bottom) {
                // A helper has no one to tell of a failure: a band without memory stays as it was.
                try {
                    (*static_cast<const Work*>(context))(top, bottom);
                } catch (const std::bad_alloc&) {
                }
            },
            const_cast<Work*>(&work));
    } else {
        try {
            work(0, m_height);
        } catch (const std::bad_alloc&) {
        }
    }
    m_frameWorkMs += NowMs() - start;
}

// Window's thread.
bool CGdiRenderer::Resize(int width, int height) {
    if (width <= 0 || height <= 0 || !m_dc.m_hDC) return false;
    {
        CClientDC dc(&m_wnd);
        if (dc.m_hDC) m_framesPerSecond = orv::FrameRateFor(dc.GetDeviceCaps(VREFRESH));
    }
    if (width == m_width && height == m_height && m_surfaces[kFrame].bits) return true;
    // No bitmap is deleted while the context holds it.
    if (m_original) ::SelectObject(m_dc, m_original);
    for (Surface& surface : m_surfaces)
        surface = Surface{};
    m_width = m_height = 0;
    m_shown = -1;
    m_drawing = -1;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 is the client area's top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    for (Surface& surface : m_surfaces) {
        void* bits = nullptr;
        surface.bitmap.reset(::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!surface.bitmap || !bits) {
            for (Surface& made : m_surfaces)
                made = Surface{};
            return false;
        }
        surface.bits = static_cast<uint32_t*>(bits);  // a new DIB section is all zeros: black
    }
    HGDIOBJ previous = ::SelectObject(m_dc, m_surfaces[kFrame].bitmap.get());
    if (!previous) {
        for (Surface& made : m_surfaces)
            made = Surface{};
        return false;
    }
    if (!m_original) m_original = previous;
    m_width = width;
    m_height = height;
    return true;
}

// Window's thread.
IFrameRenderer::TextureId CGdiRenderer::Upload(const orv::BgraView& image) {
    if (!image.pixels || image.width <= 0 || image.height <= 0 || image.stride < image.width) return 0;
    try {
        Texture texture;
        texture.width = image.width;
        texture.height = image.height;
        texture.pixels.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
        for (int y = 0; y < image.height; ++y)
            std::memcpy(texture.pixels.data() + static_cast<size_t>(y) * image.width,
                        image.pixels + static_cast<size_t>(y) * image.stride, image.width * sizeof(uint32_t));
        TextureId id = m_nextTexture++;
        if (id == 0) id = m_nextTexture++;  // after a wrap: 0 is never a texture
        m_textures[id] = std::move(texture);
        return id;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// Window's thread.
void CGdiRenderer::Release(TextureId texture) { m_textures.erase(texture); }

// Window's thread.
void CGdiRenderer::Clear(int surface) {
    uint32_t* const bits = m_surfaces[surface].bits;
    const size_t width = static_cast<size_t>(m_width);
    OverRows([bits, width](int top, int bottom) {
        std::memset(bits + width * top, 0, width * static_cast<size_t>(bottom - top) * sizeof(uint32_t));
    });
}

// Window's thread.
void CGdiRenderer::ClearAround(int surface, const orv::Rect& keep) {
    uint32_t* const bits = m_surfaces[surface].bits;
    const size_t width = static_cast<size_t>(m_width);
    const size_t left = static_cast<size_t>(std::clamp(keep.left, 0, m_width));
    const size_t right = std::max(left, static_cast<size_t>(std::clamp(keep.right, 0, m_width)));
    OverRows([=](int top, int bottom) {
        for (int y = top; y < bottom; ++y) {
            uint32_t* const row = bits + width * static_cast<size_t>(y);
            if (y < keep.top || y >= keep.bottom) {
                std::memset(row, 0, width * sizeof(uint32_t));
                continue;
            }
            std::memset(row, 0, left * sizeof(uint32_t));
            std::memset(row + right, 0, (width - right) * sizeof(uint32_t));
        }
    });
}

// Window's thread.
void CGdiRenderer::BeginScreen(Screen screen) {
    const int surface = static_cast<int>(screen);
    if ((surface != kOld && surface != kNew) || !m_surfaces[surface].bits) return;
    // A BitBlt from this bitmap may still be queued in GDI's batch.
    ::GdiFlush();
    m_drawing = surface;
    m_blackPending = true;
}

// Window's thread.
void CGdiRenderer::Draw(TextureId id, const orv::RectF& source, const orv::RectF& target,
                        const orv::Rect& clip, Filter filter) {
    if (m_drawing < 0) return;
    // An empty or reversed source is a caller's mistake: it draws nothing, as on the GPU, rather
    // than a mirrored picture. (Also false for NaN.)
    if (!(source.Width() > 0 && source.Height() > 0)) return;
    const auto found = m_textures.find(id);
    if (found == m_textures.end()) return;
    Texture& texture = found->second;
    const orv::ImageSpan screen = Span(m_drawing);
    if (m_blackPending) {
        // Opaque quads: black is painted only where this one leaves the screen uncovered (the
        // bars beside a picture), not under it as well: at 3840 x 2160 the whole screen is 33 MB
        // written each frame for nothing.
        const orv::Rect covered = orv::CoveredPixels(screen, target, clip);
        if (covered.Width() > 0 && covered.Height() > 0)
            ClearAround(m_drawing, covered);
        else
            Clear(m_drawing);
        m_blackPending = false;
    }
    orv::ImageView picture{texture.pixels.data(), texture.width, texture.height, texture.width};
    orv::RectF from = source;
    const orv::Sampling sampling =
        filter == Filter::kPoint ? orv::Sampling::kPoint : orv::Sampling::kBilinear;
    if (sampling == orv::Sampling::kBilinear) {
        double scale = std::min(std::fabs(target.Width() / source.Width()),
                                std::fabs(target.Height() / source.Height()));
        size_t level = 0;
        while (scale < kHalveBelow && (picture.width > 1 || picture.height > 1)) {
            try {
                if (texture.halves.size() <= level) texture.halves.push_back(orv::HalveImage(picture));
            } catch (const std::bad_alloc&) {
                break;  // drawn from the larger level: aliased, but drawn
            }
            picture = texture.halves[level++].View();
            from = orv::RectF{from.left / 2, from.top / 2, from.right / 2, from.bottom / 2};
            scale *= 2;
        }
    }
    OverRows([&](int top, int bottom) {
        const orv::Rect band{clip.left, std::max(clip.top, top), clip.right, std::min(clip.bottom, bottom)};
        orv::DrawImage(picture, from, screen, target, band, sampling);
    });
}

// Window's thread.
void CGdiRenderer::EndScreen() {
    if (m_drawing >= 0 && m_blackPending) Clear(m_drawing);
    m_blackPending = false;
    m_drawing = -1;
}

// Window's thread.
bool CGdiRenderer::Present(double weight) {
    if (m_drawing >= 0) EndScreen();
    if (m_surfaces[kFrame].bits && m_wnd.m_hWnd) {
        const uint32_t w = orv::BlendWeightFor(weight);
        const int shown = w == 0 ? kOld : w >= orv::kBlendOne ? kNew : kFrame;
        if (shown == kFrame) {
            const uint32_t* from = m_surfaces[kOld].bits;
            const uint32_t* to = m_surfaces[kNew].bits;
            uint32_t* out = m_surfaces[kFrame].bits;
            const size_t width = static_cast<size_t>(m_width);
            OverRows([=](int top, int bottom) {
                const size_t first = width * static_cast<size_t>(top);
                orv::BlendRows(from + first, to + first, out + first,
                               width * static_cast<size_t>(bottom - top), w);
            });
        }
        Tune(m_frameWorkMs);
        CClientDC dc(&m_wnd);
        if (dc.m_hDC) {
            ::SelectObject(m_dc, m_surfaces[shown].bitmap.get());
            ::BitBlt(dc, 0, 0, m_width, m_height, m_dc, 0, 0, SRCCOPY);
        }
        m_shown = shown;
    }
    m_lastFrameWorkMs = m_frameWorkMs;
    m_frameWorkMs = 0;
    // Without buffers there is nothing to show, but the frame still keeps the display's beat, so
    // that a caller's loop never spins.
    Pace();
    return true;
}

// Window's thread.
bool CGdiRenderer::Repaint(CDC& dc) {
    if (m_shown < 0 || !m_surfaces[m_shown].bits || !dc.m_hDC) return false;
    ::GdiFlush();
    ::SelectObject(m_dc, m_surfaces[m_shown].bitmap.get());
    return ::BitBlt(dc, 0, 0, m_width, m_height, m_dc, 0, 0, SRCCOPY) != FALSE;
}

// Window's thread.
void CGdiRenderer::Pace() {
    // With a compositor, DwmFlush returns at its next frame, which follows the display's
    // refresh. Without one it fails, and under Wine it returns at once: the clock stands in.
    if (m_dwmFlush) {
        const double start = NowMs();
        if (SUCCEEDED(m_dwmFlush()) && NowMs() - start > 1.0) return;
    }
    WaitForTick();
}

// Window's thread. Waits for the next tick of a clock at the display's rate that began with the
// renderer; new input (a key, a mouse move) ends the wait at once, so the window answers it before
// the next frame. Never longer than one period (at most 1/24 s).
void CGdiRenderer::WaitForTick() {
    const double period = 1000.0 / m_framesPerSecond;
    const double now = NowMs();
    const double due = m_clockOrigin + (std::floor((now - m_clockOrigin) / period) + 1) * period;
    const double waitMs = std::clamp(due - now, 0.0, 100.0);
    const DWORD bound = static_cast<DWORD>(std::ceil(waitMs)) + 1;
    if (m_timer) {
        LARGE_INTEGER when;
        when.QuadPart = -static_cast<LONGLONG>(waitMs * 10000.0);  // relative, in 100 ns units
        HANDLE timer = m_timer.get();
        if (::SetWaitableTimer(timer, &when, 0, nullptr, nullptr, FALSE)) {
            ::MsgWaitForMultipleObjectsEx(1, &timer, bound, QS_INPUT, 0);
            return;
        }
    }
    ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::lround(waitMs)), QS_INPUT, 0);
}

// Window's thread.
void CGdiRenderer::Tune(double workMs) {
    const double period = 1000.0 / m_framesPerSecond;
    if (!m_splitRows) {
        m_slowFrames = workMs > kSplitAbove * period ? m_slowFrames + 1 : 0;
        if (m_slowFrames < kSlowFramesToSplit) return;
        m_slowFrames = 0;
        if (!m_pool) {
            const int cores = static_cast<int>(::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS));
            const int helpers = std::min(cores, 4) - 1;
            if (helpers < 1) return;
            m_pool = std::make_unique<CRowPool>(helpers);
        }
        m_splitRows = m_pool->Bands() > 1;
        return;
    }
    m_fastFrames = workMs * m_pool->Bands() < kJoinBelow * period ? m_fastFrames + 1 : 0;
    if (m_fastFrames >= kFastFramesToJoin) {
        m_fastFrames = 0;
        m_splitRows = false;
    }
}

// Window's thread.
std::unique_ptr<IFrameRenderer> CreateGdiRenderer(CWnd& wnd) { return CGdiRenderer::Create(wnd); }
