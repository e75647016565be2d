// The order of the show: which files are listed, their sorted order, the wrap from the last
// picture to the first, and the slide timer itself.
#include <algorithm>
#include <ctime>

#include "Driver.h"

using namespace e2e;

namespace {

struct Entry {
    const char* path;  // below the picture folder
    COLORREF colour;
};

const char* NameOf(COLORREF c, const std::vector<Entry>& entries) {
    for (const Entry& e : entries)
        if (e.colour == c) return e.path;
    return c == RGB(0, 0, 0) ? "(black)" : "(unknown colour)";
}

}  // namespace

E2E_CASE(order_sorted_and_wraps) {
    // The listed files, in the order the show must take them: the whole paths compare without
    // case, "." sorts below "_" and "\", so a.bmp < A_c.bmp and sub.bmp < sub\x.bmp.
    const std::vector<Entry> shown = {
        {".hidden.bmp", RGB(250, 130, 20)}, {"a.bmp", RGB(200, 40, 40)},  {"A_c.bmp", RGB(40, 200, 40)},
        {"b.bmp", RGB(40, 40, 200)},        {"c.BMP", RGB(200, 200, 40)}, {"sub.bmp", RGB(200, 40, 200)},
        {"sub\\x.bmp", RGB(40, 200, 200)},
    };
    // Files that must never show.
    const std::vector<Entry> hidden = {
        {".cache\\y.bmp", RGB(120, 60, 10)}, {"photo.ico", RGB(10, 60, 120)},
        {"photo.bmp.txt", RGB(60, 120, 10)}, {"photo", RGB(90, 10, 90)},
        {"sub\\x.bmpx", RGB(10, 90, 90)},
    };
    std::string folder = MakeFolder("pics");
    MakeFolder("pics\\sub");
    MakeFolder("pics\\.cache");
    // Written in an order unlike the sorted one.
    for (auto it = shown.rbegin(); it != shown.rend(); ++it)
        WriteFileBytes(folder + "\\" + it->path, SolidBmp24(64, 48, it->colour));
    for (const Entry& e : hidden)
        WriteFileBytes(folder + "\\" + e.path, SolidBmp24(64, 48, e.colour));
    std::vector<Entry> all = shown;
    all.insert(all.end(), hidden.begin(), hidden.end());

    Settings s;
    s.delay = 120;
    s.randomOrder = 0;
    s.caption = 0;
    s.folder = folder + "\\";  // a trailing backslash gives the same list
    s.Write();

    Saver saver("/s");
    saver.WaitFullScreen();
    COLORREF previous = RGB(0, 0, 0);
    // Two rounds and the first picture again: the order holds and the last wraps to the first.
    for (size_t i = 0; i <= 2 * shown.size(); ++i) {
        const Entry& want = shown[i % shown.size()];
        if (i > 0) saver.Tick();
        auto got = WaitPixelChange(400, 300, previous);
        if (!got) {
            E2E_REQUIRE(false, "step %zu: still %s, want %s", i, NameOf(previous, all), want.path);
        }
        E2E_REQUIRE(*got == want.colour, "step %zu: showing %s %s, want %s", i, NameOf(*got, all),
                    Describe(*got).c_str(), want.path);
        previous = *got;
    }
}

E2E_CASE(order_bmp_files_off_shows_nothing) {
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(64, 48, RGB(200, 40, 40)));
    Settings s;
    s.delay = 1;
    s.bmp = 0;
    s.folder = folder;
    s.Write();
    Saver saver("/s");
    saver.WaitFullScreen();
    // Ticks on an empty list do nothing at all, so there is no effect to wait for: the check is
    // that the screen stays black and the saver keeps running.
    saver.Tick();
    saver.Tick();
    Shot shot = WaitStillScreen();
    E2E_EXPECT(shot.AllOf(RGB(0, 0, 0)), "the screen is not black: non-black area %s",
               Describe(shot.BoundsNot(RGB(0, 0, 0))).c_str());
    E2E_EXPECT(saver.Running(), "the saver ended on its own");
}

E2E_CASE(order_slide_timer_advances) {
    // A stored delay of 0 is read as 1 second: the show advances by itself.
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(64, 48, RGB(200, 40, 40)));
    WriteFileBytes(folder + "\\b.bmp", SolidBmp24(64, 48, RGB(40, 200, 40)));
    Settings s;
    s.delay = 0;
    s.randomOrder = 0;
    s.folder = folder;
    s.Write();
    Saver saver("/s");
    saver.WaitFullScreen();
    E2E_REQUIRE(WaitPixel(400, 300, RGB(200, 40, 40)), "the first picture did not show");
    double shownAt = NowMs();
    E2E_REQUIRE(WaitPixel(400, 300, RGB(40, 200, 40), 6000),
                "the second picture did not come by itself in 6 s");
    double second = NowMs();
    E2E_REQUIRE(WaitPixel(400, 300, RGB(200, 40, 40), 6000),
                "the show did not wrap back to the first picture");
    Note("slide timer: %.0f ms to the second picture, %.0f ms to the third", second - shownAt,
         NowMs() - second);
}

E2E_CASE(order_random_round_repeats) {
    // Random order: each picture once per round, the same order in every round of one run, and
    // (the seed being the start time in seconds) another order in a run started later.
    const COLORREF colours[] = {RGB(200, 40, 40),  RGB(40, 200, 40),  RGB(40, 40, 200),  RGB(200, 200, 40),
                                RGB(200, 40, 200), RGB(40, 200, 200), RGB(250, 130, 20), RGB(120, 60, 220)};
    constexpr int n = 8;
    std::string folder = MakeFolder("pics");
    for (int i = 0; i < n; ++i)
        WriteFileBytes(folder + "\\p" + std::to_string(i) + ".bmp", SolidBmp24(64, 48, colours[i]));
    Settings s;
    s.delay = 120;
    s.randomOrder = 1;
    s.caption = 0;
    s.folder = folder;
    s.Write();

    auto run = [&](int rounds) {
        std::vector<int> seen;
        Saver saver("/s");
        saver.WaitFullScreen();
        COLORREF previous = RGB(0, 0, 0);
        for (int step = 0; step < rounds * n; ++step) {
            if (step > 0) saver.Tick();
            auto got = WaitPixelChange(400, 300, previous);
            E2E_REQUIRE(got, "step %d: the picture did not change from %s", step, Describe(previous).c_str());
            int index = -1;
            for (int i = 0; i < n; ++i)
                if (colours[i] == *got) index = i;
            E2E_REQUIRE(index >= 0, "step %d: unknown colour %s", step, Describe(*got).c_str());
            seen.push_back(index);
            previous = *got;
        }
        return seen;
    };
    auto text = [](const std::vector<int>& v, size_t from, size_t count) {
        std::string t;
        for (size_t i = from; i < from + count && i < v.size(); ++i)
            t += char('0' + v[i]);
        return t;
    };
    std::vector<int> first = run(2);
    std::vector<int> sorted(first.begin(), first.begin() + n);
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < n; ++i)
        E2E_REQUIRE(sorted[i] == i, "the first round %s does not show each picture once",
                    text(first, 0, n).c_str());
    // The cycle ended: the next one shows each picture once again, in an order of its own.
    std::vector<int> again(first.begin() + n, first.end());
    std::sort(again.begin(), again.end());
    for (int i = 0; i < n; ++i)
        E2E_EXPECT(again[i] == i, "the second round %s does not show each picture once",
                   text(first, n, n).c_str());
    // The seed is the start's second: wait for the clock to pass the second the first run ended in.
    const std::time_t firstEnded = std::time(nullptr);
    E2E_REQUIRE(WaitUntil([&] { return std::time(nullptr) > firstEnded; }, 3000), "the clock stands still");
    std::vector<int> second = run(1);
    Note("random order: run 1 %s, run 2 %s", text(first, 0, n).c_str(), text(second, 0, n).c_str());
    E2E_EXPECT(text(first, 0, n) != text(second, 0, n),
               "two runs in different seconds showed the same order %s", text(first, 0, n).c_str());
}
