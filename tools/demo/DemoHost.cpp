// demo_host: the demonstration's host program. Each command prints a line of
// what it did, or of what went wrong (and then ends with 1).
//
//   demo_host sampler <sampler.dll> <project.kss> <out.wav> <editor.png>
//       the project as the plug-in's state, the phrase played on it, its
//       editor captured once the phrase has ended
//   demo_host export <project.kss> <folder> <install folder>
//       the project exported as a player set, as the Export dialog does
//   demo_host player <player.dll> <out.wav> <editor.png>
//       the phrase played on an exported player, its editor captured
//   demo_host check <recording.wav>...
//       each note of the phrase, in each recording, at its key's pitch
//   demo_host host <program.exe> <settings.png> <window.png>
//       the standalone host started for the first time, its Settings dialog
//       and its window captured, closed
#include "BounceHost.h"
#include "HostShot.h"
#include "PhraseCheck.h"
#include "PlayerExport.h"
#include "ProgramEnd.h"
#include "Project.h"
#include "WindowRig.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using demo::BounceHost;
using demo::Recording;

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

std::string FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return Narrow(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

int Fail(const std::string& what) {
    std::printf("%s\n", what.c_str());
    return 1;
}

// What the editor shows once nothing in it moves any more: two looks a
// moment apart that agree, or the last look after a few seconds.
Capture AtRest(BounceHost& host, HWND panel) {
    Capture last = CaptureWindow(panel);
    for (int look = 0; look < 20; ++look) {
        host.Idle(200);
        Capture now = CaptureWindow(panel);
        if (now.pixels == last.pixels) return now;
        last = std::move(now);
    }
    return last;
}

std::string PeakDb(const Recording& r) {
    float peak = 0.0f;
    for (size_t i = 0; i < r.Frames(); ++i) peak = std::max(peak, std::max(std::fabs(r.left[i]), std::fabs(r.right[i])));
    if (peak <= 0.0f) return "silent";
    char text[32];
    std::snprintf(text, sizeof text, "peak %.1f dBFS", 20.0 * std::log10(peak));
    return text;
}

// "instrument "Demo Tone" of 2 zones", or a count of instruments.
std::string Contents(const KSamplerEngine& engine) {
    const std::string zones = std::to_string(demo::ZoneCount(engine)) + " zones";
    if (engine.instrumentCount != 1) return std::to_string(engine.instrumentCount) + " instruments of " + zones;
    for (const KInstrument* in : engine.instruments)
        if (in != nullptr) return "instrument \"" + Narrow(in->name) + "\" of " + zones;
    return zones;
}

// Plays the phrase on a plug-in that is open and holds its sounds, with
// its editor in a window; writes the recording and the editor's picture.
int PlayAndShow(BounceHost& host, const std::wstring& wav, const std::wstring& png, std::string& made) {
    GdiplusSession gdi;
    int width = 0, height = 0;
    if (!gdi.ok()) return Fail("GDI+ does not start");
    if (!host.EditorSize(width, height)) return Fail("the plug-in has no editor");
    HostWindow window(width, height);
    HWND panel = host.OpenEditor(window.hwnd());
    if (panel == nullptr) return Fail("the editor does not open");

    const Recording recording = host.Play(demo::Phrase(), demo::PhraseFrames());
    host.Idle(1000);
    if (!AtRest(host, panel).SavePng(png)) return Fail("the editor's picture cannot be saved as " + Narrow(png));
    host.CloseEditor();
    if (!demo::WriteRecording(wav, recording)) return Fail("the recording cannot be written to " + Narrow(wav));
    char seconds[16];
    std::snprintf(seconds, sizeof seconds, "%.1f s", static_cast<double>(recording.Frames()) / demo::kRate);
    made = FileName(wav) + " (" + seconds + ", " + PeakDb(recording) + "), " + FileName(png) + " (" +
           std::to_string(width) + "x" + std::to_string(height) + ")";
    return 0;
}

int Sampler(const std::wstring& library, const std::wstring& project, const std::wstring& wav, const std::wstring& png) {
    KSamplerEngine engine;
    std::string problem;
    if (!demo::LoadProject(engine, project, problem)) return Fail(FileName(project) + ": " + problem);
    std::vector<uint8_t> chunk = demo::StateChunk(engine);
    if (chunk.empty()) return Fail("the project's state chunk cannot be made");

    BounceHost host(library);
    if (!host.problem().empty()) return Fail(FileName(library) + ": " + host.problem());
    host.Open();
    if (!host.SetChunk(chunk)) return Fail(FileName(library) + " does not take the project as its state");
    std::string made;
    const int result = PlayAndShow(host, wav, png, made);
    if (result == 0) std::printf("%s; %s\n", Contents(engine).c_str(), made.c_str());
    return result;
}

int Export(const std::wstring& project, const std::wstring& folder, const std::wstring& install) {
    KSamplerEngine engine;
    std::string problem;
    if (!demo::LoadProject(engine, project, problem)) return Fail(FileName(project) + ": " + problem);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    KFileJob job;
    const KExportResult result = ExportPlayerFolder(engine, folder.c_str(), install.c_str(), job);
    if (!result.ok) return Fail("the export failed: " + Narrow(result.message));
    // The set's files, as they lie in the folder.
    const std::wstring name = engine.libraryName;
    std::string files = Narrow(name) + ".dll, " + Narrow(name) + "\\" + Narrow(name) + ".ksb";
    if (::GetFileAttributesW((folder + L"\\" + name + L".exe").c_str()) != INVALID_FILE_ATTRIBUTES)
        files += ", " + Narrow(name) + ".exe (the standalone host)";
    std::printf("library \"%s\": %s\n", Narrow(name).c_str(), files.c_str());
    return 0;
}

int Player(const std::wstring& library, const std::wstring& wav, const std::wstring& png) {
    BounceHost host(library);
    if (!host.problem().empty()) return Fail(FileName(library) + ": " + host.problem());
    host.Open();
    std::string made;
    const int result = PlayAndShow(host, wav, png, made);
    if (result == 0) std::printf("%s\n", made.c_str());
    return result;
}

int Check(const std::vector<std::wstring>& recordings) {
    bool right = true;
    for (const std::wstring& path : recordings) {
        Recording recording;
        std::string problem;
        if (!demo::ReadRecording(path, recording, problem)) {
            std::printf("%s: %s\n", FileName(path).c_str(), problem.c_str());
            right = false;
            continue;
        }
        const demo::PhraseHeard heard = demo::ListenTo(recording, demo::Phrase());
        std::printf("%s %s: %s\n", FileName(path).c_str(), heard.Right() ? "in tune" : "WRONG", heard.Summary().c_str());
        right = right && heard.Right();
    }
    return right ? 0 : 1;
}

int Run() {
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const std::vector<std::wstring> args(argv, argv + count);
    ::LocalFree(argv);
    const std::wstring command = args.size() > 1 ? args[1] : L"";
    if (command == L"sampler" && args.size() == 6) return Sampler(args[2], args[3], args[4], args[5]);
    if (command == L"export" && args.size() == 5) return Export(args[2], args[3], args[4]);
    if (command == L"player" && args.size() == 5) return Player(args[2], args[3], args[4]);
    if (command == L"check" && args.size() > 2) return Check({args.begin() + 2, args.end()});
    if (command == L"host" && args.size() == 5) return ShootStandaloneHost(args[2], args[3], args[4]);
    return Fail("usage: demo_host sampler <sampler.dll> <project.kss> <out.wav> <editor.png>\n"
                "       demo_host export <project.kss> <folder> <install folder>\n"
                "       demo_host player <player.dll> <out.wav> <editor.png>\n"
                "       demo_host check <recording.wav>...");
}

} // namespace

int main() { EndProgram(Run()); }
