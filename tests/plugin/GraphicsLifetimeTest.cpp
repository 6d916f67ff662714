// GDI+ across the instances of one library load, in both plug-ins: a host
// that keeps the library loaded, removes the last instance and inserts a new
// one, or runs two at once and removes the first. The editors must paint the
// same pixels every time, one GDI+ session must serve the module while any
// of its effects lives, and nothing of an ended session may be used again.
// The test holds no GDI+ session of its own while the plug-ins run, so the
// module's session is the only one.
#include "GdiplusWatch.h"
#include "PlayerRig.h"
#include "PluginHost.h"
#include "SkinImages.h"
#include "WindowRig.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A library loaded once for the whole test, its GDI+ calls watched.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const std::wstring& path)
        : module_(::LoadLibraryW(path.c_str())), watch_(std::make_unique<GdiplusWatch>(module_)) {}
    ~LoadedLibrary() {
        watch_.reset(); // its import table back before it may unload
        if (module_ != nullptr) ::FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    bool loaded() const { return module_ != nullptr; }
    const GdiplusWatch& watch() const { return *watch_; }

private:
    HMODULE module_;
    std::unique_ptr<GdiplusWatch> watch_;
};

// One instance of the plug-in, switched on, its editor open in a window of
// its own at (x, y).
class Instance {
public:
    Instance(const std::wstring& library, int x, int y) : host_(library) {
        if (host_.effect() == nullptr) return;
        host_.Open(44100.0f, 512);
        ERect* rect = nullptr;
        if (host_.Dispatch(effEditGetRect, 0, 0, &rect) != 1 || rect == nullptr) return;
        window_ = std::make_unique<HostWindow>(rect->right - rect->left, rect->bottom - rect->top);
        ::SetWindowPos(window_->hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (host_.Dispatch(effEditOpen, 0, 0, window_->hwnd()) != 1) return;
        PumpMessages();
        panel_ = ::GetWindow(window_->hwnd(), GW_CHILD);
    }
    ~Instance() {
        if (panel_ != nullptr) host_.Dispatch(effEditClose);
        host_.Close();
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    HWND panel() const { return panel_; }
    // The whole editor painted anew.
    Capture Paint() {
        ::InvalidateRect(panel_, nullptr, FALSE);
        return CaptureWindow(panel_);
    }

private:
    PluginHost host_;
    std::unique_ptr<HostWindow> window_;
    HWND panel_ = nullptr;
};

// The share of the capture's pixels that show the skin's background.
double ShowsBackground(const Capture& shot, const Pixels& background) {
    if (shot.width <= 0 || background.width <= 0) return 0.0;
    int same = 0;
    for (int y = 0; y < shot.height && y < background.height; ++y)
        for (int x = 0; x < shot.width && x < background.width; ++x)
            same += shot.Rgb(x, y) == (background.At(x, y) & 0x00FFFFFFu);
    return static_cast<double>(same) / (static_cast<double>(shot.width) * shot.height);
}

struct Plugin {
    const char* name;
    bool player;
};
void PrintTo(const Plugin& plugin, std::ostream* out) { *out << plugin.name; }

class GraphicsLifetime : public ::testing::TestWithParam<Plugin> {
protected:
    void SetUp() override {
        if (GetParam().player) {
            // An instrument whose name the editor writes with its font.
            CopyWide(rig.AddInstrument(0, 0, {1}, rig.Wav(L"g.wav")).name, L"Glockenspiel");
            set = rig.MakeSet(WinePath(KORVO_PLAYER_LIBRARY));
            library = set.library;
        } else {
            library = WinePath(KORVO_SAMPLER_DLL);
        }
        // What the skin's background holds, read before any plug-in runs.
        GdiPlus gdi;
        ASSERT_TRUE(gdi.ok());
        ResourceLibrary resources(library);
        ASSERT_TRUE(DecodePng(resources.Bytes(L"BACKGROUND"), &background));
    }

    // Saved once the plug-ins are gone: the encoder needs GDI+ of the test's
    // own.
    void Save(const Capture& shot, const std::wstring& name) {
        GdiPlus gdi;
        EXPECT_TRUE(shot.SavePng(ScreenshotPath(std::wstring(GetParam().player ? L"player" : L"sampler") + L"-" + name)));
    }

    static std::string Faults(const GdiplusWatch& watch) {
        std::string all;
        for (const std::string& f : watch.faults()) all += "\n  " + f;
        return all;
    }

    PlayerRig rig;
    PlayerSet set;
    std::wstring library;
    Pixels background;
};

TEST_P(GraphicsLifetime, AnInstanceAfterTheLastOnePaintsTheSame) {
    LoadedLibrary loaded(library);
    ASSERT_TRUE(loaded.loaded());
    const GdiplusWatch& watch = loaded.watch();
    ASSERT_TRUE(watch.watching());

    Capture first;
    {
        Instance one(library, 40, 40);
        ASSERT_NE(one.panel(), nullptr);
        first = one.Paint();
        EXPECT_EQ(watch.running(), 1);
    }
    EXPECT_EQ(watch.running(), 0) << "the session ends with the last instance";
    EXPECT_EQ(watch.liveObjects(), 0) << "nothing of it is left";
    EXPECT_GT(ShowsBackground(first, background), 0.5) << "the skin's background shows";

    Capture second, again;
    {
        Instance two(library, 40, 40);
        ASSERT_NE(two.panel(), nullptr);
        second = two.Paint();
        again = two.Paint();
    }
    EXPECT_EQ(second.pixels, first.pixels) << "the new instance paints as the first did";
    EXPECT_EQ(again.pixels, first.pixels);
    EXPECT_EQ(watch.startups(), 2);
    EXPECT_EQ(watch.shutdowns(), 2);
    EXPECT_EQ(watch.mostRunning(), 1);
    EXPECT_EQ(watch.liveObjects(), 0);
    EXPECT_TRUE(watch.faults().empty()) << Faults(watch);
    Save(first, L"graphics-first-instance");
    Save(second, L"graphics-next-instance");
}

TEST_P(GraphicsLifetime, TwoInstancesShareOneSessionAndTheSecondOutlivesTheFirst) {
    LoadedLibrary loaded(library);
    ASSERT_TRUE(loaded.loaded());
    const GdiplusWatch& watch = loaded.watch();
    ASSERT_TRUE(watch.watching());

    auto one = std::make_unique<Instance>(library, 40, 40);
    auto two = std::make_unique<Instance>(library, 960, 40);
    ASSERT_NE(one->panel(), nullptr);
    ASSERT_NE(two->panel(), nullptr);
    const Capture firstOfOne = one->Paint();
    const Capture firstOfTwo = two->Paint();
    EXPECT_EQ(firstOfTwo.pixels, firstOfOne.pixels) << "two instances of one library look alike";
    EXPECT_EQ(watch.running(), 1) << "one session for both";

    // The second has a paint waiting, and its timers run, when the first
    // goes.
    ::InvalidateRect(two->panel(), nullptr, FALSE);
    one.reset();
    EXPECT_EQ(watch.running(), 1) << "the session lives on with the second";
    const Capture afterwards = CaptureWindow(two->panel());
    const Capture again = two->Paint();
    EXPECT_EQ(afterwards.pixels, firstOfTwo.pixels);
    EXPECT_EQ(again.pixels, firstOfTwo.pixels);
    EXPECT_GT(ShowsBackground(again, background), 0.5);
    EXPECT_EQ(watch.shutdowns(), 0);
    two.reset();
    EXPECT_EQ(watch.running(), 0);
    EXPECT_EQ(watch.startups(), 1);
    EXPECT_EQ(watch.shutdowns(), 1);
    EXPECT_EQ(watch.liveObjects(), 0);
    EXPECT_TRUE(watch.faults().empty()) << Faults(watch);
    Save(again, L"graphics-second-of-two");
}

INSTANTIATE_TEST_SUITE_P(BothPlugins, GraphicsLifetime,
                         ::testing::Values(Plugin{"Sampler", false}, Plugin{"Player", true}),
                         [](const ::testing::TestParamInfo<Plugin>& info) { return std::string(info.param.name); });

} // namespace
