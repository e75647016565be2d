// The yardstick: a bare recursive FindFirstFileW walk that counts files, nothing else. Built a
// second time as walk_large_fetch with WALK_LARGE_FETCH: FindFirstFileExW with basic information
// and large fetches, what the listing alone can gain. Prints "files N, M ms" for the folder given
// (bench/walk_library.sh).
#include <windows.h>

#include <cstdio>
#include <string>

static long long Walk(const std::wstring& dir) {
    WIN32_FIND_DATAW d;
#ifdef WALK_LARGE_FETCH
    HANDLE h = FindFirstFileExW((dir + L"\\*").c_str(), FindExInfoBasic, &d, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
#else
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &d);
#endif
    if (h == INVALID_HANDLE_VALUE) return 0;
    long long n = 0;
    do {
        if (d.cFileName[0] == L'.') continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            n += Walk(dir + L"\\" + d.cFileName);
        else
            ++n;
    } while (FindNextFileW(h, &d));
    FindClose(h);
    return n;
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    const ULONGLONG start = GetTickCount64();
    const long long files = Walk(argv[1]);
    std::printf("files %lld, %llu ms\n", files, GetTickCount64() - start);
    return 0;
}
