// A plain CPU renderer: screens in memory, a scalar resampler, the frame blended into a DIB
// section and put on the window in one BitBlt. It keeps the presenter working end to end; the
// SIMD resampler belongs to the CPU back-end proper.
#include "show/GdiRenderer.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <unordered_map>
#include <vector>

#include "core/show/Fade.h"
#include "framework/Unique.h"
#include "show/FramePacer.h"

namespace {

struct Texture {
    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
};

// a + (b - a) * w / 256 for each of the four channels, two at a time in one multiply.
inline uint32_t Lerp(uint32_t a, uint32_t b, uint32_t w) {
    const uint32_t rbA = a & 0x00FF00FFu, gA = (a >> 8) & 0x00FF00FFu;
    const uint32_t rbB = b & 0x00FF00FFu, gB = (b >> 8) & 0x00FF00FFu;
    const uint32_t rb = ((rbA * (256 - w) + rbB * w) >> 8) & 0x00FF00FFu;
    const uint32_t g = ((gA * (256 - w) + gB * w) >> 8) & 0x00FF00FFu;
    return rb | (g << 8);
}

class CGdiRenderer final : public IFrameRenderer {
public:
    explicit CGdiRenderer(CWnd& wnd) : m_wnd(wnd) {}
    ~CGdiRenderer() override {
        if (m_original) ::SelectObject(m_dc->m_hDC, m_original);
    }

    const char* Name() const override { return "cpu"; }

    bool Resize(int width, int height) override {
        if (width == m_width && height == m_height && m_frame) return true;
        if (width <= 0 || height <= 0) return false;
        try {
            for (std::vector<uint32_t>& screen : m_screens)
                screen.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        {
            CClientDC client(&m_wnd);
            m_refreshHz = client.GetDeviceCaps(VREFRESH);
            if (!m_dc) m_dc = std::make_unique<CMemoryDC>(client);
            if (!m_dc->m_hDC) return false;
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        UniqueBitmap frame(::CreateDIBSection(m_dc->m_hDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!frame || !bits) return false;
        HGDIOBJ previous = ::SelectObject(m_dc->m_hDC, frame.get());
        if (!m_original) m_original = previous;
        m_frame = std::move(frame);
        m_bits = static_cast<uint32_t*>(bits);
        m_width = width;
        m_height = height;
        m_hasFrame = false;
        return true;
    }

    TextureId Upload(const orv::BgraView& image) override {
        if (!image.pixels || image.width <= 0 || image.height <= 0 || image.stride < image.width) return 0;
        try {
            Texture t;
            t.width = image.width;
            t.height = image.height;
            t.pixels.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
            for (int y = 0; y < image.height; ++y)
                std::copy_n(image.pixels + static_cast<size_t>(y) * image.stride, image.width,
                            t.pixels.begin() + static_cast<size_t>(y) * image.width);
            const TextureId id = ++m_lastId;
            m_textures.emplace(id, std::move(t));
            return id;
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }

    void Release(TextureId texture) override { m_textures.erase(texture); }

    void BeginScreen(Screen screen) override {
        m_current = static_cast<int>(screen);
        std::fill(m_screens[m_current].begin(), m_screens[m_current].end(), 0u);
    }

    void Draw(TextureId texture, const orv::RectF& source, const orv::RectF& target, const orv::Rect& clip,
              Filter filter) override {
        const auto found = m_textures.find(texture);
        if (found == m_textures.end() || target.Width() <= 0 || target.Height() <= 0) return;
        const Texture& t = found->second;
        std::vector<uint32_t>& screen = m_screens[m_current];
        const int x0 = std::max({0, clip.left, static_cast<int>(std::floor(target.left))});
        const int y0 = std::max({0, clip.top, static_cast<int>(std::floor(target.top))});
        const int x1 = std::min({m_width, clip.right, static_cast<int>(std::ceil(target.right))});
        const int y1 = std::min({m_height, clip.bottom, static_cast<int>(std::ceil(target.bottom))});
        if (x0 >= x1 || y0 >= y1) return;
        const double sx = source.Width() / target.Width();
        const double sy = source.Height() / target.Height();
        // Each column's source pair and weight once per quad; each row's once per row.
        m_columns.resize(static_cast<size_t>(x1 - x0));
        for (int x = x0; x < x1; ++x) {
            const double u = source.left + (x + 0.5 - target.left) * sx;
            Column& c = m_columns[static_cast<size_t>(x - x0)];
            if (filter == Filter::kPoint) {
                c.i = c.j = std::clamp(static_cast<int>(std::floor(u)), 0, t.width - 1);
                c.w = 0;
            } else {
                const double f = std::clamp(u - 0.5, 0.0, t.width - 1.0);
                c.i = static_cast<int>(f);
                c.j = std::min(c.i + 1, t.width - 1);
                c.w = static_cast<uint32_t>((f - c.i) * 256.0);
            }
        }
        for (int y = y0; y < y1; ++y) {
            const double v = source.top + (y + 0.5 - target.top) * sy;
            int iy, jy;
            uint32_t wy = 0;
            if (filter == Filter::kPoint) {
                iy = jy = std::clamp(static_cast<int>(std::floor(v)), 0, t.height - 1);
            } else {
                const double f = std::clamp(v - 0.5, 0.0, t.height - 1.0);
                iy = static_cast<int>(f);
                jy = std::min(iy + 1, t.height - 1);
                wy = static_cast<uint32_t>((f - iy) * 256.0);
            }
            const uint32_t* r0 = t.pixels.data() + static_cast<size_t>(iy) * t.width;
            const uint32_t* r1 = t.pixels.data() + static_cast<size_t>(jy) * t.width;
            uint32_t* row = screen.data() + static_cast<size_t>(y) * m_width + x0;
            const Column* c = m_columns.data();
            for (int n = x1 - x0; n > 0; --n, ++c, ++row)
                *row = Lerp(Lerp(r0[c->i], r0[c->j], c->w), Lerp(r1[c->i], r1[c->j], c->w), wy);
        }
    }

    void EndScreen() override {}

    bool Present(double weight) override {
        if (!m_bits) return false;
        const uint32_t w = weight <= 0   ? 0u
                           : weight >= 1 ? orv::kFullWeight
                                         : static_cast<uint32_t>(weight * 255.0 + 0.5);
        const size_t count = static_cast<size_t>(m_width) * static_cast<size_t>(m_height);
        if (w == orv::kFullWeight) {
            std::copy_n(m_screens[1].data(), count, m_bits);
        } else {
            orv::BlendPixels(m_screens[0].data(), m_screens[1].data(), m_bits, count, w);
        }
        m_hasFrame = true;
        {
            CClientDC dc(&m_wnd);
            if (!::BitBlt(dc, 0, 0, m_width, m_height, m_dc->m_hDC, 0, 0, SRCCOPY)) return true;
        }
        m_pacer.WaitForDisplay(m_refreshHz);
        return true;
    }

    bool Repaint(CDC& dc) override {
        if (!m_hasFrame) return false;
        return ::BitBlt(dc, 0, 0, m_width, m_height, m_dc->m_hDC, 0, 0, SRCCOPY) != FALSE;
    }

private:
    CWnd& m_wnd;
    std::unique_ptr<CMemoryDC> m_dc;
    // Freed before the context; the destructor has put the context's own bitmap back by then.
    UniqueBitmap m_frame;
    HGDIOBJ m_original = nullptr;
    uint32_t* m_bits = nullptr;  // owned by m_frame
    int m_width = 0;
    int m_height = 0;
    bool m_hasFrame = false;
    int m_refreshHz = 0;
    std::vector<uint32_t> m_screens[2];
    int m_current = 1;
    std::unordered_map<TextureId, Texture> m_textures;
    TextureId m_lastId = 0;
    CFramePacer m_pacer;
    struct Column {
        int i, j;    // the source columns either side
        uint32_t w;  // the weight of j, of 256
    };
    std::vector<Column> m_columns;
};

}  // namespace

std::unique_ptr<IFrameRenderer> CreateGdiRenderer(CWnd& wnd) {
    if (!wnd.m_hWnd) return nullptr;
    return std::make_unique<CGdiRenderer>(wnd);
}
