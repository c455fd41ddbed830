// Walks through the program as a user would, on whatever display Wine has, and
// saves a picture of each thing it shows as a .bmp in the folder given:
// the icon at its sizes, the start-up notice, the greeting, the open menu, an
// error message and the goodbye. It ends the program through its own exit entry and returns the
// program's exit code.
// Usage: screenshot_tour PROGRAM.exe OUTPUT_FOLDER

#include "test_support.h"

#include <cstdio>
#include <string>

namespace
{
int const MARGIN = 8;
int const TOUR_FAILED = 2;
int const ICON_APP_ID = 100;

// The rectangle with a margin around it, kept on the screen: a copy that reaches
// past its edge comes out black.
RECT Grow(RECT rect, int margin)
{
    InflateRect(&rect, margin, margin);
    RECT const screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT visible = {};
    IntersectRect(&visible, &rect, &screen);
    return visible;
}

// What is on the screen in area once it has stopped changing: a window that has
// just appeared may not have painted all of itself yet.
std::vector<unsigned char> CaptureSettledScreen(RECT const& area)
{
    std::vector<unsigned char> previous;
    std::vector<unsigned char> current = CaptureScreen(area);
    int unchanged = 0;
    WaitUntil([&] {
        Sleep(100);
        previous.swap(current);
        current = CaptureScreen(area);
        unchanged = current == previous ? unchanged + 1 : 0;
        return unchanged >= 3;
    });
    return current;
}

// Writes 32-bit BGRA rows from the top as a .bmp, opaque.
bool SavePicture(std::vector<unsigned char> pixels, int width, int height, std::wstring const& path)
{
    // GDI leaves the fourth byte of most pixels at 0, which image tools read as
    // fully transparent.
    for (size_t alpha = 3; alpha < pixels.size(); alpha += 4)
    {
        pixels[alpha] = 0xFF;
    }
    BITMAPINFOHEADER info = {sizeof(info)};
    info.biWidth = width;
    info.biHeight = -height; // rows from the top
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());

    HANDLE const file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        return false;
    }
    DWORD written = 0;
    bool const saved =
        !pixels.empty() && WriteFile(file, &header, sizeof(header), &written, nullptr) &&
        WriteFile(file, &info, sizeof(info), &written, nullptr) &&
        WriteFile(file, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
    CloseHandle(file);
    return saved;
}

bool SaveScreenArea(RECT area, std::wstring const& path)
{
    return SavePicture(CaptureSettledScreen(area), area.right - area.left, area.bottom - area.top,
                       path);
}

// The program's icon at each of its sizes, side by side at their own size, on
// a light and on a dark background (the colours of Windows' light and dark
// taskbars), drawn from the program's resources as Windows loads them.
bool PictureIconSizes(wchar_t const* programPath, std::wstring const& path)
{
    int const sizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
    COLORREF const backgrounds[] = {RGB(0xF3, 0xF3, 0xF3), RGB(0x20, 0x20, 0x20)};
    int const rowHeight = 256 + 2 * MARGIN;
    int width = MARGIN;
    for (int size : sizes)
    {
        width += size + MARGIN;
    }
    int const rows = static_cast<int>(ARRAYSIZE(backgrounds));
    int const height = rowHeight * rows;

    HMODULE const program = LoadLibraryExW(
        programPath, nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
    if (program == nullptr)
    {
        return false;
    }
    std::vector<unsigned char> const pixels = DrawPicture(width, height, [&](HDC picture) {
        bool drawn = true;
        for (int row = 0; row < rows; ++row)
        {
            RECT const band = {0, row * rowHeight, width, (row + 1) * rowHeight};
            HBRUSH const brush = CreateSolidBrush(backgrounds[row]);
            FillRect(picture, &band, brush);
            DeleteObject(brush);
            int x = MARGIN;
            for (int size : sizes)
            {
                HICON const icon = static_cast<HICON>(
                    LoadImageW(program, MAKEINTRESOURCEW(ICON_APP_ID), IMAGE_ICON, size, size, 0));
                drawn = drawn && icon != nullptr &&
                        DrawIconEx(picture, x, band.bottom - MARGIN - size, icon, size, size, 0,
                                   nullptr, DI_NORMAL);
                if (icon != nullptr)
                {
                    DestroyIcon(icon);
                }
                x += size + MARGIN;
            }
        }
        return drawn;
    });
    FreeLibrary(program);
    return !pixels.empty() && SavePicture(pixels, width, height, path);
}

// Waits for the program's next message box, pictures it and answers it.
bool PictureMessageBox(DWORD processId, std::wstring const& path)
{
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = FindMessageBox(processId)) != nullptr; }))
    {
        fwprintf(stderr, L"no message box for %ls\n", path.c_str());
        return false;
    }
    RECT rect = {};
    GetWindowRect(box, &rect);
    bool const saved = SaveScreenArea(Grow(rect, MARGIN), path);
    AnswerMessageBox(processId);
    return saved;
}

// Wine shows its tray as a framed window at the top left of a screen without a
// taskbar. Take its frame away and put it in the corner where Windows users
// look for the notification area, so that it reads as one and the menu opens as
// it does there.
bool MoveTrayToBottomRight()
{
    HWND const tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    if (tray == nullptr)
    {
        return false;
    }
    RECT client = {};
    GetClientRect(tray, &client);
    SetWindowLongPtrW(tray, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    int const width = client.right - client.left;
    int const height = client.bottom - client.top;
    return SetWindowPos(tray, HWND_TOPMOST, GetSystemMetrics(SM_CXSCREEN) - width,
                        GetSystemMetrics(SM_CYSCREEN) - height, width, height,
                        SWP_FRAMECHANGED | SWP_NOACTIVATE) != FALSE;
}

// Opens the tray menu, pictures it with the tray, then chooses an entry.
bool PictureMenuAndChoose(std::wstring const& path, int position)
{
    if (!RightClickTrayIcon())
    {
        return false;
    }
    HWND const menu = WaitForPopupMenu();
    if (menu == nullptr)
    {
        return false;
    }
    bool saved = true;
    if (!path.empty())
    {
        RECT menuRect = {};
        GetWindowRect(menu, &menuRect);
        RECT trayRect = {};
        GetWindowRect(FindWindowW(L"__winex11_standalone_tray", nullptr), &trayRect);
        RECT both = {};
        UnionRect(&both, &menuRect, &trayRect);
        saved = SaveScreenArea(Grow(both, MARGIN), path);
    }
    ChooseMenuEntry(menu, position);
    return saved;
}
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
    {
        fwprintf(stderr, L"usage: screenshot_tour PROGRAM.exe OUTPUT_FOLDER\n");
        return TOUR_FAILED;
    }
    std::wstring const folder = argv[2];
    CreateDirectoryW(folder.c_str(), nullptr);

    StartedProcess program = StartProcess(argv[1]);
    if (program.process == nullptr)
    {
        fwprintf(stderr, L"cannot start %ls\n", argv[1]);
        return TOUR_FAILED;
    }
    bool const toured = PictureIconSizes(argv[1], folder + L"\\icon.bmp") &&
                        PictureMessageBox(program.id, folder + L"\\notice.bmp") &&
                        PictureMessageBox(program.id, folder + L"\\greeting.bmp") &&
                        MoveTrayToBottomRight() &&
                        PictureMenuAndChoose(folder + L"\\menu.bmp", MENU_STOP_SCREEN) &&
                        PictureMessageBox(program.id, folder + L"\\error.bmp") &&
                        PictureMenuAndChoose(L"", MENU_EXIT) &&
                        PictureMessageBox(program.id, folder + L"\\exit.bmp");
    DWORD const exitCode = WaitForExit(program);
    CloseProcess(&program);
    if (!toured)
    {
        return TOUR_FAILED;
    }
    wprintf(L"phantomDeskTray ended with exit code %lu\n", exitCode);
    return static_cast<int>(exitCode);
}
