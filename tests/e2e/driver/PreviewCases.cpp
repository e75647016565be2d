// The preview inside another program's window ("/p <handle>"). Wine gives a child window of
// another process no drawing surface of its own, so these cases check structure and lifecycle,
// not pixels.
#include "Driver.h"

using namespace e2e;

E2E_CASE_WITH(preview_child_fills_parent_and_ends_with_it, "x86") {
    std::string folder = MakeFolder("pics");
    WriteFileBytes(folder + "\\a.bmp", SolidBmp24(320, 240, RGB(200, 40, 40)));
    WriteText(folder + "\\a.txt", "Caption");
    WriteFileBytes(folder + "\\b.bmp", {});
    Settings s;
    s.delay = 1;
    s.folder = folder;
    s.Write();

    HWND parent = MakePreviewParent(220, 180);
    RECT client;
    GetClientRect(parent, &client);
    Saver saver(PreviewArgs(parent));
    HWND child = WaitPreviewChild(parent, saver);
    E2E_REQUIRE(child, "no child window of the saver in the parent (process %s)",
                saver.Running() ? "running" : "ended");
    RECT c, w;
    GetClientRect(child, &c);
    GetWindowRect(child, &w);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&w), 2);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    E2E_EXPECT(GetParent(child) == parent, "the child's parent is %p, want %p", (void*)GetParent(child),
               (void*)parent);
    E2E_EXPECT((style & (WS_CHILD | WS_VISIBLE)) == (WS_CHILD | WS_VISIBLE), "child style 0x%08lx", style);
    E2E_EXPECT(EqualRect(&c, &client), "child client %s, want the parent's client %s", Describe(c).c_str(),
               Describe(client).c_str());
    E2E_EXPECT(EqualRect(&w, &client), "child at %s in the parent, want %s", Describe(w).c_str(),
               Describe(client).c_str());
    E2E_EXPECT(saver.TopWindows().empty(), "the preview also shows %zu top-level windows",
               saver.TopWindows().size());

    // The show goes on over the damaged second file and back to the first, and a resized parent
    // does not resize the preview.
    SetWindowPos(parent, nullptr, 0, 0, 300, 260, SWP_NOMOVE | SWP_NOZORDER);
    // Its pixels cannot be read here: a slide that went wrong shows in the exit code below.
    PostMessageA(child, WM_TIMER, 1, 0);
    PostMessageA(child, WM_TIMER, 1, 0);
    E2E_EXPECT(saver.Running(), "the preview ended while its parent exists");
    RECT after;
    GetClientRect(child, &after);
    E2E_EXPECT(EqualRect(&after, &c), "the preview was resized to %s with its parent",
               Describe(after).c_str());

    DestroyWindow(parent);
    auto code = saver.WaitExit(10000);
    E2E_EXPECT(code, "the saver is still running 10 s after its parent was destroyed");
    E2E_EXPECT(!code || *code == 0, "exit code %lu, want 0", code ? *code : 0UL);
}
