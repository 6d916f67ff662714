// Two modules' panels alive at once: each runs its own module's window
// procedure, so one module can be unloaded while the other's panel goes on.
#include "PanelRig.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct PanelModule {
    explicit PanelModule(const char* path) : module(::LoadLibraryA(path)) {
        if (module == nullptr) return;
        create = reinterpret_cast<HWND (*)(HWND, HINSTANCE)>(reinterpret_cast<void*>(::GetProcAddress(module, "TestPanelCreate")));
        destroy = reinterpret_cast<void (*)()>(reinterpret_cast<void*>(::GetProcAddress(module, "TestPanelDestroy")));
        presses = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(::GetProcAddress(module, "TestPanelPresses")));
        className = reinterpret_cast<const wchar_t* (*)()>(
            reinterpret_cast<void*>(::GetProcAddress(module, "TestPanelClassName")));
    }
    bool ok() const { return create && destroy && presses && className; }

    HMODULE module;
    HWND (*create)(HWND, HINSTANCE) = nullptr;
    void (*destroy)() = nullptr;
    int (*presses)() = nullptr;
    const wchar_t* (*className)() = nullptr;
};

HMODULE ModuleOf(const void* address) {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCWSTR>(address), &module);
    return module;
}

TEST(PanelModules, EachPanelRunsItsOwnModulesProcedureAndOutlivesTheOtherModule) {
    GdiplusSession gdi;
    ASSERT_TRUE(gdi.ok());
    PanelModule first(KORVO_PANEL_MODULE_A), second(KORVO_PANEL_MODULE_B);
    ASSERT_TRUE(first.ok());
    ASSERT_TRUE(second.ok());
    ASSERT_NE(first.module, second.module);
    HostWindow firstHost(120, 80), secondHost(120, 80);
    ::SetWindowPos(secondHost.hwnd(), nullptr, HostWindow::kLeft + 200, HostWindow::kTop, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
    // Both with the host program's instance, as the dialogs pass it.
    const HWND firstPanel = first.create(firstHost.hwnd(), ::GetModuleHandleW(nullptr));
    const HWND secondPanel = second.create(secondHost.hwnd(), ::GetModuleHandleW(nullptr));
    ASSERT_NE(firstPanel, nullptr);
    ASSERT_NE(secondPanel, nullptr);
    EXPECT_NE(std::wstring(first.className()), std::wstring(second.className()));
    EXPECT_EQ(ModuleOf(reinterpret_cast<void*>(::GetWindowLongPtrW(firstPanel, GWLP_WNDPROC))), first.module);
    EXPECT_EQ(ModuleOf(reinterpret_cast<void*>(::GetWindowLongPtrW(secondPanel, GWLP_WNDPROC))), second.module);
    input::Click(firstPanel, 20, 20);
    input::Click(secondPanel, 20, 20);
    EXPECT_EQ(first.presses(), 1);
    EXPECT_EQ(second.presses(), 1);

    first.destroy();
    ASSERT_TRUE(::FreeLibrary(first.module));
    EXPECT_EQ(ModuleOf(reinterpret_cast<void*>(first.create)), nullptr) << "the first module is gone";
    // The second panel paints and takes input as before.
    ::RedrawWindow(secondPanel, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(CaptureWindow(secondPanel).Rgb(50, 40), 0x30C030u);
    input::Click(secondPanel, 30, 30);
    EXPECT_EQ(second.presses(), 2);
    second.destroy();
    ::FreeLibrary(second.module);
}

} // namespace
